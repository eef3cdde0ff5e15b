// --files-from: the files to convert, listed in a file or on standard
// input (`git diff --name-only | q5upgrade --check --files-from=-`).
#pragma once

#include <string>

#include "tree/options.h"

namespace q5 {

// Adds the names listed in options.files_from to options.paths, each as if
// named on the command line: one a line (a carriage return before the
// line's end is no part of the name), or each ended by a NUL with -0;
// empty names are skipped. Gives the message to print, or empty.
std::string read_file_list(TreeOptions& options);

}  // namespace q5
