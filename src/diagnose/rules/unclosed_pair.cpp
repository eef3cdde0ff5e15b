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
    "The last pair is left unclosed, or closed only by the call's own ')'.",
    "The list has an odd number of tag and value arguments and no terminator after the "
    "last tag, so its pair macro takes the call's closing parenthesis. Add the missing "
    "value or fix the pairing by hand.",
    check};

}  // namespace q5
