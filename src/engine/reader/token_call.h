// Table calls found as the preprocessor sees them: by the exact lexer, so
// that nothing in a comment or literal counts, a name joined by a splice is
// one name, and a directive line in a list is seen as one. Each outermost
// call's list is lexed once; the calls inside it are read from the same
// tokens, so that calls nested in one another cost no more than their text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reader/code_scan.h"
#include "engine/reader/directives.h"
#include "engine/reader/lexer.h"
#include "engine/reader/macros.h"

namespace q5 {

struct TokenArg {
  Tokens tokens;                        // its code tokens; comments and directive lines left out
  std::size_t directive_before = npos;  // the first directive line before its first token
  std::size_t directive_inside = npos;  // a directive line after its first token
  std::size_t directives = 0;           // the directive lines before it: ListDirective indices
  std::size_t directive_count = 0;      //   [directives, directives + directive_count)
  bool has_macros = false;              // a name in it is a known macro
  // In a macro's body: one of its parameters (or __VA_ARGS__) outside
  // parentheses of its own, or a '##': what it becomes depends on each use.
  bool has_parameters = false;
  bool bare_comma = false;  // a comma that no parenthesis of its own encloses
};

enum class CallShape : unsigned char {
  Call,          // a list that ends with its ")"
  Open,          // a list that reaches a ";", the end of its macro definition, a
                 // character literal that does not end on its line, or a bracket
                 // that closes another kind, before its ")"
  BrokenString,  // a string literal in the list does not end on its line
  BrokenList,    // the list does not end before the end of the file
};

// A directive line met inside a list.
struct ListDirective {
  std::size_t at;  // its '#'
  DirectiveKind kind;
  std::size_t before;  // the index of the list token it stands before
};

// The tokens of an outermost call's list, from its "(" to where it ends.
struct CallList {
  std::vector<Token> tokens;
  std::vector<std::size_t> partner;  // each bracket's partner token, npos for none
  std::vector<std::uint32_t> depth;  // the parentheses open before each token
  std::vector<ListDirective> directives;
  // How many names before each token are known macros.
  std::vector<std::uint32_t> macros_before;
  // The commas, and (in a macro's body) the uses of its parameters, by how
  // many parentheses enclose them in the list; and its '##' operators.
  std::vector<std::vector<std::size_t>> commas_at_depth, parameters_at_depth;
  std::vector<std::size_t> pastes;
  // For each token, 1 + the index of the name of the innermost stringizer
  // (see MacroTable) whose argument that turns it holds the token; 0 for none.
  std::vector<std::uint32_t> stringized_by;
  // A list that is a stringizer's own (no call's): that macro.
  std::string stringizer;
  CallShape end_shape = CallShape::Call;
  std::size_t stopped = npos;  // where it stopped short of its ")"
};

struct TokenCall {
  CallShape shape = CallShape::Call;
  int row = -1;          // in the call table
  bool renamed = false;  // Q5TagGetS: in pair form by its name
  // Named by a macro that stands for the call's name: that macro.
  const CallAlias* alias = nullptr;
  // The alias is defined in another source file only, not in this one.
  bool alias_elsewhere = false;
  // It stands in an argument that this macro may turn into a string or
  // paste: it is text there, not (only) a call.
  std::string stringized_by;
  bool empty_macro = false;  // a macro that expands to nothing stands before its "("
  bool grouped = false;      // its name stands alone in parentheses: "(NAME)("
  std::size_t name = 0;      // where its name starts
  std::size_t name_end = 0;
  std::size_t close = npos;    // the list's ")"
  std::size_t stopped = npos;  // Open: the ";" or the line end it reached; Broken*: the spot
  // Standing in a #define's body: that macro's name.
  std::string in_definition;
  std::vector<TokenArg> args;
  const CallList* list = nullptr;
  std::size_t first_token = 0;  // the list's first token, in `list`
  std::size_t end_token = 0;    // its ")" (or where it stopped), in `list`
};

// Where a search for calls stands in a text.
struct CallSearch {
  CodeCursor cursor;
  Directive directive;            // the directive line the cursor is in, if any
  std::size_t directive_end = 0;  // its end (0: in none)
  CallList list;                  // the outermost list being read
  std::size_t list_end = 0;       // where the cursor goes on after it
  std::size_t next_inside = 0;    // the next token of `list` to look for calls at
  bool in_list = false;
};

// The next call of a call-table name (or Q5TagGetS, or a macro that stands
// for one of them) followed by "(". Calls in
// its list come next, unless `skip_inside` is called. Definitions,
// prototypes and "#define NAME(" are passed over. False when there is none.
bool next_token_call(std::string_view text, const MacroTable& macros, CallSearch& search,
                     TokenCall& call);

// The calls inside `call`'s list are not looked at.
void skip_inside(CallSearch& search, const TokenCall& call);

}  // namespace q5
