// The tree interface's command line: GNU-style options, then paths.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "base/failure.h"
#include "diagnose/rule_settings.h"
#include "tree/patterns.h"

namespace q5 {

enum class TreeSink { Diff, Check, InPlace, Stdout };

// Files converted at a time, at most: threads enough for the largest
// machines; more would only cost memory and descriptors.
inline constexpr int kMostJobs = 256;

// How diagnostics and errors are written to standard error.
enum class OutputFormat { Text, Json, Github, Sarif };
enum class ColorMode { Auto, Always, Never };

// Where a list of patterns comes from: the command line (file empty;
// patterns with a '/' then match below the working directory) or a
// configuration file (shown as `file`; such patterns match below `dir`,
// the file's directory as an absolute path).
struct PatternOrigin {
  std::string file;
  std::string dir;
};

// A configuration file's [per-file-ignores]: the rules not reported in the
// files a pattern matches (or, negated, does not match).
struct PerFileIgnore {
  Pattern pattern;
  std::vector<Rule> rules;
};

struct TreeOptions {
  TreeSink sink = TreeSink::Diff;
  int jobs = 0;  // 0: the processors available
  // Gitignore-style patterns: a name alone matches at any depth, one with
  // a '/' matches the path below the PATH walked, "**" any number of
  // directories, and a trailing '/' directories alone.
  std::vector<std::string> includes;  // empty: *.c and *.h
  std::vector<std::string> excludes;
  std::vector<std::string> extend_includes;  // taken besides the includes
  PatternOrigin include_origin, exclude_origin, extend_origin;
  bool no_ignore = false;       // walk the files git ignores too
  bool force_exclude = false;   // the excludes apply to PATHs named too
  std::string files_from;       // a list of files to convert ("-": standard input)
  bool files_from_nul = false;  // -0: that list's names each end with a NUL
  std::string config;           // --config: this configuration file, no lookup
  bool isolated = false;        // --isolated: no configuration file
  // --select and --ignore: the rules named; `selecting` when --select was
  // given at all. They are applied over the file's [rules] in `rules`.
  std::vector<Rule> selected, ignored;
  bool selecting = false;
  RuleSettings rules = default_rule_settings();
  std::vector<PerFileIgnore> per_file_ignores;  // from the configuration file
  PatternOrigin per_file_origin;
  // What the command line set, which a configuration file then leaves.
  struct {
    bool jobs, includes, excludes, extend_includes, macro_dirs, unsafe_fixes, compile_commands;
  } given{};
  bool quiet = false;
  bool werror = false;
  bool exit_zero = false;  // findings and files to change leave the status 0
  // Calls that a finding leaves as they stand are converted too, with the
  // text rules: the whole file as the classic conversion does it.
  bool unsafe_fixes = false;
  std::vector<std::string> macro_dirs;  // -I: headers whose macros count
  // --verify: every conversion proven by the project's compiler, as the
  // compilation database (-p DIR, --compile-commands=FILE) runs it.
  bool verify = false;
  std::string compile_commands;  // the database, or a directory holding one
  OutputFormat output_format = OutputFormat::Text;
  ColorMode color = ColorMode::Auto;
  bool diff_colour = false;     // the diff on standard output coloured, as git colours it
  bool verbose = false;         // --check also names each call still to convert
  bool statistics = false;      // counts by rule at the end
  bool null_separated = false;  // -z: --check names raw, each ended by a NUL
  std::string report;           // SARIF log to write, if set
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
