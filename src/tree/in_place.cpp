#include "tree/in_place.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace

std::string replace_contents(const std::string& path, std::string_view contents,
                             const struct stat& as_read) {
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // The new file is recorded for the signal handlers, which remove it if
  // the run is interrupted.
  int dir_fd = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  Replacement next;
  if (dir_fd < 0 || !create_hidden_replacement(dir_fd, name, next)) {
    std::string message = std::string("cannot create a file beside it: ") + std::strerror(errno);
    if (dir_fd >= 0) ::close(dir_fd);
    return message;
  }
  auto fail = [&](const char* what) {
    std::string message = std::string(what) + ": " + std::strerror(errno);
    discard_replacement(next);
    ::close(dir_fd);
    return message;
  };
  for (std::string_view rest = contents; !rest.empty();) {
    ssize_t put = ::write(next.fd, rest.data(), rest.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return fail("cannot write the new content");
    rest.remove_prefix(static_cast<std::size_t>(put));
  }
  if (::fchown(next.fd, as_read.st_uid, as_read.st_gid) != 0 && errno != EPERM)
    return fail("cannot keep the owner");
  if (::fchmod(next.fd, as_read.st_mode & 07777) != 0) return fail("cannot keep the permissions");
  if (::fdatasync(next.fd) != 0) return fail("cannot flush the new content");

  struct stat now {};
  if (::stat(path.c_str(), &now) != 0 || !same_as_read(now, as_read)) {
    errno = 0;
    discard_replacement(next);
    ::close(dir_fd);
    return "changed since it was read; left alone";
  }
  PutResult put = put_replacement(next, dir_fd, name.c_str());
  if (put == PutResult::NotOurs) {
    keep_replacement(next);
    ::close(dir_fd);
    return "its new copy was changed by another program; left alone";
  }
  if (put == PutResult::RenameFailed) return fail("cannot replace it");
  ::close(dir_fd);
  return {};
}

}  // namespace q5
