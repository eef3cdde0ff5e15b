#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleLostTokens = {
    Rule::LostTokens, "q5-lost-tokens", Severity::Warning,
    "The converted call lacks code that was in the original.",
    "Some tokens of the original call (comments and line continuations aside) are missing "
    "from its converted text. The message shows them; put them back by hand."};

}  // namespace q5
