// Replacing a file by a new one written beside it and renamed over it, so
// that the file is at every moment either its old or its whole new content.
//
// A replacement is created exclusively (never an existing entry, never
// through a link), readable by its owner only while it is written, and
// recorded in a registry of files in flight: SIGINT, SIGTERM, SIGHUP and
// SIGQUIT remove every recorded file before the process dies of the signal. Each
// replacement lives in a directory given by descriptor, so several threads
// can replace files in different directories at once.
//
// Nothing here ends the process or prints; failures come back as values.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "base/failure.h"

namespace q5 {

// Installs the cleanup handler for SIGINT, SIGTERM, SIGHUP and SIGQUIT
// (unless they are ignored, as for a background job or under nohup). Call
// it once, early.
void install_cleanup_handlers();

// Makes room in the registry for `count` files in flight at once (it holds
// 256 to begin with). Call it while no file is in flight, before starting
// the threads that make them. False when the memory cannot be had.
bool reserve_cleanup_slots(std::size_t count);

// The cleanup handlers, and SIGPIPE and SIGXFSZ ignored, so that a write to
// a closed pipe or beyond the file-size limit is a failed write, not a death
// that leaves a half-written file.
void prepare_process_signals();

struct Replacement {
  int dir_fd = -1;   // the directory it is in; borrowed, open while it lives
  std::string name;  // its name in that directory
  int fd = -1;       // open write-only
  dev_t device = 0;  // the file this run created, to recognise it later
  ino_t inode = 0;
  int slot = -1;  // its entry in the cleanup registry
};

// Creates `name` in `dir_fd` as a new empty regular file of mode 0600, after
// removing whatever entry has that name (a directory is not removed). False,
// with errno set and nothing left recorded, when either step fails; errno
// is ENOBUFS when the registry has no free slot.
bool create_named_replacement(int dir_fd, std::string_view name, Replacement& out);

// Creates a new hidden file ".BESIDE.q5upgrade-XXXXXX" (a shorter name for a
// long BESIDE) in `dir_fd`, mode 0600. False with errno set on failure
// (ENOBUFS: the registry has no free slot).
bool create_hidden_replacement(int dir_fd, std::string_view beside, Replacement& out);

// Gives the replacement the owner and group of the original where this
// process may. True when both match the original afterwards.
bool carry_owner(const Replacement& replacement, uid_t owner, gid_t group);

// After the content is complete: the owner and group (where permitted), the
// access ACL, the extended attributes and last all 12 mode bits of the file
// at `original_path`, so that setuid and setgid survive. The access ACL and
// `user.` attributes must come over (a failure names them, exit 4); other
// namespaces such as `security.` come over where the system permits. `shown`
// names the replacement in messages, `shown_original` the original.
MaybeFailure carry_attributes(const Replacement& replacement, const char* original_path,
                              uid_t owner, gid_t group, mode_t mode, std::string_view shown,
                              std::string_view shown_original);

// The same from the original open as `original_fd` (not O_PATH), so that
// no link is followed to read its attributes.
MaybeFailure carry_attributes(const Replacement& replacement, int original_fd, uid_t owner,
                              gid_t group, mode_t mode, std::string_view shown,
                              std::string_view shown_original);

// Flushes the content to the disk (a crash after the rename then leaves the
// old or the new file, not an empty one).
bool sync_replacement(const Replacement& replacement);

// Whether the directory entry still names the file this run created.
bool replacement_is_ours(const Replacement& replacement);

enum class PutResult { Done, NotOurs, RenameFailed };

// Checks that the entry is still this run's file, renames it to `target`
// (relative to `target_dir`, which may be AT_FDCWD), then forgets it. After
// a failure the replacement is still recorded and open.
PutResult put_replacement(Replacement& replacement, int target_dir, const char* target);

// Removes the replacement, if its entry is still this run's file, and
// forgets it.
void discard_replacement(Replacement& replacement);

// Forgets the replacement and leaves the file where it is.
void keep_replacement(Replacement& replacement);

// A file written in place (it has other hard links, or its directory cannot
// take a new file): while the caller rewrites it, the cleanup signals wait,
// so a signal does not stop the rewrite halfway. Blocks them in this thread;
// a signal handled by another thread waits for every such rewrite to end.
// False (nothing blocked) when the process is already being ended by a
// signal. `saved` keeps the thread's signal mask for the end.
bool begin_in_place_rewrite(sigset_t& saved);
void end_in_place_rewrite(const sigset_t& saved);

}  // namespace q5
