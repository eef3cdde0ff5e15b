#include "engine/reader/code_scan.h"

#include <algorithm>

#include "base/byte_masks.h"
#include "base/bytes.h"
#include "engine/reader/lexer.h"
#include "engine/reader/splices.h"

namespace q5 {

namespace {

bool in_number_run(char c) { return is_identifier_byte(c) || c == '.' || c == '+' || c == '-'; }

// Whether the '.', '+' or '-' at `p` (in code) is part of a pp-number
// ("1.XtVa..." is one): back to where a token must start, then lexed
// forward. What was lexed is remembered, so that each byte is walked over
// once however the candidates fall.
bool inside_number(std::string_view text, std::size_t p, CodeCursor& cursor) {
  if (p < cursor.number_end) return true;
  std::size_t start = p;
  while (start > cursor.lexed_to) {
    std::size_t before = before_splices(text, start);
    if (before == npos || before < cursor.lexed_to || !in_number_run(text[before])) break;
    start = before;
  }
  Token t{};
  for (std::size_t pos = start; next_token(text, pos, text.size(), false, t);) {
    if (token_end(t) <= p) continue;
    cursor.lexed_to = token_end(t);
    if (t.kind != TokenKind::Number || t.offset > p) return false;
    cursor.number_end = token_end(t);
    return true;
  }
  return false;
}

// A name starts at `at` unless the character before it (splices walked
// over) continues an identifier or a number.
bool starts_name(std::string_view text, std::size_t at, CodeCursor& cursor) {
  std::size_t before = before_splices(text, at);
  if (before == npos) return true;
  char c = text[before];
  if (is_identifier_byte(c)) return false;
  return !((c == '.' || c == '+' || c == '-') && inside_number(text, before, cursor));
}

// The quote of the literal whose prefix is the name at `at` (L"", u8'',
// R"()"), or npos when the name is no such prefix.
std::size_t quote_after_prefix(std::string_view text, std::size_t at, std::size_t to) {
  std::string word;
  std::size_t k = at;
  while (k < to && word.size() < 4 && is_identifier_byte(text[k])) {
    word += text[k];
    k = past_splices(text, k + 1, to);
  }
  if (k >= to) return npos;
  // As the lexer reads it: a raw prefix without a raw string after it is a name.
  if (text[k] == '"' && is_raw_prefix(word) && raw_literal_end(text, k, to) != npos) return k;
  if (text[k] == '"' && is_encoding_prefix(word)) return k;
  return text[k] == '\'' && is_encoding_prefix(word) ? k : npos;
}

// The end of the literal whose quote is at `at`: a raw string when a raw
// prefix stands right before it, as a token of its own.
std::size_t any_literal_end(std::string_view text, std::size_t at, std::size_t to,
                            CodeCursor& cursor) {
  if (text[at] == '"') {
    std::string word;
    std::size_t k = at;
    while (word.size() < 4) {
      std::size_t before = before_splices(text, k);
      if (before == npos || !is_identifier_byte(text[before])) break;
      word.insert(word.begin(), text[before]);
      k = before;
    }
    if (is_raw_prefix(word) && starts_name(text, k, cursor))
      if (std::size_t end = raw_literal_end(text, at, to); end != npos) return end;
  }
  return literal_end(text, at, to);
}

// Where the "#" or "%:" at `at` ends, and whether it is "##" or "%:%:"
// (the same spelling twice: "%:#" is two tokens).
std::size_t hash_end(std::string_view text, std::size_t at, std::size_t to, bool& doubled) {
  const bool digraph = text[at] == '%';
  std::size_t end = digraph ? past_splices(text, at + 1, to) + 1 : at + 1;
  std::size_t next = past_splices(text, end, to);
  if (!digraph) {
    doubled = next < to && text[next] == '#';
  } else {
    std::size_t colon = next < to && text[next] == '%' ? past_splices(text, next + 1, to) : to;
    doubled = colon < to && text[colon] == ':';
  }
  return end;
}

// Whether the '#' or "%:" at `at`, in code, opens a directive: only blanks,
// splices and comments (`comments` holds those passed) before it on its line.
bool opens_directive(std::string_view text, std::size_t at,
                     const std::vector<std::pair<std::size_t, std::size_t>>& comments) {
  std::size_t k = at;
  for (;;) {
    while (k > 0 && is_line_blank(text[k - 1])) --k;
    if (k == 0) return true;
    const char c = text[k - 1];
    if (is_line_end_byte(c)) {
      std::size_t backslash = splice_ending_at(text, k - 1);
      if (backslash == npos) return true;
      k = backslash;
      continue;
    }
    if (c != '/') return false;
    // The end of a block comment: go on before it.
    auto found =
        std::lower_bound(comments.begin(), comments.end(), k,
                         [](const auto& span, std::size_t end) { return span.second < end; });
    if (found == comments.end() || found->second != k) return false;
    k = found->first;
  }
}

}  // namespace

CodeStop next_stop(std::string_view text, CodeCursor& cursor, std::size_t to, std::size_t& at) {
  if (to > text.size()) to = text.size();
  const char* data = text.data();
  const bool names = cursor.names;
  const std::string_view more = names ? cursor.more_starts : std::string_view();
  std::size_t i = cursor.pos;
  while (i < to) {
    auto stops = [names](masks::Bytes16 v) {
      unsigned hits = masks::equal(v, '/') | masks::equal(v, '"') | masks::equal(v, '\'') |
                      masks::equal(v, '#') | masks::equal(v, '%');
      return names ? hits | masks::equal(v, 'Q') | masks::equal(v, 'X') : hits;
    };
    if (more.empty()) {
      i = masks::skip_blocks(data, i, to, stops);
    } else {
      i = masks::skip_blocks(data, i, to, [&stops, more](masks::Bytes16 v) {
        unsigned hits = stops(v);
        for (char b : more) hits |= masks::equal(v, b);
        return hits;
      });
    }
    if (i >= to) break;
    const char c = data[i];
    if (c == '"' || c == '\'') {
      i = any_literal_end(text, i, to, cursor);
    } else if (c == '/') {
      std::size_t second = past_splices(text, i + 1, to);
      if (second < to && text[second] == '*') {
        std::size_t end = block_comment_end(text, i, to);
        cursor.comments.emplace_back(i, end);
        i = end;
      } else if (second < to && text[second] == '/') {
        i = line_comment_end(text, i, to);
      } else {
        ++i;
      }
    } else if (c == '#' || (c == '%' && past_splices(text, i + 1, to) < to &&
                            text[past_splices(text, i + 1, to)] == ':')) {
      bool doubled = false;
      std::size_t end = hash_end(text, i, to, doubled);
      if (!doubled && opens_directive(text, i, cursor.comments)) {
        cursor.pos = at = i;
        return CodeStop::Directive;
      }
      i = end;
    } else if (names && (c == 'Q' || c == 'X' || more.find(c) != std::string_view::npos) &&
               starts_name(text, i, cursor)) {
      // A literal's prefix, which only an alias's first byte stops at.
      if (std::size_t quote = c == 'Q' || c == 'X' ? npos : quote_after_prefix(text, i, to);
          quote != npos) {
        i = quote;
        continue;
      }
      cursor.pos = at = i;
      return CodeStop::Name;
    } else {
      ++i;
    }
  }
  cursor.pos = at = to;
  return CodeStop::End;
}

std::vector<std::pair<std::size_t, std::size_t>> comments_holding(std::string_view text,
                                                                  std::string_view word) {
  std::vector<std::pair<std::size_t, std::size_t>> found;
  const std::size_t to = text.size();
  CodeCursor cursor;  // for telling raw strings' prefixes
  for (std::size_t i = 0; i < to;) {
    i = masks::skip_blocks(text.data(), i, to, [](masks::Bytes16 v) {
      return masks::equal(v, '/') | masks::equal(v, '"') | masks::equal(v, '\'');
    });
    if (i >= to) break;
    if (text[i] != '/') {
      i = any_literal_end(text, i, to, cursor);
      continue;
    }
    const std::size_t second = past_splices(text, i + 1, to);
    std::size_t end = i + 1;
    if (second < to && text[second] == '*')
      end = block_comment_end(text, i, to);
    else if (second < to && text[second] == '/')
      end = line_comment_end(text, i, to);
    if (end > i + 1 && text.substr(i, end - i).find(word) != std::string_view::npos)
      found.emplace_back(i, end);
    i = end;
  }
  return found;
}

std::size_t directive_end(std::string_view text, std::size_t at, std::size_t to) {
  if (to > text.size()) to = text.size();
  const char* data = text.data();
  CodeCursor cursor;
  cursor.lexed_to = at;
  std::size_t i = at;
  while (i < to) {
    i = masks::skip_blocks(data, i, to, [](masks::Bytes16 v) {
      return masks::equal(v, '\\') | masks::equal(v, '\n') | masks::equal(v, '\r') |
             masks::equal(v, '/') | masks::equal(v, '"') | masks::equal(v, '\'');
    });
    if (i >= to) break;
    const char c = data[i];
    if (is_line_end_byte(c)) return i;  // a splice's line end is passed below
    if (c == '\\') {
      std::size_t n = splice_at(text, i, to);
      i += n == 0 ? 1 : n;
    } else if (c == '/') {
      std::size_t second = past_splices(text, i + 1, to);
      if (second < to && text[second] == '*')
        i = block_comment_end(text, i, to);
      else if (second < to && text[second] == '/')
        i = line_comment_end(text, i, to);
      else
        ++i;
    } else {
      i = any_literal_end(text, i, to, cursor);
    }
  }
  return to;
}

}  // namespace q5
