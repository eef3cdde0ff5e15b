// Arbitrary bytes through the conversion core, in memory. Besides finding
// crashes and sanitizer reports, it stops on any of these:
// - a failure whose exit code is not one the core documents;
// - a text with no candidate that does not come out byte for byte unchanged;
// - output larger than 4x the input plus 64 KiB;
// - any difference from the literal scanner, in bytes or in the failure;
// - a tree-interface conversion that a second run changes, when the first
//   succeeded and closed every pair it opened;
// - a converted call that lost a token without a review warning saying so;
// - a tree conversion that is more than insertions of the pair macros' pieces,
//   or whose second run changes anything or reports other than the first;
// - any difference between the tree's fast reader and the plain one (every
//   token lexed) in the names and directives they find.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "diagnose/diagnose.h"
#include "engine/call_table.h"
#include "engine/text/scanner.h"
#include "literal_scanner.h"
#include "simple_reader.h"
#include "tree/conversion.h"
#include "tree/migrate.h"

namespace {

constexpr char kPath[] = "fuzz.out";

[[noreturn]] void finding(const char* what, const q5::literal::ScanRun& run) {
  std::fprintf(stderr, "FINDING: %s\n", what);
  std::fprintf(stderr, "  output: %zu bytes\n", run.bytes.size());
  if (run.failure)
    std::fprintf(stderr, "  exit %d, message \"%s\"\n", run.failure->exit_code,
                 run.failure->message.c_str());
  std::abort();
}

bool documented_exit(int code) {
  return code == q5::ExitBadInput || code == q5::ExitWriteFailed || code == q5::ExitUnterminated ||
         code == q5::ExitNoMemory;
}

// A finding as a second run must give it again: its rule, its line (the
// conversion inserts no line end) and its message without what it quotes,
// since a call converted inside the quoted text reads differently then.
std::string finding_key(std::string_view text, const q5::Diagnostic& d) {
  std::string key = std::to_string(static_cast<int>(d.rule)) + ":" +
                    std::to_string(std::count(
                        text.begin(), text.begin() + std::min(d.offset, text.size()), '\n')) +
                    ":";
  bool quoted = false;
  for (char c : d.message) {
    if (c == '\'') quoted = !quoted;
    if (!quoted) key += c;
  }
  return key;
}

// Whether every pair macro the conversion opened was closed: then each
// call's parentheses balance as they did before (an odd tag count, or an
// empty tag whose value still gets its ")", upsets that, and then no rule
// can recognise the call again).
long paren_balance(std::string_view text) {
  long balance = 0;
  for (char c : text) balance += (c == '(') - (c == ')');
  return balance;
}

// A call nested in another's arguments is copied with them in a first run
// and may be reached in a second one: such texts are left out.
bool holds_nested_call(std::string_view text, const q5::CallRecord& call) {
  for (std::size_t at = call.begin + 1; at < call.end; ++at)
    if (q5::lookup_call(text, at) >= 0 || q5::lookup_converted_call(text, at) != nullptr)
      return true;
  return false;
}

bool closes_every_pair(std::string_view before, const q5::Conversion& conversion) {
  for (const q5::CallRecord& call : conversion.calls) {
    if (holds_nested_call(before, call)) return false;
    // Every tag needs its value, and a blank tag gets no prefix though its
    // value still gets the ")".
    for (std::size_t i = 0; i < call.roles.size(); ++i) {
      if (call.roles[i] != q5::ArgRole::Tag) continue;
      if (i + 1 == call.roles.size() || call.roles[i + 1] != q5::ArgRole::Value) return false;
      std::string_view tag =
          before.substr(call.origins[i], call.origins[i + 1] - 1 - call.origins[i]);
      if (tag.find_first_not_of(" \t\r\n") == std::string_view::npos) return false;
    }
    std::string_view in = before.substr(call.begin, call.end - call.begin);
    std::string_view out =
        std::string_view(conversion.text).substr(call.out_begin, call.out_end - call.out_begin);
    if (paren_balance(in) != paren_balance(out)) return false;
  }
  return true;
}

bool same_failure(const q5::MaybeFailure& a, const q5::MaybeFailure& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || (a->exit_code == b->exit_code && a->message == b->message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A std::string keeps the NUL after the text that the scanners' searches
  // rely on, as the loaded source does.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const q5::literal::ScanRun run = q5::literal::run_in_memory(q5::scan_source, text, kPath);

  if (run.failure && !documented_exit(run.failure->exit_code)) finding("undocumented exit", run);
  if (run.failure && (run.failure->message.empty() || run.failure->message.back() != '\n'))
    finding("failure message without a line end", run);

  // Every search stops at the first NUL, and only a candidate can move the
  // scan past it: without "Q5" or "XtVa" before that NUL nothing changes.
  const std::string_view searched(text.c_str());
  if (searched.find("Q5") == std::string_view::npos &&
      searched.find("XtVa") == std::string_view::npos && (run.failure || run.bytes != text))
    finding("text without candidates changed", run);

  if (run.bytes.size() > 4 * size + 64 * 1024) finding("output out of proportion", run);

  const q5::literal::ScanRun expected = q5::literal::run_literal_in_memory(text, kPath);
  if (expected.bytes != run.bytes) finding("output differs from the literal scanner's", run);
  if (!same_failure(expected.failure, run.failure))
    finding("failure differs from the literal scanner's", run);

  // Backslashes are left out too: the blanks dropped after a call's ")"
  // include them, so a second run can see an escape the first did not. So
  // is a first run that lost tokens (it is flagged; what it wrote is not a
  // call any rule reads back the same way).
  const q5::Conversion first = q5::convert_text(text);
  auto lost_nothing = [&] {
    for (const q5::CallRecord& call : first.calls)
      if (!q5::lost_tokens(text, call, first.text).empty()) return false;
    return true;
  };
  if (!first.failure && text.find('\\') == std::string::npos && closes_every_pair(text, first) &&
      lost_nothing()) {
    // A second run may fail (wrapping can take an argument over a limit, or
    // put a stray "#" line inside a group): the file is then left alone.
    // What it must never do is write something else.
    const q5::Conversion second = q5::convert_text(first.text);
    if (!second.failure && second.text != first.text) {
      std::fprintf(stderr, "FINDING: a second run changes the output\n");
      std::abort();
    }
  }

  // No silent loss: every call that lost a token has a warning saying so.
  if (!first.failure) {
    const auto diagnostics = q5::diagnose_conversion(text, first.calls, first.text);
    for (const q5::CallRecord& call : first.calls) {
      const std::vector<q5::Token> lost = q5::lost_tokens(text, call, first.text);
      if (lost.empty()) continue;
      // A list the text rules ended early lost what a compiler reads after.
      const std::size_t end = std::max(call.end, q5::token_end(lost.back()));
      bool warned = false;
      for (const q5::Diagnostic& d : diagnostics)
        warned |=
            d.offset >= call.begin && d.offset < end && d.severity == q5::Severity::Warning &&
            (d.rule == q5::Rule::LostTokens ||
             std::find(d.merged.begin(), d.merged.end(), q5::Rule::LostTokens) != d.merged.end());
      if (!warned) {
        std::fprintf(stderr, "FINDING: a call lost tokens without a warning\n");
        std::abort();
      }
    }
  }

  if (q5::simple::stops_by_cursor(text) != q5::simple::stops_by_tokens(text) ||
      q5::simple::stops_by_cursor(text, "RLUux_") != q5::simple::stops_by_tokens(text, "RLUux_")) {
    std::fprintf(stderr, "FINDING: the fast reader and the plain one disagree\n");
    std::abort();
  }

  // The tree's own conversion only inserts, and over its own output it
  // inserts nothing and reports exactly what it reported the first time.
  q5::MacroSet set;
  q5::collect_macros(text, "input.c", set);
  const q5::Migration migrated = q5::migrate_text(text, q5::resolve_macros(set));
  if (!migrated.failure) {
    static constexpr std::string_view kPieces[] = {"Q5T(", "Q5LT(",    "Q5ST(", "(",
                                                   ")",    "(char *)", "S"};
    std::size_t at = 0;
    for (const q5::Insertion& i : migrated.insertions) {
      if (i.offset < at || i.offset > size ||
          std::find(std::begin(kPieces), std::end(kPieces), i.text) == std::end(kPieces)) {
        std::fprintf(stderr, "FINDING: the tree conversion does more than insert\n");
        std::abort();
      }
      at = i.offset;
    }
    const std::string output = q5::apply_insertions(text, migrated.insertions);
    q5::MacroSet again;
    q5::collect_macros(output, "input.c", again);
    const q5::Migration second = q5::migrate_text(output, q5::resolve_macros(again));
    bool same = !second.failure && second.insertions.empty() && second.left == migrated.left &&
                second.diagnostics.size() == migrated.diagnostics.size();
    for (std::size_t k = 0; same && k < second.diagnostics.size(); ++k)
      same =
          finding_key(output, second.diagnostics[k]) == finding_key(text, migrated.diagnostics[k]);
    if (!same) {
      std::fprintf(stderr, "FINDING: a second tree conversion differs from the first\n");
      std::abort();
    }
  }
  return 0;
}
