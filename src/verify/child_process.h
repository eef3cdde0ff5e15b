// The compiler run as a child process: no shell, its output read through
// pipes, its input texts handed over as descriptors, and a time limit after
// which it is killed (with whatever it started) and reaped.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace q5 {

struct ChildRun {
  bool started = false;    // false: `trouble` says why it could not run
  bool timed_out = false;  // killed at the time limit (or for too much output: `trouble`)
  int status = -1;         // its exit status, or 128 + the signal that ended it
  std::string out, err;
  std::string trouble;
};

// Runs argv[0] (looked up in PATH unless it holds a '/') in `directory`,
// with standard input from /dev/null and `inputs[k]` readable at
// /dev/fd/(3+k), and `environment` ("NAME=value" each). The child runs in
// a process group of its own, which is killed whole when `seconds` pass.
ChildRun run_child(const std::vector<std::string>& argv, const std::string& directory,
                   std::span<const std::string_view> inputs,
                   const std::vector<std::string>& environment, double seconds);

// This process's environment with the messages' language set to C (the
// character set left as it is), so that a compiler's messages can be read.
std::vector<std::string> environment_for_messages();

// The path the child reads `inputs[k]` at.
std::string child_input_path(std::size_t k);

}  // namespace q5
