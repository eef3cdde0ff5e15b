// The proof's reading of the compiler's output: each pair's halves must be
// one argument each (not empty, brackets balanced, no comma outside
// them), and the tokens with every marker and inserted cast taken out must
// be the original's tokens, one for one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "verify/preprocessed.h"
#include "verify/proof_text.h"

namespace q5 {

struct CallCheck {
  bool failed = false;
  std::string reason;  // why, when failed
  bool name_seen = false;
  bool cast_seen = false;
  std::size_t pairs_seen = 0;  // distinct pairs met
};

// The lines (of the file) a call spans, to blame a difference on it.
struct CallLines {
  std::uint32_t first = 0, last = 0;
};

// Checks the proof's output `proof` against the original's `original`;
// `calls` is indexed by call, `kept` says which calls were converted in
// the proof. A difference no call's markers explain is put on the calls
// on its line, or the last call met before it, or else every kept call.
void check_proof(const std::vector<OutputToken>& proof, const std::vector<OutputToken>& original,
                 const ProofText& text, std::string_view prefix,
                 const std::vector<CallLines>& lines, const std::vector<bool>& kept,
                 std::vector<CallCheck>& calls);

// The spellings of tokens [from, to) with one blank between, cut short.
std::string shown_tokens(const std::vector<OutputToken>& tokens, std::size_t from, std::size_t to);

}  // namespace q5
