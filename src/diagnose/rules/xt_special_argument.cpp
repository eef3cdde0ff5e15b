#include <algorithm>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// XtVaTypedArg takes four arguments after it, XtVaNestedList one.
void check(std::string_view text, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  if (!plainly_planned(plan)) return;
  auto short_group = std::find(plan.roles.begin(), plan.roles.end(), TokenRole::ShortGroup);
  if (short_group == plan.roles.end()) return;
  const std::size_t i = static_cast<std::size_t>(short_group - plan.roles.begin());
  const bool typed = is_name(text, plan.call->args[i].tokens, "XtVaTypedArg");
  out.push_back(finding(
      Rule::XtSpecialArgument, arg_spot(plan, i),
      arg_shown(text, plan, i) + " takes " + (typed ? "four arguments" : "one argument") +
          " after it, but the list has " + std::to_string(plan.roles.size() - i - 1) + " more"));
}

}  // namespace

extern const RuleInfo kRuleXtSpecialArgument = {
    Rule::XtSpecialArgument,
    "q5-xt-special-argument",
    Severity::Warning,
    "XtVaTypedArg or XtVaNestedList has other than its arguments after it.",
    "XtVaTypedArg takes the four arguments after it and XtVaNestedList one, not a single value. By "
    "default such a group stays unwrapped between the pairs, and a group with too few arguments "
    "after it leaves the call as it stands. With --unsafe-fixes the text rules pair these "
    "arguments as if they were resources and values, which is wrong.",
    check,
    "XtVaSetValues(w, XtVaTypedArg, XmNbackground, XmRString, \"red\");\n",
    "Give the group all its arguments, or convert these arguments by hand."};

}  // namespace q5
