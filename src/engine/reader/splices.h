// Translation phases 1 and 2 as gcc reads them, over the text as it stands
// (offsets stay the file's own): a line ends at LF, CR LF or a lone CR; a
// backslash followed by blanks (gcc allows them, with a warning) and a line
// end is a line splice, which joins the two lines before anything else is
// decided. Every reader of C above this file asks these helpers instead of
// looking at a backslash or a newline itself.
#pragma once

#include <cstddef>
#include <string_view>

namespace q5 {

// The blanks gcc allows between a splice's backslash and its line end;
// also the blanks before a directive's '#'.
inline bool is_line_blank(char c) {
  return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\0';
}

inline bool is_line_end_byte(char c) { return c == '\n' || c == '\r'; }

// Length of the line end at `i` (LF, CR LF, lone CR), or 0.
inline std::size_t line_end_at(std::string_view text, std::size_t i, std::size_t to) {
  if (i >= to) return 0;
  if (text[i] == '\n') return 1;
  if (text[i] != '\r') return 0;
  return i + 1 < to && text[i + 1] == '\n' ? 2 : 1;
}

// Length of the line splice at `i`, or 0.
inline std::size_t splice_at(std::string_view text, std::size_t i, std::size_t to) {
  if (i >= to || text[i] != '\\') return 0;
  std::size_t j = i + 1;
  while (j < to && is_line_blank(text[j])) ++j;
  std::size_t end = line_end_at(text, j, to);
  return end == 0 ? 0 : j + end - i;
}

// The next position at or after `i` that starts no splice: where the next
// character of the joined text is.
inline std::size_t past_splices(std::string_view text, std::size_t i, std::size_t to) {
  while (std::size_t n = splice_at(text, i, to)) i += n;
  return i;
}

// Where the line end whose last byte is at `k` begins, when it ends a splice
// (its backslash's position is returned); npos when it is a real line end.
inline std::size_t splice_ending_at(std::string_view text, std::size_t k) {
  std::size_t s = k;
  if (text[s] == '\n' && s > 0 && text[s - 1] == '\r') --s;
  while (s > 0 && is_line_blank(text[s - 1])) --s;
  return s > 0 && text[s - 1] == '\\' ? s - 1 : std::string_view::npos;
}

// The position of the character of the joined text just before `i`
// (splices walked back over), or npos at the text's start.
inline std::size_t before_splices(std::string_view text, std::size_t i) {
  while (i > 0) {
    char c = text[i - 1];
    if (!is_line_end_byte(c)) return i - 1;
    std::size_t backslash = splice_ending_at(text, i - 1);
    if (backslash == std::string_view::npos) return i - 1;
    i = backslash;
  }
  return std::string_view::npos;
}

}  // namespace q5
