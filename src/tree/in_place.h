// Replacing the files of a tree with their converted text: each is written
// to a new file beside it, then a batch of them is flushed to disk at once
// and renamed into place, one by one.
#pragma once

#include <sys/stat.h>

#include <span>
#include <string>
#include <string_view>

#include "io/replace.h"

namespace q5 {

// A converted file written beside the original, not yet in its place.
struct PreparedReplacement {
  std::string name;  // the original's name in its directory
  int dir_fd = -1;   // its directory, reached without following links
  Replacement next;
  struct stat as_read {};
  bool in_place = false;  // written over already (a file with other hard links)
};

// Writes `contents` to a new file beside the original `shown`, `name` in
// `dir_fd` (which `out` takes over), given the original's mode, owner, ACL and
// extended attributes. First the original must still be as read and
// writable by this user, and its owner and group must go to the new file:
// else it is left alone. A file with other hard links would lose them by a
// rename: it is written over at once instead, flushed, and `original` put
// back if that fails. Gives an empty string, or what went wrong (nothing
// is then left behind).
std::string prepare_replacement(const std::string& shown, int dir_fd, std::string name,
                                std::string_view contents, std::string_view original,
                                const struct stat& as_read, PreparedReplacement& out);

// Gives up a new file not yet in place: it is removed.
void abandon_prepared(PreparedReplacement& prepared);

// Flushes the batch to disk (one sync per file system rather than one per
// file), then renames each new file over its original unless the original
// changed since it was read. troubles[k] is set for each file that was left
// alone, and nothing of it stays behind.
void put_prepared(std::span<PreparedReplacement> batch, std::span<std::string> troubles);

}  // namespace q5
