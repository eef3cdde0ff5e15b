#include "engine/reader/macros.h"

#include <algorithm>
#include <optional>

#include "base/byte_masks.h"
#include "engine/call_table.h"
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

// Two definitions of one name are the same when their parameters and
// replacement lists are.
bool same_definition(const MacroDefinition& a, const MacroDefinition& b) {
  return a.function_like == b.function_like && a.variadic == b.variadic && a.valid == b.valid &&
         a.parameters == b.parameters && a.body == b.body;
}

// More differing definitions of one name than a use is ever counted under
// (see expand.cpp): those past it change nothing, and comparing each new
// one with them all would cost the square of their number.
constexpr std::size_t kMostDefinitions = 17;

// How many names an alias's chain is followed through: the memo keeps the
// whole resolution linear, the bound keeps the recursion shallow.
constexpr int kLongestAliasChain = 32;

// Whether the definition stands in a source file ("PATH.c:LINE").
bool in_source_file(const MacroDefinition& def) {
  const std::string_view path = std::string_view(def.where).substr(0, def.where.rfind(':'));
  return path.ends_with(".c");
}

struct AliasWalk {
  const MacroTable& table;
  // Each name resolved (or being resolved: row -2), keyed by the table's own
  // strings.
  std::unordered_map<std::string_view, CallAlias> memo;
};

// What `name` comes to as a call's name: its row, or -1 when no table call.
CallAlias resolve_alias(AliasWalk& walk, std::string_view name, int depth) {
  CallAlias out;
  out.renamed = name == "Q5TagGetS";
  out.row = row_of_name(out.renamed ? std::string_view("Q5TagGet") : name);
  if (out.row >= 0) {
    out.target = std::string(name);
    return out;
  }
  auto found = walk.table.known.find(name);
  if (found == walk.table.known.end()) return out;
  const std::string_view key = found->first;
  if (auto known = walk.memo.find(key); known != walk.memo.end()) {
    if (known->second.row == -2) return CallAlias{};  // a cycle: no call
    return known->second;
  }
  if (depth == kLongestAliasChain) {
    out.sure = false;
    return out;
  }
  walk.memo[key].row = -2;
  bool first = true, some_call = false;
  for (const MacroDefinition& def : found->second) {
    CallAlias one;
    if (!def.function_like && def.tokens.size() == 1 &&
        def.tokens[0].kind == TokenKind::Identifier) {
      std::string buffer;
      one = resolve_alias(walk, spelling(def.body, def.tokens[0], buffer), depth + 1);
    }
    if (first) {
      out = one;
      out.where = def.where;
    } else if (one.row != out.row || one.renamed != out.renamed || !one.sure) {
      out.sure = false;
    }
    if (one.row >= 0 && !some_call) {
      out.row = one.row;
      out.renamed = one.renamed;
      out.target = one.target;
    }
    some_call |= one.row >= 0;
    first = false;
  }
  out.name = std::string(key);
  out.in_header = std::none_of(found->second.begin(), found->second.end(), in_source_file);
  walk.memo[key] = out;
  return out;
}

void add_start(MacroTable& table, std::string_view name) {
  const char start = name[0];
  if (start != 'Q' && start != 'X' && table.name_starts.find(start) == std::string::npos)
    table.name_starts += start;
}

struct StringizerWalk {
  const MacroTable& table;
  // Each name resolved; nullopt while it is being resolved (a cycle turns
  // nothing).
  std::unordered_map<std::string_view, std::optional<Stringizer>> memo;
};

const Stringizer* resolve_stringizer(StringizerWalk& walk, std::string_view name, int depth);

