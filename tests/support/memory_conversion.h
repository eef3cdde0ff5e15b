// Runs the conversion into memory and records its calls, for the tests and
// the corpus measurement of the review diagnostics. The only place outside
// the driver that knows how an Output is made.
#pragma once

#include <string>
#include <vector>

#include "driver/failure.h"
#include "recognise/scanner.h"

namespace q5::testing {

struct Conversion {
  std::string output;
  std::vector<CallRecord> calls;
  MaybeFailure failure;
};

// `text` must be a std::string: the scanner relies on the NUL after it.
Conversion convert_in_memory(const std::string& text);

}  // namespace q5::testing
