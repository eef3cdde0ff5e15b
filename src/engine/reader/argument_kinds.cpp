#include "engine/reader/argument_kinds.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace q5 {

std::string show(std::string_view text, Tokens tokens, std::size_t limit) {
  std::string out;
  for (std::size_t k = 0; k < tokens.size() && out.size() <= limit; ++k) {
    if (k > 0 && tokens[k].offset > tokens[k - 1].offset + tokens[k - 1].length) out += ' ';
    std::string_view raw = token_raw(text, tokens[k]);
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == '\n') {
        ++i;
        continue;
      }
      if (raw[i] == '\\' && i + 2 < raw.size() && raw[i + 1] == '\r' && raw[i + 2] == '\n') {
        i += 2;
        continue;
      }
      unsigned char c = static_cast<unsigned char>(raw[i]);
      out += c < 0x20 || c == 0x7f ? '?' : raw[i];
    }
  }
  if (out.size() > limit) {
    out.resize(limit - 3);
    // Never end in the middle of a UTF-8 sequence.
    while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
    if (!out.empty() && static_cast<unsigned char>(out.back()) >= 0xC0) out.pop_back();
    out += "...";
  }
  return out;
}

std::string quoted(std::string_view text, Tokens tokens) { return "'" + show(text, tokens) + "'"; }

bool is_punct(std::string_view text, const Token& t, std::string_view p) {
  return t.kind == TokenKind::Punct && token_is(text, t, p);
}

bool starts_with_name(std::string_view text, const Token& t, std::string_view prefix) {
  return t.kind == TokenKind::Identifier && token_raw(text, t).starts_with(prefix);
}

// NULL or 0 itself, possibly behind casts or in parentheses: what an Xt
// list's terminator should be. One pass and a stack; a terminator is a few
// tokens long, so a long argument is none (and costs nothing).
bool is_plain_null(std::string_view text, Tokens tokens) {
  constexpr std::size_t kLongest = 64;
  if (tokens.size() > kLongest) return false;
  // The core: the last token that is no ")"; everything after it closes
  // groups that enclose it.
  std::size_t core = tokens.size();
  while (core > 0 && is_punct(text, tokens[core - 1], ")")) --core;
  if (core == 0) return false;
  --core;
  std::vector<std::size_t> partner(core, npos), opened;
  for (std::size_t k = 0; k < core; ++k) {
    if (is_punct(text, tokens[k], "(")) {
      opened.push_back(k);
    } else if (is_punct(text, tokens[k], ")")) {
      if (opened.empty()) return false;
      partner[opened.back()] = k;
      opened.pop_back();
    }
  }
  // The groups still open at the core are closed by the ")" after it.
  if (opened.size() != tokens.size() - core - 1) return false;
  // Before the core: those openers and whole groups (casts) only.
  for (std::size_t k = 0; k < core;) {
    if (!is_punct(text, tokens[k], "(")) return false;
    k = partner[k] == npos ? k + 1 : partner[k] + 1;
  }
  const Token& t = tokens[core];
  std::string_view raw = token_raw(text, t);
  if (t.kind == TokenKind::Identifier) return token_is(text, t, "NULL");
  if (t.kind != TokenKind::Number || raw.empty() || raw[0] != '0') return false;
  return raw.find_first_not_of("0uUlL") == std::string_view::npos;
}

// Q5TAG_END or Q5RA_Done itself, first in its argument.
bool is_tag_end(std::string_view text, Tokens tokens) {
  return !tokens.empty() && tokens[0].kind == TokenKind::Identifier &&
         (token_is(text, tokens[0], "Q5TAG_END") || token_is(text, tokens[0], "Q5RA_Done"));
}

// A single identifier named like a tag or resource: what a value should
// never be.
bool reads_like_tag(std::string_view text, Tokens tokens) {
  if (tokens.size() != 1 || tokens[0].kind != TokenKind::Identifier) return false;
  std::string_view raw = token_raw(text, tokens[0]);
  for (std::string_view prefix : {"XmN", "XtN"})
    if (raw.starts_with(prefix) && raw.size() > 3 && raw[3] >= 'a' && raw[3] <= 'z') return true;
  for (std::string_view prefix : {"Q5A_", "Q5TAG_", "Q5RA_"})
    if (raw.starts_with(prefix)) return true;
  return false;
}

bool is_literal(std::string_view text, Tokens tokens) {
  if (tokens.empty()) return false;
  if (tokens.size() == 2 && (is_punct(text, tokens[0], "-") || is_punct(text, tokens[0], "+")))
    return tokens[1].kind == TokenKind::Number;
  if (tokens.size() == 1)
    return tokens[0].kind == TokenKind::Number || tokens[0].kind == TokenKind::Char ||
           tokens[0].kind == TokenKind::String;
  return std::all_of(tokens.begin(), tokens.end(),
                     [](const Token& t) { return t.kind == TokenKind::String; });
}

// NAME(...) and nothing else.
bool is_macro_call(std::string_view text, Tokens tokens) {
  if (tokens.size() < 3 || tokens[0].kind != TokenKind::Identifier ||
      !is_punct(text, tokens[1], "("))
    return false;
  std::size_t depth = 0;
  for (std::size_t k = 1; k < tokens.size(); ++k) {
    if (is_punct(text, tokens[k], "(")) ++depth;
    if (is_punct(text, tokens[k], ")") && --depth == 0) return k == tokens.size() - 1;
  }
  return false;
}

namespace {

bool is_type_word(std::string_view word) {
  static constexpr std::string_view kWords[] = {
      "void",  "char",     "short",  "int",   "long", "float",    "double", "signed",  "unsigned",
      "const", "volatile", "struct", "union", "enum", "register", "_Bool",  "restrict"};
  return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

}  // namespace

// "...", a type alone ("void", "long", "char *", "Q5Class *"), or words
// and stars ending in a name ("int a", "void *o", "Widget parent", "char
// *argv[]"): a parameter, not an expression.
bool reads_like_parameter(std::string_view text, Tokens tokens) {
  if (tokens.size() == 1)
    return is_punct(text, tokens[0], "...") ||
           (tokens[0].kind == TokenKind::Identifier && is_type_word(token_raw(text, tokens[0])));
  // An array declarator at the end: "name[]" or "name[N]".
  if (tokens.size() >= 3 && is_punct(text, tokens.back(), "]")) {
    std::size_t open = tokens.size() - 1;
    while (open > 0 && !is_punct(text, tokens[open], "[")) --open;
    if (open == 0) return false;
    tokens = tokens.first(open);
  }
  // An expression never ends in a "*": "char *", "struct q5_obj **".
  const bool abstract = tokens.size() >= 2 && is_punct(text, tokens.back(), "*");
  if (tokens.size() < 2 || (tokens.back().kind != TokenKind::Identifier && !abstract)) return false;
  bool type_word = false, two_names = false;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const Token& t = tokens[k];
    if (t.kind == TokenKind::Identifier) {
      std::string_view word = token_raw(text, t);
      if (word == "sizeof" || word == "return") return false;
      type_word |= is_type_word(word);
      two_names |= k > 0 && tokens[k - 1].kind == TokenKind::Identifier;
    } else if (!is_punct(text, t, "*")) {
      return false;
    }
  }
  return type_word || two_names || (abstract && tokens[0].kind == TokenKind::Identifier);
}

}  // namespace q5
