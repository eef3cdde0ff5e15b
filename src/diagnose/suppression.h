// Findings a user has seen and accepts: a comment on a call's first line,
//   /* q5upgrade: ignore[q5-macro-pairs,q5-shifted-pairing] */
// silences those rules at that call. It does not make the call convert: a
// call a rule flags is still left as it stands, only not reported.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "diagnose/rules.h"

namespace q5 {

// A text without this holds no such comment.
inline constexpr std::string_view kSilenceMark = "q5upgrade: ignore[";

// The rules silenced on the line that holds `at`.
std::vector<Rule> silenced_rules(std::string_view text, std::size_t at);

// Drops the diagnostics of `silenced` rules.
void drop_silenced(std::vector<Diagnostic>& diagnostics, const std::vector<Rule>& silenced);

}  // namespace q5
