// What a tree run says besides the converted text: diagnostics in the
// format asked for, the summary, the statistics and the progress line.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "diagnose/format.h"
#include "diagnose/rules.h"
#include "tree/options.h"

namespace q5 {

// --color=auto: colour when standard error is a terminal and NO_COLOR is
// unset or empty; "always" wins over NO_COLOR. Only the text format is
// ever coloured.
ColorMode resolve_colour(ColorMode mode, bool terminal, const char* no_color);

// One file's diagnostics and errors, in the run's format, each line
// "PATH:LINE:COL: severity: message [rule]" in text.
// Nothing for --output-format=sarif: its log is written at the end.
std::string render_diagnostics(const TreeOptions& options, std::string_view path,
                               std::string_view text, std::span<const Diagnostic> diagnostics);

// Whether findings go to standard output, alone there: in the json,
// github and sarif formats. The text format writes them to standard error.
bool findings_on_stdout(const TreeOptions& options);

// Whether files' texts and diagnostics are kept for a SARIF log.
bool keeps_sarif(const TreeOptions& options);

// The summary's numbers: files by what came of them, calls converted, the
// diagnostics by kind, and every finding and error by rule.
struct Tally {
  std::size_t files = 0, changed = 0, unchanged = 0, failed = 0, calls = 0, left = 0;
  bool verified = false;  // --verify: the calls converted are told as proven and unproven
  std::size_t proven = 0, unproven = 0;
  DiagnosticCounts counts;
  std::array<std::size_t, kRuleCount> by_rule{};
};

// "q5upgrade: 3 files examined, 1 would change, ...": files are "changed"
// only when they were written (`written`: in place).
std::string summary_line(const Tally& tally, bool written);

// "q5upgrade: 1234/18592 files (6%), about 12 s left", without a line end;
// the time left is estimated from the pace so far, once a file is done.
std::string progress_text(std::size_t done, std::size_t total, double elapsed_seconds);

}  // namespace q5
