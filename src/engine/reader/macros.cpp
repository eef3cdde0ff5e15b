#include "engine/reader/macros.h"

#include <algorithm>

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

void find_aliases(MacroTable& table) {
  // A chain of names ends in a table call's name, or it makes no alias:
  // most tables hold no such end, and are done at once.
  std::string buffer;
  auto names_call = [&](const MacroDefinition& def) {
    if (def.function_like || def.tokens.size() != 1) return false;
    const std::string_view word = spelling(def.body, def.tokens[0], buffer);
    return word == "Q5TagGetS" || row_of_name(word) >= 0;
  };
  if (std::none_of(table.known.begin(), table.known.end(), [&](const auto& entry) {
        return std::any_of(entry.second.begin(), entry.second.end(), names_call);
      }))
    return;
  AliasWalk walk{table, {}};
  for (const auto& [name, defs] : table.known) {
    CallAlias alias = resolve_alias(walk, name, 0);
    if (alias.row < 0 || alias.name.empty()) continue;  // no call, or a table name itself
    // The conversion writes the pair macros' names: they stay pair macros.
    if (name == "Q5T" || name == "Q5LT" || name == "Q5ST") continue;
    add_start(table, name);
    table.aliases.emplace(name, std::move(alias));
  }
}

// What each macro may turn into a string or paste, found without
// recursion: the arguments next to # or ## in its own body first, then,
// from each such macro to the macros whose bodies name it, every argument
// those use (an object-like one passes on all). Each macro grows at most
// twice, so the whole is linear in the bodies.
void find_stringizers(MacroTable& table) {
  // Most tables hold no # or ## in a function-like body: nothing to follow.
  auto has_operator = [](const MacroDefinition& def) {
    return def.function_like &&
           std::any_of(def.tokens.begin(), def.tokens.end(), [&](const Token& t) {
             return t.kind == TokenKind::Punct &&
                    (token_is(def.body, t, "#") || token_is(def.body, t, "##"));
           });
  };
  if (std::none_of(table.known.begin(), table.known.end(), [&](const auto& entry) {
        return std::any_of(entry.second.begin(), entry.second.end(), has_operator);
      }))
    return;
  struct Node {
    std::string_view name;
    std::vector<bool> turns, used;
    bool object_like = false, direct = false, through = false;
    std::vector<std::size_t> users;  // the macros whose bodies name it
  };
  std::vector<Node> nodes;
  nodes.reserve(table.known.size());
  std::unordered_map<std::string_view, std::size_t> index;
  for (const auto& [name, defs] : table.known) {
    index.emplace(name, nodes.size());
    nodes.push_back({name, {}, {}, false, false, false, {}});
  }
  std::string buffer;
  for (Node& node : nodes) {
    const std::size_t self = index[node.name];
    for (const MacroDefinition& def : table.known.find(node.name)->second) {
      const std::size_t count = std::max<std::size_t>(def.parameters.size(), 1);
      if (node.turns.size() < count) {
        node.turns.resize(count, false);
        node.used.resize(count, false);
      }
      node.object_like |= !def.function_like;
      auto parameter_at = [&](std::size_t k) -> int {
        if (k >= def.tokens.size() || def.tokens[k].kind != TokenKind::Identifier) return -1;
        auto found = std::find(def.parameters.begin(), def.parameters.end(),
                               spelling(def.body, def.tokens[k], buffer));
        return found == def.parameters.end() ? -1
                                             : static_cast<int>(found - def.parameters.begin());
      };
      for (std::size_t k = 0; k < def.tokens.size(); ++k) {
        const Token& t = def.tokens[k];
        if (t.kind == TokenKind::Identifier) {
          if (int p = parameter_at(k); p >= 0) {
            node.used[static_cast<std::size_t>(p)] = true;
          } else if (auto named = index.find(spelling(def.body, t, buffer));
                     named != index.end() && named->second != self) {
            nodes[named->second].users.push_back(self);
          }
          continue;
        }
        if (!def.function_like) continue;
        const bool paste = token_is(def.body, t, "##");
        if (!paste && !token_is(def.body, t, "#")) continue;
        int p = parameter_at(k + 1);
        if (p >= 0) node.turns[static_cast<std::size_t>(p)] = node.direct = true;
        if (int before = k > 0 ? parameter_at(k - 1) : -1; paste && before >= 0)
          node.turns[static_cast<std::size_t>(before)] = node.direct = true;
      }
    }
  }
  std::vector<std::size_t> work;
  for (std::size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i].direct) work.push_back(i);
  while (!work.empty()) {
    const std::size_t i = work.back();
    work.pop_back();
    for (std::size_t u : nodes[i].users) {
      Node& user = nodes[u];
      if (user.through) continue;
      user.through = true;
      bool turns = false;
      for (std::size_t p = 0; p < user.turns.size(); ++p) {
        if (user.used[p] || user.object_like) user.turns[p] = true;
        turns |= user.turns[p];
      }
      // One that passes none of its arguments on turns none of them.
      if (turns) work.push_back(u);
    }
  }
  for (const Node& node : nodes) {
    if (!node.direct && !node.through) continue;
    if (std::none_of(node.turns.begin(), node.turns.end(), [](bool b) { return b; })) continue;
    add_start(table, node.name);
    table.stringizers.emplace(node.name, Stringizer{node.turns});
  }
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
  find_aliases(table);
  find_stringizers(table);
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
