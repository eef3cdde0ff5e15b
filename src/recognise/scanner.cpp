#include "recognise/scanner.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "recognise/call_table.h"
#include "recognise/splitter.h"
#include "rewrite/rewriters.h"

namespace q5 {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The first occurrence of a needle at or after a position, as a search over
// a NUL-terminated string would find it (stopping at the next NUL). The
// answer is remembered: while later searches start at or before it, they
// cost nothing, which keeps the whole pass linear.
struct NextMatch {
  std::string_view needle;
  std::size_t searched_from = npos;
  std::size_t stop = 0;  // the match, or the NUL or end that ended the search
  bool found = false;
};

// Candidates and comment markers are often a few bytes apart: look at the
// next bytes directly before paying for a library call over the rest.
constexpr std::size_t kNearBytes = 16;

std::size_t find_byte(std::string_view text, std::size_t from, char c) {
  std::size_t near_end = std::min(text.size(), from + kNearBytes);
  for (std::size_t i = from; i < near_end; ++i)
    if (text[i] == c) return i;
  if (near_end == text.size()) return npos;
  const void* hit = std::memchr(text.data() + near_end, c, text.size() - near_end);
  return hit == nullptr ? npos : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
}

std::size_t find_needle(std::string_view text, std::size_t from, std::string_view needle) {
  for (std::size_t at = find_byte(text, from, needle[0]); at != npos;
       at = find_byte(text, at + 1, needle[0])) {
    std::size_t k = 1;
    while (k < needle.size() && at + k < text.size() && text[at + k] == needle[k]) ++k;
    if (k == needle.size()) return at;
  }
  return npos;
}

std::size_t search_again(std::string_view text, bool has_nul, NextMatch& m, std::size_t from) {
  m.searched_from = from;
  std::size_t at = from < text.size() ? find_needle(text, from, m.needle) : npos;
  std::size_t limit = at == npos ? text.size() : at;
  if (has_nul && from < limit) {
    if (const void* nul = std::memchr(text.data() + from, '\0', limit - from)) {
      m.stop = static_cast<const char*>(nul) - text.data();
      m.found = false;
      return npos;
    }
  }
  m.stop = limit;
  m.found = at != npos;
  return at;
}

inline std::size_t next_match(std::string_view text, bool has_nul, NextMatch& m, std::size_t from) {
  if (m.searched_from <= from && from <= m.stop) return m.found ? m.stop : npos;
  return search_again(text, has_nul, m, from);
}

// Whether the candidate stands after an odd number of unescaped double
// quotes on its line (the text's first byte never counts). Candidates only
// move forward, so the count is carried along instead of walking back.
struct QuoteParity {
  std::size_t counted_to = 1;
  bool odd = false;
};

bool inside_string_literal(std::string_view text, QuoteParity& q, std::size_t candidate) {
  if (candidate <= 1) return false;
  const char* data = text.data();
  std::size_t from = q.counted_to;
  if (candidate - from > kNearBytes) {
    if (const void* nl = memrchr(data + from, '\n', candidate - from)) {
      from = static_cast<const char*>(nl) - data + 1;
      q.odd = false;
    }
    while (const void* hit = std::memchr(data + from, '"', candidate - from)) {
      std::size_t at = static_cast<const char*>(hit) - data;
      if (!is_escaped(data, at)) q.odd = !q.odd;
      from = at + 1;
    }
  } else {
    for (std::size_t at = from; at < candidate; ++at) {
      if (data[at] == '\n')
        q.odd = false;
      else if (data[at] == '"' && !is_escaped(data, at))
        q.odd = !q.odd;
    }
  }
  q.counted_to = candidate;
  return q.odd;
}

}  // namespace

MaybeFailure scan_source(std::string_view text, Output& out, const ScanOptions& options) {
  const bool has_nul = std::memchr(text.data(), '\0', text.size()) != nullptr;
  NextMatch q5{"Q5"}, xt{"XtVa"}, quote{"\""};
  NextMatch block_open{"/*"}, block_close{"*/"}, line_open{"//"}, line_end{"\n"};
  QuoteParity parity;
  CallPlan plan;
  plan.keep_converted = options.keep_converted;
  // Room for the largest argument list up front: splitting never allocates.
  ArgumentList args;
  try {
    args.chars.reserve(kMaxArguments * (kMaxArgumentLength + 1));
  } catch (const std::bad_alloc&) {
    return Failure{ExitNoMemory, "Cannot alloc " + std::to_string(kMaxArgumentLength + 1) + " bytes\n"};
  }

  std::size_t scan = 0, copy = 0;
  while (scan < text.size()) {
    std::size_t q5_at = next_match(text, has_nul, q5, scan);
    std::size_t xt_at = next_match(text, has_nul, xt, scan);
    std::size_t candidate = q5_at < xt_at ? q5_at : xt_at;
    if (candidate == npos) break;

    if (inside_string_literal(text, parity, candidate)) {
      // Resume past the literal's closing quote, wherever it is.
      std::size_t close = next_match(text, has_nul, quote, candidate);
      scan = close == npos ? candidate + 1 : close + 1;
      continue;
    }

    // Only the first comment of each kind after the scan position counts.
    std::size_t opener = next_match(text, has_nul, block_open, scan);
    if (opener != npos && opener < candidate) {
      std::size_t closer = next_match(text, has_nul, block_close, opener + 2);
      if (closer != npos && candidate < closer) {
        scan = closer + 2;
        continue;
      }
    }
    opener = next_match(text, has_nul, line_open, scan);
    if (opener != npos && opener < candidate) {
      std::size_t newline = next_match(text, has_nul, line_end, opener + 2);
      if (newline != npos && candidate < newline) {
        scan = newline;
        continue;
      }
    }

    int row = lookup_call(text, candidate);
    const CallEntry* entry = row >= 0                  ? &call_table()[row]
                             : options.keep_converted ? lookup_converted_call(text, candidate)
                                                      : nullptr;
    if (entry == nullptr) {
      scan = candidate + 3;
      continue;
    }

    if (!put_source(out, text.substr(copy, candidate - copy))) return out.failure;
    std::size_t out_begin = out.position;
    ConvertResult converted = convert_call(text, candidate, *entry, args, plan, out);
    if (converted.failure) return converted.failure;
    if (out.failure) return out.failure;
    scan = copy = candidate + converted.consumed;
    if (options.calls != nullptr) {
      options.calls->push_back({candidate, scan, out_begin, out.position, row, plan.left_as_is,
                                plan.roles,
                                {args.origins.begin(), args.origins.begin() + args.count + 1}});
    }
  }

  if (copy < text.size() && !put_source(out, text.substr(copy))) return out.failure;
  return {};
}

}  // namespace q5
