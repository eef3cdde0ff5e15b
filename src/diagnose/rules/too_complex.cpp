#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// An argument whose macros expand further, or nest deeper, than the reader
// follows: its count is not known, so the call is left.
void check(std::string_view, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  if (!plainly_planned(plan)) return;
  for (std::size_t i = 0; i < plan.shapes.size(); ++i) {
    if (plan.shapes[i].status != ShapeStatus::TooComplex) continue;
    out.push_back(finding(Rule::TooComplex, arg_spot(plan, i),
                          "argument " + std::to_string(i + 1) +
                              " is beyond the reader's bounds: " + plan.shapes[i].reason));
    return;
  }
}

}  // namespace

extern const RuleInfo kRuleTooComplex = {
    Rule::TooComplex,
    "q5-too-complex",
    Severity::Warning,
    "An argument's macros expand further, or nest deeper, than the reader follows.",
    "The reader counts what each argument becomes by expanding its macros as the preprocessor "
    "does, within bounds that keep every file linear in time: macro arguments nested more than "
    "64 deep, or expansions far larger than the file itself, are not followed. The call is "
    "left as it stands; convert it by hand.",
    check};

}  // namespace q5
