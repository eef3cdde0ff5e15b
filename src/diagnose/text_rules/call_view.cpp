#include "diagnose/text_rules/text_rules.h"

#include <algorithm>

#include "engine/call_table.h"
#include "engine/text/rewriters.h"

namespace q5::text_rules {

Finding finding(Rule rule, std::size_t offset, std::string message) {
  return {Diagnostic{rule, rule_info(rule).severity, offset, std::move(message), {}}};
}

bool only_call_blanks(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), is_call_blank);
}

bool is_terminator_like(Family family, std::string_view text, Tokens tokens) {
  switch (family) {
    case Family::Xt:
      return is_plain_null(text, tokens);
    case Family::TagList:
    case Family::TagGet:
    case Family::Converted:
      return is_tag_end(text, tokens);
  }
  return false;
}

std::vector<Token> lex_span(std::string_view text, std::size_t from, std::size_t to,
                            bool keep_comments) {
  std::vector<Token> tokens;
  Token t{};
  while (next_token(text, from, text.size(), keep_comments, t) && t.offset < to)
    tokens.push_back(t);
  return tokens;
}

CallView view_call(std::string_view text, const CallRecord& call) {
  CallView v{text,
             call,
             pair_style(call.row).family,
             call_table()[call.row].fixed_count,
             lex_span(text, call.begin, call.end, true),
             {}};
  const std::size_t count = call.roles.size();
  v.args.resize(count);
  if (call.origins.size() != count + 1) return v;
  std::size_t k = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t from = call.origins[i], to = call.origins[i + 1];
    while (k < v.tokens.size() && v.tokens[k].offset < from) ++k;
    for (; k < v.tokens.size() && v.tokens[k].offset < to; ++k)
      if (v.tokens[k].kind != TokenKind::Comment) v.args[i].push_back(v.tokens[k]);
    std::vector<Token>& arg = v.args[i];
    if (!arg.empty() && arg.back().offset + 1 == to && is_punct(text, arg.back(), ","))
      arg.pop_back();
  }
  return v;
}

std::string_view noun(Family family) { return family == Family::Xt ? "resource" : "tag"; }

std::size_t argument_spot(const CallView& v, std::size_t i) {
  if (!v.args[i].empty()) return v.args[i].front().offset;
  return v.call.origins[i];
}

std::string tag_before(const CallView& v, std::size_t i) {
  for (std::size_t k = i; k-- > 0;)
    if (v.call.roles[k] == ArgRole::Tag) return quoted(v.text, v.args[k]);
  return "'?'";
}

}  // namespace q5::text_rules
