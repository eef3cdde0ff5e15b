#include "diagnose/diagnose.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "engine/argument_kinds.h"
#include "engine/call_table.h"
#include "engine/rewriters.h"

namespace q5 {

namespace {

enum class Family { TagList, Xt, TagGet };

Family family_of(int row) {
  Rewriter rewriter = call_table()[row].rewriter;
  if (rewriter == rewrite_xt_list) return Family::Xt;
  if (rewriter == rewrite_tag_get) return Family::TagGet;
  return Family::TagList;
}

// A finding before merging. Lost tokens that lie in [cover_from, cover_to)
// are folded into it; when `shows_cover` is set its message shows them
// already.
struct Finding {
  Diagnostic diagnostic;
  std::size_t cover_from = 0;
  std::size_t cover_to = 0;
  bool shows_cover = false;
};

Finding finding(Rule rule, std::size_t offset, std::string message) {
  return {Diagnostic{rule, rule_info(rule).severity, offset, std::move(message), {}}};
}

// What the scanner skips between a call's name and its "(".
bool only_call_blanks(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), is_call_blank);
}

// What a terminator should be: the conversion's own tests take more.
bool is_terminator_like(Family family, std::string_view text, Tokens tokens) {
  switch (family) {
    case Family::Xt:
      return is_plain_null(text, tokens);
    case Family::TagList:
    case Family::TagGet:
      return is_tag_end(text, tokens);
  }
  return false;
}

// The tokens that start in [from, to), each lexed whole even where it runs
// on past `to` (a character literal whose ")" the conversion took for the
// list's end).
std::vector<Token> lex_span(std::string_view text, std::size_t from, std::size_t to,
                            bool keep_comments) {
  std::vector<Token> tokens;
  Token t{};
  while (next_token(text, from, text.size(), keep_comments, t) && t.offset < to) tokens.push_back(t);
  return tokens;
}

// One recorded call, lexed, with each argument's tokens.
struct CallView {
  std::string_view text;
  const CallRecord& call;
  Family family;
  int fixed;
  std::vector<Token> tokens;  // comments included
  std::vector<std::vector<Token>> args;  // comments and the separator left out
};

CallView view_call(std::string_view text, const CallRecord& call) {
  CallView v{text, call, family_of(call.row), call_table()[call.row].fixed_count,
             lex_span(text, call.begin, call.end, true), {}};
  const std::size_t count = call.roles.size();
  v.args.resize(count);
  if (call.origins.size() != count + 1) return v;
  std::size_t k = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t from = call.origins[i], to = call.origins[i + 1];
    while (k < v.tokens.size() && v.tokens[k].offset < from) ++k;
    for (; k < v.tokens.size() && v.tokens[k].offset < to; ++k)
      if (v.tokens[k].kind != TokenKind::Comment) v.args[i].push_back(v.tokens[k]);
    std::vector<Token>& arg = v.args[i];
    if (!arg.empty() && arg.back().offset + 1 == to && is_punct(text, arg.back(), ",")) arg.pop_back();
  }
  return v;
}

std::string_view noun(Family family) { return family == Family::Xt ? "resource" : "tag"; }

// The argument's first byte that is not blank: where a caret should go.
std::size_t argument_spot(const CallView& v, std::size_t i) {
  if (!v.args[i].empty()) return v.args[i].front().offset;
  return v.call.origins[i];
}

// The tag whose pair a value at `i` closes.
std::string tag_before(const CallView& v, std::size_t i) {
  for (std::size_t k = i; k-- > 0;)
    if (v.call.roles[k] == ArgRole::Tag) return quoted(v.text, v.args[k]);
  return "'?'";
}

void check_terminator(const CallView& v, std::vector<Finding>& out, bool split) {
  const auto& roles = v.call.roles;
  const std::size_t count = roles.size();
  auto terminator = std::find(roles.begin(), roles.end(), ArgRole::Terminator);
  if (terminator == roles.end()) {
    if (split) return;
    // A terminator-like value: the list was left without a terminator.
    for (std::size_t i = 0; i < count; ++i) {
      if (roles[i] != ArgRole::Value || !is_terminator_like(v.family, v.text, v.args[i])) continue;
      if (v.family == Family::Xt && i + 1 != count) continue;  // NULL is a fine value mid-list
      out.push_back(finding(Rule::TerminatorAsValue, argument_spot(v, i),
                            "terminator " + quoted(v.text, v.args[i]) +
                                " stands in value position: it is written as the value of " +
                                tag_before(v, i) + " and the call has no terminator"));
      break;
    }
    return;
  }

  const std::size_t t = static_cast<std::size_t>(terminator - roles.begin());
  const Tokens arg = v.args[t];
  std::string shown = quoted(v.text, arg);
  if (!arg.empty() && !is_terminator_like(v.family, v.text, arg)) {
    std::string message;
    bool directive = is_punct(v.text, arg.front(), "#");
    if (v.family == Family::Xt)
      message = (directive ? "preprocessor line " : std::string(noun(v.family)) + " ") + shown +
                " taken for the list's terminator because it holds " +
                (show(v.text, arg).find('0') != std::string::npos ? "a 0 digit" : "NULL");
    else
      message = "argument " + shown + " taken for the list's terminator because it " +
                (v.family == Family::TagGet ? "contains" : "starts with") +
                " Q5TAG_END or Q5RA_Done";
    out.push_back(finding(Rule::TerminatorGuess, argument_spot(v, t), std::move(message)));
  }

  // Whatever follows the terminator is not written.
  std::size_t first = t + 1;
  std::vector<Token> dropped;
  for (const Token& tok : v.tokens)
    if (tok.kind != TokenKind::Comment && tok.offset >= v.call.origins[first] &&
        tok.offset < v.call.origins[count])
      dropped.push_back(tok);
  if (dropped.empty()) return;
  std::size_t dropped_args = 0;
  for (std::size_t i = first; i < count; ++i) dropped_args += !v.args[i].empty();
  Finding f = finding(Rule::DroppedArguments, dropped.front().offset,
                      std::to_string(dropped_args) + (dropped_args == 1 ? " argument" : " arguments") +
                          " after the terminator " + shown + " dropped: " + quoted(v.text, dropped));
  f.cover_from = v.call.origins[t + 1] - 1;  // the comma before them too
  f.cover_to = v.call.origins[count] + 1;  // and the call's ")"
  f.shows_cover = true;
  out.push_back(std::move(f));
}

