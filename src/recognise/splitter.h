// Splits one recognised call's argument list into argument texts and hands
// them to the call's rewriter, or copies a function definition head as is.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "driver/failure.h"
#include "driver/output.h"
#include "recognise/call_table.h"

namespace q5 {

inline constexpr int kMaxArguments = 128;
inline constexpr std::size_t kMaxArgumentLength = 1023;
inline constexpr std::size_t kMaxCallNameLength = 127;

// The argument texts of one call, back to back in one buffer that is reused
// from call to call. Argument i is chars[starts[i], starts[i + 1]).
struct ArgumentList {
  std::string chars;
  std::array<std::size_t, kMaxArguments + 1> starts{};
  // Where each argument begins in the source; origins[count] is the list's ")".
  std::array<std::size_t, kMaxArguments + 1> origins{};
  int count = 0;
};

inline std::string_view argument_at(const ArgumentList& args, int i) {
  return std::string_view(args.chars).substr(args.starts[i], args.starts[i + 1] - args.starts[i]);
}

struct SplitResult {
  std::size_t end = 0;  // just past the list's closing ")"
  MaybeFailure failure;
};

// Splits the list whose first byte (after the "(") is at `pos`.
SplitResult split_arguments(std::string_view text, std::size_t pos, ArgumentList& args);

struct CallPlan;

struct ConvertResult {
  std::size_t consumed = 0;  // input bytes used, counted from the candidate
  MaybeFailure failure;
};

// Converts the call of `entry` whose name starts at `candidate`; `plan`
// says how (and, after, what each argument was taken for). A function
// definition's head, or a call the plan leaves as it stands, is copied.
// Write failures are left in `out.failure`.
ConvertResult convert_call(std::string_view text, std::size_t candidate, const CallEntry& entry,
                           ArgumentList& args, CallPlan& plan, Output& out);

}  // namespace q5
