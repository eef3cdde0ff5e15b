#include <algorithm>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// A list that reaches a ";", the end of the macro definition it stands in,
// or a character literal that does not end on its line, before its ")".
void check(std::string_view text, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  const TokenCall& call = *plan.call;
  if (call.shape != CallShape::Open) return;
  const char at = call.stopped < text.size() ? text[call.stopped] : '\0';
  out.push_back(
      finding(Rule::UnterminatedList, call.name,
              std::string("its argument list ") +
                  (at == ';'    ? "reaches a ';' before its ')'"
                   : at == '\'' ? "holds a character literal that does not end on its line"
                   : at == ')' || at == ']' || at == '}'
                       ? std::string("has brackets that do not pair up (at '") + at + "')"
                       : "runs past the end of the macro definition it stands in")));
}

}  // namespace

extern const RuleInfo kRuleUnterminatedList = {
    Rule::UnterminatedList,
    "q5-unterminated-list",
    Severity::Warning,
    "The call's argument list does not end where a compiler would end it.",
    "No ')' closes the list before a ';', the end of the macro definition it stands in, or the end "
    "of the file, so the call is left as it stands.",
    check,
    "XtVaSetValues(w, XmNwidth, 10;\n",
    "Check the call's parentheses."};

}  // namespace q5
