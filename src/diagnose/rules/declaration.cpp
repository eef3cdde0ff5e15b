#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleDeclaration = {
    Rule::Declaration, "q5-declaration", Severity::Warning,
    "A declaration was rewritten like a call.",
    "The argument list reads as parameters ('...', or a type followed by a name), so this is "
    "probably a prototype or a macro definition, which should have been left alone. Restore "
    "it by hand."};

}  // namespace q5
