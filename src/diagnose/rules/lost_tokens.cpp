#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleLostTokens = {
    Rule::LostTokens,
    "q5-lost-tokens",
    Severity::Warning,
    "The converted call lacks code that was in the original.",
    "Found with --unsafe-fixes only. Some tokens of the original call (comments and line "
    "continuations aside) are missing from its converted text, for a reason no other rule names; "
    "the message shows them.",
    nullptr,
    "",
    "Put the tokens back by hand."};

}  // namespace q5
