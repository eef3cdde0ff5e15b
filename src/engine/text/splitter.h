// Splits one recognised call's argument list into argument texts and hands
// them to the call's family's writer, or copies a function definition head as is.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "engine/call_table.h"
#include "engine/text/output.h"

namespace q5 {

inline constexpr int kMaxArguments = 128;
inline constexpr std::size_t kMaxArgumentLength = 1023;
inline constexpr std::size_t kMaxCallNameLength = 127;

// The argument texts of one call. Argument i is starts[i + 1] - starts[i]
// bytes long. Most lists hold no comment that splits an argument, so each
// argument is one span of the input: then `source` is the input and
// argument i starts at source + origins[i]. Otherwise (source null) the
// texts are back to back in `chars`, a buffer reused from call to call:
// argument i is chars[starts[i], starts[i + 1]).
struct ArgumentList {
  std::string chars;
  const char* source = nullptr;
  std::array<std::size_t, kMaxArguments + 1> starts{};
  // Where each argument begins in the source; origins[count] is the list's ")".
  std::array<std::size_t, kMaxArguments + 1> origins{};
  int count = 0;
};

inline std::string_view argument_at(const ArgumentList& args, int i) {
  std::size_t size = args.starts[i + 1] - args.starts[i];
  if (args.source != nullptr) return {args.source + args.origins[i], size};
  return std::string_view(args.chars).substr(args.starts[i], size);
}

// Every argument's bytes lie within this text (it may hold more, such as
// the separators or a comment).
inline std::string_view arguments_extent(const ArgumentList& args) {
  if (args.count == 0) return {};
  if (args.source != nullptr)
    return {args.source + args.origins[0], args.origins[args.count] - args.origins[0]};
  return std::string_view(args.chars)
      .substr(args.starts[0], args.starts[args.count] - args.starts[0]);
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
