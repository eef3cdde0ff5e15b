#include "engine/reader/token_call.h"

#include <string.h>

#include <algorithm>
#include <cstring>

#include "engine/call_table.h"
#include "engine/reader/argument_kinds.h"

namespace q5 {

namespace {

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
  return k >= 6 && text.substr(k - 6, 6) == "define" &&
         (k == 6 || !is_identifier_byte(text[k - 7]));
}

// Where the preprocessor line that `at` stands on ends, or the text's end
// when it stands on none: a call in a macro definition ends with it. The
// last line asked about is remembered, so that many calls on one long line
// cost one look back.
std::size_t list_limit(std::string_view text, std::size_t at, CallSearch& search) {
  const char* data = text.data();
  bool same_line =
      search.asked <= at && std::memchr(data + search.asked, '\n', at - search.asked) == nullptr;
  search.asked = at;
  if (!same_line) {
    std::size_t start = at;
    for (;;) {
      const void* found = start > 0 ? ::memrchr(data, '\n', start) : nullptr;
      if (found == nullptr) {
        start = 0;
        break;
      }
      std::size_t newline = static_cast<std::size_t>(static_cast<const char*>(found) - data);
      bool spliced =
          newline > 0 && (data[newline - 1] == '\\' ||
                          (data[newline - 1] == '\r' && newline > 1 && data[newline - 2] == '\\'));
      start = spliced ? newline : newline + 1;
      if (!spliced) break;
    }
    while (start < at && (data[start] == ' ' || data[start] == '\t')) ++start;
    search.line_end =
        start < at && data[start] == '#' ? directive_end(text, start, text.size()) : npos;
  }
  return search.line_end == npos ? text.size() : search.line_end;
}

// The lexer ends a literal without its closing quote at the line's end.
bool literal_closed(std::string_view text, const Token& t, char quote) {
  std::size_t last = t.offset + t.length - 1;
  if (t.length < 2 || text[last] != quote) return false;
  std::size_t run = 0;
  while (last - run > t.offset && text[last - 1 - run] == '\\') ++run;
  return run % 2 == 0;
}

// Splits the list that starts after its "(" at `pos`, up to `limit`.
void split_list(std::string_view text, std::size_t pos, std::size_t limit, TokenCall& call) {
  TokenArg current;
  std::string open;  // the closers the brackets opened so far expect
  Token t{};
  while (next_token(text, pos, limit, true, t)) {
    if (t.kind == TokenKind::Comment) continue;
    if (t.kind == TokenKind::String && !literal_closed(text, t, '"')) {
      call.shape = CallShape::BrokenString;
      call.stopped = t.offset;
      return;
    }
    // A ")" put after it would fall inside it: the call is left.
    if (t.kind == TokenKind::Char && !literal_closed(text, t, '\'')) {
      call.shape = CallShape::Open;
      call.stopped = t.offset;
      return;
    }
    if (t.kind == TokenKind::Punct) {
      std::string_view p = token_raw(text, t);
      if (p == "#" && opens_directive(text, t.offset)) {
        std::size_t& mark =
            current.tokens.empty() ? current.directive_before : current.directive_inside;
        if (mark == npos) mark = t.offset;
        pos = directive_end(text, t.offset, limit);
        continue;
      }
      const std::size_t depth = open.size();
      if (depth == 0 && p == ")") {
        if (!call.args.empty() || !current.tokens.empty() || current.directive_before != npos)
          call.args.push_back(std::move(current));
        call.close = t.offset;
        return;
      }
      if (depth == 0 && p == ",") {
        call.args.push_back(std::move(current));
        current = TokenArg{};
        continue;
      }
      if (depth == 0 && p == ";") {
        call.shape = CallShape::Open;
        call.stopped = t.offset;
        return;
      }
      if (p == "(" || p == "[" || p == "{") open += p == "(" ? ')' : p == "[" ? ']' : '}';
      if (p == ")" || p == "]" || p == "}") {
        // A closer that is not the one expected: the brackets do not nest
        // as a compiler needs them to, and insertions could not be placed.
        if (depth == 0 || open.back() != p[0]) {
          call.shape = CallShape::Open;
          call.stopped = t.offset;
          return;
        }
        open.pop_back();
      }
    }
    current.tokens.push_back(t);
  }
  call.shape = limit < text.size() ? CallShape::Open : CallShape::BrokenList;
  call.stopped = limit;
}

// A definition's head or a prototype: not a call.
bool declares(std::string_view text, const TokenCall& call) {
  std::size_t after = call.close + 1;
  Token t{};
  if (next_token(text, after, text.size(), false, t) && is_punct(text, t, "{")) return true;
  return std::any_of(call.args.begin(), call.args.end(),
                     [&](const TokenArg& a) { return reads_like_parameter(text, a.tokens); });
}

}  // namespace

std::size_t token_end(const Token& t) { return t.offset + t.length; }

bool next_token_call(std::string_view text, CallSearch& search, TokenCall& call) {
  const std::size_t n = text.size();
  for (std::size_t at; (at = next_code_name(text, search.pos, n)) < n;) {
    std::size_t name_end = at;
    while (name_end < n && is_identifier_byte(text[name_end])) ++name_end;
    search.pos = name_end;
    std::string_view name = text.substr(at, name_end - at);
    const bool renamed = name == "Q5TagGetS";
    const int row = find_row(renamed ? std::string_view("Q5TagGet") : name);
    if (row < 0) continue;
    const std::size_t limit = list_limit(text, at, search);
    std::size_t open = name_end;
    Token t{};
    if (!next_token(text, open, limit, false, t) || !is_punct(text, t, "(") ||
        follows_define(text, at))
      continue;
    call = TokenCall{};
    call.row = row;
    call.renamed = renamed;
    call.name = at;
    call.name_end = name_end;
    call.in_definition = limit < n;
    split_list(text, open, limit, call);
    if (call.shape == CallShape::Call && declares(text, call)) continue;
    return true;
  }
  return false;
}

}  // namespace q5
