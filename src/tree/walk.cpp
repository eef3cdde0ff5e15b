#include "tree/walk.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

namespace q5 {

namespace {

struct Walk {
  const TreeOptions& options;
  std::vector<WalkedFile> files;
  std::set<std::pair<dev_t, ino_t>> seen;
};

bool matches_any(const std::vector<std::string>& globs, const char* name) {
  for (const std::string& glob : globs)
    if (::fnmatch(glob.c_str(), name, 0) == 0) return true;
  return false;
}

bool taken_name(const TreeOptions& options, const char* name) {
  static const std::vector<std::string> kDefault = {"*.c", "*.h"};
  const auto& includes = options.includes.empty() ? kDefault : options.includes;
  return matches_any(includes, name) && !matches_any(options.excludes, name);
}

void add_file(Walk& walk, std::string path, const struct stat& status) {
  if (!walk.seen.insert({status.st_dev, status.st_ino}).second) return;
  walk.files.push_back({std::move(path), {}});
}

std::string join(const std::string& dir, const char* name) {
  std::string path = dir;
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

void walk_directory(Walk& walk, const std::string& dir) {
  DIR* stream = ::opendir(dir.c_str());
  if (stream == nullptr) {
    walk.files.push_back({dir, std::strerror(errno)});
    return;
  }
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(stream)) {
    if (entry->d_name[0] == '.') continue;  // ".", ".." and hidden entries
    names.emplace_back(entry->d_name);
  }
  ::closedir(stream);
  std::sort(names.begin(), names.end());

  for (const std::string& name : names) {
    std::string path = join(dir, name.c_str());
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) continue;  // gone meanwhile
    if (S_ISDIR(status.st_mode)) {
      if (!matches_any(walk.options.excludes, name.c_str())) walk_directory(walk, path);
    }
    else if (S_ISREG(status.st_mode) && taken_name(walk.options, name.c_str()))
      add_file(walk, std::move(path), status);
  }
}

}  // namespace

std::vector<WalkedFile> walk_paths(const TreeOptions& options) {
  Walk walk{options, {}, {}};
  for (const std::string& path : options.paths) {
    if (path == "-") {
      walk.files.push_back({path, {}});
      continue;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
      walk.files.push_back({path, std::strerror(errno)});
    } else if (S_ISDIR(status.st_mode)) {
      walk_directory(walk, path);
    } else {
      add_file(walk, path, status);
    }
  }
  return std::move(walk.files);
}

}  // namespace q5
