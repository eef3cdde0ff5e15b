#include "migrate/migrate.h"

#include <string.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "diagnose/argument_kinds.h"
#include "diagnose/lexer.h"
#include "recognise/call_table.h"
#include "rewrite/rewriters.h"

namespace q5 {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

enum class Family { TagList, Xt, TagGet };

struct Style {
  Family family;
  std::string_view prefix;  // the pair macro with its "("
  std::string_view noun;    // what the first of a pair is called in messages
};

Style style_of(int row) {
  Rewriter rewriter = call_table()[row].rewriter;
  if (rewriter == rewrite_xt_list) return {Family::Xt, "Q5LT(", "resource"};
  if (rewriter == rewrite_tag_get) return {Family::TagGet, "Q5ST(", "tag"};
  return {Family::TagList, "Q5T(", "tag"};
}

constexpr std::string_view kCast = "(char *)";

// One argument as a compiler splits the list: its code tokens (comments
// left out) and the preprocessor lines met before or inside it.
struct Arg {
  std::vector<Token> tokens;
  std::size_t directive_before = kNone;  // the first "#" line before its first token
  std::size_t directive_inside = kNone;  // a "#" line after its first token
};

struct ArgList {
  std::vector<Arg> args;
  std::size_t close = kNone;    // the list's ")"
  std::size_t stopped = kNone;  // where it stopped without one: a ";" or the limit
  std::size_t open_literal = kNone;  // a string literal that does not end on its line
};

// The lexer ends a string literal without its closing quote at the line's
// end.
bool literal_closed(std::string_view text, const Token& t) {
  std::size_t last = t.offset + t.length - 1;
  if (t.length < 2 || text[last] != '"') return false;
  std::size_t run = 0;
  while (last - run > t.offset && text[last - 1 - run] == '\\') ++run;
  return run % 2 == 0;
}

// Splits the list that starts after its "(" at `pos`, up to `limit`.
ArgList split_list(std::string_view text, std::size_t pos, std::size_t limit) {
  ArgList list;
  Arg current;
  std::size_t depth = 0;
  Token t{};
  while (next_token(text, pos, limit, true, t)) {
    if (t.kind == TokenKind::Comment) continue;
    if (t.kind == TokenKind::String && !literal_closed(text, t)) {
      list.open_literal = t.offset;
      return list;
    }
    if (t.kind == TokenKind::Punct) {
      std::string_view p = token_raw(text, t);
      if (p == "#" && opens_directive(text, t.offset)) {
        std::size_t& mark = current.tokens.empty() ? current.directive_before : current.directive_inside;
        if (mark == kNone) mark = t.offset;
        pos = directive_end(text, t.offset, limit);
        continue;
      }
      if (depth == 0 && p == ")") {
        if (!list.args.empty() || !current.tokens.empty() || current.directive_before != kNone)
          list.args.push_back(std::move(current));
        list.close = t.offset;
        return list;
      }
      if (depth == 0 && p == ",") {
        list.args.push_back(std::move(current));
        current = Arg{};
        continue;
      }
      if (depth == 0 && p == ";") {
        list.stopped = t.offset;
        return list;
      }
      if (p == "(" || p == "[" || p == "{") ++depth;
      if ((p == ")" || p == "]" || p == "}") && depth > 0) --depth;
    }
    current.tokens.push_back(t);
  }
  list.stopped = limit;
  return list;
}

std::size_t end_of(const Token& t) { return t.offset + t.length; }

bool is_name(std::string_view text, Tokens tokens, std::string_view name) {
  return tokens.size() == 1 && tokens[0].kind == TokenKind::Identifier && token_is(text, tokens[0], name);
}

bool is_pair_macro_use(std::string_view text, Tokens tokens) {
  if (tokens.size() < 3 || tokens[0].kind != TokenKind::Identifier) return false;
  std::string_view name = token_raw(text, tokens[0]);
  return (name == "Q5T" || name == "Q5LT" || name == "Q5ST") && is_punct(text, tokens[1], "(");
}

bool starts_with_cast(std::string_view text, Tokens tokens) {
  return tokens.size() >= 4 && is_punct(text, tokens[0], "(") && token_is(text, tokens[1], "char") &&
         is_punct(text, tokens[2], "*") && is_punct(text, tokens[3], ")");
}

bool is_terminator(const Style& style, std::string_view text, Tokens tokens) {
  return style.family == Family::Xt ? is_plain_null(text, tokens) : is_tag_end(text, tokens);
}

// A known macro of the project used in an argument, where its expansion
// is not one argument, or where the argument is that one use.
struct MacroUse {
  const MacroShape* shape = nullptr;
  std::string_view name;
  bool whole = false;  // the argument is the use and nothing else
};

MacroUse macro_use(std::string_view text, Tokens tokens, const MacroTable& macros) {
  if (macros.known.empty() || tokens.empty()) return {};
  if (tokens[0].kind == TokenKind::Identifier) {
    bool called = is_macro_call(text, tokens);
    if (tokens.size() == 1 || called) {
      std::string_view name = token_raw(text, tokens[0]);
      if (const MacroShape* shape = find_macro(macros, name, called)) return {shape, name, true};
    }
  }
  if (!macros.any_not_one) return {};
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    if (tokens[k].kind != TokenKind::Identifier) continue;
    bool called = k + 1 < tokens.size() && is_punct(text, tokens[k + 1], "(");
    std::string_view name = token_raw(text, tokens[k]);
    const MacroShape* shape = find_macro(macros, name, called);
    if (shape != nullptr && shape->arguments != 1) return {shape, name, false};
  }
  return {};
}

