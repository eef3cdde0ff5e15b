// Findings a user has seen and accepts: a comment
//   /* q5upgrade: ignore[q5-macro-pairs, q5-shifted-pairing] */
// silences the rules it names for the findings reported on its line and
// for the findings of the call whose name stands on its line. It does not
// make a call convert: a call a rule flags is still left as it stands,
// only not reported. A comment spelled otherwise, or naming a rule that
// does not exist, is a q5-malformed-suppression finding; a name that
// silenced nothing is a q5-unused-suppression finding.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "diagnose/rules.h"

namespace q5 {

// A text without this holds no suppression, well spelled or not.
inline constexpr std::string_view kSuppressionWord = "q5upgrade";
// How a suppression begins, exactly.
inline constexpr std::string_view kSilenceMark = "q5upgrade: ignore[";

struct SilencedName {
  Rule rule;
  std::size_t offset;  // of the name in the text
  bool used = false;   // it silenced some finding
};

struct Suppression {
  std::size_t offset;  // of its "q5upgrade"
  std::vector<SilencedName> names;
};

struct Suppressions {
  std::vector<Suppression> comments;  // the well-spelled ones, in offset order
  std::vector<Diagnostic> malformed;  // q5-malformed-suppression findings
};

// Every suppression in the comments of `text` (nothing is looked for
// unless the text holds kSuppressionWord).
Suppressions find_suppressions(std::string_view text);

// Whether a finding of `rule` at `at` (kNoOffset: none), in the call whose
// name is at `call` (kNoOffset: none), is silenced; the name that silences
// it is marked used.
bool silences(Suppressions& suppressions, std::string_view text, Rule rule, std::size_t call,
              std::size_t at);

// After every finding of the file went through silences(): the malformed
// suppressions and the names that silenced nothing, in offset order, less
// those that a suppression on their line silences in turn.
std::vector<Diagnostic> suppression_findings(Suppressions& suppressions, std::string_view text);

}  // namespace q5
