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
    "Arguments other than a repeated terminator follow the list's terminator.",
    "A pair macro cannot be put around what follows the terminator, so by default the call is left "
    "as it stands. With --unsafe-fixes the text rules leave everything after the argument they "
    "took for the terminator out of the converted call. Usually the terminator was found too "
    "early: a value shifted into resource position, or, for the text rules, a resource name holds "
    "a 0.",
    check,
    "XtVaSetValues(w, XmNwidth, 10, NULL, XmNheight, 20);\n",
    "Move the pairs before the terminator or remove what follows it, and run again; after "
    "--unsafe-fixes, restore the dropped pairs by hand."};

}  // namespace q5
