#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleCharLiteralSplit = {
    Rule::CharLiteralSplit,
    "q5-char-literal-split",
    Severity::Warning,
    "A character literal holding a comma, parenthesis or double quote was split.",
    "Found with --unsafe-fixes only. The text rules do not know character literals: a comma, "
    "parenthesis or double quote between single quotes splits the argument, opens a string or "
    "changes the nesting.",
    nullptr,
    "Q5SetAttrs(obj, Q5A_Separator, ',', Q5TAG_END);\n",
    "Convert this call by hand."};

}  // namespace q5
