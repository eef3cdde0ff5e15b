// The project's own macros: read from the #define lines of the files a tree
// run walks (and of the header directories it is given), so that a call
// using such a macro is counted as the preprocessor will expand it.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/reader/lexer.h"

namespace q5 {

// One #define as written.
struct MacroDefinition {
  std::string name;
  bool function_like = false;
  bool variadic = false;                // the last parameter takes the rest of the arguments
  bool valid = true;                    // a parameter list cpp accepts
  std::vector<std::string> parameters;  // a variadic "..." is "__VA_ARGS__"
  std::string body;           // the replacement list: spellings, one blank where the source had any
  std::string where;          // "PATH:LINE"
  std::vector<Token> tokens;  // the body lexed (by resolve_macros)
};

// What the walk found: definitions in walk order, and the names ever
// #undef'd.
struct MacroSet {
  std::vector<MacroDefinition> definitions;
  std::vector<std::string> undefined;
};

// Adds the #define and #undef lines of `text` to `into`.
void collect_macros(std::string_view text, std::string_view path, MacroSet& into);

// Looked up by string_view, without making a string of each name.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const {
    return std::hash<std::string_view>{}(name);
  }
};

// A macro that stands for a table call's name ("#define SET XtVaSetValues",
// or a chain of such names): "SET(" is that call.
struct CallAlias {
  std::string name;      // the macro
  std::string target;    // the call's name it comes to
  int row = -1;          // the call's row (the first one met, when definitions differ)
  bool renamed = false;  // it comes to Q5TagGetS
  // False when its definitions do not all come to the one call (another
  // name, another call, or past the chain's bound).
  bool sure = true;
  std::string where;  // its first definition's "PATH:LINE"
  // Every definition of it stands in a header (a file not named *.c): a
  // definition in one source file says nothing of what another sees.
  bool in_header = true;
};

// A macro that may turn what an argument holds into a string or paste it
// (# or ##, in its own body or in a macro it passes the argument to): a
// call in such an argument is text, not (only) a call.
struct Stringizer {
  std::vector<bool> turns;  // by argument: the last stands for those after it
};

// Each name's distinct definitions, in walk order: definitions with the
// same parameters and replacement list are one (a header read twice, or
// "#undef" followed by the same definition again). Where several differ,
// a use is counted under each of them.
struct MacroTable {
  std::unordered_map<std::string, std::vector<MacroDefinition>, NameHash, std::equal_to<>> known;
  std::unordered_map<std::string, CallAlias, NameHash, std::equal_to<>> aliases;
  std::unordered_map<std::string, Stringizer, NameHash, std::equal_to<>> stringizers;
  // The first bytes of the aliases' and stringizers' names, other than 'Q'
  // and 'X' (which the search for calls stops at anyway).
  std::string name_starts;
};

MacroTable resolve_macros(MacroSet set);

// The stringizer named `name`, or nullptr.
const Stringizer* find_stringizer(const MacroTable& table, std::string_view name);

// The alias named `name`, or nullptr.
const CallAlias* find_alias(const MacroTable& table, std::string_view name);

// The definitions of `name`, or nullptr when it is no macro.
const std::vector<MacroDefinition>* find_macro(const MacroTable& table, std::string_view name);

}  // namespace q5
