#include "tree/run_tree.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "diagnose/diagnose.h"
#include "base/processors.h"
#include "io/source.h"
#include "diagnose/format.h"
#include "diagnose/sarif.h"
#include "diagnose/suppression.h"
#include "engine/macros.h"
#include "tree/migrate.h"
#include "tree/conversion.h"
#include "tree/diff.h"
#include "io/replace.h"
#include "tree/in_place.h"
#include "tree/walk.h"

namespace q5 {

namespace {

// What one file came to, ready to print.
struct FileOutcome {
  std::string out;  // for stdout: diff, name or converted text
  std::string err;  // for stderr: errors and diagnostics
  bool changed = false;
  bool failed = false;
  std::size_t size = 0;  // bytes read
  std::size_t calls = 0;
  std::size_t left = 0;  // calls left as they stand for a finding
  std::vector<Diagnostic> diagnostics;  // warnings and notes
  std::vector<Diagnostic> errors;       // for the SARIF log only
  std::string text;  // the file as read, kept for the SARIF log
  PreparedReplacement prepared;  // with --in-place: the new file, not yet in place
  bool pending = false;
  bool done = false;
};

std::string cannot_alloc(std::size_t bytes) { return "cannot alloc " + std::to_string(bytes) + " bytes"; }

// Reads the whole file open as `fd`. As in the classic forms, a file of
// 2 GiB or more is refused before anything is read, and a file written to
// while it was read (its times moved) is refused: the copy may hold parts
// of two versions.
bool read_whole(int fd, std::string& text, struct stat& status, std::string& error) {
  auto fail = [&](std::string why) {
    error = std::move(why);
    text.clear();
    return false;
  };
  if (::fstat(fd, &status) != 0) return fail(std::strerror(errno));
  const bool regular = S_ISREG(status.st_mode);
  if (regular && status.st_size > kMaxSourceSize) return fail(std::strerror(EFBIG));
  // Memory is taken ahead of the bytes, so that running out of it is told
  // apart and names the size asked for. The text is read straight into:
  // room for the whole file and one byte more, so that its end is seen
  // without growing it.
  auto room_for = [&](std::size_t size) {
    try {
      text.resize(size);
      return true;
    } catch (const std::bad_alloc&) {
      error = cannot_alloc(size);
      return false;
    }
  };
  std::size_t room = regular ? static_cast<std::size_t>(status.st_size) + 1 : 1 << 16;
  std::size_t size = 0;
  for (;;) {
    if (size == text.size() && !room_for(std::max(room, text.size() * 2))) return fail(error);
    ssize_t got = ::read(fd, text.data() + size, text.size() - size);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return fail(std::strerror(errno));
    if (got == 0) break;
    size += static_cast<std::size_t>(got);
    if (size > static_cast<std::size_t>(kMaxSourceSize)) return fail(std::strerror(EFBIG));
  }
  text.resize(size);
  struct stat after {};
  if (regular && (::fstat(fd, &after) != 0 || !same_stamp(stamp_of(after), stamp_of(status))))
    return fail("changed while it was read");
  return true;
}

// Test hook: with Q5UPGRADE_TEST_STOP=walked the process stops itself
// (SIGSTOP) once the walk is done, with =read after each file is read, so
// that a test can change the tree at a known point before it continues
// the run (SIGCONT).
void stop_for_test(const char* point) {
  static const char* const wanted = std::getenv("Q5UPGRADE_TEST_STOP");
  // Sent to this thread, so that it stops before going on.
  if (wanted != nullptr && std::strcmp(wanted, point) == 0) ::raise(SIGSTOP);
}

// "Unterminated string\n" reads as "unterminated string"; the limit
// messages lose their "ERROR: " and the text they quote.
std::string failure_text(const Failure& failure) {
  std::string text = failure.message.substr(0, failure.message.find('\n'));
  if (text.starts_with("ERROR: ")) text.erase(0, 7);
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

// The error line of a file that could not be read or converted; with a
// report asked for, the error goes into it too.
void fail_file(FileOutcome& outcome, const TreeOptions& options, const WalkedFile& file,
               std::string_view text, const Failure& failure, std::string_view message) {
  outcome.failed = true;
  std::size_t offset = text.empty() ? kNoOffset : failure.offset;
  outcome.err = "q5upgrade: " + format_location(file.path, make_line_table(text), offset) +
                ": error: " + std::string(message) + "\n";
  if (!options.report.empty()) {
    Diagnostic error = failure_diagnostic(failure);
    error.offset = offset;
    error.message = message;
    outcome.errors.push_back(std::move(error));
  }
}

// A file whose new content could not be put in place: the diagnostics
// already shown for it stay.
void fail_replacement(FileOutcome& outcome, const TreeOptions& options, const WalkedFile& file,
                      const std::string& trouble) {
  std::string shown = std::move(outcome.err);
  fail_file(outcome, options, file, {}, Failure{ExitWriteFailed, trouble}, trouble);
  outcome.err = shown + outcome.err;
}

// What the run knows before it converts anything: the project's macros,
// and standard input when it was read to find them.
struct RunContext {
  MacroTable macros;
  std::string cwd;  // for the paths a patch names
  std::string stdin_text;
  bool stdin_read = false;
};

// The converted text of a file and what the diff shows of it.
struct Converted {
  std::string text;
  std::vector<ReplacedSpan> spans;
};

// Spans of the diff: insertions on the same or neighbouring lines make one
// span, so that the diff shows the old lines together, then the new ones.
std::vector<ReplacedSpan> spans_of(std::string_view text, const std::vector<Insertion>& insertions) {
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
  if (options.unsafe_fixes) {
    Conversion classic = convert_text(before);
    if (classic.failure) {
      close_walked(opened);
      fail_file(outcome, options, file, before, *classic.failure, failure_text(*classic.failure));
      if (!options.report.empty()) outcome.text = std::move(before);
      return;
    }
    outcome.calls = changed_call_count(before, classic);
    outcome.diagnostics = diagnose_conversion(before, classic.calls, classic.text);
    if (before.find(kSilenceMark) != std::string::npos)
      for (const CallRecord& call : classic.calls) {
        std::vector<Rule> silenced = silenced_rules(before, call.begin);
        std::erase_if(outcome.diagnostics, [&](const Diagnostic& d) {
          return d.offset >= call.begin && d.offset < call.end &&
                 std::find(silenced.begin(), silenced.end(), d.rule) != silenced.end();
        });
      }
    conversion.spans = replacements_of(classic);
    conversion.text = std::move(classic.text);
  } else {
    Migration migration = migrate_text(before, context.macros);
    if (migration.failure) {
      close_walked(opened);
      fail_file(outcome, options, file, before, *migration.failure, failure_text(*migration.failure));
      if (!options.report.empty()) outcome.text = std::move(before);
      return;
    }
    outcome.calls = migration.converted;
    outcome.left = migration.left;
    outcome.diagnostics = std::move(migration.diagnostics);
    // --check needs only to know that something changes.
    if (options.sink != TreeSink::Check) {
      conversion.text = apply_insertions(before, migration.insertions);
      conversion.spans = spans_of(before, migration.insertions);
    }
    outcome.changed = !migration.insertions.empty();
  }
  if (options.unsafe_fixes) outcome.changed = conversion.text != before;
  outcome.err = format_diagnostics(file.path, before, outcome.diagnostics);

  switch (options.sink) {
    case TreeSink::Diff:
      if (outcome.changed)
        outcome.out = unified_diff(patch_path(file.path, context.cwd), before, conversion.text,
                                   conversion.spans);
      break;
    case TreeSink::Check:
      if (outcome.changed) outcome.out = options.null_separated ? file.path + '\0' : quote_name(file.path) + "\n";
      break;
    case TreeSink::Stdout:
      outcome.out = std::move(conversion.text);
      break;
    case TreeSink::InPlace:
      if (outcome.changed) {
        std::string trouble = prepare_replacement(file.path, opened.dir_fd, std::move(opened.name),
                                                  conversion.text, before, status,
                                                  outcome.prepared);
        opened.dir_fd = -1;
        if (!trouble.empty())
          fail_replacement(outcome, options, file, trouble);
        else
          outcome.pending = !outcome.prepared.in_place;
      }
      break;
  }
  close_walked(opened);
  if (!options.report.empty() && !(outcome.diagnostics.empty() && outcome.errors.empty()))
    outcome.text = std::move(before);
}

// Gives up a new file not yet in place: it is removed.
void abandon_prepared(PreparedReplacement& prepared) {
  if (prepared.next.fd >= 0) discard_replacement(prepared.next);
  if (prepared.dir_fd >= 0) ::close(prepared.dir_fd);
  prepared.dir_fd = -1;
}

// A file that memory ran out for, told as "cannot alloc N bytes" with N
// its size: left as it is, and whatever was made beside it removed. The
// message itself may find no memory either; the file still counts as
// failed.
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

// Memory that runs out fails this file alone.
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

// How many workers run and how many new files each may keep waiting for
// its batch's sync. A worker holds up to four descriptors at a time (the
// way to a file, the file, its new copy), a waiting file two (itself and
// its directory); some are left for the standard streams, the report and
// the library.
struct Budget {
  std::size_t jobs, batch;
};

Budget descriptor_budget(std::size_t jobs) {
  constexpr std::size_t kReserved = 32, kPerWorker = 4, kPerWaiting = 2, kMostWaiting = 128;
  std::size_t open_max = 1024;
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0)
    open_max = limit.rlim_cur == RLIM_INFINITY ? std::size_t{1} << 20
                                               : static_cast<std::size_t>(limit.rlim_cur);
  std::size_t spare = open_max > kReserved ? open_max - kReserved : 0;
  jobs = std::clamp<std::size_t>(spare / (kPerWorker + kPerWaiting), 1, jobs);
  std::size_t left = spare - std::min(spare, jobs * kPerWorker);
  std::size_t waiting = std::min(kMostWaiting, left / kPerWaiting);
  return {jobs, std::max<std::size_t>(1, waiting / jobs)};
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

double seconds_now() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The summary line: files by what came of them, calls converted, and the
// diagnostics by kind.
struct Tally {
  std::size_t files = 0, changed = 0, unchanged = 0, failed = 0, calls = 0, left = 0;
  DiagnosticCounts counts;
};

std::string summary_line(const Tally& tally) {
  auto count = [](std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::string line = "q5upgrade: " + count(tally.files, "file", "files") + " examined, " +
                     std::to_string(tally.changed) + " changed, " + std::to_string(tally.unchanged) +
                     " unchanged, " + std::to_string(tally.failed) + " failed, " +
                     count(tally.calls, "call", "calls") + " converted";
  if (tally.left > 0) line += ", " + std::to_string(tally.left) + " left as they stand";
  if (std::string diagnosed = format_counts(tally.counts); !diagnosed.empty()) line += "; " + diagnosed;
  return line + "\n";
}

// The report is opened before any file is converted, so that a report
// that cannot be written stops the run before anything is changed.
int open_report(const std::string& path) {
  if (path == "-") return 1;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0)
    write_all(2, "q5upgrade: " + quote_name(path) + ": error: cannot write the report: " +
                     std::strerror(errno) + "\n");
  return fd;
}

// Without the memory for the log (`lost`), nothing is written and the run
// reports it like a failed write.
bool write_report(int fd, const std::string& path, std::span<const FileReport> files, bool lost) {
  bool written = false;
  errno = ENOMEM;
  if (!lost) {
    try {
      written = write_all(fd, sarif_log(files, Q5UPGRADE_VERSION));
    } catch (const std::bad_alloc&) {
      errno = ENOMEM;
    }
  }
  if (fd != 1 && ::close(fd) != 0) written = false;
  if (!written)
    write_all(2, "q5upgrade: " + quote_name(path) + ": error: cannot write the report: " + std::strerror(errno) + "\n");
  return written;
}

// Runs `work(k)` for every k below `count` on up to `jobs` threads.
template <typename Work>
void for_each_parallel(std::size_t count, std::size_t jobs, Work work) {
  std::atomic<std::size_t> next{0};
  auto run = [&] {
    for (std::size_t k = next++; k < count; k = next++) work(k);
  };
  std::vector<std::thread> threads;
  for (std::size_t j = 1; j < std::min(jobs, count); ++j) {
    try {
      threads.emplace_back(run);
    } catch (const std::exception&) {
      break;  // fewer threads, or this one alone
    }
  }
  run();
  for (std::thread& t : threads) t.join();
}

// The macros of every file the run converts and of the headers under the
// -I directories, read before any file is converted; definitions count in
// that order (the first one is named in messages).
RunContext prepare_context(const TreeOptions& options, const std::vector<WalkedFile>& files,
                           std::size_t jobs, bool& trouble) {
  RunContext context;
  if (char* cwd = ::getcwd(nullptr, 0)) {
    context.cwd = cwd;
    std::free(cwd);
  }
  if (options.unsafe_fixes) return context;
  std::vector<WalkedFile> sources = files;
  if (!options.macro_dirs.empty()) {
    TreeOptions headers;
    headers.includes = {"*.h"};
    headers.paths = options.macro_dirs;
    for (WalkedFile& header : walk_paths(headers)) {
      if (!header.error.empty()) {
        write_all(2, "q5upgrade: " + header.path + ": error: " + header.error + "\n");
        trouble = true;
        continue;
      }
      sources.push_back(std::move(header));
    }
  }
  // Standard input can be read once only: its text is kept for converting.
  std::string error;
  struct stat status {};
  for (const WalkedFile& source : sources)
    if (source.path == "-" && !context.stdin_read)
      context.stdin_read = read_whole(0, context.stdin_text, status, error);
  std::vector<MacroSet> sets(sources.size());
  for_each_parallel(sources.size(), jobs, [&](std::size_t k) {
    const WalkedFile& source = sources[k];
    if (source.path == "-") {
      collect_macros(context.stdin_text, source.path, sets[k]);
      return;
    }
    // Opened as it will be for converting: links below a PATH not followed.
    OpenedFile opened;
    std::string text, trouble;
    struct stat seen {};
    if (source.error.empty() && open_walked(source, false, opened).empty() &&
        read_whole(opened.fd, text, seen, trouble))
      collect_macros(text, source.path, sets[k]);
    close_walked(opened);
  });
  MacroSet all;
  for (MacroSet& set : sets) {
    std::move(set.definitions.begin(), set.definitions.end(), std::back_inserter(all.definitions));
    std::move(set.undefined.begin(), set.undefined.end(), std::back_inserter(all.undefined));
  }
  context.macros = resolve_macros(all);
  return context;
}

// Threads enough for the largest machines; more only cost memory, and
// descriptors for the files they hold open.
constexpr std::size_t kMaxJobs = 256;

int run_files(const TreeOptions& options) {
  int report_fd = -1;
  if (!options.report.empty() && (report_fd = open_report(options.report)) < 0) return 2;
  // With the log on standard output, it is all that goes there.
  const bool print_out = options.report != "-";
  const std::vector<WalkedFile> files = walk_paths(options);
  stop_for_test("walked");

  // Workers take files in walk order; results are printed in that order as
  // soon as each one's turn comes, so the bytes do not depend on -j.
  std::vector<FileOutcome> outcomes(files.size());
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t jobs = options.jobs > 0 ? static_cast<std::size_t>(options.jobs)
                                      : static_cast<std::size_t>(available_processors());
  jobs = std::min(jobs, kMaxJobs);
  // New files in place wait in batches, so that one sync flushes many of
  // them; the workers and the batches stay inside the descriptors this
  // process may open, and the signal handlers track every new file.
  const Budget budget = descriptor_budget(jobs);
  jobs = budget.jobs;
  const std::size_t batch_size = budget.batch;
  if (options.sink == TreeSink::InPlace) reserve_cleanup_slots(jobs * (batch_size + 1) + 16);
  bool trouble = false;
  const RunContext context = prepare_context(options, files, jobs, trouble);
  auto work = [&] {
    auto publish = [&](std::size_t i, FileOutcome&& outcome) {
      std::lock_guard lock(mutex);
      outcomes[i] = std::move(outcome);
      outcomes[i].done = true;
      finished.notify_all();
    };
    std::vector<std::size_t> held;
    std::vector<FileOutcome> waiting;
    auto put_in_place = [&] {
      std::vector<PreparedReplacement> batch;
      std::vector<std::string> troubles;
      try {
        batch.reserve(waiting.size());
        troubles.resize(waiting.size());
        for (FileOutcome& outcome : waiting) batch.push_back(std::move(outcome.prepared));
        put_prepared(batch, troubles);
        for (std::size_t k = 0; k < held.size(); ++k)
          if (!troubles[k].empty()) fail_replacement(waiting[k], options, files[held[k]], troubles[k]);
      } catch (const std::bad_alloc&) {
        // What is not in place yet stays out of it. (An outcome whose new
        // file went into the batch keeps a stale copy of its descriptors.)
        for (std::size_t k = 0; k < held.size(); ++k) {
          PreparedReplacement& p = k < batch.size() ? batch[k] : waiting[k].prepared;
          const bool pending = p.next.fd >= 0;
          abandon_prepared(p);
          waiting[k].prepared = PreparedReplacement{};
          if (pending) {
            fail_for_memory(waiting[k], options, files[held[k]]);
          } else if (!waiting[k].failed && k < troubles.size() && !troubles[k].empty()) {
            waiting[k].failed = true;
            try {
              fail_replacement(waiting[k], options, files[held[k]], troubles[k]);
            } catch (const std::bad_alloc&) {
            }
          }
        }
      }
      for (std::size_t k = 0; k < held.size(); ++k) publish(held[k], std::move(waiting[k]));
      held.clear();
      waiting.clear();
    };
    for (std::size_t i = next++; i < files.size(); i = next++) {
      FileOutcome outcome = convert_one(options, context, files[i]);
      if (outcome.pending) {
        try {
          held.reserve(batch_size);
          waiting.reserve(batch_size);
        } catch (const std::bad_alloc&) {
          fail_for_memory(outcome, options, files[i]);
        }
      }
      if (!outcome.pending || outcome.failed) {
        publish(i, std::move(outcome));
        continue;
      }
      held.push_back(i);
      waiting.push_back(std::move(outcome));
      if (held.size() >= batch_size) put_in_place();
    }
    put_in_place();
  };
  // As many workers as the system gives, down to none: this thread then
  // converts every file itself before printing.
  std::vector<std::thread> workers;
  for (std::size_t j = 0; j < std::min(jobs, files.size()); ++j) {
    try {
      workers.emplace_back(work);
    } catch (const std::exception&) {
      break;
    }
  }
  if (workers.empty()) work();

  const bool progress = !options.quiet && ::isatty(2) == 1;
  const double started = seconds_now();
  double shown = 0;
  bool report_lost = false;
  Tally tally;
  std::vector<FileReport> logged;
  std::vector<std::unique_ptr<std::string>> texts;
  for (std::size_t i = 0; i < files.size(); ++i) {
    FileOutcome outcome;
    {
      std::unique_lock lock(mutex);
      while (!outcomes[i].done) {
        finished.wait_for(lock, std::chrono::milliseconds(100));
        double now = seconds_now();
        if (progress && now - started > 1.0 && now - shown > 0.1) {
          shown = now;
          char line[64];
          int length = std::snprintf(line, sizeof line, "\rq5upgrade: %zu/%zu files", i, files.size());
          write_all(2, std::string_view(line, static_cast<std::size_t>(std::max(length, 0))));
        }
      }
      outcome = std::move(outcomes[i]);
    }
    if (shown > 0) write_all(2, "\r\033[K");
    if (print_out && !write_all(1, outcome.out)) {
      // Nobody reads any more (a pipe into head): stop taking files.
      write_all(2, "q5upgrade: standard output: error: ");
      write_all(2, std::strerror(errno));
      write_all(2, "\n");
      trouble = true;
      next = files.size();
      break;
    }
    write_all(2, outcome.err);
    ++tally.files;
    add_counts(tally.counts, outcome.diagnostics);
    if (!options.report.empty() && !report_lost && (!outcome.diagnostics.empty() || !outcome.errors.empty())) {
      // The log's entries view the texts: keep each where it will not move.
      try {
        texts.push_back(std::make_unique<std::string>(std::move(outcome.text)));
        outcome.diagnostics.insert(outcome.diagnostics.end(), outcome.errors.begin(), outcome.errors.end());
        logged.push_back({files[i].path, *texts.back(), std::move(outcome.diagnostics)});
      } catch (const std::bad_alloc&) {
        // No memory for the log: it is given up, and its memory with it.
        report_lost = true;
        std::vector<FileReport>().swap(logged);
        std::vector<std::unique_ptr<std::string>>().swap(texts);
      }
    }
    if (outcome.failed) {
      ++tally.failed;
    } else {
      // Calls count only where the file's change stands.
      tally.calls += outcome.calls;
      ++(outcome.changed ? tally.changed : tally.unchanged);
    }
    tally.left += outcome.left;
  }
  for (std::thread& worker : workers) worker.join();

  trouble |= tally.failed > 0 || (options.werror && tally.counts.warnings > 0);
  if (report_fd >= 0 && !write_report(report_fd, options.report, logged, report_lost)) trouble = true;
  if (!options.quiet) write_all(2, summary_line(tally));
  if (trouble) return 2;
  bool would_change = options.sink == TreeSink::Diff || options.sink == TreeSink::Check;
  // By default a finding is work left to do, like a file still to convert.
  bool to_do = tally.changed > 0 || (!options.unsafe_fixes && tally.counts.warnings > 0);
  return would_change && to_do ? 1 : 0;
}

}  // namespace

int run_tree(int argc, const char* const* argv) {
  // Once the files are taken, each failure of memory is one file's; before
  // that, and for the summary, it ends the run.
  try {
    auto parsed = parse_tree_options(argc, argv);
    if (auto* exit = std::get_if<TreeExit>(&parsed)) {
      write_all(1, exit->out);
      write_all(2, exit->err);
      return exit->exit_code;
    }
    const TreeOptions& options = std::get<TreeOptions>(parsed);
    return run_files(options);
  } catch (const std::bad_alloc&) {
    write_all(2, "q5upgrade: error: ");
    write_all(2, std::strerror(ENOMEM));
    write_all(2, "\n");
    return 2;
  }
}

}  // namespace q5
