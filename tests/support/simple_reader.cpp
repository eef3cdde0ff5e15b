#include "simple_reader.h"

#include "engine/reader/lexer.h"

namespace q5::simple {

std::vector<Stop> stops_by_tokens(std::string_view text, std::string_view more) {
  std::vector<Stop> stops;
  bool line_start = false;
  Token t{};
  for (std::size_t pos = 0; next_token(text, pos, text.size(), true, t);) {
    line_start |= t.line_start;
    if (t.kind == TokenKind::Comment) continue;
    const bool first = line_start;
    line_start = false;
    const char c = text[t.offset];
    if (t.kind == TokenKind::Identifier &&
        (c == 'Q' || c == 'X' || more.find(c) != std::string_view::npos))
      stops.push_back({CodeStop::Name, t.offset});
    else if (first && t.kind == TokenKind::Punct && token_is(text, t, "#"))
      stops.push_back({CodeStop::Directive, t.offset});
  }
  return stops;
}

std::vector<Stop> stops_by_cursor(std::string_view text, std::string_view more) {
  std::vector<Stop> stops;
  CodeCursor cursor;
  cursor.more_starts = more;
  for (std::size_t at;; cursor.pos = at + 1) {
    const CodeStop kind = next_stop(text, cursor, text.size(), at);
    if (kind == CodeStop::End) break;
    stops.push_back({kind, at});
  }
  return stops;
}

}  // namespace q5::simple
