// Table calls found as a compiler sees them: by a C lexer, so that nothing
// in a comment or literal counts, with each argument's code tokens and the
// preprocessor lines met in the list.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/reader/lexer.h"

namespace q5 {

struct TokenArg {
  std::vector<Token> tokens;            // code tokens; comments left out
  std::size_t directive_before = npos;  // the first "#" line before its first token
  std::size_t directive_inside = npos;  // a "#" line after its first token
};

enum class CallShape : unsigned char {
  Call,          // a list that ends with its ")"
  Open,          // a list that reaches a ";", the end of its macro definition, a
                 // character literal that does not end on its line, or a bracket
                 // that closes another kind, before its ")"
  BrokenString,  // a string literal in the list does not end on its line
  BrokenList,    // the list does not end before the end of the file
};

struct TokenCall {
  CallShape shape = CallShape::Call;
  int row = -1;          // in the call table
  bool renamed = false;  // Q5TagGetS: in pair form by its name
  std::size_t name = 0;  // where its name starts
  std::size_t name_end = 0;
  std::size_t close = npos;    // the list's ")"
  std::size_t stopped = npos;  // Open: the ";" or the line end it reached; Broken*: the spot
  bool in_definition = false;  // it stands on a #define line
  std::vector<TokenArg> args;
};

// Where a search for calls stands in a text.
struct CallSearch {
  std::size_t pos = 0;
  std::size_t asked = 0;        // the last place asked about for its preprocessor line
  std::size_t line_end = npos;  // that line's end, when it is a preprocessor line
};

// The next call of a call-table name (or Q5TagGetS) followed by "(" at or
// after `search.pos`, which moves past the call's name, so that calls in its
// arguments come next. Definitions, prototypes and "#define NAME(" are
// passed over. False when there is none.
bool next_token_call(std::string_view text, CallSearch& search, TokenCall& call);

std::size_t token_end(const Token& t);

}  // namespace q5
