#include "tree/in_place.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// Written over, with the interrupting signals held off, and the original
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

void abandon(PreparedReplacement& prepared) {
  if (prepared.next.fd >= 0) discard_replacement(prepared.next);
  if (prepared.dir_fd >= 0) ::close(prepared.dir_fd);
  prepared.dir_fd = -1;
}

}  // namespace

std::string prepare_replacement(const std::string& named, std::string_view contents,
                                std::string_view original, const struct stat& as_read,
                                PreparedReplacement& out) {
  out.as_read = as_read;
  // A link named on the command line: the file it leads to is replaced.
  out.path = named;
  struct stat link_status {};
  if (::lstat(named.c_str(), &link_status) == 0 && S_ISLNK(link_status.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(named.c_str(), resolved) == nullptr) return with_reason("cannot follow the link");
    out.path = resolved;
  }
  if (as_read.st_nlink > 1) {
    out.in_place = true;
    return rewrite_linked(out.path, contents, original);
  }

  std::size_t slash = out.path.rfind('/');
  std::string dir = slash == std::string::npos ? std::string(".") : out.path.substr(0, slash + 1);
  out.name = slash == std::string::npos ? out.path : out.path.substr(slash + 1);
  // The new file is recorded for the signal handlers, which remove it if
  // the run is interrupted.
  out.dir_fd = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (out.dir_fd < 0 || !create_hidden_replacement(out.dir_fd, out.name, out.next)) {
    std::string message = with_reason("cannot create a file beside it");
    abandon(out);
    return message;
  }
  std::string trouble;
  if (!write_at(out.next.fd, contents)) {
    trouble = with_reason("cannot write the new content");
  } else if (MaybeFailure failure = carry_attributes(out.next, out.path.c_str(), as_read.st_uid,
                                                     as_read.st_gid, as_read.st_mode,
                                                     "its converted copy", named)) {
    trouble = failure->message.substr(0, failure->message.find('\n'));
  }
  if (!trouble.empty()) abandon(out);
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
      abandon(p);
      continue;
    }
    struct stat now {};
    if (::stat(p.path.c_str(), &now) != 0 || !same_as_read(now, p.as_read)) {
      troubles[k] = "changed since it was read; left alone";
      abandon(p);
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
