#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleDeclaration = {
    Rule::Declaration,
    "q5-declaration",
    Severity::Warning,
    "A declaration was rewritten like a call.",
    "Found with --unsafe-fixes only. The argument list reads as parameters ('...', or a type "
    "followed by a name), so this is probably a prototype or a macro definition, which the text "
    "rules should have left alone.",
    nullptr,
    "int Q5SetAttrs(void *obj, ...);\n",
    "Restore it by hand."};

}  // namespace q5
