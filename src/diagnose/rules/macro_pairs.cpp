#include <algorithm>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// A list argument that the preprocessor makes other than one argument, or
// one whose count cannot be known: it cannot be wrapped at the call site.
void check(std::string_view, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  if (!plainly_planned(plan)) return;
  for (std::size_t i = 0; i < plan.shapes.size(); ++i) {
    const ArgShape& shape = plan.shapes[i];
    if (shape.status == ShapeStatus::TooComplex) continue;  // q5-too-complex says so
    if (shape.status == ShapeStatus::Unsure) {
      out.push_back(finding(Rule::MacroPairs, arg_spot(plan, i),
                            "the number of list arguments cannot be known: " + shape.reason));
      return;
    }
    if (shape.pieces == 1 || plan.roles[i] == TokenRole::Group) continue;
    const int n = shape.pieces;
    const std::string noun(plan.style.noun);
    const std::string pair = std::string(plan.style.prefix) + noun + ", value)";
    std::string message = "macro '" + shape.macro + "' (defined at " + shape.where +
                          ") expands to " + std::to_string(n) + " list arguments";
    if (n == 0)
      message += ": convert this call by hand";
    else if (n == 2)
      message += ", a whole " + noun + " and its value: write its definition as one " + pair;
    else if (n % 2 == 0)
      message += ", " + std::to_string(n / 2) +
                 " whole pairs: wrap each pair in its definition as " + pair;
    else
      message += ", which splits a pair: change it to expand to whole pairs, each as " + pair;
    out.push_back(finding(Rule::MacroPairs, arg_spot(plan, i), std::move(message)));
    return;
  }
}

}  // namespace

extern const RuleInfo kRuleMacroPairs = {
    Rule::MacroPairs,
    "q5-macro-pairs",
    Severity::Warning,
    "A macro in the list expands to other than one argument, or to a count that cannot be known.",
    "The macro's definition (named in the message) expands to several list arguments, such as "
    "a whole resource and its value, or to none; or the count depends on what each use of a "
    "macro passes (a call in a macro's body that pairs the macro's parameters or __VA_ARGS__), "
    "on which of a macro's differing definitions applies, or on a macro that refers to itself. "
    "A pair macro cannot be put around part of a macro's expansion at the call site, so the "
    "call is left as it stands. Change the definition to expand to whole pairs, each wrapped in "
    "the pair macro, or convert the call by hand.",
    check};

}  // namespace q5
