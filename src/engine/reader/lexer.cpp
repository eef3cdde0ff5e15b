#include "engine/reader/lexer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "base/byte_masks.h"

namespace q5 {

namespace {

bool is_space(char c) {
  // A NUL is skipped too, as compilers do with a warning.
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '\0';
}

bool is_ident_start(char c) { return is_identifier_start(c); }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Length of the line splice at i, or 0.
std::size_t splice_at(std::string_view text, std::size_t i, std::size_t to) {
  if (i >= to || text[i] != '\\') return 0;
  if (i + 1 < to && text[i + 1] == '\n') return 2;
  if (i + 2 < to && text[i + 1] == '\r' && text[i + 2] == '\n') return 3;
  return 0;
}

// The next byte position at or after i that is not a splice.
std::size_t past_splices(std::string_view text, std::size_t i, std::size_t to) {
  while (std::size_t n = splice_at(text, i, to)) i += n;
  return i;
}

// The first position at or after i (before to, in steps of sixteen bytes)
// where `hits` finds a byte of interest, or the start of the last partial
// block: the caller goes on byte by byte from there.
template <typename Hits>
std::size_t skip_plain_blocks(const char* data, std::size_t i, std::size_t to, Hits hits) {
  for (; i + 16 <= to; i += 16)
    if (unsigned found = hits(masks::load16(data + i)))
      return i + static_cast<std::size_t>(__builtin_ctz(found));
  return i;
}

// Ends a quoted literal that opens at `open` with `quote`; stops before an
// unescaped newline when the literal is not closed on its line.
std::size_t literal_end(std::string_view text, std::size_t open, std::size_t to, char quote) {
  std::size_t i = open + 1;
  while (i < to) {
    // Only the quote, a newline or a backslash can end or change the
    // literal: look for them sixteen bytes at a time.
    i = skip_plain_blocks(text.data(), i, to, [quote](masks::Bytes16 v) {
      return masks::equal(v, quote) | masks::equal(v, '\n') | masks::equal(v, '\\');
    });
    if (i >= to) break;
    char c = text[i];
    if (c == quote) return i + 1;
    if (c == '\n') return i;
    if (c == '\\') {
      if (std::size_t n = splice_at(text, i, to)) {
        i += n;
        continue;
      }
      i += 2;
      continue;
    }
    ++i;
  }
  return to;
}

std::size_t block_comment_end(std::string_view text, std::size_t open, std::size_t to) {
  for (std::size_t i = open + 2; i + 1 < to; ++i) {
    const void* star = std::memchr(text.data() + i, '*', to - 1 - i);
    if (star == nullptr) break;
    i = static_cast<std::size_t>(static_cast<const char*>(star) - text.data());
    if (text[i + 1] == '/') return i + 2;
  }
  return to;
}

std::size_t line_comment_end(std::string_view text, std::size_t open, std::size_t to) {
  std::size_t i = open + 2;
  while (i < to) {
    if (std::size_t n = splice_at(text, i, to)) {
      i += n;
      continue;
    }
    if (text[i] == '\n') return i;
    ++i;
  }
  return to;
}

// Continues a run of bytes accepted by `accept`, across splices that have
// such a byte after them.
template <typename Accept>
std::size_t run_end(std::string_view text, std::size_t i, std::size_t to, Accept accept) {
  for (;;) {
    while (i < to && accept(i)) ++i;  // the common case: no splice
    if (i >= to || text[i] != '\\') return i;
    std::size_t next = past_splices(text, i, to);
    if (next >= to || !accept(next)) return i;
    i = next + 1;
  }
}

// The punctuators longer than one byte, longest first, by their first byte.
std::span<const std::string_view> longer_punctuators(char c) {
  static constexpr std::string_view kDot[] = {"..."};
  static constexpr std::string_view kLess[] = {"<<=", "<<", "<="};
  static constexpr std::string_view kGreater[] = {">>=", ">>", ">="};
  static constexpr std::string_view kMinus[] = {"->", "--", "-="};
  static constexpr std::string_view kPlus[] = {"++", "+="};
  static constexpr std::string_view kAnd[] = {"&&", "&="};
  static constexpr std::string_view kOr[] = {"||", "|="};
  static constexpr std::string_view kEqual[] = {"=="}, kNot[] = {"!="}, kStar[] = {"*="},
                                    kSlash[] = {"/="}, kPercent[] = {"%="}, kCaret[] = {"^="},
                                    kHash[] = {"##"};
  switch (c) {
    case '.':
      return kDot;
    case '<':
      return kLess;
    case '>':
      return kGreater;
    case '-':
      return kMinus;
    case '+':
      return kPlus;
    case '&':
      return kAnd;
    case '|':
      return kOr;
    case '=':
      return kEqual;
    case '!':
      return kNot;
    case '*':
      return kStar;
    case '/':
      return kSlash;
    case '%':
      return kPercent;
    case '^':
      return kCaret;
    case '#':
      return kHash;
    default:
      return {};
  }
}

bool is_single_punct(char c) {
  switch (c) {
    case '[':
    case ']':
    case '(':
    case ')':
    case '{':
    case '}':
    case '.':
    case '&':
    case '*':
    case '+':
    case '-':
    case '~':
    case '!':
    case '/':
    case '%':
    case '<':
    case '>':
    case '^':
    case '|':
    case '?':
    case ':':
    case ';':
    case '=':
    case ',':
    case '#':
      return true;
    default:
      return false;
  }
}

}  // namespace

bool next_token(std::string_view text, std::size_t& pos, std::size_t to, bool keep_comments,
                Token& token) {
  if (to > text.size()) to = text.size();
  std::size_t& i = pos;
  while (i < to) {
    char c = text[i];
    if (is_space(c)) {
      ++i;
      continue;
    }
    if (std::size_t n = splice_at(text, i, to)) {
      i += n;
      continue;
    }
    std::size_t start = i;
    TokenKind kind = TokenKind::Other;
    if (c == '/' && i + 1 < to && (text[i + 1] == '*' || text[i + 1] == '/')) {
      i = text[i + 1] == '*' ? block_comment_end(text, i, to) : line_comment_end(text, i, to);
      if (!keep_comments) continue;
      token = {TokenKind::Comment, start, i - start};
      return true;
    }
    if (is_ident_start(c)) {
      i = run_end(text, i + 1, to, [&](std::size_t k) { return is_identifier_byte(text[k]); });
      kind = TokenKind::Identifier;
      // An encoding prefix belongs to the literal after it.
      std::string_view word = text.substr(start, i - start);
      if (i < to && (text[i] == '"' || text[i] == '\'') &&
          (word == "L" || word == "u" || word == "U" || word == "u8")) {
        kind = text[i] == '"' ? TokenKind::String : TokenKind::Char;
        i = literal_end(text, i, to, text[i]);
      }
    } else if (is_digit(c) || (c == '.' && i + 1 < to && is_digit(text[i + 1]))) {
      i = run_end(text, i + 1, to, [&](std::size_t k) {
        char b = text[k];
        if (is_identifier_byte(b) || b == '.') return true;
        char before = text[k - 1];
        return (b == '+' || b == '-') &&
               (before == 'e' || before == 'E' || before == 'p' || before == 'P');
      });
      kind = TokenKind::Number;
    } else if (c == '"' || c == '\'') {
      i = literal_end(text, i, to, c);
      kind = c == '"' ? TokenKind::String : TokenKind::Char;
    } else {
      std::size_t length = 1;
      for (std::string_view p : longer_punctuators(c))
        if (text.substr(i, std::min(p.size(), to - i)) == p) {
          length = p.size();
          break;
        }
      kind = length > 1 || is_single_punct(c) ? TokenKind::Punct : TokenKind::Other;
      i += length;
    }
    token = {kind, start, i - start};
    return true;
  }
  return false;
}

namespace {

// The first position at or after `pos` in code, outside literals and
// comments, that `wanted` takes; `to` when there is none. `stops` finds,
// sixteen bytes at a time, the bytes `wanted` may take besides those that
// open a literal or comment.
template <typename Stops, typename Wanted>
std::size_t next_in_code(std::string_view text, std::size_t pos, std::size_t to, Stops stops,
                         Wanted wanted) {
  if (to > text.size()) to = text.size();
  const char* data = text.data();
  std::size_t i = pos;
  while (i < to) {
    i = skip_plain_blocks(data, i, to, [&](masks::Bytes16 v) {
      return masks::equal(v, '/') | masks::equal(v, '"') | masks::equal(v, '\'') | stops(v);
    });
    if (i >= to) break;
    char c = data[i];
    if (c == '"' || c == '\'') {
      i = literal_end(text, i, to, c);
    } else if (c == '/' && i + 1 < to && data[i + 1] == '*') {
      i = block_comment_end(text, i, to);
    } else if (c == '/' && i + 1 < to && data[i + 1] == '/') {
      i = line_comment_end(text, i, to);
    } else if (wanted(i)) {
      return i;
    } else {
      ++i;
    }
  }
  return to;
}

}  // namespace

std::size_t next_code_name(std::string_view text, std::size_t pos, std::size_t to) {
  const char* data = text.data();
  return next_in_code(
      text, pos, to, [](masks::Bytes16 v) { return masks::equal(v, 'Q') | masks::equal(v, 'X'); },
      [&](std::size_t i) {
        // A name starts here unless it continues an identifier or number.
        return (data[i] == 'Q' || data[i] == 'X') && (i == 0 || !is_identifier_byte(data[i - 1]));
      });
}

bool opens_directive(std::string_view text, std::size_t at) {
  std::size_t k = at;
  while (k > 0 && (text[k - 1] == ' ' || text[k - 1] == '\t')) --k;
  if (k == 0) return true;
  if (text[k - 1] != '\n') return false;
  // A spliced line goes on with the one before.
  if (k >= 2 && text[k - 2] == '\\') return false;
  return !(k >= 3 && text[k - 2] == '\r' && text[k - 3] == '\\');
}

std::size_t next_directive(std::string_view text, std::size_t pos, std::size_t to) {
  return next_in_code(
      text, pos, to, [](masks::Bytes16 v) { return masks::equal(v, '#'); },
      [&](std::size_t i) { return text[i] == '#' && opens_directive(text, i); });
}

std::size_t directive_end(std::string_view text, std::size_t at, std::size_t to) {
  if (to > text.size()) to = text.size();
  std::size_t pos = at;
  for (;;) {
    const void* found = std::memchr(text.data() + pos, '\n', to - pos);
    if (found == nullptr) return to;
    std::size_t newline = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    // A comment (or splice-joined token) that runs past the newline keeps
    // the line going.
    std::size_t p = pos, crossed = 0;
    Token t{};
    while (next_token(text, p, to, true, t) && t.offset < newline)
      if (t.offset + t.length > newline) {
        crossed = t.offset + t.length;
        break;
      }
    if (crossed != 0) {
      pos = crossed;
      continue;
    }
    bool spliced =
        newline > 0 && (text[newline - 1] == '\\' ||
                        (text[newline - 1] == '\r' && newline > 1 && text[newline - 2] == '\\'));
    if (spliced) {
      pos = newline + 1;
      continue;
    }
    return newline;
  }
}

std::vector<Token> lex(std::string_view text, std::size_t from, std::size_t to,
                       bool keep_comments) {
  std::vector<Token> tokens;
  Token token{};
  while (next_token(text, from, to, keep_comments, token)) tokens.push_back(token);
  return tokens;
}

std::string_view token_raw(std::string_view text, const Token& token) {
  return text.substr(token.offset, token.length);
}

namespace {

// Walks a token's bytes with its splices left out.
struct SpliceFree {
  std::string_view raw;
  std::size_t at = 0;
  bool done() {
    at = past_splices(raw, at, raw.size());
    return at >= raw.size();
  }
  char next() { return raw[at++]; }
};

}  // namespace

bool same_token(std::string_view a_text, const Token& a, std::string_view b_text, const Token& b) {
  std::string_view ra = token_raw(a_text, a), rb = token_raw(b_text, b);
  if (ra == rb) return true;
  if (ra.find('\\') == std::string_view::npos && rb.find('\\') == std::string_view::npos)
    return false;
  SpliceFree x{ra}, y{rb};
  for (;;) {
    bool x_done = x.done(), y_done = y.done();
    if (x_done || y_done) return x_done && y_done;
    if (x.next() != y.next()) return false;
  }
}

bool token_is(std::string_view text, const Token& token, std::string_view spelling) {
  std::string_view raw = token_raw(text, token);
  if (raw == spelling) return true;
  if (raw.find('\\') == std::string_view::npos) return false;
  SpliceFree x{raw};
  std::size_t k = 0;
  while (!x.done()) {
    if (k == spelling.size() || x.next() != spelling[k]) return false;
    ++k;
  }
  return k == spelling.size();
}

}  // namespace q5