void check_unclosed_pair(const CallView& v, std::vector<Finding>& out) {
  const std::size_t count = v.call.roles.size();
  if (count == 0 || v.call.roles[count - 1] != ArgRole::Tag) return;
  const Tokens arg = v.args[count - 1];
  std::size_t spot = arg.empty() ? v.call.origins[count] : argument_spot(v, count - 1);
  std::string message = std::string(noun(v.family)) + " " + quoted(v.text, arg) +
                        " has no value: its pair is closed only by the call's ')'";
  out.push_back(finding(Rule::UnclosedPair, spot, std::move(message)));
}

bool explains_shift(Rule rule) {
  return rule == Rule::DirectiveInList || rule == Rule::XtSpecialArgument ||
         rule == Rule::ShiftedPairing || rule == Rule::CharLiteralSplit;
}

// One report per cascade: a list left without terminator, or a pair left
// open, after a shift already reported in the same call is its result, so
// it goes into that report. In a declaration the pairing means nothing.
void fold_consequences(std::vector<Finding>& here) {
  std::stable_sort(here.begin(), here.end(), [](const Finding& a, const Finding& b) {
    return a.diagnostic.offset < b.diagnostic.offset;
  });
  const bool declaration = std::any_of(here.begin(), here.end(), [](const Finding& f) {
    return f.diagnostic.rule == Rule::Declaration;
  });
  Finding* cause = nullptr;
  std::vector<Finding> kept;
  kept.reserve(here.size());  // `cause` points into it
  for (Finding& f : here) {
    Rule rule = f.diagnostic.rule;
    bool consequence = rule == Rule::TerminatorAsValue || rule == Rule::UnclosedPair;
    if (declaration && (consequence || rule == Rule::ShiftedPairing)) continue;
    if (consequence && cause != nullptr) {
      cause->diagnostic.message += "; so the " + f.diagnostic.message;
      cause->diagnostic.merged.push_back(rule);
      continue;
    }
    kept.push_back(std::move(f));
    if (cause == nullptr && explains_shift(rule)) cause = &kept.back();
  }
  here = std::move(kept);
}

// The rules that look at one argument at a time, in list order. A
// pairing hint is given once per call, and not after another finding that
// already explains a shift.
void check_arguments(const CallView& v, std::vector<Finding>& out) {
  const auto& roles = v.call.roles;
  bool shift_explained = false;
  bool declaration_seen = false;
  for (std::size_t i = 0; i < roles.size(); ++i) {
    const Tokens arg = v.args[i];
    if (arg.empty()) continue;
    const ArgRole role = roles[i];
    const std::size_t spot = argument_spot(v, i);

    if (!declaration_seen && role != ArgRole::Dropped && reads_like_parameter(v.text, arg)) {
      declaration_seen = true;
      out.push_back(finding(Rule::Declaration, spot,
                            "argument " + quoted(v.text, arg) +
                                " reads as a parameter: a declaration rewritten like a call"));
    }

    if (role == ArgRole::Directive && !is_punct(v.text, arg[0], "#")) {
      Finding f = finding(Rule::DirectiveInList, spot,
                          "argument " + quoted(v.text, arg) +
                              " taken for a preprocessor line because it contains #if, #else or "
                              "#endif: the comma after it is dropped");
      f.cover_from = spot;
      f.cover_to = v.call.origins[i + 1];
      f.shows_cover = true;
      out.push_back(std::move(f));
      shift_explained = true;
      continue;
    }

    // Preprocessor lines: a "#" that the list's pairing went through.
    auto hash = std::find_if(arg.begin(), arg.end(), [&](const Token& t) { return is_punct(v.text, t, "#"); });
    if (hash != arg.end() && (role == ArgRole::Tag || role == ArgRole::Value || role == ArgRole::Fixed)) {
      Tokens line = arg.subspan(static_cast<std::size_t>(hash - arg.begin()));
      // Only blanks back to the line's start: looked at from the '#' back,
      // which stops at the first other byte rather than walking a long line.
      std::size_t back = hash->offset;
      while (back > 0 && (v.text[back - 1] == ' ' || v.text[back - 1] == '\t')) --back;
      const bool at_line_start = back == 0 || v.text[back - 1] == '\n';
      std::string message;
      if (!at_line_start) {
        message = quoted(v.text, line) +
                  " read as a preprocessor line (a '#' inside the line): the rest of the line is one argument";
      } else if (role == ArgRole::Fixed) {
        if (static_cast<int>(i) < v.fixed && roles.size() > static_cast<std::size_t>(v.fixed) &&
            hash == arg.begin())
          message = "preprocessor line " + quoted(v.text, line) +
                    " among the leading arguments: the tag list starts one argument early";
      } else if (shift_explained) {
        // Later lines only follow the shift already reported.
      } else if (hash != arg.begin()) {
        message = "preprocessor line " + quoted(v.text, line) + " inside the pair of " +
                  (role == ArgRole::Tag ? quoted(v.text, arg.first(hash - arg.begin())) : tag_before(v, i)) +
                  ": a directive inside a pair macro's arguments";
      } else if (role == ArgRole::Value) {
        message = "preprocessor line " + quoted(v.text, line) + " between " + std::string(noun(v.family)) +
                  " " + tag_before(v, i) +
                  " and its value: it is written as the value and the pairing after it shifts";
      } else {
        message = "preprocessor line " + quoted(v.text, line) + " wrapped as a " + std::string(noun(v.family));
      }
      shift_explained |= role != ArgRole::Fixed || !message.empty();
      if (!message.empty()) out.push_back(finding(Rule::DirectiveInList, hash->offset, std::move(message)));
      continue;
    }

    if (v.family == Family::Xt && static_cast<int>(i) >= v.fixed &&
        (role == ArgRole::Tag || role == ArgRole::Value) &&
        (starts_with_name(v.text, arg[0], "XtVaTypedArg") ||
         starts_with_name(v.text, arg[0], "XtVaNestedList"))) {
      std::string name(token_raw(v.text, arg[0]));
      out.push_back(finding(Rule::XtSpecialArgument, spot,
                            name + (name == "XtVaNestedList" ? " takes one nested list"
                                                             : " takes four arguments") +
                                ", not a resource and a value: the pairing around it is wrong"));
      shift_explained = true;
      continue;
    }

    if (shift_explained) continue;
    if (role == ArgRole::Value && reads_like_tag(v.text, arg) && !is_terminator_like(v.family, v.text, arg)) {
      out.push_back(finding(Rule::ShiftedPairing, spot,
                            "value " + quoted(v.text, arg) + " of " + tag_before(v, i) + " reads like a " +
                                std::string(noun(v.family)) + " name: the pairing may be shifted"));
      shift_explained = true;
    } else if (role == ArgRole::Tag && is_literal(v.text, arg)) {
      out.push_back(finding(Rule::ShiftedPairing, spot,
                            std::string(noun(v.family)) + " " + quoted(v.text, arg) +
                                " is a literal: the pairing before it may be shifted"));
      shift_explained = true;
    } else if (role == ArgRole::Tag && is_macro_call(v.text, arg)) {
      out.push_back(finding(Rule::ShiftedPairing, spot,
                            std::string(noun(v.family)) + " " + quoted(v.text, arg) +
                                " is a macro call: if it expands to two arguments, the pairing after "
                                "it is shifted"));
      shift_explained = true;
    }
  }
}

