// The patterns of --include, --exclude, --extend-include and the
// configuration file, as .gitignore writes them: a name alone ("*.c",
// "SUMA") matches an entry of that name at any depth; one with a '/'
// ("src/SUMA", "/gen", "*/SUMA/*") matches the path below its base, a
// leading '/' only marking it so; "**" as a whole part matches any number
// of directories ("**/SUMA", "a/**/b"), and as the last part everything
// below ("build/**"); a trailing '/' matches directories only; a leading
// '!' negates (in a list, the last pattern that matches decides), "\!" is
// a literal '!'. In a part, '*' matches any run of bytes, '?' one byte,
// "[...]" one byte of a class (ranges, "[!...]" or "[^...]" for its
// complement, "[:alpha:]" and the other POSIX names), and '\' makes the
// next byte literal.
//
// Matching takes time polynomial in the pattern and the path: each part
// is matched without backtracking beyond the last '*', and "**" is solved
// over (pattern part, path part) once each.
#pragma once

#include <bitset>
#include <string>
#include <string_view>
#include <vector>

namespace q5 {

// One element of a part: a literal byte, '?', '*' or a class.
struct GlobStep {
  enum Kind : unsigned char { Byte, AnyByte, Star, Class } kind;
  unsigned char byte = 0;
  std::bitset<256> set;  // for Class: the bytes it takes
};

struct GlobPart {
  bool any_dirs = false;  // "**": any number of whole parts
  std::vector<GlobStep> steps;
};

struct Pattern {
  std::string text;             // as given
  std::vector<GlobPart> parts;  // a name alone has one part
  bool anchored = false;        // has a '/' (other than a last one)
  bool dir_only = false;        // ends with '/'
  bool negated = false;         // begins with '!'
};

// Why `text` is no pattern ("unclosed '['", "ends with '\'", ...), or
// empty when it is one.
std::string pattern_error(std::string_view text);

// `text` must be a pattern (see pattern_error).
Pattern make_pattern(std::string_view text);

// Whether `pattern`, negation aside, matches the entry at `path`
// ('/'-separated, relative to the pattern's base, never empty).
// `anchored_ok` false: the entry is not below the base, so only a name
// alone can match it.
bool pattern_matches(const Pattern& pattern, std::string_view path, bool is_dir,
                     bool anchored_ok = true);

// One part of a path against one part of a pattern.
bool glob_matches(const GlobPart& part, std::string_view name);

}  // namespace q5