struct Finding {
  Rule rule;
  std::size_t offset;
  std::string message;
};

std::string directive_shown(std::string_view text, std::size_t at) {
  std::vector<Token> tokens = lex(text, at, directive_end(text, at, text.size()), false);
  return quoted(text, tokens);
}

std::string macro_advice(const MacroUse& use, const Style& style) {
  const MacroShape& shape = *use.shape;
  std::string pair = std::string(style.prefix) + std::string(style.noun) + ", value)";
  std::string message = "macro '" + std::string(use.name) + "' (defined at " + shape.where +
                        ") expands to " + std::to_string(shape.arguments) +
                        (shape.arguments == 1 ? " list argument" : " list arguments");
  if (shape.arguments == 0) return message + ": convert this call by hand";
  if (shape.arguments == 2)
    return message + ", a whole " + std::string(style.noun) + " and its value: write its definition as one " + pair;
  if (shape.arguments % 2 == 0)
    return message + ", " + std::to_string(shape.arguments / 2) +
           " whole pairs: wrap each pair in its definition as " + pair;
  return message + ", which splits a pair: change it to expand to whole pairs, each as " + pair;
}

// What each argument of a call is.
enum class Role : unsigned char { Fixed, Marker, Group, Pair, Tag, Value, Terminator, Extra };

