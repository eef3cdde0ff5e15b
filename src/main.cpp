// q5upgrade: rewrites C sources' varargs toolkit calls into their
// pair-macro form. The work is in the core library; this only reports.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "classic/run.h"
#include "io/replace.h"
#include "tree/options.h"
#include "tree/run_tree.h"

namespace {

// A standard descriptor closed by the caller (`2>&-`) would go to the next
// file opened, and messages meant for stderr would be written into it:
// each one that is closed is opened on /dev/null first.
void open_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    // The lowest free number is this one, since those below are open.
    if (opened > fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  open_standard_descriptors();
  // Both interfaces replace files: an interrupted run removes the one it is
  // writing, and a closed pipe or a file-size limit is a failed write, not
  // a death that leaves a half-written file behind.
  q5::prepare_process_signals();
  if (q5::wants_tree_interface(argc, argv)) {
    const int status = q5::run_tree(argc, argv);
    if (status != q5::kStdoutClosed) return status;
    ::signal(SIGPIPE, SIG_DFL);
    ::raise(SIGPIPE);
    return 128 + SIGPIPE;
  }
  q5::Failure outcome = q5::run_command_line(argc, argv);
  std::fwrite(outcome.message.data(), 1, outcome.message.size(), stderr);
  return outcome.exit_code;
}
