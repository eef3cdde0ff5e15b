// A whole file's bytes, and the folders of golden cases, for tests that
// compare with files on disk.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace q5 {

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The case folders of tests/FOLDER, in order (tests compare each case's
// expected files; with Q5_UPDATE_EXPECTED set they write them instead).
inline std::vector<std::filesystem::path> case_dirs(std::string_view folder) {
  std::vector<std::filesystem::path> dirs;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(Q5_TEST_SOURCE_DIR) / folder))
    if (entry.is_directory()) dirs.push_back(entry.path());
  std::sort(dirs.begin(), dirs.end());
  return dirs;
}

}  // namespace q5