// Decides every argument's role; a finding when the call cannot be
// converted for certain.
std::optional<Finding> plan_list(std::string_view text, const Style& style, int fixed,
                                 const std::vector<Arg>& args, const MacroTable& macros,
                                 std::vector<Role>& roles) {
  const std::size_t count = args.size(), first = std::min<std::size_t>(fixed, count);
  roles.assign(count, Role::Fixed);
  auto shown = [&](std::size_t i) { return quoted(text, args[i].tokens); };
  auto spot = [&](std::size_t i) {
    return args[i].tokens.empty() ? args[i].directive_before : args[i].tokens.front().offset;
  };
  for (std::size_t i = 0; i < count; ++i) {
    const Arg& a = args[i];
    if (a.directive_inside != kNone)
      return Finding{Rule::DirectiveInList, a.directive_inside,
                     "preprocessor line " + directive_shown(text, a.directive_inside) +
                         " stands inside argument " + shown(i)};
    if (a.directive_before != kNone && i < first)
      return Finding{Rule::DirectiveInList, a.directive_before,
                     "preprocessor line " + directive_shown(text, a.directive_before) +
                         " stands among the leading arguments"};
    if (a.tokens.empty())
      return Finding{Rule::ShiftedPairing, a.directive_before,
                     "argument " + std::to_string(i + 1) + " is empty"};
    if (i < first) {
      MacroUse use = macro_use(text, a.tokens, macros);
      if (use.shape != nullptr && use.shape->arguments != 1)
        return Finding{Rule::MacroPairs, spot(i), macro_advice(use, style)};
    }
  }

  bool tag_position = true;
  std::size_t last_tag = kNone;
  for (std::size_t i = first; i < count; ++i) {
    const Arg& a = args[i];
    Tokens tokens = a.tokens;
    if (!tag_position && a.directive_before != kNone)
      return Finding{Rule::DirectiveInList, a.directive_before,
                     "preprocessor line " + directive_shown(text, a.directive_before) +
                         " stands between " + std::string(style.noun) + " " + shown(last_tag) +
                         " and its value"};
    MacroUse use = macro_use(text, tokens, macros);
    if (!tag_position) {
      if (use.shape != nullptr && use.shape->arguments != 1)
        return Finding{Rule::MacroPairs, spot(i), macro_advice(use, style)};
      if (reads_like_tag(text, tokens) && !is_terminator(style, text, tokens))
        return Finding{Rule::ShiftedPairing, spot(i),
                       "value " + shown(i) + " of " + std::string(style.noun) + " " + shown(last_tag) +
                           " reads like a " + std::string(style.noun) +
                           " name: the pairing is probably shifted"};
      if (style.family != Family::Xt && is_tag_end(text, tokens))
        return Finding{Rule::TerminatorAsValue, spot(i),
                       "terminator " + shown(i) + " stands in value position, after " +
                           std::string(style.noun) + " " + shown(last_tag) +
                           ": a value is missing or a macro hides two arguments"};
      roles[i] = Role::Value;
      tag_position = true;
      continue;
    }
    if (is_terminator(style, text, tokens)) {
      roles[i] = Role::Terminator;
      for (std::size_t k = i + 1; k < count; ++k) {
        if (is_terminator(style, text, args[k].tokens) && args[k].directive_before == kNone) {
          roles[k] = Role::Extra;
          continue;
        }
        std::vector<Token> rest;
        for (std::size_t j = k; j < count; ++j)
          rest.insert(rest.end(), args[j].tokens.begin(), args[j].tokens.end());
        return Finding{Rule::DroppedArguments, rest.empty() ? spot(k) : rest.front().offset,
                       "arguments after the terminator " + shown(i) + ": " + quoted(text, rest)};
      }
      return std::nullopt;
    }
    if (style.family == Family::TagList && is_name(text, tokens, "Q5DEFAULTCLASSTAGS")) {
      roles[i] = Role::Marker;
      continue;
    }
    std::size_t group = 0;
    if (style.family == Family::Xt && is_name(text, tokens, "XtVaTypedArg")) group = 4;
    if (style.family == Family::Xt && is_name(text, tokens, "XtVaNestedList")) group = 1;
    if (group > 0) {
      std::size_t left = count - i - 1;
      if (left < group)
        return Finding{Rule::XtSpecialArgument, spot(i),
                       shown(i) + " takes " + (group == 4 ? "four arguments" : "one argument") +
                           " after it, but the list has " + std::to_string(left) + " more"};
      for (std::size_t k = i + 1; k <= i + group; ++k)
        if (args[k].directive_before != kNone)
          return Finding{Rule::DirectiveInList, args[k].directive_before,
                         "preprocessor line " + directive_shown(text, args[k].directive_before) +
                             " stands inside the " + shown(i) + " group"};
      for (std::size_t k = i; k <= i + group; ++k) roles[k] = Role::Group;
      i += group;
      continue;
    }
    if (use.shape != nullptr) {
      if (use.whole && use.shape->whole_pair) {
        roles[i] = Role::Pair;
        continue;
      }
      if (use.whole && style.family == Family::Xt && is_special_group(*use.shape)) {
        roles[i] = Role::Group;
        continue;
      }
      if (use.shape->arguments != 1)
        return Finding{Rule::MacroPairs, spot(i), macro_advice(use, style)};
    } else if (is_macro_call(text, tokens)) {
      return Finding{Rule::ShiftedPairing, spot(i),
                     std::string(style.noun) + " " + shown(i) +
                         " is a macro call whose definition was not seen: if it expands to "
                         "other than one argument the pairing after it is shifted (give the "
                         "directory of its header with -I)"};
    }
    if (is_literal(text, tokens))
      return Finding{Rule::ShiftedPairing, spot(i),
                     std::string(style.noun) + " " + shown(i) +
                         " is a literal, not a name: the pairing is probably shifted"};
    roles[i] = Role::Tag;
    last_tag = i;
    tag_position = false;
  }
  if (!tag_position)
    return Finding{Rule::UnclosedPair, spot(last_tag),
                   std::string(style.noun) + " " + shown(last_tag) + " has no value"};
  if (count > first && roles[count - 1] == Role::Value &&
      is_terminator(style, text, args[count - 1].tokens))
    return Finding{Rule::TerminatorAsValue, spot(count - 1),
                   "terminator " + shown(count - 1) + " stands in value position, after " +
                       std::string(style.noun) + " " + shown(last_tag) +
                       ": a value is missing or a macro hides two arguments"};
  return std::nullopt;
}

