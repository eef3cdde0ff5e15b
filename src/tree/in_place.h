// Replacing one file of a tree with its converted text.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace q5 {

// Writes `contents` to a new file beside `path` and renames it over `path`,
// unless the file changed since it was read (`as_read`). Gives an empty
// string on success, else what went wrong; the file is then untouched.
std::string replace_contents(const std::string& path, std::string_view contents,
                             const struct stat& as_read);

}  // namespace q5
