// A plain, deliberately slow transcription of the conversion pass: every
// search runs afresh over the NUL-terminated text and the string-literal
// test walks back over the line each time. The fast scanner must give the
// same bytes and the same failure on every input; tests and the fuzzer
// compare the two.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "engine/text/output.h"

namespace q5::literal {

// Faults that can be switched on one at a time, so the tests can show that
// their inputs tell a wrong scanner from a right one. None is the real pass.
enum class Fault {
  None,
  FirstByteExamined,       // the literal walk-back also looks at the text's first byte
  EscapedQuotesCounted,    // quotes after a backslash count in the walk-back
  WalkPastNewline,         // the walk-back does not stop at a newline
  SearchThroughNul,        // searches run on past a NUL to the end of the text
  StepOneOnFailedLookup,   // the search resumes candidate + 1 after a failed lookup
  LineTestFirst,           // the line-comment test comes before the block-comment test
  AnyBlockComment,         // every block comment counts, not just the first
  NoLineCommentTest,       // "//" hides nothing
  TailUpToNul,             // the tail stops at the first NUL after the copy position
};

// The call table walked in order: the first name that starts `text` at
// `candidate` and is followed, after any blanks, by "(" ; or -1.
int lookup_literally(std::string_view text, std::size_t candidate);

// Converts `text` like the core's scan_source. text.data()[text.size()]
// must be a NUL byte (a std::string's data is).
MaybeFailure scan_source(std::string_view text, Output& out, Fault fault = Fault::None);

// What one pass wrote and how it ended.
struct ScanRun {
  std::string bytes;
  MaybeFailure failure;
};

using Scanner = MaybeFailure (*)(std::string_view, Output&);

inline constexpr std::size_t kUnlimited = kNoWriteLimit;

// Runs `scan` over `text` into memory; write failures name `path`. With a
// write limit, the first write that would take the output past that many
// bytes fails, and so does every later one.
ScanRun run_in_memory(Scanner scan, const std::string& text, const std::string& path,
                      std::size_t write_limit = kUnlimited);
ScanRun run_literal_in_memory(const std::string& text, const std::string& path,
                              Fault fault = Fault::None, std::size_t write_limit = kUnlimited);

}  // namespace q5::literal
