#include "engine/reader/macros.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "base/byte_masks.h"
#include "engine/reader/argument_kinds.h"
#include "engine/reader/lexer.h"

namespace q5 {

namespace {

// Past spaces, tabs and line splices on a preprocessor line.
std::size_t skip_line_blanks(std::string_view text, std::size_t i, std::size_t to) {
  while (i < to) {
    if (text[i] == ' ' || text[i] == '\t') {
      ++i;
    } else if (text[i] == '\\' && i + 1 < to && text[i + 1] == '\n') {
      i += 2;
    } else if (text[i] == '\\' && i + 2 < to && text[i + 1] == '\r' && text[i + 2] == '\n') {
      i += 3;
    } else {
      break;
    }
  }
  return i;
}

std::string_view word_at(std::string_view text, std::size_t i, std::size_t to) {
  std::size_t end = i;
  while (end < to && is_identifier_byte(text[end])) ++end;
  return text.substr(i, end - i);
}

// The top-level comma-separated parts of a token run.
std::vector<Tokens> split_parts(std::string_view text, Tokens tokens) {
  std::vector<Tokens> parts;
  std::size_t depth = 0, from = 0;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    if (tokens[k].kind != TokenKind::Punct) continue;
    std::string_view p = token_raw(text, tokens[k]);
    if (p == "(" || p == "[" || p == "{") ++depth;
    if ((p == ")" || p == "]" || p == "}") && depth > 0) --depth;
    if (p == "," && depth == 0) {
      parts.push_back(tokens.subspan(from, k - from));
      from = k + 1;
    }
  }
  parts.push_back(tokens.subspan(from));
  return parts;
}

// Sixteen bytes at a time: every file walked is counted through.
std::size_t count_newlines(std::string_view bytes) {
  std::size_t count = 0, i = 0;
  for (; i + 16 <= bytes.size(); i += 16)
    count += static_cast<std::size_t>(
        __builtin_popcount(masks::equal(masks::load16(bytes.data() + i), '\n')));
  for (; i < bytes.size(); ++i) count += bytes[i] == '\n';
  return count;
}

bool is_pair_macro_name(std::string_view name) {
  return name == "Q5T" || name == "Q5LT" || name == "Q5ST";
}

struct Resolver {
  std::unordered_map<std::string, std::vector<const MacroDefinition*>> by_name;
  std::unordered_set<std::string> undefined;
  std::unordered_map<std::string, std::optional<MacroShape>> memo;
  std::unordered_set<std::string> active;
};

std::optional<MacroShape> shape_of(Resolver& r, const std::string& name);

// A part that is one use of a known macro: its shape; an unknown macro
// makes the whole expansion unknown.
std::optional<MacroShape> nested_shape(Resolver& r, std::string_view text, Tokens part,
                                       bool& unknown) {
  if (part.empty() || part[0].kind != TokenKind::Identifier) return std::nullopt;
  std::string name(token_raw(text, part[0]));
  bool called = is_macro_call(text, part);
  if (part.size() != 1 && !called) return std::nullopt;
  auto found = r.by_name.find(name);
  if (found == r.by_name.end() || found->second.front()->function_like != called) {
    if (r.undefined.count(name) != 0) unknown = true;
    return std::nullopt;
  }
  std::optional<MacroShape> shape = shape_of(r, name);
  if (!shape) unknown = true;
  return shape;
}

std::optional<MacroShape> shape_of_definition(Resolver& r, const MacroDefinition& def) {
  std::vector<Token> tokens = lex(def.body, 0, def.body.size(), false);
  MacroShape shape;
  shape.function_like = def.function_like;
  shape.where = def.where;
  if (tokens.empty()) {
    shape.arguments = 0;
    return shape;
  }
  std::vector<Tokens> parts = split_parts(def.body, tokens);
  int total = 0;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    Tokens part = parts[k];
    int count = 1;
    std::string first = part.empty() ? std::string() : std::string(token_raw(def.body, part[0]));
    bool pair = part.size() >= 3 && is_pair_macro_name(first) && is_macro_call(def.body, part);
    if (first == "__VA_ARGS__") return std::nullopt;
    bool parameter = part.size() == 1 && std::find(def.parameters.begin(), def.parameters.end(),
                                                   first) != def.parameters.end();
    bool unknown = false;
    if (parameter) {
      first.clear();  // whatever the use passes
    } else if (std::optional<MacroShape> nested = nested_shape(r, def.body, part, unknown)) {
      count = nested->arguments;
      first = nested->first;
      pair = nested->whole_pair;
    } else if (unknown) {
      return std::nullopt;
    }
    if (k == 0) shape.first = first;
    total += count;
    shape.whole_pair = parts.size() == 1 && pair;
  }
  shape.arguments = total;
  return shape;
}

