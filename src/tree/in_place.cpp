#include "tree/in_place.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "replace/replace.h"

namespace q5 {

namespace {

bool same_as_read(const struct stat& now, const struct stat& as_read) {
  return now.st_dev == as_read.st_dev && now.st_ino == as_read.st_ino &&
         now.st_size == as_read.st_size && now.st_mtim.tv_sec == as_read.st_mtim.tv_sec &&
         now.st_mtim.tv_nsec == as_read.st_mtim.tv_nsec;
}

std::string with_reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool write_at(int fd, std::string_view bytes) {
  for (off_t at = 0; !bytes.empty();) {
    ssize_t put = ::pwrite(fd, bytes.data(), bytes.size(), at);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
    at += put;
  }
  return true;
}

// A file with other hard links would lose them by a rename: it is written
// over instead, with the interrupting signals held off, and its original
// content put back if that fails.
std::string rewrite_linked(const std::string& path, std::string_view contents,
                           std::string_view original) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return with_reason("cannot open it for writing");
  sigset_t saved;
  if (!begin_in_place_rewrite(saved)) {
    ::close(fd);
    return "interrupted; left alone";
  }
  auto put = [&](std::string_view bytes) {
    return write_at(fd, bytes) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 &&
           ::fdatasync(fd) == 0;
  };
  std::string trouble;
  if (!put(contents)) {
    trouble = with_reason("cannot write the new content");
    trouble += put(original) ? "; its original content is back in place"
                             : "; putting its original content back failed too: the file is damaged";
  }
  end_in_place_rewrite(saved);
  ::close(fd);
  return trouble;
}

}  // namespace

std::string replace_contents(const std::string& named, std::string_view contents,
                             std::string_view original, const struct stat& as_read) {
  // A link named on the command line: the file it leads to is replaced.
  std::string path = named;
  struct stat link_status {};
  if (::lstat(named.c_str(), &link_status) == 0 && S_ISLNK(link_status.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(named.c_str(), resolved) == nullptr) return with_reason("cannot follow the link");
    path = resolved;
  }
  if (as_read.st_nlink > 1) return rewrite_linked(path, contents, original);

  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // The new file is recorded for the signal handlers, which remove it if
  // the run is interrupted.
  int dir_fd = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  Replacement next;
  if (dir_fd < 0 || !create_hidden_replacement(dir_fd, name, next)) {
    std::string message = with_reason("cannot create a file beside it");
    if (dir_fd >= 0) ::close(dir_fd);
    return message;
  }
  auto fail = [&](std::string message) {
    discard_replacement(next);
    ::close(dir_fd);
    return message;
  };
  if (!write_at(next.fd, contents)) return fail(with_reason("cannot write the new content"));
  if (MaybeFailure failure = carry_attributes(next, path.c_str(), as_read.st_uid, as_read.st_gid,
                                              as_read.st_mode, "its converted copy", named))
    return fail(failure->message.substr(0, failure->message.find('\n')));
  if (!sync_replacement(next)) return fail(with_reason("cannot flush the new content"));

  struct stat now {};
  if (::stat(path.c_str(), &now) != 0 || !same_as_read(now, as_read))
    return fail("changed since it was read; left alone");
  PutResult put = put_replacement(next, dir_fd, name.c_str());
  if (put == PutResult::NotOurs) {
    keep_replacement(next);
    ::close(dir_fd);
    return "its new copy was changed by another program; left alone";
  }
  if (put == PutResult::RenameFailed) return fail(with_reason("cannot replace it"));
  ::close(dir_fd);
  return {};
}

}  // namespace q5
