// The files a tree run converts: named files as given, directories walked.
#pragma once

#include <string>
#include <vector>

#include "tree/options.h"

namespace q5 {

struct WalkedFile {
  std::string path;        // as walked: the PATH given, joined with names below it
  std::string error;       // set when the path cannot be reached (strerror text)
};

// Named files are always taken; directories are walked recursively in
// byte order of names, without following symbolic links and skipping
// hidden directories and those an exclude glob names, taking files whose
// names match an include glob and no exclude glob. A file reached twice is
// listed once.
std::vector<WalkedFile> walk_paths(const TreeOptions& options);

}  // namespace q5
