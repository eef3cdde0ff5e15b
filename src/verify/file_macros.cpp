#include "verify/file_macros.h"

#include <deque>
#include <string>
#include <unordered_set>

#include "engine/reader/lexer.h"

namespace q5 {

IndexedMacros index_macros(const MacroSet& set) {
  IndexedMacros index;
  index.set = &set;
  for (std::size_t k = 0; k < set.definitions.size(); ++k)
    index.definitions[set.definitions[k].name].push_back(k);
  for (const std::string& name : set.undefined) index.undefined[name] = true;
  return index;
}

bool read_by_spelling(std::string_view name) {
  static constexpr std::string_view kNames[] = {
      "Q5T",  "Q5LT",      "Q5ST",      "XtVaTypedArg",      "XtVaNestedList",
      "NULL", "Q5TAG_END", "Q5RA_Done", "Q5DEFAULTCLASSTAGS"};
  for (std::string_view known : kNames)
    if (known == name) return true;
  return false;
}

MacroSet file_macro_set(std::string_view text, const IndexedMacros& compiler,
                        const IndexedMacros& walked) {
  MacroSet out;
  std::unordered_set<std::string_view> seen;
  std::vector<std::string_view> pending;
  std::deque<std::string> unspliced;  // names written across a line splice
  auto spelled_in = [&](std::string_view code) {
    for (std::size_t pos = 0;;) {
      Token token;
      if (!next_token(code, pos, code.size(), false, token)) break;
      if (token.kind != TokenKind::Identifier) continue;
      std::string_view name = token_raw(code, token);
      if (name.find('\\') != std::string_view::npos) {
        std::string whole;
        for (std::size_t i = 0; i < name.size(); ++i) {
          if (name[i] == '\\' && i + 1 < name.size() &&
              (name[i + 1] == '\n' || name[i + 1] == '\r')) {
            i += name[i + 1] == '\r' ? 2 : 1;
            continue;
          }
          whole += name[i];
        }
        name = unspliced.emplace_back(std::move(whole));
      }
      if (seen.insert(name).second) pending.push_back(name);
    }
  };
  spelled_in(text);
  // Names found in definitions view the sets' strings, which outlive this.
  while (!pending.empty()) {
    const std::string_view name = pending.back();
    pending.pop_back();
    const bool by_compiler =
        compiler.definitions.contains(name) || compiler.undefined.contains(name);
    if (by_compiler && read_by_spelling(name)) continue;
    const IndexedMacros& from = by_compiler ? compiler : walked;
    if (auto found = from.definitions.find(name); found != from.definitions.end()) {
      for (std::size_t k : found->second) {
        const MacroDefinition& def = from.set->definitions[k];
        out.definitions.push_back(def);
        spelled_in(def.body);
      }
    }
    if (from.undefined.contains(name)) out.undefined.emplace_back(name);
  }
  return out;
}

}  // namespace q5
