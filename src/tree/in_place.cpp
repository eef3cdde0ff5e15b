#include "tree/in_place.h"

#include "base/fd_io.h"
#include "io/overwrite.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace q5 {

namespace {

// Whether the file is still the one read, untouched: an edit that keeps
// the size and puts the modification time back still moves the change
// time.
bool same_as_read(const struct stat& now, const struct stat& as_read) {
  auto same_time = [](const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
  };
  return now.st_dev == as_read.st_dev && now.st_ino == as_read.st_ino &&
         now.st_size == as_read.st_size && same_time(now.st_mtim, as_read.st_mtim) &&
         same_time(now.st_ctim, as_read.st_ctim);
}

constexpr const char kChanged[] = "changed since it was read; left alone";

std::string with_reason(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

// Written over through `fd`, with the interrupting signals held off, and
// the original content put back if that fails.
std::string rewrite_linked(int fd, std::string_view contents, std::string_view original) {
  OverwriteEnd end = overwrite_file(fd, contents, original);
  if (end == OverwriteEnd::Done) return {};
  if (end == OverwriteEnd::Interrupted) return "interrupted; left alone";
  return with_reason("cannot write the new content") + std::string(overwrite_outcome(end));
}

// The new file beside the original, open as `original_fd`, complete with
// content and attributes.
std::string write_beside(int original_fd, const std::string& shown, std::string_view contents,
                         PreparedReplacement& out) {
  const struct stat& as_read = out.as_read;
  // The new file is recorded for the signal handlers, which remove it if
  // the run is interrupted.
  if (!create_hidden_replacement(out.dir_fd, out.name, out.next)) {
    if (errno == ENOBUFS)
      return "cannot create a file beside it: more new files at once than the cleanup on signals "
             "can track";
    return with_reason("cannot create a file beside it");
  }
  // A copy that this user cannot give the owner and group would hand the
  // file over to someone else.
  if (!carry_owner(out.next, as_read.st_uid, as_read.st_gid))
    return "cannot give its owner and group to a new copy; left alone";
  if (!write_all_at(out.next.fd, contents, 0)) return with_reason("cannot write the new content");
  if (MaybeFailure failure = carry_attributes(out.next, original_fd, as_read.st_uid, as_read.st_gid,
                                              as_read.st_mode, "its converted copy", shown))
    return failure->message.substr(0, failure->message.find('\n'));
  return {};
}

}  // namespace

void abandon_prepared(PreparedReplacement& prepared) {
  if (prepared.next.fd >= 0) discard_replacement(prepared.next);
  if (prepared.dir_fd >= 0) ::close(prepared.dir_fd);
  prepared.dir_fd = -1;
}

std::string prepare_replacement(const std::string& shown, int dir_fd, std::string name,
                                std::string_view contents, std::string_view original,
                                const struct stat& as_read, PreparedReplacement& out) {
  out.as_read = as_read;
  out.dir_fd = dir_fd;
  out.name = std::move(name);
  // Only a file this user may write is replaced: a directory the user may
  // write is not enough. Opened without following a link, without
  // blocking on a FIFO put in its place, and checked to be still as read.
  int fd = ::openat(out.dir_fd, out.name.c_str(),
                    O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  std::string trouble;
  struct stat now {};
  if (fd < 0)
    trouble = errno == ELOOP ? kChanged : with_reason("cannot open it for writing");
  else if (::fstat(fd, &now) != 0 || !same_as_read(now, as_read))
    trouble = kChanged;
  else if (now.st_nlink > 1) {
    out.in_place = true;
    trouble = rewrite_linked(fd, contents, original);
  } else {
    trouble = write_beside(fd, shown, contents, out);
  }
  if (fd >= 0) ::close(fd);
  if (!trouble.empty() || out.in_place) abandon_prepared(out);
  return trouble;
}

void put_prepared(std::span<PreparedReplacement> batch, std::span<std::string> troubles) {
  // One sync per file system flushes every new file on it; where that
  // fails, each file is flushed on its own.
  std::vector<dev_t> synced;
  for (std::size_t k = 0; k < batch.size(); ++k) {
    PreparedReplacement& p = batch[k];
    if (p.in_place || p.next.fd < 0) continue;
    bool done = false;
    for (dev_t d : synced) done |= d == p.next.device;
    if (done) continue;
    if (::syncfs(p.next.fd) == 0) synced.push_back(p.next.device);
  }
  for (std::size_t k = 0; k < batch.size(); ++k) {
    PreparedReplacement& p = batch[k];
    if (p.in_place || p.next.fd < 0) continue;
    bool flushed = false;
    for (dev_t d : synced) flushed |= d == p.next.device;
    if (!flushed && !sync_replacement(p.next)) {
      troubles[k] = with_reason("cannot flush the new content");
      abandon_prepared(p);
      continue;
    }
    struct stat now {};
    if (::fstatat(p.dir_fd, p.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
        !same_as_read(now, p.as_read)) {
      troubles[k] = kChanged;
      abandon_prepared(p);
      continue;
    }
    PutResult put = put_replacement(p.next, p.dir_fd, p.name.c_str());
    if (put == PutResult::NotOurs) {
      keep_replacement(p.next);
      troubles[k] = "its new copy was changed by another program; left alone";
    } else if (put == PutResult::RenameFailed) {
      troubles[k] = with_reason("cannot replace it");
      discard_replacement(p.next);
    }
    ::close(p.dir_fd);
    p.dir_fd = -1;
  }
}

}  // namespace q5
