#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleMissedCall = {
    Rule::MissedCall, "q5-missed-call", Severity::Warning,
    "A call that stands in code was not converted.",
    "A compiler sees this call, but the conversion took it for text in a string literal or "
    "comment (for example after a '//' or a '\"' character literal earlier on the line), or "
    "found it inside another call's arguments. Convert it by hand."};

}  // namespace q5
