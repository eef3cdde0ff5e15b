// How a run ends. The core never leaves the process itself: every failure
// travels back to main as a Failure, and main alone prints and exits.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace q5 {

// Process exit statuses, one per kind of failure.
enum ExitCode : int {
  ExitSuccess = 0,
  ExitUsage = 1,          // fewer than two arguments
  ExitBadInput = 2,       // input unreadable, or a call beyond the fixed limits
  ExitRefused = 3,        // input already converted, or the output cannot be opened
  ExitWriteFailed = 4,    // a write to the output failed
  ExitUnterminated = 5,   // an argument list or string literal never ends
  ExitNoMemory = 6,       // an argument buffer cannot be allocated
  ExitUpgradeFailed = -1  // upgrade mode could not put the result in place
};

// What went wrong in a conversion, so that each interface says it in its
// own words: the classic command line prints `message`, the tree interface
// renders the kind (see tree/file_outcome.cpp).
enum class FailureKind : unsigned char {
  Other,  // `message` says it all
  UnterminatedString,
  UnterminatedList,
  TooManyArguments,
  ArgumentTooLong,
  NameTooLong,
  NoMemory,  // `bytes` were asked for
};

struct Failure {
  int exit_code;
  std::string message;  // printed to stderr as is; line ends included
  // The input byte the failure concerns (a call, a literal), when known.
  std::size_t offset = static_cast<std::size_t>(-1);
  FailureKind kind = FailureKind::Other;
  std::size_t bytes = 0;
};

using MaybeFailure = std::optional<Failure>;

}  // namespace q5
