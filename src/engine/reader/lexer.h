// A small C lexer over bytes, used to check what the conversion did against
// the tokens a compiler would see. It never fails: whatever it cannot read
// as a token becomes a one-byte token of kind Other, and an unterminated
// literal ends at its line's end, an unterminated comment at the text's end.
#pragma once

#include <cstddef>
#include <span>
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
  std::size_t length;  // raw bytes, line splices included
};

using Tokens = std::span<const Token>;

// The token that starts at or after `pos` (and before `to`), with `pos`
// moved past it; false when only blanks, splices (and comments, unless
// kept) remain.
bool next_token(std::string_view text, std::size_t& pos, std::size_t to, bool keep_comments,
                Token& token);

// Where the next identifier that starts with "Q" or "X" begins in code (not
// in a literal or comment), at or after `pos`; `to` when there is none.
// Much faster than lexing every token, for finding names in a whole file.
std::size_t next_code_name(std::string_view text, std::size_t pos, std::size_t to);

// Whether the "#" at `at` opens a preprocessor line: only blanks before
// it on a line that does not continue the one before.
bool opens_directive(std::string_view text, std::size_t at);

// Where the preprocessor line in code that opens at or after `pos` has its
// "#"; `to` when there is none. `pos` must not lie inside a literal or
// comment.
std::size_t next_directive(std::string_view text, std::size_t pos, std::size_t to);

// Where the preprocessor line whose "#" is at `at` ends: its last newline
// that is neither spliced nor inside a comment, or `to`.
std::size_t directive_end(std::string_view text, std::size_t at, std::size_t to);

// Lexes text[from, to). A backslash followed by a newline (or by CR LF) is a
// line splice: skipped between tokens and allowed inside them. Comments are
// kept as tokens only when `keep_comments` is set.
std::vector<Token> lex(std::string_view text, std::size_t from, std::size_t to, bool keep_comments);

// The token's bytes with its line splices removed.
std::string_view token_raw(std::string_view text, const Token& token);
bool same_token(std::string_view a_text, const Token& a, std::string_view b_text, const Token& b);
bool token_is(std::string_view text, const Token& token, std::string_view spelling);

}  // namespace q5
