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

// Each name's distinct definitions, in walk order: definitions with the
// same parameters and replacement list are one (a header read twice, or
// "#undef" followed by the same definition again). Where several differ,
// a use is counted under each of them.
struct MacroTable {
  std::unordered_map<std::string, std::vector<MacroDefinition>, NameHash, std::equal_to<>> known;
};

MacroTable resolve_macros(MacroSet set);

// The definitions of `name`, or nullptr when it is no macro.
const std::vector<MacroDefinition>* find_macro(const MacroTable& table, std::string_view name);

}  // namespace q5
