#include "tree/file_outcome.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "diagnose/diagnose.h"
#include "diagnose/format.h"
#include "diagnose/rule_settings.h"
#include "io/read_file.h"
#include "tree/conversion.h"
#include "tree/diff.h"
#include "tree/findings.h"
#include "tree/messages.h"
#include "tree/migrate.h"

namespace q5 {

void stop_for_test(const char* point) {
  static const char* const wanted = std::getenv("Q5UPGRADE_TEST_STOP");
  // Sent to this thread, so that it stops before going on.
  if (wanted != nullptr && std::strcmp(wanted, point) == 0) ::raise(SIGSTOP);
}

namespace {

// A conversion failure in the tree's words: one line, at its place.
std::string failure_text(const Failure& failure) {
  switch (failure.kind) {
    case FailureKind::UnterminatedString:
      return "unterminated string";
    case FailureKind::UnterminatedList:
      return "unterminated parameter list";
    case FailureKind::TooManyArguments:
      return "too many parameters";
    case FailureKind::ArgumentTooLong:
      return "too long parameter name";
    case FailureKind::NameTooLong:
      return "too long function name";
    case FailureKind::NoMemory:
      return cannot_alloc(failure.bytes);
    case FailureKind::Other:
      break;
  }
  return failure.message.substr(0, failure.message.find('\n'));
}

}  // namespace

namespace {

// The error of a file that could not be read, converted or written, shaped
// as its diagnostics are.
void fail_file(FileOutcome& outcome, const TreeOptions& options, const WalkedFile& file,
               std::string_view text, const Failure& failure, std::string_view message) {
  outcome.failed = true;
  Diagnostic error = failure_diagnostic(failure);
  error.offset = text.empty() ? kNoOffset : failure.offset;
  error.message = message;
  outcome.errors.push_back(std::move(error));
  (findings_on_stdout(options) ? outcome.out : outcome.err) =
      render_diagnostics(options, file.path, text, std::span(&outcome.errors.back(), 1));
}

}  // namespace

// A file whose new content could not be put in place: the diagnostics
// already shown for it stay.
void fail_replacement(FileOutcome& outcome, const TreeOptions& options, const WalkedFile& file,
                      const std::string& trouble) {
  std::string& stream = findings_on_stdout(options) ? outcome.out : outcome.err;
  std::string shown = std::move(stream);
  fail_file(outcome, options, file, {}, Failure{ExitWriteFailed, trouble}, trouble);
  stream = shown + stream;
}

namespace {

// --check --verbose: "PATH:LINE:COL" of each call to convert, a line each,
// or with -z the raw name and a NUL after each.
std::string call_places(const std::string& path, std::string_view text,
                        const std::vector<std::size_t>& offsets, bool null_separated) {
  const LineTable lines = make_line_table(text);
  const std::string name = null_separated ? path : quote_name(path);
  // A file changed elsewhere than in a call is named alone.
  if (offsets.empty()) return name + (null_separated ? '\0' : '\n');
  std::string out;
  for (std::size_t offset : offsets) {
    LineColumn at = line_column(lines, offset);
    out += name + ':' + std::to_string(at.line) + ':' + std::to_string(at.column);
    out += null_separated ? '\0' : '\n';
  }
  return out;
}

// The converted text of a file and what the diff shows of it.
struct Converted {
  std::string text;
  std::vector<ReplacedSpan> spans;
};

}  // namespace

namespace {

// Spans of the diff: insertions on the same or neighbouring lines make one
// span, so that the diff shows the old lines together, then the new ones.
std::vector<ReplacedSpan> spans_of(std::string_view text,
                                   const std::vector<Insertion>& insertions) {
  std::vector<ReplacedSpan> spans;
  std::size_t shift = 0;
  for (const Insertion& i : insertions) {
    bool joins = !spans.empty() &&
                 std::count(text.begin() + static_cast<std::ptrdiff_t>(spans.back().end),
                            text.begin() + static_cast<std::ptrdiff_t>(i.offset), '\n') <= 1;
    if (!joins) spans.push_back({i.offset, i.offset, i.offset + shift, i.offset + shift});
    ReplacedSpan& span = spans.back();
    span.end = i.offset;
    shift += i.text.size();
    span.out_end = i.offset + shift;
  }
  return spans;
}

}  // namespace

namespace {

void convert_file(const TreeOptions& options, const RunContext& context, const WalkedFile& file,
                  FileOutcome& outcome) {
  std::string before;
  struct stat status {};
  std::string error = file.error;
  OpenedFile opened;
  const bool in_place = options.sink == TreeSink::InPlace;
  if (file.path == "-" && context.stdin_read) {
    before = context.stdin_text;
  } else {
    if (error.empty()) error = open_walked(file, in_place, opened);
    if (error.empty() && !read_whole(opened.fd, before, status, error)) before.clear();
  }
  if (!error.empty()) {
    close_walked(opened);
    fail_file(outcome, options, file, {}, Failure{ExitBadInput, error}, error);
    return;
  }
  if (opened.fd > 0) ::close(opened.fd);  // only its directory is kept, to replace it
  opened.fd = -1;
  stop_for_test("read");
  outcome.size = before.size();

  Converted conversion;
  std::vector<std::size_t> to_convert;  // where the calls that change start
  if (options.unsafe_fixes) {
    Conversion classic = convert_text(before);
    if (classic.failure) {
      close_walked(opened);
      fail_file(outcome, options, file, before, *classic.failure, failure_text(*classic.failure));
      if (keeps_sarif(options)) outcome.text = std::move(before);
      return;
    }
    keep_calls_outside_code(before, classic);
    to_convert = changed_calls(before, classic);
    outcome.calls = to_convert.size();
    // The safe conversion's findings stay with the calls the text rules
    // convert.
    Migration reader = migrate_text(before, context.macros);
    outcome.diagnostics =
        text_rule_findings(before, classic, to_convert, reports_convertible(options), reader);
    conversion.spans = replacements_of(classic);
    conversion.text = std::move(classic.text);
  } else {
    Migration migration = options.verify
                              ? verified_migration(options, context, file, before, outcome)
                              : migrate_text(before, context.macros);
    if (migration.failure) {
      close_walked(opened);
      fail_file(outcome, options, file, before, *migration.failure,
                failure_text(*migration.failure));
      if (keeps_sarif(options)) outcome.text = std::move(before);
      return;
    }
    outcome.calls = migration.calls.size();
    for (const ConvertedCall& call : migration.calls) to_convert.push_back(call.name);
    outcome.left = migration.left;
    outcome.diagnostics = safe_findings(before, migration, reports_convertible(options));
    // --check needs only to know that something changes.
    if (options.sink != TreeSink::Check) {
      conversion.text = apply_insertions(before, migration.insertions);
      conversion.spans = spans_of(before, migration.insertions);
    }
    outcome.changed = !migration.insertions.empty();
  }
  if (options.unsafe_fixes) outcome.changed = conversion.text != before;
  // What the user chose to hear: the conversion above is the same either way.
  settle_diagnostics(outcome.diagnostics, settings_for_file(options, file.path));
  // (The error stream may hold what --verify said of the file already.)
  const bool machine = findings_on_stdout(options);
  const std::string shown = render_diagnostics(options, file.path, before, outcome.diagnostics);
  if (machine)
    outcome.out = shown;
  else
    outcome.err += shown;

  // A machine format's findings are all that standard output carries.
  switch (options.sink) {
    case TreeSink::Diff:
      if (outcome.changed && !machine)
        outcome.out = unified_diff(patch_path(file.path, context.cwd), before, conversion.text,
                                   conversion.spans);
      if (outcome.changed && !machine && options.diff_colour)
        outcome.out = colour_diff(outcome.out);
      break;
    case TreeSink::Check:
      if (!outcome.changed || machine) break;
      if (options.verbose)
        outcome.out = call_places(file.path, before, to_convert, options.null_separated);
      else
        outcome.out = options.null_separated ? file.path + '\0' : quote_name(file.path) + "\n";
      break;
    case TreeSink::Stdout:
      outcome.out = std::move(conversion.text);
      break;
    case TreeSink::InPlace:
      if (outcome.changed) {
        std::string trouble =
            prepare_replacement(file.path, opened.dir_fd, std::move(opened.name), conversion.text,
                                before, status, outcome.prepared);
        opened.dir_fd = -1;
        if (!trouble.empty())
          fail_replacement(outcome, options, file, trouble);
        else
          outcome.pending = !outcome.prepared.in_place;
      }
      break;
  }
  close_walked(opened);
  if (keeps_sarif(options) && !(outcome.diagnostics.empty() && outcome.errors.empty()))
    outcome.text = std::move(before);
}

}  // namespace

void fail_for_memory(FileOutcome& outcome, const TreeOptions& options, const WalkedFile& file) {
  const std::size_t bytes = outcome.size;
  abandon_prepared(outcome.prepared);
  outcome = FileOutcome{};
  outcome.failed = true;
  try {
    std::string message = cannot_alloc(bytes);
    fail_file(outcome, options, file, {}, Failure{ExitNoMemory, message}, message);
  } catch (const std::bad_alloc&) {
  }
}

FileOutcome convert_one(const TreeOptions& options, const RunContext& context,
                        const WalkedFile& file) {
  FileOutcome outcome;
  try {
    convert_file(options, context, file, outcome);
  } catch (const std::bad_alloc&) {
    fail_for_memory(outcome, options, file);
  }
  return outcome;
}

}  // namespace q5
