#include "tree/in_place.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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
  std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = dir + "." + name + ".q5new.XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return std::string("cannot create a file beside it: ") + std::strerror(errno);

  auto fail = [&](const char* what) {
    std::string message = std::string(what) + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(temp.c_str());
    return message;
  };
  for (std::string_view rest = contents; !rest.empty();) {
    ssize_t put = ::write(fd, rest.data(), rest.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return fail("cannot write the new content");
    rest.remove_prefix(static_cast<std::size_t>(put));
  }
  if (::fchown(fd, as_read.st_uid, as_read.st_gid) != 0 && errno != EPERM)
    return fail("cannot keep the owner");
  if (::fchmod(fd, as_read.st_mode & 07777) != 0) return fail("cannot keep the permissions");
  if (::fdatasync(fd) != 0) return fail("cannot flush the new content");

  struct stat now {};
  if (::stat(path.c_str(), &now) != 0 || !same_as_read(now, as_read)) {
    errno = 0;
    ::close(fd);
    ::unlink(temp.c_str());
    return "changed since it was read; left alone";
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) return fail("cannot replace it");
  ::close(fd);
  return {};
}

}  // namespace q5
