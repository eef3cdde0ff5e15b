// What a tree run knows before it converts anything: the project's macros,
// read from the #define lines of every file it converts and of the headers
// under the -I directories (definitions count in that order; the first is
// named in messages), and standard input when it was read to find them.
#pragma once

#include <string>
#include <vector>

#include "engine/reader/macros.h"
#include "tree/options.h"
#include "tree/verify_run.h"
#include "tree/walk.h"

namespace q5 {

// What the run knows before it converts anything: the project's macros,
// and standard input when it was read to find them.
struct RunContext {
  MacroTable macros;
  std::string cwd;  // for the paths a patch names
  std::string stdin_text;
  bool stdin_read = false;
  // With --verify: the definitions the macros were resolved from, and each
  // file's proof; `stop` when the compilation database cannot be read.
  MacroSet walked_macros;
  VerifiedFiles verified;
  bool stop = false;
};

// `trouble` is set when a -I directory cannot be walked.
RunContext prepare_context(const TreeOptions& options, const std::vector<WalkedFile>& files,
                           std::size_t jobs, bool& trouble);

}  // namespace q5
