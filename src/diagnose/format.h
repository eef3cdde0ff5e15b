// Diagnostics as compilers print them, so that editors and CI logs link to
// the place:
//   PATH:LINE:COL: warning: MESSAGE [q5-RULE]
//   <the source line>
//   <a caret under the spot>
// Lines and columns count from 1; columns are bytes. Lines end at "\n"
// only (a carriage return before it is not shown).
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "diagnose/rules.h"

namespace q5 {

// Where each line of a text starts, to turn offsets into lines and columns.
struct LineTable {
  std::vector<std::size_t> starts;
};

LineTable make_line_table(std::string_view text);

struct LineColumn {
  std::size_t line = 0;    // 1-based; 0 for kNoOffset
  std::size_t column = 0;  // 1-based, in bytes
};

LineColumn line_column(const LineTable& lines, std::size_t offset);

// The bytes of a line (1-based) of the text the table was made from,
// without its "\n" or "\r\n".
std::string_view line_text(const LineTable& lines, std::string_view text, std::size_t line);

// A file name as messages show it: as it is when it holds only printable
// ASCII bytes other than '"' and '\\'; else in double quotes, with C
// escapes (\t, \n, \", \\ ...) and octal ones (\303) for the other bytes,
// as git shows such names. Control bytes then never reach a terminal, and
// every name stays on one line.
std::string quote_name(std::string_view name);

// "PATH:LINE:COL" ("PATH" alone for kNoOffset), with PATH as quote_name
// shows it.
std::string format_location(std::string_view path, const LineTable& lines, std::size_t offset);

// One diagnostic with its source line and caret line, each ending in "\n".
// In colour, as compilers colour theirs: the place in bold, the severity
// word and the rule in the severity's colour, the caret in green.
std::string format_diagnostic(std::string_view path, std::string_view text, const LineTable& lines,
                              const Diagnostic& diagnostic, bool colour = false);

// All of them, in order.
std::string format_diagnostics(std::string_view path, std::string_view text,
                               std::span<const Diagnostic> diagnostics, bool colour = false);

// Counts for a summary line.
struct DiagnosticCounts {
  std::size_t notes = 0, warnings = 0, errors = 0;
  std::array<std::size_t, kRuleCount> by_rule{};
  // By severity (Note, Warning, Error), then rule: a rule's severity can be
  // set, and a merged diagnostic takes the highest of its rules'.
  std::array<std::array<std::size_t, kRuleCount>, 3> by_severity{};
};

void add_counts(DiagnosticCounts& counts, std::span<const Diagnostic> diagnostics);

// "2 warnings (1 q5-dropped-arguments, 1 q5-lost-tokens), 1 note
// (1 q5-comment-removed)"; empty when there is nothing.
std::string format_counts(const DiagnosticCounts& counts);

// The counts by rule as a table, the most frequent first (rules of equal
// count in the table's order), one line each:
//   "  12  q5-macro-pairs  <short description>"
// Counts are aligned right, rule names left; empty when there is nothing.
std::string format_statistics(const std::array<std::size_t, kRuleCount>& by_rule);

}  // namespace q5