// Character literals and comments, with the nesting a compiler sees: at
// the list's own level a quoted comma or double quote splits or opens, at
// any level a quoted parenthesis changes the count; comments outside
// parentheses and preprocessor lines are not written.
// Says whether a character literal was split.
bool check_literals_and_comments(const CallView& v, std::vector<Finding>& out) {
  bool split = false;
  std::size_t depth = 0, directive_end = 0, comments = 0, first_comment = 0;
  for (const Token& t : v.tokens) {
    if (t.kind == TokenKind::Punct) {
      if (token_is(v.text, t, "(")) ++depth;
      if (token_is(v.text, t, ")") && depth > 0) --depth;
      if (depth == 1 && token_is(v.text, t, "#")) {
        // Only the call's own tokens are compared with it: the search
        // stops at the call's end, not at the end of a long line.
        std::size_t newline = v.text.substr(0, v.call.end).find('\n', t.offset);
        directive_end = newline == std::string_view::npos ? v.text.size() : newline;
      }
      continue;
    }
    if (t.kind == TokenKind::Comment && depth == 1 && t.offset >= directive_end) {
      if (comments++ == 0) first_comment = t.offset;
      continue;
    }
    if (t.kind != TokenKind::Char || depth == 0) continue;
    std::string_view raw = token_raw(v.text, t);
    std::string_view inside = raw.substr(raw.find('\'') + 1);
    std::string_view effect;
    if (inside.find_first_of("()") != std::string_view::npos)
      effect = " holds a parenthesis: the conversion counts it in the nesting";
    else if (depth == 1 && inside.find(',') != std::string_view::npos)
      effect = " holds a comma: the conversion splits the argument there";
    else if (depth == 1 && inside.find('"') != std::string_view::npos)
      effect = " holds a double quote: the conversion reads a string from there";
    if (!effect.empty()) {
      Finding f = finding(Rule::CharLiteralSplit, t.offset,
                          "character literal " + show(v.text, Tokens(&t, 1)) + std::string(effect));
      f.cover_from = t.offset;
      f.cover_to = t.offset + t.length;
      f.shows_cover = true;
      out.push_back(std::move(f));
      split = true;
    }
  }
  if (comments > 0)
    out.push_back(finding(Rule::CommentRemoved, first_comment,
                          comments == 1 ? std::string("comment removed from the argument list")
                                        : std::to_string(comments) + " comments removed from the argument list"));
  return split;
}

bool added_by_conversion(std::string_view text, const Token& t) {
  if (t.kind == TokenKind::Punct)
    return token_is(text, t, "(") || token_is(text, t, ")") || token_is(text, t, ",") ||
           token_is(text, t, "*");
  if (t.kind == TokenKind::Identifier)
    return token_is(text, t, "Q5T") || token_is(text, t, "Q5LT") || token_is(text, t, "Q5ST") ||
           token_is(text, t, "char");
  return false;
}

// Beyond this many cells the greedy alignment is shown as it is.
constexpr std::size_t kAlignCells = std::size_t{1} << 20;

