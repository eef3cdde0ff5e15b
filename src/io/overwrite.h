// Writing a file over where it stands, for a file a rename would split
// from its other hard links, or whose directory takes no new file: the new
// content goes over the old and the file is cut to length and flushed; if
// that fails, the original content is written back. The cleanup signals
// wait meanwhile, so they never stop it halfway.
#pragma once

#include <sys/types.h>

#include <string_view>

namespace q5 {

enum class OverwriteEnd {
  Done,
  Interrupted,  // the process is being ended by a signal: nothing written
  Restored,     // the new content failed; the original is back
  Damaged,      // putting the original back failed too
};

// The new content from memory, or copied from the start of `from`.
OverwriteEnd overwrite_file(int fd, std::string_view contents, std::string_view original);
OverwriteEnd overwrite_file_from(int fd, int from, off_t size, std::string_view original);

// What a failed overwrite's message adds after saying the write failed.
std::string_view overwrite_outcome(OverwriteEnd end);

}  // namespace q5
