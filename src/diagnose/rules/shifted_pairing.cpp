#include <algorithm>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"

namespace q5 {

namespace {

// Signs that tags and values do not alternate as the list says: an empty
// argument, a value named like a tag, a tag that is a literal or a call of
// a macro whose definition was not seen.
void check(std::string_view text, const PlannedCall& plan, std::vector<Diagnostic>& out) {
  if (!plainly_planned(plan)) return;
  const auto& args = plan.call->args;
  const std::string noun(plan.style.noun);
  for (std::size_t i = 0; i < args.size(); ++i) {
    Tokens tokens = args[i].tokens;
    std::string message;
    if (tokens.empty()) {
      message = "argument " + std::to_string(i + 1) + " is empty";
    } else if (plan.roles[i] == TokenRole::Value && reads_like_tag(text, tokens) &&
               !is_terminator(plan.style, text, tokens)) {
      message = "value " + arg_shown(text, plan, i) + " of " + noun + " " +
                tag_of_value(text, plan, i) + " reads like a " + noun +
                " name: the pairing is probably shifted";
    } else if (plan.roles[i] == TokenRole::Tag && plan.shapes[i].macro.empty() &&
               is_call_form(text, *plan.call, tokens)) {
      message =
          noun + " " + arg_shown(text, plan, i) +
          " is a macro call whose definition was not seen: if it expands to other than one "
          "argument the pairing after it is shifted (give the directory of its header with -I)";
    } else if (plan.roles[i] == TokenRole::Tag && is_literal(text, tokens) &&
               !(plan.style.family == Family::Xt && tokens[0].kind == TokenKind::String)) {
      // The Xt calls take resource names as strings ("enableBtn1Transfer").
      message = noun + " " + arg_shown(text, plan, i) +
                " is a literal, not a name: the pairing is probably shifted";
    } else {
      continue;
    }
    out.push_back(finding(Rule::ShiftedPairing, arg_spot(plan, i), std::move(message)));
    return;
  }
}

}  // namespace

extern const RuleInfo kRuleShiftedPairing = {
    Rule::ShiftedPairing,
    "q5-shifted-pairing",
    Severity::Warning,
    "The pairing of tags and values is probably shifted.",
    "A value reads like a tag or resource name, or a tag is a literal or a macro call (which "
    "may expand to two arguments). Either way the arguments after it are probably paired "
    "wrongly. Check the pairs of this call.",
    check};

}  // namespace q5
