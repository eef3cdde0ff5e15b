#include <algorithm>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// A terminator in value position: a value is missing before it. In the Xt
// calls NULL is a fine value, unless it is the last argument.
void check(std::string_view text, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  if (!plainly_planned(plan)) return;
  const auto& args = plan.call->args;
  for (std::size_t i = plan.first; i < args.size(); ++i) {
    if (plan.roles[i] != TokenRole::Value || !is_terminator(plan.style, text, args[i].tokens))
      continue;
    if (plan.style.family == Family::Xt && i + 1 != args.size()) continue;
    out.push_back(finding(Rule::TerminatorAsValue, arg_spot(plan, i),
                          "terminator " + arg_shown(text, plan, i) +
                              " stands in value position, after " + std::string(plan.style.noun) +
                              " " + tag_of_value(text, plan, i) +
                              ": a value is missing or a macro hides two arguments"));
    return;
  }
}

}  // namespace

extern const RuleInfo kRuleTerminatorAsValue = {
    Rule::TerminatorAsValue,
    "q5-terminator-as-value",
    Severity::Warning,
    "The terminator stands in value position.",
    "An odd number of arguments before the terminator puts it in value position: a value is "
    "missing, or a macro hides two arguments. By default the call is left as it stands. With "
    "--unsafe-fixes the text rules write the terminator inside the last pair, and the converted "
    "call ends without one.",
    check,
    "Q5SetAttrs(obj, Q5A_Width, Q5TAG_END);\n",
    "Add the missing value, or make the macro expand to whole pairs, and run again."};

}  // namespace q5
