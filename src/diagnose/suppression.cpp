#include "diagnose/suppression.h"

#include <algorithm>

#include "diagnose/rules/suppression_rules.h"
#include "engine/reader/code_scan.h"

namespace q5 {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_word_byte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Whether the "q5upgrade" at text[at] begins something meant as a
// suppression: "q5upgrade", a ':' and "ignore", blanks allowed between.
bool meant_as_suppression(std::string_view text, std::size_t at, std::size_t end) {
  if (at > 0 && is_word_byte(text[at - 1])) return false;
  std::size_t k = at + kSuppressionWord.size();
  while (k < end && is_blank(text[k])) ++k;
  if (k == end || text[k] != ':') return false;
  ++k;
  while (k < end && is_blank(text[k])) ++k;
  return text.substr(k, std::min(end, k + 6) - k) == "ignore";
}

// The line that holds `at`: [begin, end).
std::pair<std::size_t, std::size_t> line_of(std::string_view text, std::size_t at) {
  std::size_t begin = at == 0 ? 0 : text.rfind('\n', at - 1);
  begin = begin == std::string_view::npos || at == 0 ? 0 : begin + 1;
  std::size_t end = text.find('\n', at);
  return {begin, end == std::string_view::npos ? text.size() : end};
}

// The name of `rule` in a suppression on the line that holds `at`.
SilencedName* named_on_line(Suppressions& s, std::string_view text, Rule rule, std::size_t at) {
  if (at == kNoOffset || at > text.size()) return nullptr;
  const auto [begin, end] = line_of(text, at);
  auto first = std::lower_bound(s.comments.begin(), s.comments.end(), begin,
                                [](const Suppression& c, std::size_t o) { return c.offset < o; });
  for (auto c = first; c != s.comments.end() && c->offset < end; ++c)
    for (SilencedName& name : c->names)
      if (name.rule == rule) return &name;
  return nullptr;
}

}  // namespace

Suppressions find_suppressions(std::string_view text) {
  Suppressions found;
  if (text.find(kSuppressionWord) == std::string_view::npos) return found;
  for (const auto& [start, end] : comments_holding(text, kSuppressionWord)) {
    const std::string_view body = text.substr(start, end - start);
    for (std::size_t in = body.find(kSuppressionWord); in != std::string_view::npos;
         in = body.find(kSuppressionWord, in + 1)) {
      const std::size_t at = start + in;
      if (!meant_as_suppression(text, at, end)) continue;
      Suppression suppression{at, {}};
      if (read_suppression(text, at, end, suppression, found.malformed))
        found.comments.push_back(std::move(suppression));
    }
  }
  return found;
}

bool silences(Suppressions& suppressions, std::string_view text, Rule rule, std::size_t call,
              std::size_t at) {
  if (suppressions.comments.empty()) return false;
  SilencedName* name = named_on_line(suppressions, text, rule, call);
  if (name == nullptr) name = named_on_line(suppressions, text, rule, at);
  if (name == nullptr) return false;
  name->used = true;
  return true;
}

std::vector<Diagnostic> suppression_findings(Suppressions& suppressions, std::string_view text) {
  std::vector<Diagnostic> out = suppressions.malformed;
  check_unused_suppressions(text, suppressions.comments, out);
  std::erase_if(out, [&](const Diagnostic& d) {
    return silences(suppressions, text, d.rule, kNoOffset, d.offset);
  });
  std::stable_sort(out.begin(), out.end(),
                   [](const Diagnostic& a, const Diagnostic& b) { return a.offset < b.offset; });
  return out;
}

}  // namespace q5
