// One preprocessor directive read as cpp reads it: its name may follow
// comments ("# /* x */ define"), a macro is function-like only when "("
// follows its name with nothing between (splices aside), and its
// replacement list runs to the line end that is neither spliced nor in a
// comment.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reader/lexer.h"

namespace q5 {

enum class DirectiveKind : unsigned char {
  Define,
  Undef,
  If,    // #if, #ifdef, #ifndef: opens a conditional group
  Elif,  // #elif, #elifdef, #elifndef: starts another branch
  Else,
  Endif,
  Other,  // #include, #pragma, #error, a null directive, ...
};

struct Directive {
  DirectiveKind kind = DirectiveKind::Other;
  std::size_t at = 0;   // its '#' or "%:"
  std::size_t end = 0;  // its line end
  // #define and #undef: the macro's name (empty when there is none) and
  // where it stands.
  std::string name;
  std::size_t name_at = npos;
  // #define: the parameters of a function-like macro; a variadic "..." is
  // named "__VA_ARGS__"; `variadic` when the last one takes the rest.
  bool function_like = false;
  bool variadic = false;
  bool valid = true;  // a parameter list cpp accepts
  std::vector<std::string> parameters;
  std::size_t body = 0;  // where the replacement list starts
};

// Reads the directive whose '#' is at `at` and that ends at `end`.
Directive read_directive(std::string_view text, std::size_t at, std::size_t end);

// The tokens of text[from, to) as one line: their spellings with one blank
// where the source had blanks, comments or line ends between them.
std::string normalized_tokens(std::string_view text, std::size_t from, std::size_t to);

}  // namespace q5
