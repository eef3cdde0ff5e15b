#include "tree/walk.h"

#include <dirent.h>
#include <fcntl.h>
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

#include "diagnose/format.h"
#include "tree/git_ignore.h"
#include "tree/patterns.h"

namespace q5 {

namespace {

// One list of patterns and what it matched in the whole walk.
struct PatternList {
  const char* option = "";  // "include", "extend-include", "exclude"
  PatternOrigin origin;
  std::vector<Pattern> patterns;
  std::vector<bool> hit;
  // For the PATH being walked: what to put before the path below it so
  // that it is relative to the patterns' base, and whether it is below
  // that base at all.
  std::string prefix;
  bool reachable = true;
};

PatternList make_list(const char* option, const PatternOrigin& origin,
                      const std::vector<std::string>& texts) {
  PatternList list{option, origin, {}, std::vector<bool>(texts.size()), {}, true};
  for (const std::string& text : texts) list.patterns.push_back(make_pattern(text));
  return list;
}

// Whether the list takes the entry at `rel` (below the PATH walked): the
// last pattern that matches it decides, taking it unless negated. Every
// pattern that matches is marked. With `below_dirs`, a pattern ending in
// '/' also matches every file below a directory it matches (includes take
// such files).
bool list_matches(PatternList& list, std::string_view rel, bool is_dir, bool below_dirs = false) {
  const std::string path = list.prefix + std::string(rel);
  bool taken = false;
  for (std::size_t k = 0; k < list.patterns.size(); ++k) {
    const Pattern& pattern = list.patterns[k];
    bool match = pattern_matches(pattern, path, is_dir, list.reachable);
    for (std::size_t slash = path.find('/');
         !match && below_dirs && pattern.dir_only && slash != std::string::npos;
         slash = path.find('/', slash + 1))
      match =
          pattern_matches(pattern, std::string_view(path).substr(0, slash), true, list.reachable);
    if (!match) continue;
    list.hit[k] = true;
    taken = !pattern.negated;
  }
  return taken;
}

// The repository whose ignore rules hold in a directory, and the
// directory's path inside its work tree.
struct GitScope {
  GitRepository* repository = nullptr;
  std::string prefix;
};

struct Walk {
  const TreeOptions& options;
  std::vector<WalkedFile> files = {};
  std::set<std::pair<dev_t, ino_t>> seen = {};
  PatternList includes = {}, extends = {}, excludes = {};
  bool default_includes = true;
  bool walked_directory = false;
  std::size_t skipped_named = 0;  // named, but excluded (--force-exclude)
  bool git_ready = false;
  std::string git_trouble = {};
  std::vector<GitRepositoryHandle> repositories = {};
};

// libgit2 is loaded only where there is a repository to ask: starting it
// costs more than walking a small tree.
bool git_wanted(Walk& walk) {
  if (walk.options.no_ignore) return false;
  if (!walk.git_ready && walk.git_trouble.empty()) {
    walk.git_trouble = begin_git_ignore();
    walk.git_ready = walk.git_trouble.empty();
  }
  return walk.git_ready;
}

bool excluded(Walk& walk, std::string_view rel, bool is_dir) {
  return list_matches(walk.excludes, rel, is_dir);
}

bool taken_file(Walk& walk, std::string_view rel) {
  bool taken = list_matches(walk.extends, rel, false, true);
  if (walk.default_includes) {
    std::string_view name = rel.substr(rel.rfind('/') + 1);
    taken |= name.ends_with(".c") || name.ends_with(".h");
  } else {
    taken |= list_matches(walk.includes, rel, false, true);
  }
  return taken && !excluded(walk, rel, false);
}

bool git_ignored(const GitScope& git, const std::string& name, bool is_dir) {
  return git.repository != nullptr && git_ignores(*git.repository, git.prefix + name, is_dir);
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

// The part of a walked path below the PATH given.
std::string_view below_path(const std::string& path, std::size_t below) {
  std::string_view rel = std::string_view(path).substr(below);
  while (!rel.empty() && rel.front() == '/') rel.remove_prefix(1);
  return rel;
}

struct Entry {
  std::string name;
  unsigned char type;  // as the directory gives it, often DT_UNKNOWN
};

// Whether an entry whose status cannot be read would have been walked or
// taken: a file of another name, a link or a device would not, and is no
// loss.
bool wanted(Walk& walk, const Entry& entry, std::string_view rel) {
  switch (entry.type) {
    case DT_DIR:
    case DT_UNKNOWN:
      return !excluded(walk, rel, true);
    case DT_REG:
      return taken_file(walk, rel);
    default:
      return false;
  }
}

// Walks the directory open as `fd` (which it closes), reached as `dir`.
// Everything below it is reached relative to it, never through a link.
void walk_directory(Walk& walk, int fd, const std::string& dir, std::size_t below, GitScope git) {
  DIR* stream = ::fdopendir(fd);
  if (stream == nullptr) {
    add_error(walk, dir, errno);
    ::close(fd);
    return;
  }
  std::vector<Entry> entries;
  bool holds_git = false;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(stream);
    if (entry == nullptr) break;
    holds_git |= std::strcmp(entry->d_name, ".git") == 0;
    if (entry->d_name[0] == '.') continue;  // ".", ".." and hidden entries
    entries.push_back({entry->d_name, entry->d_type});
  }
  if (errno != 0) add_error(walk, dir, errno);
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  // A repository inside another (a submodule, a clone kept there) has
  // rules of its own.
  if (holds_git && dir.size() > below && git_wanted(walk)) {
    std::string prefix;
    if (GitRepositoryHandle inner = open_git_work_tree(dir, false, prefix)) {
      git = {inner.get(), prefix};
      walk.repositories.push_back(std::move(inner));
    }
  }

  for (const Entry& entry : entries) {
    const char* name = entry.name.c_str();
    std::string path = join(dir, name);
    const std::string_view rel = below_path(path, below);
    struct stat status {};
    if (::fstatat(::dirfd(stream), name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
      // Removed meanwhile: nothing to convert.
      if (errno != ENOENT && wanted(walk, entry, rel)) add_error(walk, std::move(path), errno);
      continue;
    }
    if (S_ISDIR(status.st_mode)) {
      if (excluded(walk, rel, true) || git_ignored(git, entry.name, true)) continue;
      int sub = ::openat(::dirfd(stream), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0)
        walk_directory(walk, sub, path, below, {git.repository, git.prefix + entry.name + '/'});
      else if (errno != ENOENT)
        add_error(walk, std::move(path), errno);
    } else if (S_ISREG(status.st_mode) && taken_file(walk, rel) &&
               !git_ignored(git, entry.name, false)) {
      add_file(walk, std::move(path), status, below);
    }
  }
  ::closedir(stream);
}

std::string real_path(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : std::string();
}

// Whether `dir` or a directory above it holds .git.
bool in_git_work_tree(const std::string& dir) {
  std::string at = real_path(dir);
  while (!at.empty()) {
    struct stat status {};
    if (::lstat(((at == "/" ? "" : at) + "/.git").c_str(), &status) == 0) return true;
    if (at == "/") break;
    at = at.substr(0, std::max<std::size_t>(at.rfind('/'), 1));
  }
  return false;
}

// Where `real` (an absolute path) lies from the list's base: `prefix` is
// "" for the base itself, "sub/dir/" below it; false when it is not below.
bool from_base(const PatternList& list, const std::string& real, std::string& prefix) {
  const std::string& base = list.origin.dir;
  prefix.clear();
  if (base.empty() || real.empty()) return false;
  if (real == base) return true;
  if (real.starts_with(base) && (base == "/" || real[base.size()] == '/')) {
    prefix = real.substr(base == "/" ? 1 : base.size() + 1) + '/';
    return true;
  }
  return false;
}

// Sets where the list's patterns start for a walk of `path`: below the
// working directory for the command line's, below its file's directory for
// a configuration file's.
void place_list(PatternList& list, const std::string& path) {
  list.reachable = from_base(list, real_path(path), list.prefix);
}

// --force-exclude: whether the excludes skip a PATH named on the command
// line, or a directory above it below their base.
bool named_excluded(Walk& walk, const std::string& path, bool is_dir) {
  PatternList& list = walk.excludes;
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const std::size_t slash = trimmed.rfind('/');
  const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  const std::string dir = slash == std::string::npos ? "."
                          : slash == 0               ? "/"
                                                     : trimmed.substr(0, slash);
  std::string rel;
  const bool below = name != "." && name != ".." && from_base(list, real_path(dir), rel);
  if (!below) rel.clear();
  rel += name == "." || name == ".." ? "" : name;
  list.prefix.clear();
  list.reachable = below;
  if (rel.empty()) return false;
  for (std::size_t at = rel.find('/'); below && at != std::string::npos; at = rel.find('/', at + 1))
    if (list_matches(list, std::string_view(rel).substr(0, at), true)) return true;
  return list_matches(list, rel, is_dir);
}

// "q5upgrade: note: --exclude 'X' matched nothing" for each pattern that
// did, from a configuration file "q5upgrade: note: FILE: exclude 'X' ...".
void note_unmatched(const PatternList& list, std::vector<std::string>& notes) {
  for (std::size_t k = 0; k < list.patterns.size(); ++k) {
    if (list.hit[k]) continue;
    std::string where = list.origin.file.empty()
                            ? std::string("--") + list.option
                            : quote_name(list.origin.file) + ": " + list.option;
    notes.push_back("q5upgrade: note: " + where + " '" + quote_name(list.patterns[k].text) +
                    "' matched nothing\n");
  }
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

std::vector<WalkedFile> walk_paths(const TreeOptions& options, WalkReport* report) {
  Walk walk{options};
  // The command line's patterns start from the working directory.
  const PatternOrigin here{{}, real_path(".")};
  auto origin = [&](const PatternOrigin& o) { return o.file.empty() ? here : o; };
  walk.includes = make_list("include", origin(options.include_origin), options.includes);
  walk.extends =
      make_list("extend-include", origin(options.extend_origin), options.extend_includes);
  walk.excludes = make_list("exclude", origin(options.exclude_origin), options.excludes);
  walk.default_includes = options.includes.empty();
  for (const std::string& path : options.paths) {
    if (path == "-") {
      walk.files.push_back({path, {}});
      continue;
    }
    // A PATH given may be a link: the file or directory it leads to is taken.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
      add_error(walk, path, errno);
    } else if (options.force_exclude && named_excluded(walk, path, S_ISDIR(status.st_mode))) {
      ++walk.skipped_named;
    } else if (S_ISDIR(status.st_mode)) {
      int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) {
        add_error(walk, path, errno);
        continue;
      }
      walk.walked_directory = true;
      for (PatternList* list : {&walk.includes, &walk.extends, &walk.excludes})
        place_list(*list, path);
      GitScope git;
      if (!options.no_ignore && in_git_work_tree(path) && git_wanted(walk)) {
        // A PATH that git ignores was named all the same: it is walked whole.
        GitRepositoryHandle outer = open_git_work_tree(path, true, git.prefix);
        if (outer && (git.prefix.empty() ||
                      !git_ignores(*outer, git.prefix.substr(0, git.prefix.size() - 1), true))) {
          git.repository = outer.get();
          walk.repositories.push_back(std::move(outer));
        }
      }
      walk_directory(walk, fd, path, path.size(), git);
    } else {
      add_file(walk, path, status, std::string::npos);
    }
  }
  walk.repositories.clear();
  if (walk.git_ready) end_git_ignore();
  if (report != nullptr) {
    report->walked_directory = walk.walked_directory;
    report->skipped_named = walk.skipped_named;
  }
  if (report != nullptr && walk.walked_directory) {
    if (!walk.git_trouble.empty())
      report->notes.push_back(
          "q5upgrade: note: files git ignores are walked too: " + walk.git_trouble + "\n");
    for (const PatternList* list : {&walk.includes, &walk.extends, &walk.excludes})
      note_unmatched(*list, report->notes);
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
