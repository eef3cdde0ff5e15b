#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleMissedCall = {
    Rule::MissedCall,
    "q5-missed-call",
    Severity::Warning,
    "A call that stands in code was not converted.",
    "Found with --unsafe-fixes only. A compiler sees this call, but the text rules took it for "
    "text in a string literal or comment (for example after a '//' or a '\"' character literal "
    "earlier on the line), or found it inside another call's arguments; or a macro makes the "
    "call (#define SET XtVaSetValues, or one that expands to nothing before its '('), or the "
    "call's name stands alone in parentheses ((XtVaSetValues)(w, ...)), which the text rules do "
    "not read and the default conversion does.",
    nullptr,
    "puts(\"//\"); Q5SetAttrs(obj, Q5A_Width, 10, Q5TAG_END);\n",
    "Convert it by hand, or (a call a macro makes, a name in parentheses) run without "
    "--unsafe-fixes."};

}  // namespace q5
