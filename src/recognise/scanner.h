// The conversion pass: copies the text to the output, converting every call
// of the call table that stands outside string literals and comments.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "driver/failure.h"
#include "driver/output.h"
#include "rewrite/rewriters.h"

namespace q5 {

// What the pass did with one call it found.
struct CallRecord {
  std::size_t begin = 0;      // the call's name in the input
  std::size_t end = 0;        // just past the input it consumed
  std::size_t out_begin = 0;  // its text in the output
  std::size_t out_end = 0;
  int row = -1;               // in the call table
  bool left_as_is = false;    // a definition head, or a call in pair form already
  std::vector<ArgRole> roles;
  std::vector<std::size_t> origins;  // each argument's start; the last is the list's ")"
};

struct ScanOptions {
  // Leave calls already in pair form as they stand (see CallPlan).
  bool keep_converted = false;
  // False when the caller knows the text holds no NUL byte.
  bool may_hold_nul = true;
  // A large text may be scanned by a second thread while this one writes
  // (not with `calls`).
  bool concurrent = false;
  // When set, every call found is recorded here, in input order.
  std::vector<CallRecord>* calls = nullptr;
  // When set, the two-thread pass hands it text already written out, a
  // stretch at a time and from either thread, so that a mapped input can
  // give the memory back (reading it again must still work); the second
  // thread's log may then hold as much more.
  void (*release)(std::string_view written) = nullptr;
};

// Converts the whole of `text`. Searches stop at a NUL byte as they would in
// a C string; copies run to the end of `text`, NULs included.
MaybeFailure scan_source(std::string_view text, Output& out, const ScanOptions& options);
inline MaybeFailure scan_source(std::string_view text, Output& out) {
  return scan_source(text, out, ScanOptions{});
}

// Texts from this size on are worth a second thread.
inline constexpr std::size_t kConcurrentFrom = std::size_t{1} << 20;

// How the text is shared between two threads: the second starts converting
// at `cut`, as if the text began there, while the first converts from the
// start; once the first reaches a position the second took (within
// `meet_within` bytes of the cut), it takes the second's result from there.
// The second hands its result over in parts of about `log_part` bytes, at
// most `log_parts` of them waiting, plus one for every `log_part` bytes of
// text released; it notes every `progress_every` bytes of text without
// calls, which the first also writes out as it goes. Text is released in
// steps of `release_every` bytes.
// Tests make them small.
struct TwoThreadSizes {
  std::size_t cut = 0;  // 0: the first line start from two fifths in
  std::size_t meet_within = std::size_t{64} << 10;
  std::size_t log_part = std::size_t{64} << 10;
  std::size_t log_parts = 224;
  std::size_t progress_every = std::size_t{1} << 20;
  std::size_t release_every = std::size_t{2} << 20;
};

// As scan_source with a second thread, whatever the text's size: the same
// output and the same failure.
MaybeFailure scan_source_concurrently(std::string_view text, Output& out, const ScanOptions& options,
                                      TwoThreadSizes sizes = {});

}  // namespace q5
