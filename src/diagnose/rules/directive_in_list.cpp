#include <algorithm>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// A preprocessor line may stand only between pairs: elsewhere each branch
// pairs the list differently.
void check(std::string_view text, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  if (!plainly_planned(plan)) return;
  if (plan.branch_trouble != BranchTrouble::None) {
    const std::size_t at = plan.branch_line;
    const char* why = plan.branch_trouble == BranchTrouble::Leading
                          ? " starts branches that hold different numbers of leading arguments"
                      : plan.branch_trouble == BranchTrouble::OpenedBefore
                          ? " belongs to a conditional opened before the list"
                          : " opens a conditional that the list does not close";
    out.push_back(
        finding(Rule::DirectiveInList, at, "preprocessor line " + directive_shown(text, at) + why));
    return;
  }
  const auto& args = plan.call->args;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const TokenArg& a = args[i];
    std::string where;
    std::size_t at = a.directive_before;
    if (a.directive_inside != npos) {
      at = a.directive_inside;
      where = "inside argument " + arg_shown(text, plan, i);
    } else if (at == npos) {
      continue;
    } else if (plan.roles[i] == TokenRole::Value) {
      where = "between " + std::string(plan.style.noun) + " " + tag_of_value(text, plan, i) +
              " and its value";
    } else if (plan.roles[i] == TokenRole::GroupMember) {
      std::size_t head = i;
      while (head > 0 && plan.roles[head] != TokenRole::Group) --head;
      where = "inside the " + arg_shown(text, plan, head) + " group";
    } else {
      continue;
    }
    out.push_back(finding(Rule::DirectiveInList, at,
                          "preprocessor line " + directive_shown(text, at) + " stands " + where));
    return;
  }
}

}  // namespace

extern const RuleInfo kRuleDirectiveInList = {
    Rule::DirectiveInList,
    "q5-directive-in-list",
    Severity::Warning,
    "A preprocessor line inside the list shifted the pairing or was wrapped as a tag.",
    "A preprocessor line between a tag and its value is written as the value and every pair "
    "after it is shifted by one; a line such as '#elif' is wrapped like a tag; a line among "
    "the leading arguments makes the list start one argument early. Convert this list by "
    "hand.",
    check};

}  // namespace q5
