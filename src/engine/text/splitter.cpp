#include "engine/text/splitter.h"

#include <cstring>

#include "base/byte_masks.h"
#include "base/bytes.h"
#include "engine/text/rewriters.h"

namespace q5 {

namespace {

Failure unterminated_list() {
  return {ExitUnterminated, "Unterminated parameter list\n", npos, FailureKind::UnterminatedList};
}

Failure too_many_arguments() {
  return {ExitBadInput, "ERROR: Too many parameters\n", npos, FailureKind::TooManyArguments};
}

Failure too_long(std::string_view shown) {
  std::string message = "ERROR: Too long parameter name\n";
  message.append(shown.substr(0, kMaxArgumentLength));
  message += '\n';
  return {ExitBadInput, std::move(message), npos, FailureKind::ArgumentTooLong};
}

// The text reads as NUL at and after its end, like the loaded buffer.
char byte_at(std::string_view text, std::size_t i) { return i < text.size() ? text[i] : '\0'; }

// The first position at or after `from` whose byte is one of the bytes a
// mask picks (sixteen at a time; `one` says the same of a single byte), or
// the text's size.
template <typename Mask, typename One>
inline std::size_t find_first(std::string_view text, std::size_t from, Mask mask, One one) {
  const char* data = text.data();
  const std::size_t size = text.size();
  for (; from + 16 <= size; from += 16) {
    unsigned hits = mask(masks::load16(data + from));
    if (hits != 0) return from + static_cast<std::size_t>(__builtin_ctz(hits));
  }
  for (; from < size; ++from)
    if (one(data[from])) return from;
  return size;
}

// First `c` at or after `from`, or npos when a NUL or the end comes first.
std::size_t find_before_nul(std::string_view text, std::size_t from, char c) {
  std::size_t at = find_first(
      text, from, [c](masks::Bytes16 v) { return masks::equal(v, c) | masks::equal(v, '\0'); },
      [c](char b) { return b == c || b == '\0'; });
  return at < text.size() && text[at] == c ? at : npos;
}

std::size_t find_comment_close(std::string_view text, std::size_t from) {
  for (std::size_t i = find_before_nul(text, from, '*'); i != npos;
       i = find_before_nul(text, i + 1, '*')) {
    if (byte_at(text, i + 1) == '/') return i;
  }
  return npos;
}

// Bytes that end a run of plain argument characters.
constexpr bool is_list_special(char c) {
  return c == '\0' || c == '#' || c == '/' || c == '"' || c == '(' || c == ',' || c == ')';
}

inline unsigned list_special_bytes(masks::Bytes16 v) {
  return masks::equal(v, '\0') | masks::equal(v, '#') | masks::equal(v, '/') |
         masks::equal(v, '"') | masks::equal(v, '(') | masks::equal(v, ',') | masks::equal(v, ')');
}

// Inside a parenthesised group only these matter.
constexpr bool is_group_special(char c) { return c == '\0' || c == '(' || c == ')'; }

inline unsigned group_special_bytes(masks::Bytes16 v) {
  return masks::equal(v, '\0') | masks::equal(v, '(') | masks::equal(v, ')');
}

// The list being split: how many argument bytes so far and whether the
// current argument is still one span of the input.
struct Splitting {
  std::string_view text;
  ArgumentList& args;
  std::size_t total = 0;  // bytes of all arguments so far
  bool gap = false;       // a comment was dropped inside the current argument
};

bool start_argument(Splitting& s, std::size_t origin) {
  ArgumentList& args = s.args;
  if (args.count == kMaxArguments) return false;
  args.origins[args.count] = origin;
  args.starts[args.count++] = s.total;
  s.gap = false;
  return true;
}

std::size_t current_length(const Splitting& s) { return s.total - s.args.starts[s.args.count - 1]; }

std::string_view current_argument(const Splitting& s) {
  const ArgumentList& args = s.args;
  std::size_t first = args.starts[args.count - 1];
  if (args.source != nullptr) return s.text.substr(args.origins[args.count - 1], s.total - first);
  return std::string_view(args.chars).substr(first);
}

// From here on the arguments are copied: the current one is about to get
// bytes from beyond a dropped comment.
void copy_arguments(Splitting& s) {
  ArgumentList& args = s.args;
  args.chars.clear();
  for (int i = 0; i < args.count; ++i) {
    std::size_t end = i + 1 < args.count ? args.starts[i + 1] : s.total;
    args.chars.append(s.text.substr(args.origins[i], end - args.starts[i]));
  }
  args.source = nullptr;
}

// Adds input bytes to the current argument, unchecked.
void take(Splitting& s, std::string_view bytes) {
  if (s.args.source != nullptr && s.gap) copy_arguments(s);
  if (s.args.source == nullptr) s.args.chars.append(bytes);
  s.total += bytes.size();
}

// Appends outside a parenthesised group, holding the argument to its limit.
MaybeFailure append_checked(Splitting& s, std::string_view bytes) {
  std::size_t have = current_length(s);
  if (have + bytes.size() > kMaxArgumentLength) {
    std::string shown(current_argument(s));
    shown.append(bytes.substr(0, kMaxArgumentLength - have));
    Failure failure = too_long(shown);
    failure.offset = s.args.origins[s.args.count - 1];
    return failure;
  }
  take(s, bytes);
  return {};
}

}  // namespace

SplitResult split_arguments(std::string_view text, std::size_t pos, ArgumentList& args) {
  args.chars.clear();
  args.count = 0;
  args.source = text.data();
  Splitting s{text, args};
  start_argument(s, pos);
  for (;;) {
    char c = byte_at(text, pos);
    switch (c) {
      case '\0':
        return {0, unterminated_list()};

      case '#': {
        // A preprocessor line is an argument of its own; its newline also
        // starts the next argument, so the layout survives.
        std::size_t stop = find_first(
            text, pos,
            [](masks::Bytes16 v) { return masks::equal(v, '\n') | masks::equal(v, '\0'); },
            [](char b) { return b == '\n' || b == '\0'; });
        if (auto f = append_checked(s, text.substr(pos, stop - pos))) return {0, f};
        if (byte_at(text, stop) != '\n') return {0, unterminated_list()};
        // The newline itself, so the argument is still one span.
        if (auto f = append_checked(s, text.substr(stop, 1))) return {0, f};
        pos = stop;
        if (!start_argument(s, pos)) return {0, too_many_arguments()};
        break;
      }

      case '/': {
        char next = byte_at(text, pos + 1);
        if (next == '/') {
          // The newline ending the comment stays, read as an ordinary byte.
          std::size_t newline = find_before_nul(text, pos + 2, '\n');
          if (newline == npos) return {0, unterminated_list()};
          pos = newline;
          s.gap = true;
        } else if (next == '*') {
          std::size_t close = find_comment_close(text, pos + 2);
          if (close == npos) return {0, unterminated_list()};
          pos = close + 2;
          s.gap = true;
        } else {
          if (auto f = append_checked(s, text.substr(pos, 1))) return {0, f};
          ++pos;
        }
        break;
      }

      case '"': {
        std::size_t close = pos;
        do {
          close = find_before_nul(text, close + 1, '"');
          if (close == npos)
            return {0, Failure{ExitUnterminated, "Unterminated string\n", pos,
                               FailureKind::UnterminatedString}};
        } while (is_escaped(text.data(), close));
        if (auto f = append_checked(s, text.substr(pos, close + 1 - pos))) return {0, f};
        pos = close + 1;
        break;
      }

      case '(': {
        // Copied as it stands up to the matching ")": nothing inside a group
        // is special, not even literals or comments. The argument may not
        // reach the limit at any byte; a NUL before that leaves the list
        // unterminated.
        std::size_t group = pos;
        std::size_t depth = 0;
        std::size_t have = current_length(s);
        for (;;) {
          std::size_t special = find_first(text, pos, group_special_bytes, is_group_special);
          std::size_t taken = have + (special - pos) + 1;  // the run and its special byte
          if (taken - 1 < kMaxArgumentLength && byte_at(text, special) == '\0')
            return {0, unterminated_list()};
          if (taken >= kMaxArgumentLength) {
            std::string_view source = text.substr(group, kMaxArgumentLength);
            Failure failure = too_long(source.substr(0, source.find('\0')));
            failure.offset = group;
            return {0, std::move(failure)};
          }
          take(s, text.substr(pos, special + 1 - pos));
          have = taken;
          pos = special + 1;
          if (text[special] == '(')
            ++depth;
          else if (--depth == 0)
            break;
        }
        break;
      }

      case ',':
        ++pos;
        if (!start_argument(s, pos)) return {0, too_many_arguments()};
        break;

      case ')':
        args.starts[args.count] = s.total;
        args.origins[args.count] = pos;
        return {pos + 1, {}};

      default: {
        std::size_t run_end = find_first(text, pos + 1, list_special_bytes, is_list_special);
        if (auto f = append_checked(s, text.substr(pos, run_end - pos))) return {0, f};
        pos = run_end;
        break;
      }
    }
  }
}

ConvertResult convert_call(std::string_view text, std::size_t candidate, const CallEntry& entry,
                           ArgumentList& args, CallPlan& plan, Output& out) {
  std::size_t open = text.find('(', candidate);
  SplitResult split = split_arguments(text, open + 1, args);
  if (split.failure) {
    if (split.failure->offset == npos) split.failure->offset = candidate;
    return {0, std::move(split.failure)};
  }

  plan.left_as_is = false;
  plan.roles.clear();
  std::size_t end = split.end;
  while (end < text.size() && is_call_blank(text[end])) ++end;

  if (byte_at(text, end) == '{') {
    // A function definition's head, not a call: copied unchanged.
    plan.left_as_is = true;
    put_source(out, text.substr(candidate, end - candidate));
    return {end - candidate, {}};
  }

  std::string_view call_name = text.substr(candidate, open - candidate);
  if (call_name.size() > kMaxCallNameLength)
    return {0, Failure{ExitBadInput, "ERROR: Too long function name\n", candidate,
                       FailureKind::NameTooLong}};
  rewrite_call(entry.family, call_name, args, entry.fixed_count, plan, out);

  // Blanks between ")" and ";" go; a line break stays, so a call that ends
  // a macro line does not pull the next line into the macro.
  std::string_view after = text.substr(split.end, end - split.end);
  std::size_t consumed_to = after.find('\n') == npos ? end : split.end;
  if (plan.left_as_is) put_source(out, text.substr(candidate, consumed_to - candidate));
  return {consumed_to - candidate, {}};
}

}  // namespace q5
