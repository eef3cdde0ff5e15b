#include <algorithm>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// What is plainly wrong with one pair macro's use, or nothing.
std::string pair_problem(std::string_view text, const PlannedCall& plan, Tokens pair) {
  std::vector<Tokens> parts;
  std::size_t depth = 0, from = 0;
  Tokens inner = pair.subspan(2, pair.size() - 3);
  // Split as the preprocessor splits a macro's arguments: only
  // parentheses keep a comma ("Q5T(a, (int[]){1, 2})" holds three).
  for (std::size_t k = 0; k < inner.size(); ++k) {
    if (is_punct(text, inner[k], "(")) ++depth;
    if (is_punct(text, inner[k], ")") && depth > 0) --depth;
    if (depth == 0 && is_punct(text, inner[k], ",")) {
      parts.push_back(inner.subspan(from, k - from));
      from = k + 1;
    }
  }
  parts.push_back(inner.subspan(from));
  int held = 0;
  for (Tokens part : parts) {
    const ArgShape shape = shape_of_run(text, *plan.call, part, *plan.macros, *plan.budget);
    held += shape.status == ShapeStatus::Known ? shape.pieces : 1;
  }
  const std::string noun(plan.style.noun);
  if (held != 2)
    return "holds " + std::to_string(held) + " arguments, not a " + noun + " and its value";
  if (plan.style.family == Family::Xt &&
      (is_name(text, parts[0], "XtVaTypedArg") || is_name(text, parts[0], "XtVaNestedList")))
    return "holds " + quoted(text, parts[0]) + " as its " + noun +
           ": that group's arguments were paired as if they were resources and values";
  // The Xt calls take resource names as strings too.
  if (is_literal(text, parts[0]) &&
      !(plan.style.family == Family::Xt && parts[0][0].kind == TokenKind::String))
    return "has the literal " + quoted(text, parts[0]) + " as its " + noun +
           ": the pairing was shifted";
  // A value may start with a "(char *)" cast: only a cast terminator ends it.
  bool ends_in_pair = parts.size() == 2 && (plan.style.family == Family::Xt
                                                ? starts_with_cast(text, parts[1]) &&
                                                      is_plain_null(text, parts[1].subspan(4))
                                                : is_tag_end(text, parts[1]));
  if (is_terminator(plan.style, text, parts[0]) || ends_in_pair)
    return "holds the list's terminator";
  return {};
}

// The plainly wrong spots of a call in pair form: a pair holding other
// than a tag and its value, a group or a literal where its tag belongs, a
// terminator inside a pair, arguments after the terminator.
void check(std::string_view text, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  if (!plan.in_pair_form || plan.call->shape != CallShape::Call) return;
  const auto& args = plan.call->args;
  std::size_t terminator = npos;
  for (std::size_t i = plan.first; i < args.size(); ++i) {
    Tokens tokens = args[i].tokens;
    if (tokens.empty()) continue;
    const bool cast = plan.style.family == Family::Xt && starts_with_cast(text, tokens);
    if (terminator != npos) {
      if (is_terminator(plan.style, text, tokens) ||
          (cast && is_plain_null(text, tokens.subspan(4))))
        continue;
      out.push_back(finding(Rule::MalformedPair, tokens.front().offset,
                            "argument " + quoted(text, tokens) + " after the terminator " +
                                arg_shown(text, plan, terminator)));
      return;
    }
    if (is_terminator(plan.style, text, tokens) || cast) {
      terminator = i;
      continue;
    }
    if (!is_pair_macro_use(text, tokens) || !is_call_form(text, *plan.call, tokens)) continue;
    if (std::string problem = pair_problem(text, plan, tokens); !problem.empty())
      out.push_back(finding(Rule::MalformedPair, tokens.front().offset,
                            "pair " + quoted(text, tokens) + " " + problem));
  }
}

}  // namespace

extern const RuleInfo kRuleMalformedPair = {
    Rule::MalformedPair,
    "q5-malformed-pair",
    Severity::Warning,
    "A call already in pair form holds a pair that cannot be right.",
    "A pair macro whose resource is XtVaTypedArg, XtVaNestedList, a number or a string literal, "
    "one that holds other than two arguments (known macros expanded), a terminator inside a pair, "
    "or arguments after the terminator: an earlier conversion (by hand, by an older version or by "
    "the classic forms) shifted the pairing here.",
    check,
    "XtVaSetValues(w, Q5LT(8, \"20c\"), (char *)NULL);\n",
    "Fix the pairs of this call by hand."};

}  // namespace q5
