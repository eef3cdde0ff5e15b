// One file's conversion in memory, as the tree interface needs it: the new
// text and what was done to get it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "diagnose/rules.h"
#include "engine/reader/macros.h"
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

// Puts back as it was every call the text rules converted where a compiler
// sees a comment or a literal (a "//" comment that a splice continues).
void keep_calls_outside_code(std::string_view before, Conversion& conversion);

// Adds what the safe conversion finds in `text` to the text rules'
// findings: a call converted by the text rules keeps every warning the safe
// conversion would leave it with.
void add_reader_findings(std::string_view text, const MacroTable& macros,
                         std::vector<Diagnostic>& diagnostics);

// The replaced spans whose text changed.
std::vector<ReplacedSpan> replacements_of(const Conversion& conversion);

// Where each call that came out different from how it went in starts (its
// name), in order.
std::vector<std::size_t> changed_calls(std::string_view before, const Conversion& conversion);

}  // namespace q5
