#include "io/read_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "io/source.h"

namespace q5 {

std::string cannot_alloc(std::size_t bytes) {
  return "cannot alloc " + std::to_string(bytes) + " bytes";
}

// Reads the whole file open as `fd`. As in the classic forms, a file of
// 2 GiB or more is refused before anything is read, and a file written to
// while it was read (its times moved) is refused: the copy may hold parts
// of two versions.
bool read_whole(int fd, std::string& text, struct stat& status, std::string& error) {
  auto fail = [&](std::string why) {
    error = std::move(why);
    text.clear();
    return false;
  };
  if (::fstat(fd, &status) != 0) return fail(std::strerror(errno));
  const bool regular = S_ISREG(status.st_mode);
  if (regular && status.st_size > kMaxSourceSize) return fail(std::strerror(EFBIG));
  // Memory is taken ahead of the bytes, so that running out of it is told
  // apart and names the size asked for. The text is read straight into:
  // room for the whole file and one byte more, so that its end is seen
  // without growing it.
  auto room_for = [&](std::size_t size) {
    try {
      text.resize(size);
      return true;
    } catch (const std::bad_alloc&) {
      error = cannot_alloc(size);
      return false;
    }
  };
  std::size_t room = regular ? static_cast<std::size_t>(status.st_size) + 1 : 1 << 16;
  std::size_t size = 0;
  for (;;) {
    if (size == text.size() && !room_for(std::max(room, text.size() * 2))) return fail(error);
    ssize_t got = ::read(fd, text.data() + size, text.size() - size);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return fail(std::strerror(errno));
    if (got == 0) break;
    size += static_cast<std::size_t>(got);
    if (size > static_cast<std::size_t>(kMaxSourceSize)) return fail(std::strerror(EFBIG));
  }
  text.resize(size);
  struct stat after {};
  if (regular && (::fstat(fd, &after) != 0 || !same_stamp(stamp_of(after), stamp_of(status))))
    return fail("changed while it was read");
  return true;
}

}  // namespace q5
