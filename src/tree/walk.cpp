#include "tree/walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string_view>
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

void add_file(Walk& walk, std::string path, const struct stat& status, std::size_t below) {
  if (!walk.seen.insert({status.st_dev, status.st_ino}).second) return;
  walk.files.push_back({std::move(path), {}, status.st_dev, status.st_ino, below});
}

void add_error(Walk& walk, std::string path, int error) {
  walk.files.push_back({std::move(path), std::strerror(error)});
}

std::string join(const std::string& dir, const char* name) {
  std::string path = dir;
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

struct Entry {
  std::string name;
  unsigned char type;  // as the directory gives it, often DT_UNKNOWN
};

// Whether an entry whose status cannot be read would have been walked or
// taken: a file of another name, a link or a device would not, and is no
// loss.
bool wanted(const TreeOptions& options, const Entry& entry) {
  switch (entry.type) {
    case DT_DIR:
      return !matches_any(options.excludes, entry.name.c_str());
    case DT_REG:
      return taken_name(options, entry.name.c_str());
    case DT_UNKNOWN:
      return !matches_any(options.excludes, entry.name.c_str());
    default:
      return false;
  }
}

// Walks the directory open as `fd` (which it closes), reached as `dir`.
// Everything below it is reached relative to it, never through a link.
void walk_directory(Walk& walk, int fd, const std::string& dir, std::size_t below) {
  DIR* stream = ::fdopendir(fd);
  if (stream == nullptr) {
    add_error(walk, dir, errno);
    ::close(fd);
    return;
  }
  std::vector<Entry> entries;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(stream);
    if (entry == nullptr) break;
    if (entry->d_name[0] == '.') continue;  // ".", ".." and hidden entries
    entries.push_back({entry->d_name, entry->d_type});
  }
  if (errno != 0) add_error(walk, dir, errno);
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });

  for (const Entry& entry : entries) {
    const char* name = entry.name.c_str();
    std::string path = join(dir, name);
    struct stat status {};
    if (::fstatat(::dirfd(stream), name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
      // Removed meanwhile: nothing to convert.
      if (errno != ENOENT && wanted(walk.options, entry)) add_error(walk, std::move(path), errno);
      continue;
    }
    if (S_ISDIR(status.st_mode)) {
      if (matches_any(walk.options.excludes, name)) continue;
      int sub = ::openat(::dirfd(stream), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0)
        walk_directory(walk, sub, path, below);
      else if (errno != ENOENT)
        add_error(walk, std::move(path), errno);
    } else if (S_ISREG(status.st_mode) && taken_name(walk.options, name)) {
      add_file(walk, std::move(path), status, below);
    }
  }
  ::closedir(stream);
}

// The message for a walked file whose route now holds a link or another
// file: the run neither follows nor converts it.
constexpr const char kReplaced[] = "replaced since the walk; left alone";

std::string open_failure(int error) {
  return error == ELOOP || error == ENOTDIR ? kReplaced : std::strerror(error);
}

// Opens the directory holding a file below a PATH given, one name at a
// time from that PATH, without following links; `name` is then the file's.
int open_route(const WalkedFile& file, std::string& name) {
  int dir_fd = ::open(file.path.substr(0, file.below).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  std::string_view rest = std::string_view(file.path).substr(file.below);
  while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  for (std::size_t slash; dir_fd >= 0 && (slash = rest.find('/')) != std::string_view::npos;) {
    std::string part(rest.substr(0, slash));
    int next = ::openat(dir_fd, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    int error = errno;
    ::close(dir_fd);
    errno = error;
    dir_fd = next;
    rest.remove_prefix(slash + 1);
    while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  }
  name = rest;
  return dir_fd;
}

// The directory and name of the file a PATH named on the command line
// leads to.
int open_resolved(const std::string& path, std::string& name) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  if (!real) return -1;
  std::string resolved = real.get();
  std::size_t slash = resolved.rfind('/');
  name = resolved.substr(slash + 1);
  std::string dir = slash == 0 ? "/" : resolved.substr(0, slash);
  return ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

bool is_walked_file(const struct stat& status, const WalkedFile& file) {
  return status.st_dev == file.device && status.st_ino == file.inode;
}

}  // namespace

std::vector<WalkedFile> walk_paths(const TreeOptions& options) {
  Walk walk{options, {}, {}};
  for (const std::string& path : options.paths) {
    if (path == "-") {
      walk.files.push_back({path, {}});
      continue;
    }
    // A PATH given may be a link: the file or directory it leads to is taken.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
      add_error(walk, path, errno);
    } else if (S_ISDIR(status.st_mode)) {
      int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0)
        add_error(walk, path, errno);
      else
        walk_directory(walk, fd, path, path.size());
    } else {
      add_file(walk, path, status, std::string::npos);
    }
  }
  return std::move(walk.files);
}

std::string open_walked(const WalkedFile& file, bool for_replacing, OpenedFile& out) {
  out = {};
  if (file.path == "-") {
    out.fd = 0;
    return {};
  }
  constexpr int kRead = O_RDONLY | O_NOCTTY | O_CLOEXEC;
  if (file.below == std::string::npos) {
    // Named: a pipe such as <(command) is read as well.
    out.fd = ::open(file.path.c_str(), kRead);
    if (out.fd >= 0 && for_replacing) out.dir_fd = open_resolved(file.path, out.name);
  } else {
    // Walked, so a regular file: whatever took its place (a FIFO) must not
    // block the open.
    out.dir_fd = open_route(file, out.name);
    if (out.dir_fd >= 0)
      out.fd = ::openat(out.dir_fd, out.name.c_str(), kRead | O_NOFOLLOW | O_NONBLOCK);
  }
  std::string error;
  struct stat status {};
  if (out.fd < 0 || (for_replacing && out.dir_fd < 0))
    error = open_failure(errno);
  else if (::fstat(out.fd, &status) != 0)
    error = std::strerror(errno);
  else if (!is_walked_file(status, file))
    error = kReplaced;
  else if (for_replacing &&
           (::fstatat(out.dir_fd, out.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !is_walked_file(status, file)))
    error = kReplaced;
  if (!error.empty() || !for_replacing) {
    if (out.dir_fd >= 0) ::close(out.dir_fd);
    out.dir_fd = -1;
  }
  if (!error.empty()) close_walked(out);
  return error;
}

void close_walked(OpenedFile& opened) {
  if (opened.fd > 0) ::close(opened.fd);
  if (opened.dir_fd >= 0) ::close(opened.dir_fd);
  opened.fd = -1;
  opened.dir_fd = -1;
}

}  // namespace q5
