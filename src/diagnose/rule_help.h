// What --list-rules and --explain print: the texts each rule's file holds.
#pragma once

#include <string>

#include "diagnose/rules.h"

namespace q5 {

// One line a rule: its name, its default severity and its short
// description, in the table's order.
std::string list_rules_text();

// The rule's name and severity, its short description, what a finding
// means, an example and how to fix it, wrapped for a terminal.
std::string explain_rule_text(const RuleInfo& rule);

}  // namespace q5
