// One file's macros under --verify: the definitions its compiler met
// (-E -dD) win over the ones the walk read for every name the compiler
// knows; the walk's stand for the rest (branches the compiler skipped).
// Only the names the file can reach are kept: those it spells, and those
// their definitions spell in turn.
#pragma once

#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/reader/macros.h"

namespace q5 {

// A MacroSet looked up by name.
struct IndexedMacros {
  const MacroSet* set = nullptr;
  std::unordered_map<std::string_view, std::vector<std::size_t>> definitions;
  std::unordered_map<std::string_view, bool> undefined;
};

IndexedMacros index_macros(const MacroSet& set);

// The names the reader knows by their spelling (the pair macros, the Xt
// special arguments, the terminators): their definitions are left out of
// the compiler's, so that a macro expanding to XtVaTypedArg still reads as
// that group, not as the string Xt defines it to.
bool read_by_spelling(std::string_view name);

// The definitions that hold for `text` in its file's configuration.
MacroSet file_macro_set(std::string_view text, const IndexedMacros& compiler,
                        const IndexedMacros& walked);

}  // namespace q5