// The alignment that loses the fewest names and literals, then the fewest
// punctuators, then leaves the fewest output tokens unexplained: a small
// edit distance, used to show a loss well once the greedy walk found one.
// (Counting all tokens alike would rather lose a name than the three
// tokens of a dropped cast that the added "(char *)" can stand for.)
std::vector<std::size_t> align_missing(std::string_view in_text, const std::vector<Token>& in,
                                       std::string_view out_text, const std::vector<Token>& out,
                                       std::size_t in_from, std::size_t out_from) {
  const std::size_t n = in.size() - in_from, m = out.size() - out_from;
  const std::size_t w = m + 1;
  constexpr unsigned kMissingName = 16, kMissingPunct = 4, kExtra = 1;
  auto missing_cost = [&](std::size_t i) {
    return added_by_conversion(in_text, in[in_from + i]) ? kMissingPunct : kMissingName;
  };
  auto skip_cost = [&](std::size_t j) {
    return added_by_conversion(out_text, out[out_from + j]) ? 0u : kExtra;
  };
  auto matches = [&](std::size_t i, std::size_t j) {
    return same_token(in_text, in[in_from + i], out_text, out[out_from + j]);
  };
  std::vector<unsigned> cost((n + 1) * w, 0);
  for (std::size_t i = n + 1; i-- > 0;)
    for (std::size_t j = m + 1; j-- > 0;) {
      if (i == n && j == m) continue;
      unsigned best = ~0u;
      if (i < n) best = cost[(i + 1) * w + j] + missing_cost(i);
      if (j < m) best = std::min(best, cost[i * w + j + 1] + skip_cost(j));
      if (i < n && j < m && matches(i, j)) best = std::min(best, cost[(i + 1) * w + j + 1]);
      cost[i * w + j] = best;
    }
  std::vector<std::size_t> missing;
  std::size_t i = 0, j = 0;
  while (i < n || j < m) {
    unsigned here = cost[i * w + j];
    if (i < n && j < m && matches(i, j) && here == cost[(i + 1) * w + j + 1]) {
      ++i, ++j;
    } else if (j < m && here == cost[i * w + j + 1] + skip_cost(j)) {
      ++j;
    } else {
      missing.push_back(in_from + i);
      ++i;
    }
  }
  return missing;
}

std::vector<std::size_t> missing_indices(std::string_view text, const CallRecord& call,
                                         std::string_view converted, std::vector<Token>& in) {
  in = lex_span(text, call.begin, call.end, false);
  if (call.left_as_is || call.row < 0 || call.out_end > converted.size() ||
      call.out_begin > call.out_end)
    return {};
  const std::vector<Token> out = lex_span(converted, call.out_begin, call.out_end, false);
  std::size_t i = 0, j = 0;
  // Q5TagGet is written as Q5TagGetS.
  if (!in.empty() && !out.empty() && family_of(call.row) == Family::TagGet &&
      token_is(converted, out[0], "Q5TagGetS") && token_is(text, in[0], "Q5TagGet"))
    i = j = 1;
  const std::size_t in_from = i, out_from = j;
  // Greedy: an output token that differs is skipped when the conversion
  // may have added it, else the input token is missing. This finds a loss
  // exactly when the input is not the output less added tokens.
  std::vector<std::size_t> missing;
  while (i < in.size()) {
    if (j < out.size() && same_token(text, in[i], converted, out[j])) {
      ++i, ++j;
    } else if (j < out.size() && added_by_conversion(converted, out[j])) {
      ++j;
    } else {
      missing.push_back(i++);
    }
  }
  if (missing.empty()) return missing;
  if ((in.size() - in_from + 1) * (out.size() - out_from + 1) <= kAlignCells) {
    std::vector<std::size_t> better = align_missing(text, in, converted, out, in_from, out_from);
    if (!better.empty()) return better;
  }
  return missing;
}

// The bytes that plainly_nothing_lost looks at more closely when they match.
bool walk_stops_at(char c) {
  static constexpr auto kStops = [] {
    std::array<bool, 256> stops{};
    for (unsigned char b : {'"', '\\', '(', ')', '\n', '/', 'Q'}) stops[b] = true;
    return stops;
  }();
  return kStops[static_cast<unsigned char>(c)];
}

