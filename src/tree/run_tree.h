// The tree interface: converts many files, in parallel, in memory, and
// hands each result to the sink the options chose (diff, check, in place,
// standard output). Reports go to stdout and stderr in the walk's order.
#pragma once

#include "tree/options.h"

namespace q5 {

// Runs the whole interface and gives the exit status: 0 nothing to change
// (in place: every change made), 1 some file would change, 2 trouble.
int run_tree(int argc, const char* const* argv);

}  // namespace q5
