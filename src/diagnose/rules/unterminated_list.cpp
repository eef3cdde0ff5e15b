#include <algorithm>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// A list that reaches a ";", or the end of the macro definition it stands
// in, before its ")".
void check(std::string_view text, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  const TokenCall& call = *plan.call;
  if (call.shape != CallShape::Open) return;
  bool semicolon = call.stopped < text.size() && text[call.stopped] == ';';
  out.push_back(finding(Rule::UnterminatedList, call.name,
                        std::string("its argument list ") +
                            (semicolon ? "reaches a ';' before its ')'"
                                       : "runs past the end of the macro definition it stands in")));
}

}  // namespace

extern const RuleInfo kRuleUnterminatedList = {
    Rule::UnterminatedList, "q5-unterminated-list", Severity::Warning,
     "The call's argument list does not end where a compiler would end it.",
     "No ')' closes the list before a ';', the end of the macro definition it stands in, or "
     "the end of the file, so the call is left as it stands. Check the call's parentheses.",
    check};

}  // namespace q5