// Which of `def`'s arguments it may turn into a string or paste: those
// next to # or ##, and, where its body names a stringizer, every argument
// it uses.
std::vector<bool> turned_arguments(StringizerWalk& walk, const MacroDefinition& def, int depth) {
  std::vector<bool> turns(std::max<std::size_t>(def.parameters.size(), 1), false);
  std::string buffer;
  auto parameter_at = [&](std::size_t k) -> int {
    if (k >= def.tokens.size() || def.tokens[k].kind != TokenKind::Identifier) return -1;
    auto found = std::find(def.parameters.begin(), def.parameters.end(),
                           spelling(def.body, def.tokens[k], buffer));
    return found == def.parameters.end() ? -1 : static_cast<int>(found - def.parameters.begin());
  };
  bool names_stringizer = false;
  std::vector<bool> used(turns.size(), false);
  for (std::size_t k = 0; k < def.tokens.size(); ++k) {
    const Token& t = def.tokens[k];
    if (t.kind == TokenKind::Identifier) {
      if (int p = parameter_at(k); p >= 0) {
        used[static_cast<std::size_t>(p)] = true;
      } else if (resolve_stringizer(walk, spelling(def.body, t, buffer), depth + 1) != nullptr) {
        names_stringizer = true;
      }
      continue;
    }
    if (!def.function_like) continue;
    const bool paste = token_is(def.body, t, "##");
    if (!paste && !token_is(def.body, t, "#")) continue;
    if (int p = parameter_at(k + 1); p >= 0) turns[static_cast<std::size_t>(p)] = true;
    if (int p = k > 0 ? parameter_at(k - 1) : -1; paste && p >= 0)
      turns[static_cast<std::size_t>(p)] = true;
  }
  for (std::size_t p = 0; p < turns.size(); ++p)
    if (names_stringizer && (used[p] || !def.function_like)) turns[p] = true;
  return turns;
}

// What `name` turns, or nullptr when it turns no argument.
const Stringizer* resolve_stringizer(StringizerWalk& walk, std::string_view name, int depth) {
  auto found = walk.table.known.find(name);
  if (found == walk.table.known.end()) return nullptr;
  const std::string_view key = found->first;
  if (auto known = walk.memo.find(key); known != walk.memo.end())
    return known->second ? &*known->second : nullptr;
  // Past the bound every argument counts as turned: the careful answer.
  if (depth == kLongestAliasChain) {
    std::optional<Stringizer>& all = walk.memo[key];
    all = Stringizer{{true}, found->second.front().where};
    return &*all;
  }
  walk.memo[key] = std::nullopt;
  Stringizer out{{}, found->second.front().where};
  bool any = false;
  for (const MacroDefinition& def : found->second) {
    std::vector<bool> turns = turned_arguments(walk, def, depth);
    if (turns.size() > out.turns.size()) out.turns.resize(turns.size(), false);
    for (std::size_t p = 0; p < turns.size(); ++p) {
      if (turns[p]) out.turns[p] = true;
      any |= turns[p];
    }
  }
  if (!any) return nullptr;
  std::optional<Stringizer>& kept = walk.memo[key];
  kept = std::move(out);
  return &*kept;
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
  table.known.reserve(set.definitions.size());
  for (MacroDefinition& def : set.definitions) {
    std::vector<MacroDefinition>& defs = table.known[def.name];
    if (defs.size() == kMostDefinitions ||
        std::any_of(defs.begin(), defs.end(),
                    [&](const MacroDefinition& d) { return same_definition(d, def); }))
      continue;
    def.tokens = lex(def.body, 0, def.body.size(), false);
    defs.push_back(std::move(def));
  }
  AliasWalk walk{table, {}};
  for (const auto& [name, defs] : table.known) {
    CallAlias alias = resolve_alias(walk, name, 0);
    if (alias.row < 0 || alias.name.empty()) continue;  // no call, or a table name itself
    add_start(table, name);
    table.aliases.emplace(name, std::move(alias));
  }
  StringizerWalk strings{table, {}};
  for (const auto& [name, defs] : table.known) {
    const Stringizer* found = resolve_stringizer(strings, name, 0);
    if (found == nullptr) continue;
    add_start(table, name);
    table.stringizers.emplace(name, *found);
  }
  return table;
}

const Stringizer* find_stringizer(const MacroTable& table, std::string_view name) {
  if (table.stringizers.empty()) return nullptr;
  auto found = table.stringizers.find(name);
  return found == table.stringizers.end() ? nullptr : &found->second;
}

const CallAlias* find_alias(const MacroTable& table, std::string_view name) {
  if (table.aliases.empty()) return nullptr;
  auto found = table.aliases.find(name);
  return found == table.aliases.end() ? nullptr : &found->second;
}

const std::vector<MacroDefinition>* find_macro(const MacroTable& table, std::string_view name) {
  auto found = table.known.find(name);
  return found == table.known.end() ? nullptr : &found->second;
}

}  // namespace q5
