// One file's conversion in memory, as the tree interface needs it: the new
// text and what was done to get it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "engine/text/scanner.h"
#include "tree/diff.h"

namespace q5 {

struct Conversion {
  std::string text;               // the converted text (what was written before a failure)
  std::vector<CallRecord> calls;  // every call found, in input order
  MaybeFailure failure;
};

// Converts `text` leaving calls already in pair form as they stand.
Conversion convert_text(std::string_view text);

// The replaced spans whose text changed.
std::vector<ReplacedSpan> replacements_of(const Conversion& conversion);

// Where each call that came out different from how it went in starts (its
// name), in order.
std::vector<std::size_t> changed_calls(std::string_view before, const Conversion& conversion);

}  // namespace q5
