#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleTerminatorGuess = {
    Rule::TerminatorGuess,
    "q5-terminator-guess",
    Severity::Warning,
    "An argument was taken for the list's terminator only because it contains 0, NULL or "
    "Q5TAG_END.",
    "Found with --unsafe-fixes only. In the Xt calls the text rules end the list at any resource "
    "argument holding a digit 0 or NULL, so a resource such as RES0, a number such as 100 or a "
    "line such as '#if 0' in resource position cuts the list short.",
    nullptr,
    "XtVaSetValues(w, RES0, 1, XmNwidth, 10, NULL);\n",
    "Check that this argument really is the terminator; if it is not, convert the call by hand."};

}  // namespace q5
