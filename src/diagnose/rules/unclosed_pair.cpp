#include <algorithm>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// The list ends after a tag, without its value.
void check(std::string_view text, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  if (!plainly_planned(plan) || plan.roles.empty() || plan.roles.back() != TokenRole::Tag) return;
  const std::size_t last = plan.roles.size() - 1;
  out.push_back(
      finding(Rule::UnclosedPair, arg_spot(plan, last),
              std::string(plan.style.noun) + " " + arg_shown(text, plan, last) + " has no value"));
}

}  // namespace

extern const RuleInfo kRuleUnclosedPair = {
    Rule::UnclosedPair,
    "q5-unclosed-pair",
    Severity::Warning,
    "The list ends after a tag or resource, without its value.",
    "The list has an odd number of tag and value arguments and no terminator after the last tag. "
    "By default the call is left as it stands. With --unsafe-fixes the text rules leave the last "
    "pair macro unclosed, or closed only by the call's own ')'.",
    check,
    "XtVaSetValues(w, XmNwidth, 10, XmNheight);\n",
    "Add the missing value (and the terminator), or fix the pairing by hand."};

}  // namespace q5
