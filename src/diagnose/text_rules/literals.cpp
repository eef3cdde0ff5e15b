#include "diagnose/text_rules/text_rules.h"

#include <algorithm>

#include "engine/call_table.h"
#include "engine/text/rewriters.h"

namespace q5::text_rules {

// Character literals and comments, with the nesting a compiler sees: at
// the list's own level a quoted comma or double quote splits or opens, at
// any level a quoted parenthesis changes the count; comments outside
// parentheses and preprocessor lines are not written.
// Says whether a character literal was split.
bool check_literals_and_comments(const CallView& v, std::vector<Finding>& out) {
  bool split = false;
  std::size_t depth = 0, directive_end = 0, comments = 0, first_comment = 0;
  for (const Token& t : v.tokens) {
    if (t.kind == TokenKind::Punct) {
      if (token_is(v.text, t, "(")) ++depth;
      if (token_is(v.text, t, ")") && depth > 0) --depth;
      if (depth == 1 && token_is(v.text, t, "#")) {
        // Only the call's own tokens are compared with it: the search
        // stops at the call's end, not at the end of a long line.
        std::size_t newline = v.text.substr(0, v.call.end).find('\n', t.offset);
        directive_end = newline == std::string_view::npos ? v.text.size() : newline;
      }
      continue;
    }
    if (t.kind == TokenKind::Comment && depth == 1 && t.offset >= directive_end) {
      if (comments++ == 0) first_comment = t.offset;
      continue;
    }
    if (t.kind != TokenKind::Char || depth == 0) continue;
    std::string_view raw = token_raw(v.text, t);
    std::string_view inside = raw.substr(raw.find('\'') + 1);
    std::string_view effect;
    if (inside.find_first_of("()") != std::string_view::npos)
      effect = " holds a parenthesis: the conversion counts it in the nesting";
    else if (depth == 1 && inside.find(',') != std::string_view::npos)
      effect = " holds a comma: the conversion splits the argument there";
    else if (depth == 1 && inside.find('"') != std::string_view::npos)
      effect = " holds a double quote: the conversion reads a string from there";
    if (!effect.empty()) {
      Finding f = finding(Rule::CharLiteralSplit, t.offset,
                          "character literal " + show(v.text, Tokens(&t, 1)) + std::string(effect));
      f.cover_from = t.offset;
      f.cover_to = t.offset + t.length;
      f.shows_cover = true;
      out.push_back(std::move(f));
      split = true;
    }
  }
  if (comments > 0)
    out.push_back(finding(
        Rule::CommentRemoved, first_comment,
        comments == 1 ? std::string("comment removed from the argument list")
                      : std::to_string(comments) + " comments removed from the argument list"));
  return split;
}

}  // namespace q5::text_rules
