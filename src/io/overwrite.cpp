#include "io/overwrite.h"

#include <unistd.h>

#include <cerrno>

#include "base/fd_io.h"
#include "io/replace.h"

namespace q5 {

namespace {

// Written over, then cut: a full disk fails before the old end, where the
// original fits back into the blocks it had.
bool finish(int fd, off_t size) { return ::ftruncate(fd, size) == 0 && ::fdatasync(fd) == 0; }

template <typename WriteNew>
OverwriteEnd overwrite(int fd, std::string_view original, WriteNew write_new) {
  sigset_t saved;
  if (!begin_in_place_rewrite(saved)) return OverwriteEnd::Interrupted;
  OverwriteEnd end = OverwriteEnd::Done;
  if (!write_new()) {
    int error = errno;
    bool back = write_all_at(fd, original, 0) && finish(fd, static_cast<off_t>(original.size()));
    end = back ? OverwriteEnd::Restored : OverwriteEnd::Damaged;
    errno = error;
  }
  end_in_place_rewrite(saved);
  return end;
}

}  // namespace

OverwriteEnd overwrite_file(int fd, std::string_view contents, std::string_view original) {
  return overwrite(fd, original, [&] {
    return write_all_at(fd, contents, 0) && finish(fd, static_cast<off_t>(contents.size()));
  });
}

OverwriteEnd overwrite_file_from(int fd, int from, off_t size, std::string_view original) {
  return overwrite(fd, original, [&] {
    char buffer[1 << 16];
    for (off_t at = 0; at < size;) {
      ssize_t got = ::pread(from, buffer, sizeof buffer, at);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0 ||
          !write_all_at(fd, std::string_view(buffer, static_cast<std::size_t>(got)), at))
        return false;
      at += got;
    }
    return finish(fd, size);
  });
}

std::string_view overwrite_outcome(OverwriteEnd end) {
  return end == OverwriteEnd::Restored
             ? "; its original content is back in place"
             : "; putting its original content back failed too: the file is damaged";
}

}  // namespace q5
