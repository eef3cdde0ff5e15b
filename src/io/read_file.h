// A whole file read from an open descriptor, for the tree interface: as in
// the classic forms, a file of 2 GiB or more is refused before anything is
// read, and a file written to while it was read (its times moved) is
// refused, since the copy may hold parts of two versions.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

namespace q5 {

// "cannot alloc N bytes": memory that ran out, named by what was asked for.
std::string cannot_alloc(std::size_t bytes);

// False with `error` set (strerror text, or one of the above) and `text`
// empty when the file cannot be read whole.
bool read_whole(int fd, std::string& text, struct stat& status, std::string& error);

}  // namespace q5
