// The files a tree run converts: named files as given, directories walked.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

#include "tree/options.h"

namespace q5 {

struct WalkedFile {
  std::string path;   // as walked: the PATH given, joined with names below it
  std::string error;  // set when the path cannot be reached (strerror text)
  dev_t device = 0;   // the file the walk saw
  ino_t inode = 0;
  // Where the names the walk met begin in `path` (after the PATH given);
  // npos for a PATH named on the command line.
  std::size_t below = std::string::npos;
};

// What a walk met besides the files: a note for each pattern that matched
// nothing and one when git's rules could not be read (when some directory
// was walked), whether one was, and how many PATHs --force-exclude skipped.
struct WalkReport {
  std::vector<std::string> notes;
  bool walked_directory = false;
  std::size_t skipped_named = 0;
};

// Named files are always taken (unless options.force_exclude and an
// exclude pattern matches them or a directory above them); directories are
// walked recursively in byte order of names, relative to directory
// descriptors (so at any depth), without following symbolic links and
// skipping every hidden entry (file or directory, such as .git), those an
// exclude pattern matches and (unless options.no_ignore) those git ignores
// (below a PATH git ignores itself, nothing is ignored), taking files an
// include or extend-include pattern matches. In each list of patterns the
// last one that matches decides, and a negated one ("!x") leaves out. The
// command line's patterns match from the working directory, a
// configuration file's from its directory. A file reached twice is listed
// once. An entry that cannot be read (a directory without read or search
// permission, a failed status) is listed with its error; one removed
// meanwhile is not.
std::vector<WalkedFile> walk_paths(const TreeOptions& options, WalkReport* report = nullptr);

// A walked file opened again for its conversion.
struct OpenedFile {
  int fd = -1;       // read-only (standard input for "-")
  int dir_fd = -1;   // with `for_replacing`: its directory (O_PATH), else -1
  std::string name;  // with `for_replacing`: its name in dir_fd
};

// Opens `file` read-only and checks that it is the regular file the walk
// saw. Below a PATH given, no symbolic link is followed (the directories
// are opened one by one relative to each other); a PATH named on the
// command line may be a link, and with `for_replacing` the file it leads
// to is the one replaced. Gives an empty string, or what went wrong
// (nothing is then left open).
std::string open_walked(const WalkedFile& file, bool for_replacing, OpenedFile& out);

// Closes what open_walked opened (not standard input).
void close_walked(OpenedFile& opened);

}  // namespace q5
