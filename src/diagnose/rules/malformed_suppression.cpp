#include <algorithm>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"
#include "diagnose/rules/suppression_rules.h"

namespace q5 {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view word) {
  while (!word.empty() && is_blank(word.front())) word.remove_prefix(1);
  while (!word.empty() && is_blank(word.back())) word.remove_suffix(1);
  return word;
}

// What the comment says from "q5upgrade" on, for the message: up to its
// ']' or the comment's end, at most 60 bytes, on one line.
std::string attempt_shown(std::string_view text, std::size_t at, std::size_t end) {
  std::string_view rest = text.substr(at, end - at);
  const std::size_t close = rest.find(']');
  rest = rest.substr(0, std::min({close == std::string_view::npos ? close : close + 1,
                                  rest.find('\n'), rest.find("*/"), std::size_t{60}}));
  return "'" + std::string(trimmed(rest)) + "'";
}

}  // namespace

bool read_suppression(std::string_view text, std::size_t at, std::size_t end, Suppression& into,
                      std::vector<Diagnostic>& malformed) {
  const std::string shown = attempt_shown(text, at, end);
  if (text.substr(at, kSilenceMark.size()) != kSilenceMark) {
    malformed.push_back(finding(Rule::MalformedSuppression, at,
                                "suppression comment " + shown +
                                    " is not understood: write it as 'q5upgrade: ignore[RULE, "
                                    "...]'"));
    return false;
  }
  const std::size_t open = at + kSilenceMark.size();
  const std::size_t close =
      open > end ? std::string_view::npos : text.substr(open, end - open).find(']');
  if (close == std::string_view::npos) {
    malformed.push_back(finding(Rule::MalformedSuppression, at,
                                "suppression comment " + shown + " has no closing ']'"));
    return false;
  }
  std::size_t from = open;
  const std::size_t stop = open + close;
  for (;;) {
    const std::size_t comma = std::min(text.substr(from, stop - from).find(','), stop - from);
    std::string_view word = text.substr(from, comma);
    const std::size_t offset = from + std::min(word.find_first_not_of(" \t"), word.size());
    word = trimmed(word);
    const RuleInfo* rule = nullptr;
    for (const RuleInfo& info : rule_table())
      if (info.id == word) rule = &info;
    if (word.empty())
      malformed.push_back(finding(Rule::MalformedSuppression, offset,
                                  "suppression comment " + shown +
                                      (close == 0 ? " names no rule" : " has an empty rule name")));
    else if (rule == nullptr)
      malformed.push_back(finding(Rule::MalformedSuppression, offset,
                                  "suppression comment names unknown rule '" + std::string(word) +
                                      "' (see q5upgrade --list-rules)"));
    else
      into.names.push_back({rule->rule, offset});
    if (from + comma >= stop) break;
    from += comma + 1;
  }
  return !into.names.empty();
}

extern const RuleInfo kRuleMalformedSuppression = {
    Rule::MalformedSuppression,
    "q5-malformed-suppression",
    Severity::Warning,
    "A comment meant as a suppression is not one, or names a rule that does not exist.",
    "A suppression is spelled exactly 'q5upgrade: ignore[RULE, ...]' in a comment, with the "
    "rules' names as printed (see --list-rules), separated by commas. A comment that begins "
    "otherwise ('q5upgrade:ignore[', 'q5upgrade: ignore [') or has no closing ']' silences "
    "nothing, and a name that is not a rule's silences nothing either.",
    nullptr,
    "XtVaSetValues(w, FG_ARG(1), NULL); /* q5upgrade:ignore[q5-macro-pairs] */\n",
    "Write it as 'q5upgrade: ignore[RULE, ...]' with the names as printed."};

}  // namespace q5
