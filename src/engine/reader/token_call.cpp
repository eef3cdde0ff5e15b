#include "engine/reader/token_call.h"

#include <algorithm>

#include "engine/call_table.h"
#include "engine/reader/argument_kinds.h"
#include "engine/reader/expand.h"

namespace q5 {

namespace {

// How many tokens after a list's ")" are read to tell an old-style
// definition's parameter declarations.
constexpr std::size_t kDeclarationTokens = 512;

// The row of a table call named `name` (Q5TagGetS: Q5TagGet's, renamed),
// or named by the macro `alias` stands for.
int call_row(std::string_view name, const MacroTable& macros, bool& renamed,
             const CallAlias*& alias) {
  renamed = name == "Q5TagGetS";
  alias = nullptr;
  int row = row_of_name(renamed ? std::string_view("Q5TagGet") : name);
  if (row >= 0) return row;
  alias = find_alias(macros, name);
  if (alias == nullptr) return -1;
  renamed = alias->renamed;
  return alias->row;
}

std::string_view closer_of(std::string_view opener) {
  return opener == "(" ? ")" : opener == "[" ? "]" : "}";
}

bool is_parameter(const Directive* define, std::string_view text, const Token& t) {
  if (define == nullptr || t.kind != TokenKind::Identifier) return false;
  std::string buffer;
  std::string_view s = spelling(text, t, buffer);
  if (s == "__VA_ARGS__" || s == "__VA_OPT__") return true;
  return std::find(define->parameters.begin(), define->parameters.end(), s) !=
         define->parameters.end();
}

bool is_known_macro(const MacroTable& macros, std::string_view text, const Token& t) {
  if (t.kind != TokenKind::Identifier || macros.known.empty()) return false;
  std::string buffer;
  std::string_view s = spelling(text, t, buffer);
  return !stands_for_itself(s) && find_macro(macros, s) != nullptr;
}

// Whether every definition of the macro `t` names is object-like and
// empty: the preprocessor drops it, so "NAME EMPTY (" is a call.
bool expands_to_nothing(const MacroTable& macros, std::string_view text, const Token& t) {
  if (t.kind != TokenKind::Identifier || macros.known.empty()) return false;
  std::string buffer;
  std::string_view s = spelling(text, t, buffer);
  const std::vector<MacroDefinition>* defs = stands_for_itself(s) ? nullptr : find_macro(macros, s);
  return defs != nullptr && std::all_of(defs->begin(), defs->end(), [](const MacroDefinition& d) {
           return !d.function_like && d.tokens.empty();
         });
}

// How many empty macros a call's name and its "(" may have between them.
constexpr int kMostEmptyMacros = 8;

// Whether a "(" after `before` groups rather than opens a call's list
// ("g(NAME)(...)" calls what g returns): then "(NAME)(" calls NAME, the
// parentheses only keep a function-like macro of that name from expanding.
bool groups_after(std::string_view text, const Token& before) {
  if (before.kind == TokenKind::Identifier)
    return token_is(text, before, "return") || token_is(text, before, "else") ||
           token_is(text, before, "do");
  // token_is reads digraphs: "]" is ":>" too.
  return before.kind == TokenKind::Punct && !token_is(text, before, ")") &&
         !token_is(text, before, "]");
}

// Whether the code from `from` (a token's start) to the name at `at` ends
// with a "(" that groups.
bool grouped_from(std::string_view text, std::size_t from, std::size_t at) {
  Token t{}, last{}, before{};
  int seen = 0;
  for (std::size_t pos = from; pos < at && next_token(text, pos, at, false, t); ++seen) {
    before = last;
    last = t;
  }
  return seen >= 2 && is_punct(text, last, "(") && groups_after(text, before);
}

void add_at_depth(std::vector<std::vector<std::size_t>>& by_depth, std::size_t depth,
                  std::size_t index) {
  if (by_depth.size() <= depth) by_depth.resize(depth + 1);
  by_depth[depth].push_back(index);
}

// In CallList::stringized_by: the list's own stringizer.
constexpr std::uint32_t kOwnStringizer = 0xffffffff;

// A stringizer's invocation open around the tokens being read.
struct Turning {
  std::size_t open, name;  // its "(" and its name, in the list
  const Stringizer* macro;
  std::size_t argument;  // the argument being read
  std::uint32_t outer;   // what the invocations around it give
  std::size_t depth;     // the parentheses open inside its "(": its arguments' commas'
};

// 1 + the name of the innermost invocation whose argument there it may
// turn, or 0.
std::uint32_t stringized_at(const std::vector<Turning>& turning) {
  if (turning.empty()) return 0;
  const Turning& top = turning.back();
  const std::vector<bool>& turns = top.macro->turns;
  return turns[std::min(top.argument, turns.size() - 1)] ? static_cast<std::uint32_t>(top.name + 1)
                                                         : top.outer;
}

void stop_list(CallList& list, CallShape shape, std::size_t at) {
  list.end_shape = shape;
  list.stopped = at;
}

// Lexes the list whose "(" is at `open`, up to `limit`: its tokens, its
// brackets' partners, the directive lines in it, and the running counts.
// `own`: the stringizer whose list it is, when it is no call's.
void lex_list(std::string_view text, std::size_t open, std::size_t limit, const MacroTable& macros,
              const Directive* define, CallList& list, const Stringizer* own = nullptr) {
  list = CallList{};
  std::vector<std::size_t> opened;
  std::vector<Turning> turning;
  if (own != nullptr) turning.push_back({0, kOwnStringizer - 1, own, 0, 0, 1});
  std::string spelled;
  std::size_t paren_depth = 0;
  bool line_start = false;
  std::uint32_t macros_seen = 0;
  Token t{};
  for (std::size_t pos = open; next_token(text, pos, limit, true, t);) {
    line_start |= t.line_start;
    if (t.kind == TokenKind::Comment) continue;
    const bool first_on_line = line_start;
    line_start = false;
    if (t.unterminated) {
      stop_list(list, t.kind == TokenKind::String ? CallShape::BrokenString : CallShape::Open,
                t.offset);
      break;
    }
    if (first_on_line && t.kind == TokenKind::Punct && token_is(text, t, "#")) {
      const std::size_t end = directive_end(text, t.offset, limit);
      list.directives.push_back(
          {t.offset, read_directive(text, t.offset, end).kind, list.tokens.size()});
      pos = end;
      continue;
    }
    const std::size_t index = list.tokens.size();
    if (index > 0 && opened.size() == 1 && token_is(text, t, ";")) {
      stop_list(list, CallShape::Open, t.offset);
      break;
    }
    list.tokens.push_back(t);
    list.partner.push_back(npos);
    list.depth.push_back(static_cast<std::uint32_t>(paren_depth));
    list.macros_before.push_back(macros_seen);
    list.stringized_by.push_back(stringized_at(turning));
    macros_seen += is_known_macro(macros, text, t);
    if (is_parameter(define, text, t)) add_at_depth(list.parameters_at_depth, paren_depth, index);
    if (t.kind != TokenKind::Punct) continue;
    if (define != nullptr && token_is(text, t, "##")) list.pastes.push_back(index);
    if (token_is(text, t, "(") || token_is(text, t, "[") || token_is(text, t, "{")) {
      paren_depth += token_is(text, t, "(");
      opened.push_back(index);
      if (!macros.stringizers.empty() && index > 0 && token_is(text, t, "(") &&
          list.tokens[index - 1].kind == TokenKind::Identifier)
        if (const Stringizer* m =
                find_stringizer(macros, spelling(text, list.tokens[index - 1], spelled)))
          turning.push_back({index, index - 1, m, 0, stringized_at(turning), paren_depth});
    } else if (token_is(text, t, ")") || token_is(text, t, "]") || token_is(text, t, "}")) {
      // A closer that is not the one expected: the brackets do not nest
      // as a compiler needs them to, and insertions could not be placed.
      std::string buffer;
      std::string_view want =
          opened.empty() ? ""
                         : closer_of(undigraph(spelling(text, list.tokens[opened.back()], buffer)));
      if (opened.empty() || !token_is(text, t, want)) {
        list.tokens.pop_back();
        list.partner.pop_back();
        list.depth.pop_back();
        list.macros_before.pop_back();
        list.stringized_by.pop_back();
        stop_list(list, CallShape::Open, t.offset);
        break;
      }
      paren_depth -= want == ")";
      list.depth[index] = static_cast<std::uint32_t>(paren_depth);
      list.partner[opened.back()] = index;
      list.partner[index] = opened.back();
      if (!turning.empty() && turning.back().open == opened.back()) turning.pop_back();
      opened.pop_back();
      if (opened.empty()) break;  // the list's own ")"
    } else if (token_is(text, t, ",")) {
      add_at_depth(list.commas_at_depth, paren_depth, index);
      // Only parentheses keep a comma inside a macro's argument.
      if (!turning.empty() && turning.back().depth == paren_depth) ++turning.back().argument;
    }
  }
  list.macros_before.push_back(macros_seen);
  if (list.stopped == npos && (list.tokens.empty() || list.partner[0] == npos))
    stop_list(list, limit < text.size() ? CallShape::Open : CallShape::BrokenList, limit);
}

bool any_in(const std::vector<std::size_t>& sorted, std::size_t from, std::size_t to) {
  auto found = std::lower_bound(sorted.begin(), sorted.end(), from);
  return found != sorted.end() && *found < to;
}

// The argument of `list` made of tokens [first, end), whose top level lies
// inside `depth` parentheses of the list.
TokenArg make_arg(const CallList& list, std::size_t first, std::size_t end, std::size_t depth) {
  TokenArg a;
  a.tokens = Tokens(list.tokens).subspan(first, end - first);
  a.has_macros = list.macros_before[end] != list.macros_before[first];
  auto at_depth = [&](const std::vector<std::vector<std::size_t>>& by_depth) {
    return depth < by_depth.size() && any_in(by_depth[depth], first, end);
  };
  a.has_parameters = at_depth(list.parameters_at_depth) || any_in(list.pastes, first, end);
  a.bare_comma = at_depth(list.commas_at_depth);
  auto by_place = [](const ListDirective& d, std::size_t index) { return d.before < index; };
  auto from = std::lower_bound(list.directives.begin(), list.directives.end(), first, by_place);
  auto after = std::lower_bound(from, list.directives.end(), first + 1, by_place);
  a.directives = static_cast<std::size_t>(from - list.directives.begin());
  a.directive_count = static_cast<std::size_t>(after - from);
  if (a.directive_count > 0) a.directive_before = from->at;
  // A directive after its first token, up to the comma or ")" that ends it.
  if (after != list.directives.end() && after->before <= end && end > first)
    a.directive_inside = after->at;
  return a;
}

// The call whose "(" is token `open` of `list`.
void make_call(std::string_view text, const CallList& list, std::size_t open, TokenCall& call) {
  call.list = &list;
  call.first_token = open + 1;
  std::size_t end = list.partner[open];
  if (end == npos) {
    call.shape = list.end_shape;
    call.stopped = list.stopped;
    end = list.tokens.size();
  } else {
    call.close = list.tokens[end].offset;
  }
  call.end_token = end;
  const std::size_t depth = list.depth[open] + 1;  // inside the call's own "("
  std::size_t first = open + 1;
  for (std::size_t k = first; k < end;) {
    const Token& t = list.tokens[k];
    if (token_is(text, t, ",")) {
      call.args.push_back(make_arg(list, first, k, depth));
      first = ++k;
    } else if (token_is(text, t, ";")) {
      call.shape = CallShape::Open;
      call.stopped = t.offset;
      return;
    } else if (list.partner[k] != npos && list.partner[k] > k) {
      k = list.partner[k] + 1;
    } else if (list.partner[k] == npos && t.kind == TokenKind::Punct &&
               (token_is(text, t, "(") || token_is(text, t, "[") || token_is(text, t, "{"))) {
      k = end;  // an opener the list never closed: the rest is this argument
    } else {
      ++k;
    }
  }
  TokenArg last = make_arg(list, first, end, depth);
  if (!call.args.empty() || !last.tokens.empty() || last.directive_count > 0)
    call.args.push_back(std::move(last));
}

// An old-style definition's head: a list of bare names, then declarations
// of them ("int a; char *b;") up to the "{".
bool old_style_definition(std::string_view text, const TokenCall& call, std::size_t limit) {
  if (call.args.empty()) return false;
  for (const TokenArg& a : call.args)
    if (a.tokens.size() != 1 || a.tokens[0].kind != TokenKind::Identifier) return false;
  std::size_t pos = call.close + 1, depth = 0, declarations = 0;
  Token t{};
  for (std::size_t n = 0; n < kDeclarationTokens && next_token(text, pos, limit, false, t); ++n) {
    if (n == 0 && t.kind != TokenKind::Identifier) return false;
    if (t.kind == TokenKind::String || t.kind == TokenKind::Char) return false;
    if (t.kind != TokenKind::Punct) continue;
    if (token_is(text, t, "(") || token_is(text, t, "[")) {
      ++depth;
    } else if (token_is(text, t, ")") || token_is(text, t, "]")) {
      if (depth-- == 0) return false;
    } else if (token_is(text, t, ";")) {
      if (depth != 0) return false;
      ++declarations;
    } else if (token_is(text, t, "{")) {
      return depth == 0 && declarations > 0;
    } else if (!token_is(text, t, "*") && !token_is(text, t, ",")) {
      return false;
    }
  }
  return false;
}

// A number, string or character literal outside any brackets of the
// argument's own, or a pair macro there: a value, as no parameter
// declaration holds one. A pair macro counts whatever its halves hold, so
// that a call reads alike before and after its conversion, which may wrap
// a half holding the literal in parentheses; inside brackets it counts no
// more than a literal does, so that converting a call nested in an
// argument changes nothing of how the argument reads.
bool holds_value_literal(std::string_view text, Tokens tokens) {
  std::size_t depth = 0;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const Token& t = tokens[k];
    if (t.kind == TokenKind::Punct) {
      if (token_is(text, t, "(") || token_is(text, t, "[") || token_is(text, t, "{")) {
        if (depth == 0 && k > 0 && token_is(text, t, "(") &&
            (token_is(text, tokens[k - 1], "Q5T") || token_is(text, tokens[k - 1], "Q5LT") ||
             token_is(text, tokens[k - 1], "Q5ST")))
          return true;
        ++depth;
      } else if (depth > 0 &&
                 (token_is(text, t, ")") || token_is(text, t, "]") || token_is(text, t, "}"))) {
        --depth;
      }
    } else if (depth == 0 && (t.kind == TokenKind::Number || t.kind == TokenKind::String ||
                              t.kind == TokenKind::Char)) {
      return true;
    }
  }
  return false;
}

// A definition's head or a prototype: not a call. Two names side by side
// read like a parameter ("Widget w"), but a macro makes them in a call too
// ("CAST s"): a literal value elsewhere in the list tells the call.
bool declares(std::string_view text, const TokenCall& call, std::size_t limit, bool outermost) {
  auto parameter = [&](const TokenArg& a) { return reads_like_parameter(text, a.tokens); };
  auto value = [&](const TokenArg& a) { return holds_value_literal(text, a.tokens); };
  if (std::any_of(call.args.begin(), call.args.end(), parameter) &&
      std::none_of(call.args.begin(), call.args.end(), value))
    return true;
  if (!outermost) return false;
  std::size_t after = call.close + 1;
  Token t{};
  if (next_token(text, after, limit, false, t) && is_punct(text, t, "{")) return true;
  return old_style_definition(text, call, limit);
}

// The next call in the list being read, from `search.next_inside` on.
bool next_in_list(std::string_view text, const MacroTable& macros, CallSearch& search,
                  TokenCall& call) {
  const CallList& list = search.list;
  std::string buffer;
  for (std::size_t k = search.next_inside; k + 1 < list.tokens.size(); ++k) {
    const Token& t = list.tokens[k];
    if (t.kind != TokenKind::Identifier) continue;
    bool renamed = false;
    const CallAlias* alias = nullptr;
    int row = call_row(spelling(text, t, buffer), macros, renamed, alias);
    if (row < 0) continue;
    std::size_t paren = k + 1;
    const bool grouped = k >= 2 && k + 2 < list.tokens.size() && list.partner[k - 1] == k + 1 &&
                         token_is(text, list.tokens[k - 1], "(") &&
                         token_is(text, list.tokens[k + 2], "(") &&
                         groups_after(text, list.tokens[k - 2]);
    if (grouped) paren = k + 2;
    while (!grouped && paren + 1 < list.tokens.size() && paren - k <= kMostEmptyMacros &&
           expands_to_nothing(macros, text, list.tokens[paren]))
      ++paren;
    if (!token_is(text, list.tokens[paren], "(")) continue;
    call = TokenCall{};
    call.row = row;
    call.renamed = renamed;
    call.alias = alias;
    call.name = t.offset;
    call.name_end = token_end(t);
    if (search.directive_end != 0) call.in_definition = search.directive.name;
    call.empty_macro = !grouped && paren > k + 1;
    call.grouped = grouped;
    if (const std::uint32_t by = list.stringized_by[k]; by != 0)
      call.stringized_by = by == kOwnStringizer
                               ? list.stringizer
                               : std::string(spelling(text, list.tokens[by - 1], buffer));
    make_call(text, list, paren, call);
    search.next_inside = paren;
    if (call.shape == CallShape::Call && declares(text, call, text.size(), false)) continue;
    return true;
  }
  search.in_list = false;
  search.cursor.pos = search.list_end;
  return false;
}

// A stringizer's invocation (not in a call's list): the calls in the
// arguments it turns are read as in a call's list, and marked.
void enter_stringizer(std::string_view text, const MacroTable& macros, CallSearch& search,
                      std::string_view name, std::size_t pos, std::size_t limit) {
  const Stringizer* own = find_stringizer(macros, name);
  Token paren{};
  if (own == nullptr || !next_token(text, pos, limit, false, paren) || !is_punct(text, paren, "("))
    return;
  CallList list;
  lex_list(text, paren.offset, limit, macros,
           search.directive_end != 0 ? &search.directive : nullptr, list, own);
  // A list that does not end: its calls are read on their own.
  if (list.stopped != npos) return;
  list.stringizer = std::string(name);
  search.list = std::move(list);
  search.list_end = token_end(search.list.tokens[search.list.partner[0]]);
  search.in_list = true;
  search.next_inside = 1;
}

}  // namespace

