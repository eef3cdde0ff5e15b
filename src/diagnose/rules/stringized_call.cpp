#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// A call in an argument that a macro turns into a string (#) or pastes
// (##), in its own body or through a macro it passes the argument to: its
// text is what the macro uses, so a conversion would change a string.
void check(std::string_view, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  const std::string& by = plan.call->stringized_by;
  if (by.empty() || plan.in_pair_form) return;
  std::string where;
  if (const std::vector<MacroDefinition>* defs = find_macro(*plan.macros, by); defs != nullptr)
    where = " (defined at " + defs->front().where + ")";
  out.push_back(finding(Rule::StringizedCall, plan.call->name,
                        "it stands in an argument of macro '" + by + "'" + where +
                            ", which may turn that argument into a string or paste it: a "
                            "conversion would change that text"));
}

}  // namespace

extern const RuleInfo kRuleStringizedCall = {
    Rule::StringizedCall,
    "q5-stringized-call",
    Severity::Warning,
    "A call stands in a macro argument that the macro may turn into a string or paste.",
    "A macro's # makes a string of its argument's text, and ## pastes it to a neighbour. A call "
    "in such an argument, directly or through a macro the argument is passed on to, is text "
    "that the macro uses: converting it would change the string (SHOW(call) printing its call) "
    "or what is pasted, so the call is left as it stands.",
    check,
    "#define SHOW(call) (puts(#call), call)\nSHOW(XtVaSetValues(w, XmNwidth, 10, NULL));\n",
    "Convert the call by hand where the changed text is wanted, or move it out of the macro's "
    "argument."};

}  // namespace q5