// The plainly wrong spots of a call that is in pair form already.
void check_converted(std::string_view text, const Style& style, int fixed,
                     const std::vector<Arg>& args, const MacroTable& macros,
                     std::vector<Finding>& out) {
  const std::size_t first = std::min<std::size_t>(fixed, args.size());
  std::size_t terminator = kNone;
  for (std::size_t i = first; i < args.size(); ++i) {
    Tokens tokens = args[i].tokens;
    if (tokens.empty()) continue;
    if (terminator != kNone) {
      if (is_terminator(style, text, tokens) ||
          (style.family == Family::Xt && starts_with_cast(text, tokens) &&
           is_plain_null(text, tokens.subspan(4))))
        continue;
      out.push_back({Rule::MalformedPair, tokens.front().offset,
                     "argument " + quoted(text, tokens) + " after the terminator " +
                         quoted(text, args[terminator].tokens)});
      return;
    }
    if (is_terminator(style, text, tokens) ||
        (style.family == Family::Xt && starts_with_cast(text, tokens))) {
      terminator = i;
      continue;
    }
    if (!is_pair_macro_use(text, tokens) || !is_macro_call(text, tokens)) continue;
    Tokens inner = tokens.subspan(2, tokens.size() - 3);
    std::vector<Tokens> parts;
    std::size_t depth = 0, from = 0;
    for (std::size_t k = 0; k < inner.size(); ++k) {
      if (is_punct(text, inner[k], "(") || is_punct(text, inner[k], "[") || is_punct(text, inner[k], "{")) ++depth;
      if ((is_punct(text, inner[k], ")") || is_punct(text, inner[k], "]") || is_punct(text, inner[k], "}")) && depth > 0) --depth;
      if (depth == 0 && is_punct(text, inner[k], ",")) {
        parts.push_back(inner.subspan(from, k - from));
        from = k + 1;
      }
    }
    parts.push_back(inner.subspan(from));
    int held = 0;
    for (Tokens part : parts) {
      MacroUse use = macro_use(text, part, macros);
      held += use.shape != nullptr && use.whole ? use.shape->arguments : 1;
    }
    std::string pair = quoted(text, tokens);
    std::string problem;
    if (held != 2) {
      problem = "holds " + std::to_string(held) + " arguments, not a " + std::string(style.noun) +
                " and its value";
    } else if (is_name(text, parts[0], "XtVaTypedArg") || is_name(text, parts[0], "XtVaNestedList")) {
      problem = "holds " + quoted(text, parts[0]) + " as its " + std::string(style.noun) +
                ": that group's arguments were paired as if they were resources and values";
    } else if (is_literal(text, parts[0])) {
      problem = "has the literal " + quoted(text, parts[0]) + " as its " + std::string(style.noun) +
                ": the pairing was shifted";
    } else if (is_terminator(style, text, parts[0]) ||
               (parts.size() == 2 && style.family != Family::Xt && is_tag_end(text, parts[1])) ||
               (parts.size() == 2 && style.family == Family::Xt && starts_with_cast(text, parts[1]))) {
      problem = "holds the list's terminator";
    }
    if (!problem.empty())
      out.push_back({Rule::MalformedPair, tokens.front().offset, "pair " + pair + " " + problem});
  }
}

