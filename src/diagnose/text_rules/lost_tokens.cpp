#include "diagnose/text_rules/text_rules.h"

#include <algorithm>
#include <limits>

#include "engine/call_table.h"
#include "engine/text/rewriters.h"

namespace q5::text_rules {

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

// Where a compiler ends the list of the call named at `name`: past the ")"
// that closes its first "(", comments being comments (the text rules may
// take a ")" inside one for the list's).
std::size_t compiled_list_end(std::string_view text, std::size_t name) {
  std::size_t depth = 0;
  Token t{};
  for (std::size_t pos = name; next_token(text, pos, text.size(), false, t);) {
    if (is_punct(text, t, "(")) ++depth;
    if (is_punct(text, t, ")") && depth > 0 && --depth == 0) return token_end(t);
    if (depth == 0 && t.offset > name) break;  // the name is not followed by its list
  }
  return name;
}

std::vector<std::size_t> missing_indices(std::string_view text, const CallRecord& call,
                                         std::string_view converted, std::vector<Token>& in) {
  in = lex_span(text, call.begin, std::max(call.end, compiled_list_end(text, call.begin)), false);
  if (call.left_as_is || call.row < 0 || call.out_end > converted.size() ||
      call.out_begin > call.out_end)
    return {};
  const std::vector<Token> out = lex_span(converted, call.out_begin, call.out_end, false);
  std::size_t i = 0, j = 0;
  // Q5TagGet is written as Q5TagGetS.
  if (!in.empty() && !out.empty() && pair_style(call.row).family == Family::TagGet &&
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

void check_lost_tokens(const CallView& v, std::string_view converted, std::vector<Finding>& out) {
  std::vector<Token> in;
  const std::vector<std::size_t> missing = missing_indices(v.text, v.call, converted, in);
  for (std::size_t a = 0; a < missing.size();) {
    std::size_t b = a + 1;
    while (b < missing.size() && missing[b] == missing[b - 1] + 1) ++b;
    std::size_t first = missing[a], last = missing[b - 1] + 1;
    const std::size_t run_from = in[first].offset,
                      run_to = in[last - 1].offset + in[last - 1].length;
    a = b;

    bool folded = false;
    for (Finding& f : out) {
      if (f.cover_from <= run_from && run_to <= f.cover_to && f.cover_from < f.cover_to) {
        f.diagnostic.merged.push_back(Rule::LostTokens);
        if (!f.shows_cover)
          f.diagnostic.message +=
              " (lost: " + quoted(v.text, Tokens(in).subspan(first, last - first)) + ")";
        folded = true;
        break;
      }
    }
    if (folded) continue;
    // Shown without the commas around the lost arguments.
    std::size_t shown_first = first, shown_last = last;
    while (shown_last - shown_first > 1 && is_punct(v.text, in[shown_first], ",")) ++shown_first;
    while (shown_last - shown_first > 1 && is_punct(v.text, in[shown_last - 1], ",")) --shown_last;
    out.push_back(
        finding(Rule::LostTokens, in[shown_first].offset,
                "converted call lost " +
                    quoted(v.text, Tokens(in).subspan(shown_first, shown_last - shown_first))));
  }
}

}  // namespace q5::text_rules
