#include "engine/reader/macros.h"

#include <unordered_set>

#include "base/byte_masks.h"
#include "engine/reader/code_scan.h"
#include "engine/reader/directives.h"

namespace q5 {

namespace {

// Sixteen bytes at a time: every file walked is counted through.
std::size_t count_newlines(std::string_view bytes) {
  std::size_t count = 0, i = 0;
  for (; i + 16 <= bytes.size(); i += 16)
    count += static_cast<std::size_t>(
        __builtin_popcount(masks::equal(masks::load16(bytes.data() + i), '\n')));
  for (; i < bytes.size(); ++i) count += bytes[i] == '\n';
  return count;
}

// What makes two definitions the same: name, parameters, replacement list.
std::string definition_key(const MacroDefinition& d) {
  std::string key = d.name;
  key += d.function_like ? '(' : ' ';
  key += d.variadic ? '.' : ' ';
  key += d.valid ? ' ' : '!';
  for (const std::string& p : d.parameters) key += p + ',';
  key += '\0';
  return key + d.body;
}

}  // namespace

void collect_macros(std::string_view text, std::string_view path, MacroSet& into) {
  std::size_t line = 1, counted = 0;
  CodeCursor cursor;
  cursor.names = false;
  const std::size_t to = text.size();
  for (std::size_t at; next_stop(text, cursor, to, at) == CodeStop::Directive;) {
    const std::size_t end = directive_end(text, at, to);
    cursor.pos = end;
    Directive d = read_directive(text, at, end);
    if (d.name.empty()) continue;
    if (d.kind == DirectiveKind::Undef) {
      into.undefined.push_back(std::move(d.name));
      continue;
    }
    if (d.kind != DirectiveKind::Define) continue;
    line += count_newlines(text.substr(counted, at - counted));
    counted = at;
    MacroDefinition def;
    def.name = std::move(d.name);
    def.function_like = d.function_like;
    def.variadic = d.variadic;
    def.valid = d.valid;
    def.parameters = std::move(d.parameters);
    def.body = normalized_tokens(text, d.body, end);
    def.where = std::string(path) + ":" + std::to_string(line);
    into.definitions.push_back(std::move(def));
  }
}

MacroTable resolve_macros(MacroSet set) {
  MacroTable table;
  std::unordered_set<std::string> seen;
  for (MacroDefinition& def : set.definitions) {
    if (!seen.insert(definition_key(def)).second) continue;
    def.tokens = lex(def.body, 0, def.body.size(), false);
    table.known[def.name].push_back(std::move(def));
  }
  return table;
}

const std::vector<MacroDefinition>* find_macro(const MacroTable& table, std::string_view name) {
  auto found = table.known.find(name);
  return found == table.known.end() ? nullptr : &found->second;
}

}  // namespace q5
