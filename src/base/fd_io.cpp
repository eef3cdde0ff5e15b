#include "base/fd_io.h"

#include <unistd.h>

#include <cerrno>

namespace q5 {

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

bool write_all_at(int fd, std::string_view bytes, off_t at) {
  while (!bytes.empty()) {
    ssize_t put = ::pwrite(fd, bytes.data(), bytes.size(), at);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
    at += put;
  }
  return true;
}

}  // namespace q5
