// What the user chose to hear about: each rule on at its own severity, on
// at another one, or off (--select/--ignore and a configuration file's
// [rules]). It changes what is reported and how it counts, never what is
// converted: a call a rule flags is left as it stands all the same.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "diagnose/rules.h"

namespace q5 {

struct RuleSetting {
  bool on = true;
  Severity severity = Severity::Warning;
};

struct RuleSettings {
  std::array<RuleSetting, kRuleCount> rules;
};

// Every rule on at its own severity.
RuleSettings default_rule_settings();

// The rules whose names begin with `word` ("q5-macro" gives q5-macro-pairs;
// a whole name gives that rule); empty when none does.
std::vector<Rule> rules_named(std::string_view word);

// Sets `setting` from "error", "warning", "note" or "off"; gives false
// for any other word.
bool parse_severity_setting(std::string_view word, RuleSetting& setting);

// Drops the diagnostics of rules that are off and gives the others the
// severity chosen for them. A diagnostic that merged several rules' findings
// speaks for the first rule still on, at the highest of their severities,
// and is dropped when all of them are off.
void settle_diagnostics(std::vector<Diagnostic>& diagnostics, const RuleSettings& settings);

}  // namespace q5