// Whether the call's output is provably its input with only pieces put in
// between two tokens, comments dropped, and blanks dropped after the
// list's ")": then no token can be lost, and most calls are decided
// without lexing. Strings are followed as the lexer reads them, and the
// output must have each byte for byte; the pieces are the pair macros,
// the cast, ")" and "," (outside strings), and newlines. A piece keeps
// every token when
//  - the byte before it is a blank, parenthesis or comma, or a newline
//    that ends no splice: a token boundary, whatever follows; or
//  - the input byte after it is a comma or parenthesis (a token of its
//    own, so the point is a boundary) and the piece does not start with
//    a letter that could run on from the byte before.
// A comment may be dropped at such a boundary too, or where the byte
// after it is a blank that the output keeps. Anything else that could
// split a token (a character literal, a literal over a line end, a
// backslash that is not a splice) sends the call to the token comparison.
bool plainly_nothing_lost(std::string_view text, const CallRecord& call, std::string_view converted) {
  if (call.origins.empty() || call.out_end > converted.size()) return false;
  std::string_view in = text.substr(call.begin, call.end - call.begin);
  std::string_view out = converted.substr(call.out_begin, call.out_end - call.out_begin);
  const std::size_t list_end = call.origins.back() - call.begin;
  if (in.find('\'') != std::string_view::npos) return false;
  auto is_blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  auto boundary_after = [&](std::size_t j) {
    if (j == 0) return false;
    const char a = out[j - 1];
    if (a == '\n')
      return !(j >= 2 && out[j - 2] == '\\') && !(j >= 3 && out[j - 2] == '\r' && out[j - 3] == '\\');
    return a == ' ' || a == '\t' || a == '(' || a == ')' || a == ',';
  };
  auto may_add = [&](std::size_t i, std::size_t j) {
    if (boundary_after(j)) return true;
    const char b = i < in.size() ? in[i] : call.end < text.size() ? text[call.end] : '\0';
    return out[j] != 'Q' && (b == ',' || b == '(' || b == ')');
  };

  // The pair macros and the cast are taken as added first, unless the
  // input has them too; a ")", "," or newline only where the input differs.
  auto added_at = [&](std::size_t j) -> std::size_t {
    if (j >= out.size()) return 0;
    std::string_view rest = out.substr(j);
    switch (out[j]) {
      case ')':
      case ',':
      case '\n':
        return 1;
      case 'Q':
        for (std::string_view macro : {"Q5T(", "Q5LT(", "Q5ST("})
          if (rest.starts_with(macro)) return macro.size();
        return 0;
      case '(':
        return rest.starts_with("(char *)") ? 8 : 0;
      default:
        return 0;
    }
  };
  auto macro_added_at = [&](std::size_t i, std::size_t j) -> std::size_t {
    if (j >= out.size() || (out[j] != 'Q' && out[j] != '(')) return 0;
    std::size_t n = added_at(j);
    return n > 1 && in.substr(i, n) != out.substr(j, n) && may_add(i, j) ? n : 0;
  };
  std::size_t i = 0, j = 0;
  if (in.starts_with("Q5TagGet") && out.starts_with("Q5TagGetS")) i = 8, j = 9;
  bool in_string = false;
  while (i < in.size()) {
    // Most bytes match and mean nothing to the walk (no quote, backslash,
    // parenthesis, newline, comment opener, and no 'Q' that could start a
    // pair macro): the steps below would only match them.
    if (std::size_t k = i; j < out.size() && in[k] == out[j] && !walk_stops_at(in[k])) {
      const std::size_t stop = std::min(in.size(), i + (out.size() - j));
      do ++k; while (k < stop && in[k] == out[j + (k - i)] && !walk_stops_at(in[k]));
      j += k - i;
      i = k;
      continue;
    }
    char c = in[i];
    if (!in_string && c == '/' && i + 1 < in.size() && (in[i + 1] == '*' || in[i + 1] == '/')) {
      // A comment, where the lexer ends it: kept whole, or dropped.
      std::size_t pos = call.begin + i;
      Token t{};
      if (!next_token(text, pos, text.size(), true, t) || t.kind != TokenKind::Comment ||
          t.offset != call.begin + i || i + t.length > list_end)
        return false;
      const std::size_t n = t.length;
      if (out.substr(j, n) == in.substr(i, n)) {
        j += n;
      } else if (!boundary_after(j) &&
                 !(j < out.size() && out[j] == in[i + n] && is_blank(in[i + n]))) {
        return false;
      }
      i += n;
      continue;
    }
    if (std::size_t n = in_string ? 0 : macro_added_at(i, j)) {
      j += n;
    } else if (j < out.size() && out[j] == c) {
      if (c == '\\') {
        // In a literal an escape pair; elsewhere only a line splice, which
        // every reader skips alike.
        std::string_view next = in.substr(i + 1, 2);
        if (in_string) {
          if (in.substr(i, 2) != out.substr(j, 2) || next.empty() || next[0] == '\n') return false;
          ++i, ++j;
        } else if (!next.starts_with("\n") && next != "\r\n") {
          return false;
        }
      } else if (c == '"') {
        in_string = !in_string;
      } else if (in_string && c == '\n') {
        return false;
      }
      ++i, ++j;
    } else if (std::size_t n = in_string ? 0 : added_at(j); n > 0 && may_add(i, j)) {
      j += n;
    } else if (i >= list_end && is_blank(c)) {
      ++i;
    } else {
      return false;
    }
  }
  while (j < out.size())
    if (std::size_t n = added_at(j); n > 0 && may_add(i, j))
      j += n;
    else
      return false;
  return !in_string;
}

void check_lost_tokens(const CallView& v, std::string_view converted, std::vector<Finding>& out,
                       bool shortcuts) {
  if (shortcuts && plainly_nothing_lost(v.text, v.call, converted)) return;
  std::vector<Token> in;
  const std::vector<std::size_t> missing = missing_indices(v.text, v.call, converted, in);
  for (std::size_t a = 0; a < missing.size();) {
    std::size_t b = a + 1;
    while (b < missing.size() && missing[b] == missing[b - 1] + 1) ++b;
    std::size_t first = missing[a], last = missing[b - 1] + 1;
    const std::size_t run_from = in[first].offset, run_to = in[last - 1].offset + in[last - 1].length;
    a = b;

    bool folded = false;
    for (Finding& f : out) {
      if (f.cover_from <= run_from && run_to <= f.cover_to && f.cover_from < f.cover_to) {
        f.diagnostic.merged.push_back(Rule::LostTokens);
        if (!f.shows_cover)
          f.diagnostic.message += " (lost: " + quoted(v.text, Tokens(in).subspan(first, last - first)) + ")";
        folded = true;
        break;
      }
    }
    if (folded) continue;
    // Shown without the commas around the lost arguments.
    std::size_t shown_first = first, shown_last = last;
    while (shown_last - shown_first > 1 && is_punct(v.text, in[shown_first], ",")) ++shown_first;
    while (shown_last - shown_first > 1 && is_punct(v.text, in[shown_last - 1], ",")) --shown_last;
    out.push_back(finding(Rule::LostTokens, in[shown_first].offset,
                          "converted call lost " +
                              quoted(v.text, Tokens(in).subspan(shown_first, shown_last - shown_first))));
  }
}

