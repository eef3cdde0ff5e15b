// q5upgrade: rewrites one C source file's varargs toolkit calls into their
// pair-macro form. The work is in the core library; this only reports.
#include <cstdio>

#include "driver/run.h"

int main(int argc, char** argv) {
  q5::Failure outcome = q5::run_command_line(argc, argv);
  std::fwrite(outcome.message.data(), 1, outcome.message.size(), stderr);
  return outcome.exit_code;
}
