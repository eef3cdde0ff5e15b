#include "engine/reader/directives.h"

#include "engine/reader/splices.h"

namespace q5 {

namespace {

DirectiveKind kind_of(std::string_view name) {
  if (name == "define") return DirectiveKind::Define;
  if (name == "undef") return DirectiveKind::Undef;
  if (name == "if" || name == "ifdef" || name == "ifndef") return DirectiveKind::If;
  if (name == "elif" || name == "elifdef" || name == "elifndef") return DirectiveKind::Elif;
  if (name == "else") return DirectiveKind::Else;
  if (name == "endif") return DirectiveKind::Endif;
  return DirectiveKind::Other;
}

// The parameter list of a function-like macro, whose "(" ends at `pos`;
// `pos` moves past its ")".
void read_parameters(std::string_view text, std::size_t& pos, std::size_t end, Directive& d) {
  Token t{};
  std::string buffer;
  bool want_name = true;
  while (next_token(text, pos, end, false, t)) {
    std::string_view s = spelling(text, t, buffer);
    if (t.kind == TokenKind::Punct) s = undigraph(s);
    if (s == ")") {
      if (!want_name || d.parameters.empty()) return;
      break;  // "(a,)"
    }
    if (d.variadic) break;  // only ")" may follow the variadic parameter
    if (want_name && t.kind == TokenKind::Identifier) {
      d.parameters.emplace_back(s);
      want_name = false;
    } else if (want_name && s == "...") {
      d.parameters.emplace_back("__VA_ARGS__");
      d.variadic = true;
      want_name = false;
    } else if (!want_name && s == "...") {
      d.variadic = true;  // GNU: a named variadic parameter, "args..."
    } else if (!want_name && s == ",") {
      want_name = true;
    } else {
      break;
    }
  }
  d.valid = false;
  pos = end;
}

}  // namespace

Directive read_directive(std::string_view text, std::size_t at, std::size_t end) {
  Directive d;
  d.at = at;
  d.end = end;
  d.body = end;
  std::size_t pos = at;
  Token t{};
  std::string buffer;
  next_token(text, pos, end, false, t);  // the '#' itself
  if (!next_token(text, pos, end, false, t) || t.kind != TokenKind::Identifier) return d;
  d.kind = kind_of(spelling(text, t, buffer));
  if (d.kind != DirectiveKind::Define && d.kind != DirectiveKind::Undef) return d;
  if (!next_token(text, pos, end, false, t) || t.kind != TokenKind::Identifier) {
    d.valid = false;
    return d;
  }
  d.name = spelling(text, t, buffer);
  d.name_at = t.offset;
  if (d.kind == DirectiveKind::Define) {
    // Function-like only when "(" follows the name at once.
    std::size_t after = past_splices(text, token_end(t), end);
    if (after < end && text[after] == '(') {
      d.function_like = true;
      pos = after + 1;
      read_parameters(text, pos, end, d);
    }
  }
  d.body = pos;
  return d;
}

std::string normalized_tokens(std::string_view text, std::size_t from, std::size_t to) {
  std::string out, buffer;
  Token t{};
  std::size_t last = from;
  for (std::size_t pos = from; next_token(text, pos, to, false, t);) {
    if (!out.empty() && past_splices(text, last, to) < t.offset) out += ' ';
    out += spelling(text, t, buffer);
    last = token_end(t);
  }
  return out;
}

}  // namespace q5
