// The patterns of --include, --exclude and --extend-include, as .gitignore
// writes them: a name alone ("*.c", "SUMA") matches an entry of that name
// at any depth; one with a '/' ("src/SUMA", "/gen", "*/SUMA/*") matches the
// path below its base, a leading '/' only marking it so; "**" as a whole
// part matches any number of directories ("**/SUMA", "a/**/b"), and as the
// last part everything below ("build/**"); a trailing '/' matches
// directories only. Each part is matched as fnmatch does it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace q5 {

struct Pattern {
  std::string text;                // as given
  std::vector<std::string> parts;  // with a '/': the parts to match
  bool anchored = false;           // has a '/' (other than a last one)
  bool dir_only = false;           // ends with '/'
};

Pattern make_pattern(std::string_view text);

// Whether `pattern` matches the entry at `path` ('/'-separated, relative
// to the pattern's base, never empty). `anchored_ok` false: the entry is
// not below the base, so only a name alone can match it.
bool pattern_matches(const Pattern& pattern, std::string_view path, bool is_dir,
                     bool anchored_ok = true);

}  // namespace q5