std::string_view table_name_at(std::string_view text, const Token& t) {
  std::string_view raw = token_raw(text, t);
  if (!raw.starts_with("Q5") && !raw.starts_with("XtVa")) return {};
  // Most names met are tags ("Q5A_..."): a sorted copy of the table's
  // names settles each in a few comparisons.
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> sorted;
    for (const CallEntry& entry : call_table()) sorted.push_back(entry.name);
    std::sort(sorted.begin(), sorted.end());
    return sorted;
  }();
  auto at = std::lower_bound(names.begin(), names.end(), raw);
  return at != names.end() && *at == raw ? *at : std::string_view{};
}

// Calls of table names that a compiler sees and the conversion did not
// convert: the text is lexed as a whole, up to its first NUL (after which
// the conversion does not look for calls).
void check_missed_calls(std::string_view text, const std::vector<CallRecord>& calls,
                        std::vector<Finding>& out) {
  // The calls are in input order and the names are met in input order:
  // a cursor finds whether a call begins at a name.
  auto found = calls.begin();
  const std::size_t stop = std::min(text.size(), text.find('\0'));
  std::size_t pos = 0;
  Token t{}, next{};
  auto enclosing = calls.begin();
  while ((pos = next_code_name(text, pos, stop)) < stop) {
    // A name that starts neither "Q5" nor "XtVa" is no table name: it is
    // only stepped over, as next_token would, unless a splice may go on
    // with it.
    if (text.substr(pos, 2) != "Q5" && text.substr(pos, 4) != "XtVa") {
      std::size_t k = pos + 1;
      while (k < stop && is_identifier_byte(text[k])) ++k;
      if (k >= stop || text[k] != '\\') {
        pos = k;
        continue;
      }
    }
    if (!next_token(text, pos, stop, false, t)) break;
    if (t.kind != TokenKind::Identifier) continue;
    std::string_view name = table_name_at(text, t);
    while (found != calls.end() && found->begin < t.offset) ++found;
    if (name.empty() || (found != calls.end() && found->begin == t.offset)) continue;
    std::size_t after = pos;
    if (!next_token(text, after, stop, false, next) || !is_punct(text, next, "(")) continue;

    while (enclosing != calls.end() && enclosing->end <= t.offset) ++enclosing;
    std::string message = "call of " + std::string(name) + " not converted: ";
    if (enclosing != calls.end() && enclosing->begin < t.offset)
      message += "it stands inside the arguments of " +
                 std::string(enclosing->row >= 0 ? call_table()[enclosing->row].name : "another call");
    else if (!only_call_blanks(text.substr(t.offset + t.length, next.offset - t.offset - t.length)))
      message += "a carriage return or comment stands between the name and its '('";
    else
      message += "the conversion took it for text in a string literal or comment";
    out.push_back(finding(Rule::MissedCall, t.offset, std::move(message)));
  }
}

// One diagnostic per spot: the first rule in table order speaks, the
// others are added to its message.
std::vector<Diagnostic> merge(std::vector<Finding>& findings) {
  std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    if (a.diagnostic.offset != b.diagnostic.offset) return a.diagnostic.offset < b.diagnostic.offset;
    return a.diagnostic.rule < b.diagnostic.rule;
  });
  std::vector<Diagnostic> out;
  for (Finding& f : findings) {
    Diagnostic& d = f.diagnostic;
    if (!out.empty() && out.back().offset == d.offset) {
      Diagnostic& into = out.back();
      into.message += "; " + d.message;
      into.merged.push_back(d.rule);
      into.merged.insert(into.merged.end(), d.merged.begin(), d.merged.end());
      into.severity = std::max(into.severity, d.severity);
      continue;
    }
    out.push_back(std::move(d));
  }
  return out;
}

// ---------------------------------------------------------------------
// Most calls convert cleanly, and lexing each one to show that is most of
// the checks' cost. A walk over a call's bytes decides most of them
// instead: it proves that no check can find anything but the note on
// removed comments, which it then gives itself. Whenever a proof needs
// more than the bytes, the call goes through the token checks.

// What the walk learns about one argument's code bytes: the bytes of its
// tokens (not blanks, splices or comments), the list's separating comma
// left out.
struct ArgBytes {
  std::size_t first = kNoOffset;  // first code byte
  std::size_t last = 0;           // last code byte
  bool gap = false;               // a blank, splice or comment between code bytes
  bool comment_inside = false;    // a comment between code bytes
  bool other = false;             // a code byte that is neither an identifier byte nor '*'
  bool star = false;              // a '*' outside literals
  bool hash = false;              // a '#' outside literals
};

