#include "tree/patterns.h"

#include <fnmatch.h>

namespace q5 {

namespace {

std::vector<std::string_view> split(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    std::size_t slash = path.find('/');
    if (slash != 0) parts.push_back(path.substr(0, slash));
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

bool part_matches(const std::string& glob, std::string_view part) {
  return ::fnmatch(glob.c_str(), std::string(part).c_str(), 0) == 0;
}

// Parts of the pattern from `p` against parts of the path from `k`.
bool parts_match(const std::vector<std::string>& pattern, std::size_t p,
                 const std::vector<std::string_view>& path, std::size_t k) {
  if (p == pattern.size()) return k == path.size();
  if (pattern[p] == "**") {
    // Last: everything below (not the directory itself); else any number
    // of directories, none included.
    if (p + 1 == pattern.size()) return k < path.size();
    for (std::size_t skip = k; skip <= path.size(); ++skip)
      if (parts_match(pattern, p + 1, path, skip)) return true;
    return false;
  }
  return k < path.size() && part_matches(pattern[p], path[k]) &&
         parts_match(pattern, p + 1, path, k + 1);
}

}  // namespace

Pattern make_pattern(std::string_view text) {
  Pattern pattern;
  pattern.text = text;
  while (text.size() > 1 && text.back() == '/') {
    pattern.dir_only = true;
    text.remove_suffix(1);
  }
  pattern.anchored = text.find('/') != std::string_view::npos;
  for (std::string_view part : split(text)) pattern.parts.emplace_back(part);
  if (!pattern.anchored) pattern.parts = {std::string(text)};
  return pattern;
}

bool pattern_matches(const Pattern& pattern, std::string_view path, bool is_dir, bool anchored_ok) {
  if (pattern.dir_only && !is_dir) return false;
  if (!pattern.anchored) {
    std::size_t slash = path.rfind('/');
    return part_matches(pattern.parts.front(),
                        slash == std::string_view::npos ? path : path.substr(slash + 1));
  }
  return anchored_ok && parts_match(pattern.parts, 0, split(path), 0);
}

}  // namespace q5
