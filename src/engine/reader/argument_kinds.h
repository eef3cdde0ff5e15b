// What an argument's tokens read as: the tests that both the review of a
// text-rule conversion and the token-based migration ask of an argument.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "engine/reader/lexer.h"

namespace q5 {

inline constexpr std::size_t kShownBytes = 48;

// Source text for a message: tokens with one blank where the source had
// any, splices left out, control bytes as '?', cut at `limit` bytes.
std::string show(std::string_view text, Tokens tokens, std::size_t limit = kShownBytes);
// The same in single quotes.
std::string quoted(std::string_view text, Tokens tokens);

bool is_punct(std::string_view text, const Token& t, std::string_view p);
bool starts_with_name(std::string_view text, const Token& t, std::string_view prefix);

// NULL or 0 itself, possibly behind casts or in parentheses: what an Xt
// list's terminator should be.
bool is_plain_null(std::string_view text, Tokens tokens);
// Q5TAG_END or Q5RA_Done itself, first in its argument.
bool is_tag_end(std::string_view text, Tokens tokens);
// A single identifier named like a tag or resource: what a value should
// never be.
bool reads_like_tag(std::string_view text, Tokens tokens);
// A number, character or string literal (strings may be concatenated).
bool is_literal(std::string_view text, Tokens tokens);
// NAME(...) and nothing else.
bool is_macro_call(std::string_view text, Tokens tokens);
// "...", "void", or words and stars ending in a name ("int a", "void *o",
// "Widget parent", "char *argv[]"): a parameter, not an expression.
bool reads_like_parameter(std::string_view text, Tokens tokens);

}  // namespace q5
