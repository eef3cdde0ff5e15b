// Review diagnostics for one converted text: every place where the text
// rules may have guessed wrong, and every token a converted call lost.
// Pure functions over byte buffers: the input, the calls the conversion
// recorded (ScanOptions::calls) and the whole converted output.
#pragma once

#include <string_view>
#include <vector>

#include "base/failure.h"
#include "diagnose/rules.h"
#include "engine/reader/lexer.h"
#include "engine/text/scanner.h"

namespace q5 {

// After a conversion that succeeded: the diagnostics, ordered by offset,
// at most one per spot. `converted` is the whole output, so that each
// call's out_begin/out_end index into it.
std::vector<Diagnostic> diagnose_conversion(std::string_view text,
                                            const std::vector<CallRecord>& calls,
                                            std::string_view converted);

// The tokens of the call's input (comments and line splices aside) that
// its converted text lacks, in input order. The converted text may only
// add the pair macros' names, parentheses, commas, the "(char *)" cast and
// the "S" of Q5TagGetS.
std::vector<Token> lost_tokens(std::string_view text, const CallRecord& call,
                               std::string_view converted);

// A conversion failure as a diagnostic (its message's first line).
Diagnostic failure_diagnostic(const Failure& failure);

}  // namespace q5