// Walks the call's name and argument list as the lexer reads them. False
// when the call holds anything the proofs below do not cover: a character
// literal, a "##", a byte other than a blank, splice, comment or token
// byte, a literal or comment that runs over an argument's end, an
// argument boundary that a token could run across. Otherwise `args` holds
// each argument's facts, and `comments`/`first_comment` what
// check_literals_and_comments counts: comments at the list's own level,
// not on a '#' line after its '#'.
bool walk_call(std::string_view text, const CallRecord& call, std::vector<ArgBytes>& args,
               std::size_t& comments, std::size_t& first_comment) {
  const std::size_t count = call.roles.size();
  const std::size_t list_end = call.origins[count];
  if (list_end >= text.size() || text[list_end] != ')' || call.begin > call.origins[0]) return false;
  args.assign(count, ArgBytes{});
  comments = 0;
  std::size_t depth = 0, directive_end = 0;
  std::size_t i = call.begin;
  // Slot 0 is the call's name and "("; slot k + 1 is argument k.
  for (std::size_t slot = 0; slot <= count; ++slot) {
    const std::size_t from = slot == 0 ? call.begin : call.origins[slot - 1];
    const std::size_t to = call.origins[slot];
    if (from > to || i != from) return false;
    if (slot > 0 && slot < count) {
      // A token ends at the boundary: the one before is the separating
      // comma, or the boundary is a newline that is not part of a splice
      // (where a '#' line ended).
      const char before = text[to - 1];
      const bool newline = text[to] == '\n' && before != '\\' &&
                           !(before == '\r' && to >= 2 && text[to - 2] == '\\');
      if (before != ',' && !newline) return false;
    }
    ArgBytes scratch;
    ArgBytes& a = slot == 0 ? scratch : args[slot - 1];
    bool pending = false, pending_comment = false;
    auto code = [&](std::size_t at, std::size_t end, bool other) {
      if (a.first == kNoOffset) {
        a.first = at;
      } else if (pending) {
        a.gap = true;
        a.comment_inside |= pending_comment;
      }
      pending = pending_comment = false;
      a.last = end - 1;
      a.other |= other;
    };
    while (i < to) {
      const char c = text[i];
      if (is_identifier_byte(c)) {
        std::size_t k = i + 1;
        while (k < to && is_identifier_byte(text[k])) ++k;
        code(i, k, false);
        i = k;
      } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        pending = a.first != kNoOffset;
        ++i;
        while (i < to && (text[i] == ' ' || text[i] == '\t')) ++i;
      } else if (c == '\\') {
        if (text.substr(i + 1, 1) == "\n")
          i += 2;
        else if (text.substr(i + 1, 2) == "\r\n")
          i += 3;
        else
          return false;
        pending = a.first != kNoOffset;
      } else if (c == '/' && i + 1 < text.size() && (text[i + 1] == '*' || text[i + 1] == '/')) {
        std::size_t pos = i;
        Token t{};
        if (!next_token(text, pos, text.size(), true, t) || t.kind != TokenKind::Comment || pos > to)
          return false;
        if (depth == 1 && i >= directive_end && comments++ == 0) first_comment = i;
        pending = a.first != kNoOffset;
        pending_comment = pending;
        i = pos;
      } else if (c == '"') {
        // Ends as the lexer ends it; one that runs over a line end or a
        // splice is left to the token checks.
        std::size_t k = i + 1;
        while (k < to && text[k] != '"' && text[k] != '\n') k += text[k] == '\\' ? 2 : 1;
        if (k >= to || text[k] != '"') return false;
        for (std::size_t b = i + 1; b < k; ++b)
          if (text[b] == '\\' && (text[b + 1] == '\n' || text[b + 1] == '\r')) return false;
        code(i, k + 1, true);
        i = k + 1;
      } else if (c == '\'' || c == '\v' || c == '\f' || c == '\0') {
        return false;
      } else {
        if (c == ',' && i + 1 == to && slot > 0) {
          // The separator: view_call leaves it out of the argument.
          ++i;
          continue;
        }
        if (c == '(') ++depth;
        if (c == ')' && depth > 0) --depth;
        if (c == '#') {
          if (text.substr(i + 1, 1) == "#") return false;
          a.hash = true;
          if (depth == 1) {
            // Compared with the call's own bytes only: searched up to its end.
            const std::size_t newline = text.substr(0, call.end).find('\n', i);
            directive_end = newline == std::string_view::npos ? text.size() : newline;
          }
        }
        a.star |= c == '*';
        code(i, i + 1, c != '*');
        ++i;
      }
    }
  }
  return true;
}

// The argument's tokens as view_call finds them (from `from`, which the
// walk showed to be a token boundary, comments and the separator left out).
Tokens argument_tokens(std::string_view text, std::size_t from, std::size_t to,
                       std::vector<Token>& buffer) {
  buffer.clear();
  Token t{};
  while (next_token(text, from, text.size(), false, t) && t.offset < to) buffer.push_back(t);
  if (!buffer.empty() && buffer.back().offset + 1 == to && is_punct(text, buffer.back(), ","))
    buffer.pop_back();
  return buffer;
}

