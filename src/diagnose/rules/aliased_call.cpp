#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// A call named by a macro that stands for a table call's name is converted
// like the call itself, unless the macro does not always name that call,
// or the conversion would have to rename it (Q5TagGet becomes Q5TagGetS,
// and only the macro's definition can say so).
void check(std::string_view, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  const CallAlias* alias = plan.call->alias;
  if (alias == nullptr) return;
  const std::string named = "'" + alias->name + "' (defined at " + alias->where + ")";
  if (plan.call->alias_elsewhere) {
    out.push_back(finding(Rule::AliasedCall, plan.call->name,
                          "macro " + named + " names " + alias->target +
                              " in another source file only: whether this file sees it "
                              "depends on what the file includes"));
    return;
  }
  if (!alias->sure) {
    out.push_back(finding(Rule::AliasedCall, plan.call->name,
                          "macro " + named + " names " + alias->target +
                              " in one definition but not in all of them: which call this is "
                              "depends on the definition in effect"));
    return;
  }
  if (plan.style.family == Family::TagGet && !alias->renamed && !plan.in_pair_form)
    out.push_back(finding(Rule::AliasedCall, plan.call->name,
                          "macro " + named + " names " + alias->target +
                              ", whose pair form is called Q5TagGetS: rename it in the macro's "
                              "definition"));
}

}  // namespace

extern const RuleInfo kRuleAliasedCall = {
    Rule::AliasedCall,
    "q5-aliased-call",
    Severity::Warning,
    "A call is named by a macro that does not always name that call, or that the conversion would "
    "have to rename.",
    "A macro that stands for a call's name (#define SET XtVaSetValues) makes SET(...) that call, "
    "and it is converted as such. The call is left as it stands when the macro is defined only "
    "in other source files (.c files), which this file need not see; when its definitions "
    "differ (one names the call and another does not, or they name different calls), since the "
    "pairing would then hold for one definition only; or when the macro names Q5TagGet, whose "
    "pair form has a name of its own that the call's text cannot give.",
    check,
    "#define GET Q5TagGet\nGET(tags, Q5A_Width, &width, Q5TAG_END);\n",
    "Rename the call in the macro's definition (#define GET Q5TagGetS) and convert the call by "
    "hand, give the macro one definition, or define it in a header."};

}  // namespace q5
