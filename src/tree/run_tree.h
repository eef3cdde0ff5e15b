// The tree interface: converts many files, in parallel, in memory, and
// hands each result to the sink the options chose (diff, check, in place,
// standard output). Reports go to stdout and stderr in the walk's order.
#pragma once

#include "tree/options.h"

namespace q5 {

// What run_tree gives when standard output was closed under it (a pipe
// into head): main then ends the process by SIGPIPE, quietly, as a tool
// that does not ignore the signal ends.
inline constexpr int kStdoutClosed = -2;

// Runs the whole interface and gives the exit status: 0 done, 1 work left
// (files that would change, warnings), 2 trouble; or kStdoutClosed.
int run_tree(int argc, const char* const* argv);

}  // namespace q5
