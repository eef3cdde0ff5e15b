#include "engine/reader/lexer.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "base/byte_masks.h"
#include "engine/reader/splices.h"

namespace q5 {

namespace {

bool is_space(char c) {
  // A NUL is skipped too, as compilers do with a warning.
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '\0';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The character at `i` of the joined text, or -1 past the end.
int char_at(std::string_view text, std::size_t i, std::size_t to) {
  return i < to ? static_cast<unsigned char>(text[i]) : -1;
}

}  // namespace

// gcc's raw string, whose '"' is at `quote`: a delimiter of up to sixteen
// characters, then everything as written (splices too) up to ")delimiter"".
// Npos when what follows the quote is no raw string's opening.
std::size_t raw_literal_end(std::string_view text, std::size_t quote, std::size_t to,
                            bool* closed) {
  if (closed != nullptr) *closed = false;
  std::size_t open = quote + 1;
  while (open < to && open - quote <= 17) {
    char c = text[open];
    if (c == '(') break;
    if (c == ')' || c == '\\' || c == '"' || is_space(c)) return npos;
    ++open;
  }
  if (open >= to || text[open] != '(') return npos;
  std::string closer = ")";
  closer.append(text.substr(quote + 1, open - quote - 1));
  closer += '"';
  std::size_t end = text.substr(0, to).find(closer, open + 1);
  if (end == npos) return to;
  if (closed != nullptr) *closed = true;
  return end + closer.size();
}

namespace {

// Continues a run of characters accepted by `accept`, across splices.
template <typename Accept>
std::size_t run_end(std::string_view text, std::size_t i, std::size_t to, Accept accept) {
  for (;;) {
    while (i < to && text[i] != '\\' && accept(i)) ++i;  // the common case: no splice
    std::size_t next = past_splices(text, i, to);
    if (next >= to || !accept(next)) return i;
    i = next + 1;
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

// The punctuators longer than one character that begin with `c`, longest
// first.
std::span<const std::string_view> longer_punctuators(char c) {
  static constexpr std::string_view kDot[] = {"..."};
  static constexpr std::string_view kLess[] = {"<<=", "<<", "<=", "<:", "<%"};
  static constexpr std::string_view kGreater[] = {">>=", ">>", ">="};
  static constexpr std::string_view kMinus[] = {"->", "--", "-="};
  static constexpr std::string_view kPlus[] = {"++", "+="};
  static constexpr std::string_view kAnd[] = {"&&", "&="};
  static constexpr std::string_view kOr[] = {"||", "|="};
  static constexpr std::string_view kPercent[] = {"%:%:", "%=", "%>", "%:"};
  static constexpr std::string_view kEqual[] = {"=="}, kNot[] = {"!="}, kStar[] = {"*="},
                                    kSlash[] = {"/="}, kCaret[] = {"^="}, kHash[] = {"##"},
                                    kColon[] = {":>"};
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
    case '%':
      return kPercent;
    case '=':
      return kEqual;
    case '!':
      return kNot;
    case '*':
      return kStar;
    case '/':
      return kSlash;
    case '^':
      return kCaret;
    case '#':
      return kHash;
    case ':':
      return kColon;
    default:
      return {};
  }
}

// A punctuator that starts at `i`: its end.
std::size_t punctuator_end(std::string_view text, std::size_t i, std::size_t to) {
  std::span<const std::string_view> longer = longer_punctuators(text[i]);
  if (longer.empty()) return i + 1;
  // The next four characters of the joined text and where each ends.
  char chars[4] = {};
  std::size_t ends[4] = {};
  std::size_t n = 0;
  for (std::size_t p = i; n < 4 && p < to; p = past_splices(text, p, to)) {
    chars[n] = text[p];
    ends[n++] = ++p;
  }
  std::string_view ahead(chars, n);
  for (std::string_view p : longer)
    if (ahead.starts_with(p)) return ends[p.size() - 1];
  return i + 1;
}

}  // namespace

bool is_encoding_prefix(std::string_view word) {
  return word == "L" || word == "u" || word == "U" || word == "u8";
}

bool is_raw_prefix(std::string_view word) {
  return word == "R" || word == "LR" || word == "uR" || word == "UR" || word == "u8R";
}

std::size_t literal_end(std::string_view text, std::size_t open, std::size_t to, bool* closed) {
  const char quote = text[open];
  if (closed != nullptr) *closed = false;
  std::size_t i = open + 1;
  while (i < to) {
    // Only the quote, a line end or a backslash can end or change the
    // literal: look for them sixteen bytes at a time.
    i = masks::skip_blocks(text.data(), i, to, [quote](masks::Bytes16 v) {
      return masks::equal(v, quote) | masks::equal(v, '\n') | masks::equal(v, '\r') |
             masks::equal(v, '\\');
    });
    if (i >= to) break;
    char c = text[i];
    if (c == quote) {
      if (closed != nullptr) *closed = true;
      return i + 1;
    }
    if (is_line_end_byte(c)) return i;  // a splice's line end never gets here
    if (c == '\\') {
      if (std::size_t n = splice_at(text, i, to)) {
        i += n;
        continue;
      }
      // An escape: the character after it (across splices) is taken as is.
      i = past_splices(text, i + 1, to) + 1;
      continue;
    }
    ++i;
  }
  return std::min(i, to);
}

std::size_t block_comment_end(std::string_view text, std::size_t open, std::size_t to) {
  // Past the opener's '*', which may stand after a splice.
  std::size_t i = past_splices(text, open + 1, to) + 1;
  while (i < to) {
    const void* star = std::memchr(text.data() + i, '*', to - i);
    if (star == nullptr) break;
    i = static_cast<std::size_t>(static_cast<const char*>(star) - text.data()) + 1;
    std::size_t slash = past_splices(text, i, to);
    if (slash < to && text[slash] == '/') return slash + 1;
  }
  return to;
}

std::size_t line_comment_end(std::string_view text, std::size_t open, std::size_t to) {
  std::size_t i = open + 2;
  while (i < to) {
    i = masks::skip_blocks(text.data(), i, to, [](masks::Bytes16 v) {
      return masks::equal(v, '\n') | masks::equal(v, '\r');
    });
    if (i >= to) break;
    if (!is_line_end_byte(text[i])) {
      ++i;
      continue;
    }
    std::size_t length = line_end_at(text, i, to);
    if (splice_ending_at(text, i + length - 1) == npos) return i;
    i += length;  // a splice: the comment goes on
  }
  return to;
}

bool next_token(std::string_view text, std::size_t& pos, std::size_t to, bool keep_comments,
                Token& token) {
  if (to > text.size()) to = text.size();
  std::size_t& i = pos;
  bool line_start = i == 0;
  while (i < to) {
    char c = text[i];
    if (c == '\\') {
      if (std::size_t n = splice_at(text, i, to)) {
        i += n;
        continue;
      }
    } else if (is_space(c)) {
      line_start |= is_line_end_byte(c);
      ++i;
      continue;
    }
    std::size_t start = i;
    TokenKind kind = TokenKind::Other;
    bool unterminated = false;
    std::size_t second = past_splices(text, i + 1, to);
    if (c == '/' && second < to && (text[second] == '*' || text[second] == '/')) {
      i = text[second] == '*' ? block_comment_end(text, i, to) : line_comment_end(text, i, to);
      if (!keep_comments) continue;
      token = {TokenKind::Comment, start, i - start, line_start};
      return true;
    }
    if (is_identifier_start(c)) {
      i = run_end(text, i + 1, to, [&](std::size_t k) { return is_identifier_byte(text[k]); });
      kind = TokenKind::Identifier;
      // An encoding prefix belongs to the literal after it.
      std::size_t after = past_splices(text, i, to);
      int next = char_at(text, after, to);
      if (next == '"' || next == '\'') {
        std::string buffer;
        std::string_view word = spelling(text, {kind, start, i - start}, buffer);
        bool closed = false;
        std::size_t raw =
            next == '"' && is_raw_prefix(word) ? raw_literal_end(text, after, to, &closed) : npos;
        if (raw != npos) {
          kind = TokenKind::String;
          i = raw;
        } else if (is_encoding_prefix(word)) {
          kind = next == '"' ? TokenKind::String : TokenKind::Char;
          i = literal_end(text, after, to, &closed);
        } else {
          closed = true;
        }
        unterminated = !closed;
      }
    } else if (is_digit(c) || (c == '.' && second < to && is_digit(text[second]))) {
      char last = c;
      i = run_end(text, i + 1, to, [&](std::size_t k) {
        char b = text[k];
        bool in =
            is_identifier_byte(b) || b == '.' ||
            ((b == '+' || b == '-') && (last == 'e' || last == 'E' || last == 'p' || last == 'P'));
        if (in) last = b;
        return in;
      });
      kind = TokenKind::Number;
    } else if (c == '"' || c == '\'') {
      bool closed = false;
      i = literal_end(text, i, to, &closed);
      unterminated = !closed;
      kind = c == '"' ? TokenKind::String : TokenKind::Char;
    } else {
      i = punctuator_end(text, i, to);
      kind = i > second || is_single_punct(c) ? TokenKind::Punct : TokenKind::Other;
    }
    token = {kind, start, i - start, line_start, unterminated};
    return true;
  }
  return false;
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

std::string_view spelling(std::string_view text, const Token& token, std::string& buffer) {
  std::string_view raw = token_raw(text, token);
  if (raw.find('\\') == std::string_view::npos) return raw;
  // A raw string's splices are part of its text.
  std::size_t quote = raw.find('"');
  if (token.kind == TokenKind::String && quote != std::string_view::npos && quote > 0 &&
      raw[quote - 1] == 'R')
    return raw;
  buffer.clear();
  for (std::size_t i = 0; i < raw.size();) {
    if (std::size_t n = splice_at(raw, i, raw.size())) {
      i += n;
      continue;
    }
    buffer += raw[i++];
  }
  return buffer;
}

bool same_token(std::string_view a_text, const Token& a, std::string_view b_text, const Token& b) {
  std::string_view ra = token_raw(a_text, a), rb = token_raw(b_text, b);
  if (ra == rb) return true;
  if (ra.find('\\') == std::string_view::npos && rb.find('\\') == std::string_view::npos)
    return false;
  std::string ba, bb;
  return spelling(a_text, a, ba) == spelling(b_text, b, bb);
}

std::string_view undigraph(std::string_view s) {
  if (s.size() < 2 || s.size() > 4) return s;
  if (s == "<:") return "[";
  if (s == ":>") return "]";
  if (s == "<%") return "{";
  if (s == "%>") return "}";
  if (s == "%:") return "#";
  if (s == "%:%:") return "##";
  return s;
}

bool token_is(std::string_view text, const Token& token, std::string_view wanted) {
  std::string_view raw = token_raw(text, token);
  if (raw == wanted) return true;
  // Splices only add bytes; a digraph is as long as what it spells, or longer.
  if (raw.size() < wanted.size()) return false;
  const bool spliced = raw.find('\\') != std::string_view::npos;
  if (token.kind != TokenKind::Punct)
    return spliced && [&] {
      std::string buffer;
      return spelling(text, token, buffer) == wanted;
    }();
  if (!spliced) return undigraph(raw) == wanted;
  std::string buffer;
  return undigraph(spelling(text, token, buffer)) == wanted;
}

std::size_t token_end(const Token& t) { return t.offset + t.length; }

}  // namespace q5
