// A unified diff built from the spans the conversion replaced: no general
// diff algorithm is needed, the changes are known.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace q5 {

// Input bytes [begin, end) became output bytes [out_begin, out_end); the
// bytes between replacements are the same in both texts.
struct ReplacedSpan {
  std::size_t begin, end;
  std::size_t out_begin, out_end;
};

// The path a patch names a file by: as given, without leading "./" and
// doubled slashes; an absolute path inside `cwd` relative to it, one outside
// it without its leading "/", as git writes it.
std::string patch_path(std::string_view path, std::string_view cwd);

// `git diff`-style unified diff with three lines of context and the headers
// "--- a/PATH" and "+++ b/PATH" (PATH as patch_path gives it, quoted the way
// git quotes names that need it, a name with a blank followed by a tab as
// patch expects); empty when nothing changed. Line ends are
// kept as they are (CR LF included), and a last line without a newline is
// marked "\ No newline at end of file".
std::string unified_diff(std::string_view path, std::string_view before, std::string_view after,
                         const std::vector<ReplacedSpan>& replacements);

// A diff as unified_diff makes it, coloured as git colours it: the headers
// bold, "@@" lines cyan, removed lines red, added lines green (each line's
// colour reset before its line end).
std::string colour_diff(std::string_view diff);

}  // namespace q5
