// Replacing one file of a tree with its converted text.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace q5 {

// Writes `contents` to a new file beside `path` (the file a link leads
// to), flushed and given the original's mode, owner, ACL and extended
// attributes, and renames it over the file, unless the file changed since
// it was read (`as_read`). A file with other hard links is written over
// instead, and `original` put back if that fails. Gives an empty string on
// success, else what went wrong; the file is then as it was.
std::string replace_contents(const std::string& path, std::string_view contents,
                             std::string_view original, const struct stat& as_read);

}  // namespace q5
