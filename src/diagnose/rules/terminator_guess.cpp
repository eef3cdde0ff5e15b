#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleTerminatorGuess = {
    Rule::TerminatorGuess, "q5-terminator-guess", Severity::Warning,
    "An argument was taken for the list's terminator only because it contains 0, NULL or "
    "Q5TAG_END.",
    "In the Xt calls any resource argument holding a digit 0 or NULL ends the list, so a "
    "resource such as RES0, a number such as 100 or a line such as '#if 0' in resource "
    "position cuts the list short. Check that this argument really is the terminator."};

}  // namespace q5
