// The conversion pass: copies the text to the output, converting every call
// of the call table that stands outside string literals and comments.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "engine/text/output.h"
#include "engine/text/rewriters.h"

namespace q5 {

// What the pass did with one call it found.
struct CallRecord {
  std::size_t begin = 0;      // the call's name in the input
  std::size_t end = 0;        // just past the input it consumed
  std::size_t out_begin = 0;  // its text in the output
  std::size_t out_end = 0;
  int row = -1;             // in the call table
  bool left_as_is = false;  // a definition head, or a call in pair form already
  std::vector<ArgRole> roles;
  std::vector<std::size_t> origins;  // each argument's start; the last is the list's ")"
};

struct ScanOptions {
  // Leave calls already in pair form as they stand (see CallPlan).
  bool keep_converted = false;
  // False when the caller knows the text holds no NUL byte.
  bool may_hold_nul = true;
  // When set, every call found is recorded here, in input order.
  std::vector<CallRecord>* calls = nullptr;
};

// Converts the whole of `text`. Searches stop at a NUL byte as they would in
// a C string; copies run to the end of `text`, NULs included.
MaybeFailure scan_source(std::string_view text, Output& out, const ScanOptions& options);
inline MaybeFailure scan_source(std::string_view text, Output& out) {
  return scan_source(text, out, ScanOptions{});
}

}  // namespace q5