// Definitions agree when they give the list the same shape; their first
// tokens need agree only where that makes a special group.
bool same_shape(const MacroShape& a, const MacroShape& b) {
  return a.arguments == b.arguments && is_special_group(a) == is_special_group(b) &&
         a.whole_pair == b.whole_pair && a.function_like == b.function_like;
}

std::optional<MacroShape> shape_of(Resolver& r, const std::string& name) {
  if (auto memo = r.memo.find(name); memo != r.memo.end()) return memo->second;
  auto found = r.by_name.find(name);
  if (found == r.by_name.end() || r.undefined.count(name) != 0 || r.active.count(name) != 0)
    return std::nullopt;
  r.active.insert(name);
  std::optional<MacroShape> result;
  for (const MacroDefinition* def : found->second) {
    std::optional<MacroShape> shape = shape_of_definition(r, *def);
    if (!shape || (result && !same_shape(*result, *shape))) {
      result.reset();
      break;
    }
    if (!result)
      result = std::move(shape);
    else if (result->first != shape->first)
      result->first.clear();
  }
  r.active.erase(name);
  r.memo[name] = result;
  return result;
}

}  // namespace

void collect_macros(std::string_view text, std::string_view path, MacroSet& into) {
  std::size_t line = 1, counted = 0;
  const std::size_t to = text.size();
  for (std::size_t at = next_directive(text, 0, to); at < to; at = next_directive(text, at, to)) {
    std::size_t end = directive_end(text, at, to);
    std::size_t i = skip_line_blanks(text, at + 1, end);
    std::string_view keyword = word_at(text, i, end);
    i = skip_line_blanks(text, i + keyword.size(), end);
    std::string_view name = word_at(text, i, end);
    if (name.empty() || !(keyword == "define" || keyword == "undef")) {
      at = end;
      continue;
    }
    if (keyword == "undef") {
      into.undefined.emplace_back(name);
      at = end;
      continue;
    }
    line += count_newlines(text.substr(counted, at - counted));
    counted = at;
    MacroDefinition def;
    def.name = name;
    def.where = std::string(path) + ":" + std::to_string(line);
    i += name.size();
    if (i < end && text[i] == '(') {
      def.function_like = true;
      std::size_t close = text.find(')', i);
      if (close == std::string_view::npos || close > end) close = end;
      std::vector<Token> params = lex(text, i + 1, close, false);
      for (const Token& p : params)
        if (p.kind == TokenKind::Identifier || token_raw(text, p) == "...")
          def.parameters.emplace_back(token_raw(text, p));
      i = close < end ? close + 1 : end;
    }
    def.body = text.substr(i, end - i);
    into.definitions.push_back(std::move(def));
    at = end;
  }
}

MacroTable resolve_macros(const MacroSet& set) {
  Resolver r;
  for (const MacroDefinition& def : set.definitions) r.by_name[def.name].push_back(&def);
  r.undefined.insert(set.undefined.begin(), set.undefined.end());
  MacroTable table;
  for (const auto& [name, defs] : r.by_name)
    if (std::optional<MacroShape> shape = shape_of(r, name)) {
      table.any_not_one |= shape->arguments != 1;
      table.known.emplace(name, *shape);
    }
  return table;
}

const MacroShape* find_macro(const MacroTable& table, std::string_view name, bool called) {
  auto found = table.known.find(name);
  if (found == table.known.end() || found->second.function_like != called) return nullptr;
  return &found->second;
}

bool is_special_group(const MacroShape& shape) {
  return (shape.first == "XtVaTypedArg" && shape.arguments == 5) ||
         (shape.first == "XtVaNestedList" && shape.arguments == 2);
}

}  // namespace q5
