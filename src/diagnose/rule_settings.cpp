#include "diagnose/rule_settings.h"

#include <algorithm>

namespace q5 {

RuleSettings default_rule_settings() {
  RuleSettings settings;
  for (const RuleInfo& info : rule_table())
    settings.rules[static_cast<std::size_t>(info.rule)] = {true, info.severity};
  return settings;
}

std::vector<Rule> rules_named(std::string_view word) {
  std::vector<Rule> found;
  if (word.empty()) return found;
  for (const RuleInfo& info : rule_table())
    if (info.id.starts_with(word)) found.push_back(info.rule);
  return found;
}

bool parse_severity_setting(std::string_view word, RuleSetting& setting) {
  static constexpr std::pair<std::string_view, Severity> kWords[] = {
      {"error", Severity::Error}, {"warning", Severity::Warning}, {"note", Severity::Note}};
  if (word == "off") {
    setting.on = false;
    return true;
  }
  for (auto [name, severity] : kWords)
    if (name == word) {
      setting = {true, severity};
      return true;
    }
  return false;
}

void settle_diagnostics(std::vector<Diagnostic>& diagnostics, const RuleSettings& settings) {
  auto setting = [&](Rule rule) -> const RuleSetting& {
    return settings.rules[static_cast<std::size_t>(rule)];
  };
  std::erase_if(diagnostics, [&](Diagnostic& d) {
    std::vector<Rule> on;
    if (setting(d.rule).on) on.push_back(d.rule);
    for (Rule rule : d.merged)
      if (setting(rule).on) on.push_back(rule);
    if (on.empty()) return true;
    d.rule = on.front();
    d.merged.assign(on.begin() + 1, on.end());
    d.severity = setting(d.rule).severity;
    for (Rule rule : d.merged) d.severity = std::max(d.severity, setting(rule).severity);
    return false;
  });
}

}  // namespace q5
