#include "diagnose/rule_help.h"

#include <algorithm>
#include <string_view>

namespace q5 {

namespace {

constexpr std::size_t kWidth = 78;

// `text` broken at blanks into lines of at most kWidth bytes (a longer
// word stands alone), each after `indent`.
std::string wrapped(std::string_view text, std::string_view indent) {
  std::string out, line;
  auto flush = [&] {
    if (line.empty()) return;
    out += std::string(indent) + line + "\n";
    line.clear();
  };
  while (!text.empty()) {
    std::size_t blank = text.find(' ');
    std::string_view word = text.substr(0, blank);
    text = blank == std::string_view::npos ? std::string_view{} : text.substr(blank + 1);
    if (word.empty()) continue;
    if (!line.empty() && indent.size() + line.size() + 1 + word.size() > kWidth) flush();
    if (!line.empty()) line += ' ';
    line += word;
  }
  flush();
  return out;
}

}  // namespace

std::string list_rules_text() {
  std::size_t width = 0;
  for (const RuleInfo& rule : rule_table()) width = std::max(width, rule.id.size());
  std::string out;
  for (const RuleInfo& rule : rule_table()) {
    std::string severity(severity_name(rule.severity));
    out += std::string(rule.id) + std::string(width - rule.id.size() + 2, ' ') + severity +
           std::string(9 - severity.size(), ' ') + std::string(rule.short_description) + "\n";
  }
  return out;
}

std::string explain_rule_text(const RuleInfo& rule) {
  std::string out =
      std::string(rule.id) + " (" + std::string(severity_name(rule.severity)) + " by default)\n\n";
  out += wrapped(rule.short_description, "");
  out += "\n" + wrapped(rule.help, "");
  if (!rule.example.empty()) {
    out += "\nExample:\n";
    for (std::string_view rest = rule.example; !rest.empty();) {
      std::size_t end = rest.find('\n');
      out += "    " + std::string(rest.substr(0, end)) + "\n";
      rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
  }
  if (!rule.fix.empty()) out += "\nHow to fix it:\n" + wrapped(rule.fix, "");
  return out;
}

}  // namespace q5
