// q5upgrade: rewrites C sources' varargs toolkit calls into their
// pair-macro form. The work is in the core library; this only reports.
#include <cstdio>

#include "classic/run.h"
#include "io/replace.h"
#include "tree/options.h"
#include "tree/run_tree.h"

int main(int argc, char** argv) {
  // Both interfaces replace files: an interrupted run removes the one it is
  // writing, and a closed pipe or a file-size limit is a failed write, not
  // a death that leaves a half-written file behind.
  q5::prepare_process_signals();
  if (q5::wants_tree_interface(argc, argv)) return q5::run_tree(argc, argv);
  q5::Failure outcome = q5::run_command_line(argc, argv);
  std::fwrite(outcome.message.data(), 1, outcome.message.size(), stderr);
  return outcome.exit_code;
}