int find_row(std::string_view name) {
  if (!(name.starts_with("Q5") || name.starts_with("XtVa"))) return -1;
  std::span<const CallEntry> table = call_table();
  for (std::size_t row = 0; row < table.size(); ++row)
    if (table[row].name == name) return static_cast<int>(row);
  return -1;
}

// "#define NAME(" defines the name; it does not call it.
bool follows_define(std::string_view text, std::size_t at) {
  std::size_t k = at;
  while (k > 0 && (text[k - 1] == ' ' || text[k - 1] == '\t')) --k;
  return k >= 6 && text.substr(k - 6, 6) == "define" && (k == 6 || !is_identifier_byte(text[k - 7]));
}

// The preprocessor line a name stands on, if any: a call there ends with
// it. Remembers the last line asked about, so that many calls on one long
// line cost one look back.
struct DirectiveLine {
  std::size_t asked = 0;      // the last position asked about
  std::size_t end = kNone;    // where its line ends, when that is a preprocessor line
};

std::size_t directive_limit(std::string_view text, std::size_t at, DirectiveLine& line) {
  const char* data = text.data();
  bool same_line = line.asked <= at && std::memchr(data + line.asked, '\n', at - line.asked) == nullptr;
  line.asked = at;
  if (same_line) return line.end == kNone ? text.size() : line.end;
  std::size_t start = at;
  for (;;) {
    const void* found = start > 0 ? ::memrchr(data, '\n', start) : nullptr;
    if (found == nullptr) {
      start = 0;
      break;
    }
    std::size_t newline = static_cast<std::size_t>(static_cast<const char*>(found) - data);
    bool spliced = newline > 0 && (data[newline - 1] == '\\' ||
                                   (data[newline - 1] == '\r' && newline > 1 && data[newline - 2] == '\\'));
    start = newline + 1;
    if (!spliced) break;
    start = newline;
  }
  while (start < at && (data[start] == ' ' || data[start] == '\t')) ++start;
  line.end = start < at && data[start] == '#' ? directive_end(text, start, text.size()) : kNone;
  return line.end == kNone ? text.size() : line.end;
}

Diagnostic left_call(const Finding& f) {
  return {f.rule, rule_info(f.rule).severity, f.offset, "call left as it stands: " + f.message, {}};
}

}  // namespace

