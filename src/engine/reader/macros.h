// The project's own macros, as far as an argument list cares: how many
// list arguments each one expands to. Read from the #define lines of the
// files a tree run walks (and of the header directories it is given), so
// that a call using such a macro is paired as the compiler will see it.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace q5 {

// One #define as written.
struct MacroDefinition {
  std::string name;
  bool function_like = false;
  std::vector<std::string> parameters;
  std::string body;   // the replacement text, splices and comments in
  std::string where;  // "PATH:LINE"
};

// What the walk found: definitions in walk order, and the names ever
// #undef'd.
struct MacroSet {
  std::vector<MacroDefinition> definitions;
  std::vector<std::string> undefined;
};

// Adds the #define and #undef lines of `text` (outside comments and
// literals) to `into`.
void collect_macros(std::string_view text, std::string_view path, MacroSet& into);

// A macro whose expansion is known for certain: every definition of it
// agrees, it is never #undef'd, and the macros it uses are known too.
struct MacroShape {
  int arguments = 1;        // top-level list arguments it expands to
  std::string first;        // the first token of its expansion, nested macros followed
  bool whole_pair = false;  // one pair macro use: a pair written already
  bool function_like = false;
  std::string where;  // its (first) definition
};

// Looked up by string_view, without making a string of each name.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const {
    return std::hash<std::string_view>{}(name);
  }
};

struct MacroTable {
  std::unordered_map<std::string, MacroShape, NameHash, std::equal_to<>> known;
  bool any_not_one = false;  // some macro expands to other than one argument
};

MacroTable resolve_macros(const MacroSet& set);

// The shape of `name` used as written (function-like macros only with
// their parentheses), or nullptr when it is no known macro.
const MacroShape* find_macro(const MacroTable& table, std::string_view name, bool called);

// Whether the expansion is a whole XtVaTypedArg or XtVaNestedList group.
bool is_special_group(const MacroShape& shape);

}  // namespace q5
