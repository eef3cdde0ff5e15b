// C's preprocessing tokens as gcc reads them (translation phases 1-3), over
// the text as it stands: line splices are joined wherever they fall (in a
// name, a number, a literal, a punctuator, a comment's opener or closer, at
// the end of a '//' comment), digraphs are the punctuators they spell,
// trigraphs are left alone (gcc's default), gcc's raw strings (R"x(...)x")
// are literals. It never fails: what it cannot read as a token becomes a
// one-byte token of kind Other; a literal that does not end on its line
// ends there, a comment that does not end at the text's end.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace q5 {

enum class TokenKind : unsigned char {
  Identifier,
  Number,
  String,
  Char,
  Punct,
  Comment,
  Other,
};

struct Token {
  TokenKind kind;
  std::size_t offset;  // in the lexed text
  std::size_t length;  // raw bytes, line splices inside it included
  // A line end lies between the token before it (or the start of the lex)
  // and this one, outside any comment: with the tokens before it on its
  // line only comments, it may open a preprocessor line.
  bool line_start = false;
  bool unterminated = false;  // a literal without its closing quote
};

using Tokens = std::span<const Token>;

// The token that starts at or after `pos` (and before `to`), with `pos`
// moved past it; false when only blanks, splices (and comments, unless
// kept) remain. `line_start` counts from `pos`: a lex that starts at the
// text's start starts a line.
bool next_token(std::string_view text, std::size_t& pos, std::size_t to, bool keep_comments,
                Token& token);

// Lexes text[from, to). Comments are kept as tokens only when
// `keep_comments` is set.
std::vector<Token> lex(std::string_view text, std::size_t from, std::size_t to, bool keep_comments);

// Where a literal that opens at `open` ends (past its closing quote, or at
// the line end where it stops without one: `closed` is then false).
std::size_t literal_end(std::string_view text, std::size_t open, std::size_t to,
                        bool* closed = nullptr);
// gcc's raw string, whose '"' is at `quote`: its end (the text's end when
// it is not closed), or npos when what follows the quote opens none.
std::size_t raw_literal_end(std::string_view text, std::size_t quote, std::size_t to,
                            bool* closed = nullptr);
// "R", "LR", "uR", "UR" or "u8R": what opens a raw string before its '"'.
bool is_raw_prefix(std::string_view word);
// "L", "u", "U" or "u8": what a string or character literal may begin with.
bool is_encoding_prefix(std::string_view word);
std::size_t block_comment_end(std::string_view text, std::size_t open, std::size_t to);
std::size_t line_comment_end(std::string_view text, std::size_t open, std::size_t to);

// The token's bytes as written, splices included.
std::string_view token_raw(std::string_view text, const Token& token);
// Its spelling: the bytes with the splices left out (a view of the text
// when it holds none, else of `buffer`).
std::string_view spelling(std::string_view text, const Token& token, std::string& buffer);
bool same_token(std::string_view a_text, const Token& a, std::string_view b_text, const Token& b);
// Whether the token is spelled `spelling`; a digraph counts as the
// punctuator it stands for ("<%" is "{", "%:" is "#").
bool token_is(std::string_view text, const Token& token, std::string_view spelling);
// The punctuator a digraph spells ("<:" gives "["), or the spelling itself.
std::string_view undigraph(std::string_view spelling);

std::size_t token_end(const Token& t);

}  // namespace q5
