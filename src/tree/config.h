// The configuration file, .q5upgrade.toml: settings a project keeps beside
// its sources, for every run over them.
//
//   include = ["*.c", "*.h"]          # gitignore-style patterns
//   exclude = ["build/", "third_party/**"]
//   extend-include = ["*.inc"]
//   include-dirs = ["include"]        # -I, relative to the file's directory
//   compile-commands = "build"        # for --verify: the database, or its directory
//   jobs = 4
//   unsafe-fixes = false
//   force-exclude = true              # the excludes apply to files named too
//   [rules]
//   q5-comment-removed = "off"        # "error", "warning", "note" or "off"
//   [per-file-ignores]
//   "legacy/**" = ["q5-shifted-pairing"]
//
// Patterns with a '/' match below the file's directory. Options on the
// command line override the file; a list given there replaces the file's.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "tree/options.h"

namespace q5 {

inline constexpr const char kConfigName[] = ".q5upgrade.toml";

// The keys of the file's top level.
std::span<const std::string_view> config_keys();

// The file a run reads: --config's, none with --isolated, else the nearest
// .q5upgrade.toml in the first PATH's directory (the PATH itself for a
// directory; the working directory for standard input or no PATH) or a
// directory above it, looking no further up than a directory that holds
// .git (the repository's root, whose own file counts) or the root. Gives
// its path as messages show it (relative to the working directory when
// below it or above it), or empty for none.
std::string find_config(const TreeOptions& options);

// Reads `path` (as find_config gives it) into `options` where the command
// line left the setting, then settles the rules from the file's [rules]
// and --select/--ignore (which win). Gives the message to print (each line
// "q5upgrade: FILE:LINE: error: ..."), or empty.
std::string apply_config(TreeOptions& options, const std::string& path);

// The rules' settings: their own severities, the file's [rules] over
// them, then --select (every rule not selected is off; a selected one the
// file turned off is on at its own severity) and --ignore.
void settle_rule_settings(TreeOptions& options, const RuleSettings& from_file);

}  // namespace q5
