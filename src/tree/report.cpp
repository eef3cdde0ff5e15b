#include "tree/report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "base/fd_io.h"
#include "diagnose/format.h"

namespace q5 {

int open_report(const std::string& path) {
  if (path == "-") return 1;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0)
    write_all(2, "q5upgrade: " + quote_name(path) +
                     ": error: cannot write the report: " + std::strerror(errno) + "\n");
  return fd;
}

bool write_report(int fd, const std::string& path, std::span<const FileReport> files, bool lost) {
  bool written = false;
  errno = ENOMEM;
  if (!lost) {
    try {
      written = write_all(fd, sarif_log(files, Q5UPGRADE_VERSION, Q5UPGRADE_HOMEPAGE));
    } catch (const std::bad_alloc&) {
      errno = ENOMEM;
    }
  }
  if (fd > 2 && ::close(fd) != 0) written = false;
  if (!written)
    write_all(2, "q5upgrade: " + quote_name(path) +
                     ": error: cannot write the report: " + std::strerror(errno) + "\n");
  return written;
}

}  // namespace q5