Migration migrate_text(std::string_view text, const MacroTable& macros) {
  Migration m;
  const std::size_t n = text.size();
  DirectiveLine line;
  std::vector<Role> roles;
  std::vector<Finding> findings;
  for (std::size_t pos = 0, at; (at = next_code_name(text, pos, n)) < n;) {
    std::size_t name_end = at;
    while (name_end < n && is_identifier_byte(text[name_end])) ++name_end;
    pos = name_end;
    std::string_view name = text.substr(at, name_end - at);
    bool converted_name = name == "Q5TagGetS";
    int row = find_row(converted_name ? std::string_view("Q5TagGet") : name);
    if (row < 0) continue;

    // A call in a macro definition ends with the definition.
    const std::size_t limit = directive_limit(text, at, line);
    std::size_t open = name_end;
    Token t{};
    if (!next_token(text, open, limit, false, t) || !is_punct(text, t, "(") || follows_define(text, at))
      continue;

    ArgList list = split_list(text, open, limit);
    if (list.open_literal != kNone) {
      m.failure = Failure{ExitUnterminated, "Unterminated string\n", list.open_literal};
      break;
    }
    if (list.stopped == n) {
      m.failure = Failure{ExitUnterminated, "Unterminated parameter list\n", at};
      break;
    }
    if (list.close == kNone) {
      std::string where = list.stopped < limit ? "reaches a ';' before its ')'"
                                               : "runs past the end of the macro definition it stands in";
      m.diagnostics.push_back(left_call({Rule::UnterminatedList, at, "its argument list " + where}));
      ++m.left;
      continue;
    }
    // A definition's head or a prototype: not a call.
    std::size_t after = list.close + 1;
    if (next_token(text, after, n, false, t) && is_punct(text, t, "{")) continue;
    if (std::any_of(list.args.begin(), list.args.end(),
                    [&](const Arg& a) { return reads_like_parameter(text, a.tokens); }))
      continue;

    const Style style = style_of(row);
    const int fixed = call_table()[row].fixed_count;
    const std::size_t first = std::min<std::size_t>(fixed, list.args.size());
    bool in_pair_form = converted_name ||
                        std::any_of(list.args.begin() + static_cast<std::ptrdiff_t>(first), list.args.end(),
                                    [&](const Arg& a) { return is_pair_macro_use(text, a.tokens); });
    if (in_pair_form) {
      findings.clear();
      check_converted(text, style, fixed, list.args, macros, findings);
      for (Finding& f : findings)
        m.diagnostics.push_back({f.rule, rule_info(f.rule).severity, f.offset, std::move(f.message), {}});
      continue;
    }
    if (std::optional<Finding> finding = plan_list(text, style, fixed, list.args, macros, roles)) {
      if (finding->offset == kNone) finding->offset = at;
      m.diagnostics.push_back(left_call(*finding));
      ++m.left;
      pos = list.close + 1;  // calls inside it are left too
      continue;
    }
    const std::size_t before = m.insertions.size();
    if (style.family == Family::TagGet) m.insertions.push_back({name_end, "S"});
    for (std::size_t i = 0; i < list.args.size(); ++i) {
      Tokens tokens = list.args[i].tokens;
      if (roles[i] == Role::Tag) m.insertions.push_back({tokens.front().offset, style.prefix});
      if (roles[i] == Role::Value) m.insertions.push_back({end_of(tokens.back()), ")"});
      if (roles[i] == Role::Terminator && style.family == Family::Xt && !starts_with_cast(text, tokens))
        m.insertions.push_back({tokens.front().offset, kCast});
    }
    if (m.insertions.size() > before) ++m.converted;
  }
  std::stable_sort(m.insertions.begin(), m.insertions.end(),
                   [](const Insertion& a, const Insertion& b) { return a.offset < b.offset; });
  std::stable_sort(m.diagnostics.begin(), m.diagnostics.end(),
                   [](const Diagnostic& a, const Diagnostic& b) { return a.offset < b.offset; });
  return m;
}

std::string apply_insertions(std::string_view text, const std::vector<Insertion>& insertions) {
  std::size_t added = 0;
  for (const Insertion& i : insertions) added += i.text.size();
  std::string out;
  out.reserve(text.size() + added);
  std::size_t copied = 0;
  for (const Insertion& i : insertions) {
    out.append(text.substr(copied, i.offset - copied));
    out.append(i.text);
    copied = i.offset;
  }
  out.append(text.substr(copied));
  return out;
}

}  // namespace q5