bool next_token_call(std::string_view text, const MacroTable& macros, CallSearch& search,
                     TokenCall& call) {
  const std::size_t n = text.size();
  std::string buffer;
  for (;;) {
    if (search.in_list && next_in_list(text, macros, search, call)) return true;
    search.cursor.more_starts = macros.name_starts;
    const std::size_t scan_from = search.cursor.pos;
    std::size_t at = 0;
    const CodeStop stop = next_stop(text, search.cursor, n, at);
    if (stop == CodeStop::End) return false;
    // What a macro's body ends with stands before no code after it.
    std::size_t code_from = scan_from;
    if (search.directive_end != 0 && at >= search.directive_end) {
      code_from = std::max(code_from, search.directive_end);
      search.directive_end = 0;
    }
    if (stop == CodeStop::Directive) {
      const std::size_t end = directive_end(text, at, n);
      search.directive = read_directive(text, at, end);
      // Only a macro's body holds calls; nothing else on a directive line does.
      const bool define = search.directive.kind == DirectiveKind::Define;
      search.directive_end = define ? end : 0;
      search.cursor.pos = define ? search.directive.body : end;
      continue;
    }
    Token name{};
    std::size_t pos = at;
    const std::size_t limit = search.directive_end != 0 ? search.directive_end : n;
    next_token(text, pos, limit, false, name);
    search.cursor.pos = pos;
    bool renamed = false;
    const CallAlias* alias = nullptr;
    const int row = call_row(spelling(text, name, buffer), macros, renamed, alias);
    if (row < 0) {
      enter_stringizer(text, macros, search, spelling(text, name, buffer), pos, limit);
      continue;
    }
    Token paren{};
    bool more = next_token(text, pos, limit, false, paren);
    int empty = 0;
    const bool grouped = more && is_punct(text, paren, ")") && grouped_from(text, code_from, at);
    if (grouped) more = next_token(text, pos, limit, false, paren);
    for (; more && !grouped && empty < kMostEmptyMacros && expands_to_nothing(macros, text, paren);
         ++empty)
      more = next_token(text, pos, limit, false, paren);
    if (!more || !is_punct(text, paren, "(")) continue;
    lex_list(text, paren.offset, limit, macros,
             search.directive_end != 0 ? &search.directive : nullptr, search.list);
    const CallList& list = search.list;
    search.list_end = list.stopped != npos ? std::min(list.stopped, limit)
                                           : token_end(list.tokens[list.partner[0]]);
    call = TokenCall{};
    call.row = row;
    call.renamed = renamed;
    call.alias = alias;
    call.empty_macro = empty > 0;
    call.grouped = grouped;
    call.name = at;
    call.name_end = token_end(name);
    if (search.directive_end != 0) call.in_definition = search.directive.name;
    make_call(text, list, 0, call);
    // A declaration is no call, but what reads like one may hold calls,
    // each read on its own as in any list.
    search.in_list = true;
    search.next_inside = 1;
    if (call.shape == CallShape::Call && declares(text, call, limit, true)) continue;
    return true;
  }
}

void skip_inside(CallSearch& search, const TokenCall& call) {
  if (call.first_token == 1) {
    search.in_list = false;
    search.cursor.pos = search.list_end;
    return;
  }
  search.next_inside = std::max(search.next_inside, call.end_token);
}

}  // namespace q5
