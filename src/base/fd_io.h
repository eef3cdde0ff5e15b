// Whole writes to a descriptor: every byte, or false with errno set (a
// write interrupted by a signal goes on).
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <string_view>

namespace q5 {

// A descriptor closed when it goes out of scope.
struct Descriptor {
  int fd = -1;
  Descriptor() = default;
  explicit Descriptor(int opened) : fd(opened) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

bool write_all(int fd, std::string_view bytes);
// At `at`, without moving the file offset.
bool write_all_at(int fd, std::string_view bytes, off_t at);

}  // namespace q5
