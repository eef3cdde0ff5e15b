#include <algorithm>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// After the terminator only repeated terminators may follow.
void check(std::string_view text, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  if (!plainly_planned(plan)) return;
  const auto& roles = plan.roles;
  auto after = std::find(roles.begin(), roles.end(), TokenRole::After);
  if (after == roles.end()) return;
  const std::size_t terminator = static_cast<std::size_t>(
      std::find(roles.begin(), roles.end(), TokenRole::Terminator) - roles.begin());
  std::vector<Token> rest;
  for (std::size_t j = static_cast<std::size_t>(after - roles.begin()); j < roles.size(); ++j)
    rest.insert(rest.end(), plan.call->args[j].tokens.begin(), plan.call->args[j].tokens.end());
  std::size_t spot = rest.empty() ? arg_spot(plan, static_cast<std::size_t>(after - roles.begin()))
                                  : rest.front().offset;
  out.push_back(finding(Rule::DroppedArguments, spot,
                        "arguments after the terminator " + arg_shown(text, plan, terminator) +
                            ": " + quoted(text, rest)));
}

}  // namespace

extern const RuleInfo kRuleDroppedArguments = {
    Rule::DroppedArguments,
    "q5-dropped-arguments",
    Severity::Warning,
    "Arguments after the list's terminator were dropped.",
    "Everything after the argument taken for the terminator is left out of the converted "
    "call. Usually the terminator was found too early (a value that shifted into resource "
    "position, or a name holding a 0); restore the dropped pairs by hand.",
    check};

}  // namespace q5
