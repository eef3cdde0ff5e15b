// The tree interface's command line: GNU-style options, then paths.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "base/failure.h"

namespace q5 {

enum class TreeSink { Diff, Check, InPlace, Stdout };

// How diagnostics and errors are written to standard error.
enum class OutputFormat { Text, Json, Github, Sarif };
enum class ColorMode { Auto, Always, Never };

struct TreeOptions {
  TreeSink sink = TreeSink::Diff;
  int jobs = 0;  // 0: the processors available
  std::vector<std::string> includes;  // empty: *.c and *.h
  std::vector<std::string> excludes;
  bool quiet = false;
  bool werror = false;
  // Calls that a finding leaves as they stand are converted too, with the
  // text rules: the whole file as the classic conversion does it.
  bool unsafe_fixes = false;
  std::vector<std::string> macro_dirs;  // -I: headers whose macros count
  OutputFormat output_format = OutputFormat::Text;
  ColorMode color = ColorMode::Auto;
  bool verbose = false;     // --check also names each call still to convert
  bool statistics = false;  // counts by rule at the end
  bool null_separated = false;  // -z: --check names raw, each ended by a NUL
  std::string report;  // SARIF log to write, if set
  std::vector<std::string> paths;
};

// What the command line asks for: a run, or text to print and an exit
// status (help and version on stdout, usage errors on stderr).
struct TreeExit {
  int exit_code;
  std::string out;
  std::string err;
};

// Whether these words choose the tree interface rather than the classic
// command line: the first word is an option (not "-upgrade", not "-").
bool wants_tree_interface(int argc, const char* const* argv);

std::variant<TreeOptions, TreeExit> parse_tree_options(int argc, const char* const* argv);

}  // namespace q5
