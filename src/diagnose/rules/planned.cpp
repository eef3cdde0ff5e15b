#include "diagnose/rules/planned.h"

#include <algorithm>

namespace q5 {

std::vector<Diagnostic> check_planned_call(std::string_view text, const PlannedCall& plan) {
  std::vector<Diagnostic> found;
  for (const RuleInfo& rule : rule_table())
    if (rule.check_planned != nullptr) rule.check_planned(text, plan, found);
  std::stable_sort(found.begin(), found.end(),
                   [](const Diagnostic& a, const Diagnostic& b) { return a.offset < b.offset; });
  return found;
}

bool plainly_planned(const PlannedCall& plan) {
  return !plan.in_pair_form && plan.call->shape == CallShape::Call;
}

Diagnostic finding(Rule rule, std::size_t offset, std::string message) {
  return {rule, rule_info(rule).severity, offset, std::move(message), {}};
}

std::string arg_shown(std::string_view text, const PlannedCall& plan, std::size_t i) {
  return quoted(text, plan.call->args[i].tokens);
}

std::size_t arg_spot(const PlannedCall& plan, std::size_t i) {
  const TokenArg& a = plan.call->args[i];
  if (!a.tokens.empty()) return a.tokens.front().offset;
  return a.directive_before != npos ? a.directive_before : plan.call->name;
}

std::string tag_of_value(std::string_view text, const PlannedCall& plan, std::size_t i) {
  for (std::size_t k = i; k-- > 0;)
    if (plan.roles[k] == TokenRole::Tag) return arg_shown(text, plan, k);
  return "'?'";
}

std::string directive_shown(std::string_view text, std::size_t at) {
  std::vector<Token> tokens = lex(text, at, directive_end(text, at, text.size()), false);
  return quoted(text, tokens);
}

}  // namespace q5
