#include "diagnose/suppression.h"

#include <algorithm>

namespace q5 {

std::vector<Rule> silenced_rules(std::string_view text, std::size_t at) {
  std::size_t start = text.rfind('\n', at == 0 ? 0 : at - 1);
  start = start == std::string_view::npos || at == 0 ? 0 : start + 1;
  std::size_t end = text.find('\n', at);
  std::string_view line =
      text.substr(start, end == std::string_view::npos ? text.npos : end - start);
  std::vector<Rule> silenced;
  for (std::size_t mark = line.find(kSilenceMark); mark != std::string_view::npos;
       mark = line.find(kSilenceMark, mark + 1)) {
    std::string_view list = line.substr(mark + kSilenceMark.size());
    list = list.substr(0, list.find(']'));
    while (!list.empty()) {
      std::size_t comma = list.find(',');
      std::string_view name = list.substr(0, comma);
      while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
      while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
      for (const RuleInfo& rule : rule_table())
        if (rule.id == name) silenced.push_back(rule.rule);
      if (comma == std::string_view::npos) break;
      list.remove_prefix(comma + 1);
    }
  }
  return silenced;
}

void drop_silenced(std::vector<Diagnostic>& diagnostics, const std::vector<Rule>& silenced) {
  if (silenced.empty()) return;
  std::erase_if(diagnostics, [&](const Diagnostic& d) {
    return std::find(silenced.begin(), silenced.end(), d.rule) != silenced.end();
  });
}

}  // namespace q5
