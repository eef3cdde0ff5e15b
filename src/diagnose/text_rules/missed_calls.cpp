#include "diagnose/text_rules/text_rules.h"

#include <algorithm>

#include "engine/call_table.h"
#include "engine/reader/code_scan.h"
#include "engine/text/rewriters.h"

namespace q5::text_rules {

std::string_view table_name_at(std::string_view text, const Token& t) {
  std::string buffer;
  std::string_view raw = spelling(text, t, buffer);
  if (!raw.starts_with("Q5") && !raw.starts_with("XtVa")) return {};
  // Most names met are tags ("Q5A_..."): a sorted copy of the table's
  // names settles each in a few comparisons.
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> sorted;
    for (const CallEntry& entry : call_table()) sorted.push_back(entry.name);
    std::sort(sorted.begin(), sorted.end());
    return sorted;
  }();
  auto at = std::lower_bound(names.begin(), names.end(), raw);
  return at != names.end() && *at == raw ? *at : std::string_view{};
}

// Calls of table names that a compiler sees and the conversion did not
// convert: the text is lexed as a whole, up to its first NUL (after which
// the conversion does not look for calls).
void check_missed_calls(std::string_view text, const std::vector<CallRecord>& calls,
                        std::vector<Finding>& out) {
  // The calls are in input order and the names are met in input order:
  // a cursor finds whether a call begins at a name.
  auto found = calls.begin();
  const std::size_t stop = std::min(text.size(), text.find('\0'));
  Token t{}, next{};
  auto enclosing = calls.begin();
  CodeCursor cursor;
  for (std::size_t pos; next_stop(text, cursor, stop, pos) != CodeStop::End;) {
    if (!next_token(text, pos, stop, false, t)) break;
    cursor.pos = pos;
    if (t.kind != TokenKind::Identifier) continue;
    std::string_view name = table_name_at(text, t);
    while (found != calls.end() && found->begin < t.offset) ++found;
    if (name.empty() || (found != calls.end() && found->begin == t.offset)) continue;
    std::size_t after = pos;
    if (!next_token(text, after, stop, false, next) || !is_punct(text, next, "(")) continue;

    while (enclosing != calls.end() && enclosing->end <= t.offset) ++enclosing;
    std::string message = "call of " + std::string(name) + " not converted: ";
    if (enclosing != calls.end() && enclosing->begin < t.offset)
      message +=
          "it stands inside the arguments of " +
          std::string(enclosing->row >= 0 ? call_table()[enclosing->row].name : "another call");
    else if (!only_call_blanks(text.substr(t.offset + t.length, next.offset - t.offset - t.length)))
      message += "a carriage return or comment stands between the name and its '('";
    else
      message += "the conversion took it for text in a string literal or comment";
    out.push_back(finding(Rule::MissedCall, t.offset, std::move(message)));
  }
}

}  // namespace q5::text_rules