// Whether check_arguments and check_terminator find nothing in argument
// `i`. Each byte test below only ever answers "nothing": where one cannot,
// the argument is lexed and the check's own test decides.
bool argument_is_plain(std::string_view text, const CallRecord& call, Family family,
                       std::size_t i, const ArgBytes& a, std::vector<Token>& buffer) {
  if (a.first == kNoOffset) return true;  // no tokens: every check skips it
  const ArgRole role = call.roles[i];
  const std::string_view code = text.substr(a.first, a.last + 1 - a.first);
  // One identifier, or one number: its bytes are identifier bytes with
  // nothing between them.
  const bool one_word = !a.gap && !a.other && !a.star;
  Tokens tokens;
  bool lexed = false;
  auto lexed_tokens = [&]() {
    if (!lexed) tokens = argument_tokens(text, call.origins[i], call.origins[i + 1], buffer);
    lexed = true;
    return tokens;
  };

  // A '#' matters only as the first token of a preprocessor line taken
  // as such; anywhere else the token checks judge it.
  if (role == ArgRole::Directive) {
    if (code[0] != '#') return false;
  } else if (a.hash) {
    return false;
  }

  // q5-declaration. A parameter is words and stars, so a code byte that
  // is neither (it lies in a token that is neither an identifier nor "*")
  // rules it out, unless the last token is "]" and that byte may lie in
  // the array bound the test cuts off, or the argument is "..." itself.
  // One word is a parameter only as "void".
  bool not_parameter = false;
  if (a.comment_inside)
    not_parameter = false;
  else if (one_word)
    not_parameter = code != "void";
  else if (a.other && code.back() != ']')
    not_parameter = code != "...";
  if (!not_parameter && reads_like_parameter(text, lexed_tokens())) return false;

  switch (role) {
    case ArgRole::Tag:
      // A tag that is one identifier is no literal and no macro call.
      if (!(one_word && is_identifier_start(code[0]))) {
        Tokens arg = lexed_tokens();
        if (!arg.empty() && (is_literal(text, arg) || is_macro_call(text, arg))) return false;
      }
      [[fallthrough]];
    case ArgRole::Value:
      // The name tests read the first token's raw bytes, which start at
      // the first code byte; every name tested starts with 'X' or 'Q'.
      if (code[0] != 'X' && code[0] != 'Q') return true;
      if (code.starts_with("XtVaTypedArg") || code.starts_with("XtVaNestedList")) return false;
      if (role == ArgRole::Value) {
        bool tag_name = false;
        for (std::string_view prefix : {"XmN", "XtN", "Q5A_", "Q5TAG_", "Q5RA_"})
          tag_name |= code.starts_with(prefix);
        if (tag_name) {
          Tokens arg = lexed_tokens();
          if (reads_like_tag(text, arg) && !is_terminator_like(family, text, arg)) return false;
        }
      }
      return true;
    case ArgRole::Terminator:
      if (one_word && (family == Family::Xt ? code == "NULL" || code == "0"
                                            : code == "Q5TAG_END" || code == "Q5RA_Done"))
        return true;
      return is_terminator_like(family, text, lexed_tokens());
    case ArgRole::Fixed:
    case ArgRole::Marker:
    case ArgRole::Directive:
      return true;
    case ArgRole::Dropped:
      return false;
  }
  return false;
}

// Whether the call is decided without the token checks; if so its only
// possible finding, the note on removed comments, is added to `out`.
//  - check_literals_and_comments: no "'" means no character literal, so
//    nothing is split; the walk counts the comments as it does.
//  - check_terminator: the terminator is the last argument, so nothing is
//    dropped after it, and argument_is_plain shows it is what it should be.
//  - check_unclosed_pair: the last argument is the terminator, not a tag.
//  - check_arguments: argument_is_plain, for every argument.
//  - check_lost_tokens: plainly_nothing_lost, the test it starts with.
bool decided_by_bytes(std::string_view text, const CallRecord& call, std::string_view converted,
                      std::vector<ArgBytes>& args, std::vector<Token>& buffer,
                      std::vector<Finding>& out) {
  const std::size_t count = call.roles.size();
  if (count == 0 || call.origins.size() != count + 1 || call.roles.back() != ArgRole::Terminator)
    return false;
  std::size_t comments = 0, first_comment = 0;
  if (!walk_call(text, call, args, comments, first_comment)) return false;
  const Family family = family_of(call.row);
  for (std::size_t i = 0; i < count; ++i)
    if (!argument_is_plain(text, call, family, i, args[i], buffer)) return false;
  if (!plainly_nothing_lost(text, call, converted)) return false;
  if (comments > 0)
    out.push_back(finding(Rule::CommentRemoved, first_comment,
                          comments == 1 ? std::string("comment removed from the argument list")
                                        : std::to_string(comments) + " comments removed from the argument list"));
  return true;
}

std::vector<Diagnostic> diagnose(std::string_view text, const std::vector<CallRecord>& calls,
                                 std::string_view converted, bool shortcuts) {
  std::vector<Finding> findings;
  std::vector<ArgBytes> args;
  std::vector<Token> buffer;
  for (const CallRecord& call : calls) {
    if (call.left_as_is || call.row < 0 || call.end > text.size()) continue;
    std::vector<Finding> here;
    if (shortcuts && decided_by_bytes(text, call, converted, args, buffer, here)) {
      for (Finding& f : here) findings.push_back(std::move(f));
      continue;
    }
    const CallView v = view_call(text, call);
    // After a split literal the arguments are not what a compiler sees:
    // only what was dropped or lost is worth saying then.
    const bool split = check_literals_and_comments(v, here);
    if (call.origins.size() == call.roles.size() + 1) {
      check_terminator(v, here, split);
      if (!split) {
        check_unclosed_pair(v, here);
        check_arguments(v, here);
      }
    }
    check_lost_tokens(v, converted, here, shortcuts);
    fold_consequences(here);
    for (Finding& f : here) findings.push_back(std::move(f));
  }
  check_missed_calls(text, calls, findings);
  return merge(findings);
}

}  // namespace

std::vector<Token> lost_tokens(std::string_view text, const CallRecord& call,
                               std::string_view converted) {
  std::vector<Token> in;
  std::vector<Token> lost;
  for (std::size_t i : missing_indices(text, call, converted, in)) lost.push_back(in[i]);
  return lost;
}

std::vector<Diagnostic> diagnose_conversion(std::string_view text,
                                            const std::vector<CallRecord>& calls,
                                            std::string_view converted) {
  return diagnose(text, calls, converted, true);
}

std::vector<Diagnostic> diagnose_conversion_by_tokens(std::string_view text,
                                                      const std::vector<CallRecord>& calls,
                                                      std::string_view converted) {
  return diagnose(text, calls, converted, false);
}

Diagnostic failure_diagnostic(const Failure& failure) {
  std::string_view message = failure.message;
  message = message.substr(0, message.find('\n'));
  return {Rule::ConversionFailed, Severity::Error, failure.offset, std::string(message), {}};
}

}  // namespace q5
