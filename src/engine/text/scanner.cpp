#include "engine/text/scanner.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/byte_masks.h"
#include "base/bytes.h"
#include "engine/call_table.h"
#include "engine/text/rewriters.h"
#include "engine/text/splitter.h"

namespace q5 {

namespace {

int lowest_bit(std::uint64_t m) { return __builtin_ctzll(m); }

// The first occurrence of a needle at or after a position, as a search over
// a NUL-terminated string would find it (stopping at the next NUL). The
// answer is remembered: while later searches start at or before it, they
// cost nothing, which keeps the whole pass linear.
struct NextMatch {
  std::string_view needle;  // one or two bytes
  std::size_t searched_from = npos;
  std::size_t stop = 0;  // the match, or the NUL or end that ended the search
  bool found = false;
};

// Two-byte needles ("/*", "*/", "//"), sixteen positions at a time.
std::size_t find_pair(std::string_view text, std::size_t from, char first, char second) {
  const char* data = text.data();
  std::size_t i = from;
  for (; i + 17 <= text.size(); i += 16) {
    unsigned hits = masks::equal(masks::load16(data + i), first) &
                    masks::equal(masks::load16(data + i + 1), second);
    if (hits != 0) return i + lowest_bit(hits);
  }
  for (; i + 1 < text.size(); ++i)
    if (data[i] == first && data[i + 1] == second) return i;
  return npos;
}

std::size_t find_needle(std::string_view text, std::size_t from, std::string_view needle) {
  if (needle.size() == 2) return find_pair(text, from, needle[0], needle[1]);
  const void* hit = std::memchr(text.data() + from, needle[0], text.size() - from);
  return hit == nullptr ? npos
                        : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
}

// Where NULs are, found out as searches need it: the stretch last found
// free of NULs is remembered, and a search that starts inside it looks only
// past its end. Searches move forward, so the text is looked at about once,
// and only as far as the searches reach.
struct NulKnowledge {
  std::string_view text;
  bool none = false;  // the caller knows the text holds no NUL
  std::size_t clean_from = 0, clean_to = 0;
};

// The first NUL in [from, limit), or npos.
std::size_t first_nul(NulKnowledge& k, std::size_t from, std::size_t limit) {
  if (k.none || from >= limit) return npos;
  if (k.clean_from <= from && from <= k.clean_to) {
    if (limit <= k.clean_to) return npos;
    from = k.clean_to;
  } else {
    k.clean_from = from;
  }
  const void* hit = std::memchr(k.text.data() + from, '\0', limit - from);
  k.clean_to = hit == nullptr ? limit : static_cast<const char*>(hit) - k.text.data();
  return hit == nullptr ? npos : k.clean_to;
}

std::size_t search_again(std::string_view text, NulKnowledge& nul, NextMatch& m, std::size_t from) {
  m.searched_from = from;
  std::size_t at = from < text.size() ? find_needle(text, from, m.needle) : npos;
  std::size_t limit = at == npos ? text.size() : at;
  std::size_t stop = first_nul(nul, from, limit);
  if (stop != npos) {
    m.stop = stop;
    m.found = false;
    return npos;
  }
  m.stop = limit;
  m.found = at != npos;
  return at;
}

inline std::size_t next_match(std::string_view text, NulKnowledge& nul, NextMatch& m,
                              std::size_t from) {
  if (m.searched_from <= from && from <= m.stop) return m.found ? m.stop : npos;
  return search_again(text, nul, m, from);
}

// Candidates ("Q5" or "XtVa") are found 64 positions at a time: the block
// holding the scan position is turned into a bit mask of candidate starts
// and of NULs, and each candidate costs a bit scan. Blocks without a "Q",
// "X" or NUL are passed over after one test.
struct CandidateFinder {
  std::string_view text;
  std::size_t block = npos;  // start of the block the masks describe
  std::uint64_t starts = 0;
  std::uint64_t nuls = 0;
};

constexpr std::size_t kBlock = 64;
// A block's masks look at three bytes past it ("XtVa" starting at its end).
constexpr std::size_t kBlockReach = kBlock + 3;

void describe_block(CandidateFinder& f, std::size_t block) {
  f.block = block;
  const char* p = f.text.data() + block;
  // Near the end, a copy padded with bytes that start nothing; bytes past
  // the text are not NULs of the text.
  char padded[kBlockReach] = {};
  std::size_t valid = std::min(kBlock, f.text.size() - block);
  if (block + kBlockReach > f.text.size()) {
    std::memcpy(padded, p, f.text.size() - block);
    p = padded;
  }
  std::uint64_t starts = 0, nuls = 0;
  for (std::size_t k = 0; k < kBlock; k += 16) {
    starts |= std::uint64_t{masks::candidate_starts(p + k)} << k;
    nuls |= std::uint64_t{masks::equal(masks::load16(p + k), '\0')} << k;
  }
  if (valid < kBlock) nuls &= (std::uint64_t{1} << valid) - 1;
  f.starts = starts;
  f.nuls = nuls;
}

// The first candidate at or after `from`, or npos when a NUL or the end of
// the text comes first (a C string search would stop there).
std::size_t next_candidate(CandidateFinder& f, std::size_t from) {
  const std::size_t size = f.text.size();
  if (from >= size) return npos;
  std::size_t block = from - from % kBlock;
  std::uint64_t keep = ~std::uint64_t{0} << (from - block);
  for (;;) {
    if (block != f.block) {
      // Skip quiet blocks wholesale while a whole block and its reach fit.
      while (block + kBlockReach <= size && masks::quiet_block(f.text.data() + block)) {
        masks::prefetch_ahead(f.text.data() + block);
        block += kBlock;
        keep = ~std::uint64_t{0};
      }
      if (block >= size) return npos;
      describe_block(f, block);
    }
    std::uint64_t starts = f.starts & keep, nuls = f.nuls & keep;
    if (starts != 0) {
      std::uint64_t before = (starts & (~starts + 1)) - 1;
      return (nuls & before) != 0 ? npos : block + lowest_bit(starts);
    }
    if (nuls != 0) return npos;
    block += kBlock;
    keep = ~std::uint64_t{0};
    if (block >= size) return npos;
  }
}

// Whether the candidate stands after an odd number of unescaped double
// quotes on its line (the text's first byte never counts). Candidates only
// move forward, so the count is carried along, sixteen bytes at a time;
// across a long gap, from the gap's last newline on.
struct QuoteParity {
  std::size_t counted_to = 1;
  bool odd = false;
};

bool inside_string_literal(std::string_view text, QuoteParity& q, std::size_t candidate) {
  if (candidate <= 1) return false;
  const char* data = text.data();
  std::size_t from = q.counted_to;
  if (candidate - from > kBlock) {
    if (const void* nl = memrchr(data + from, '\n', candidate - from)) {
      from = static_cast<const char*>(nl) - data + 1;
      q.odd = false;
    }
  }
  while (from < candidate) {
    std::size_t n = std::min<std::size_t>(16, candidate - from);
    if (from + 16 <= text.size()) {
      masks::Bytes16 v = masks::load16(data + from);
      unsigned range = (2u << (n - 1)) - 1;
      unsigned quotes = masks::equal(v, '"') & range;
      unsigned newlines = masks::equal(v, '\n') & range;
      if (newlines != 0) {
        q.odd = false;
        quotes &= ~((2u << (31 - __builtin_clz(newlines))) - 1);
      }
      // A quote right after a backslash may be escaped: look at its run.
      unsigned backslash_before = (masks::equal(v, '\\') << 1) | (data[from - 1] == '\\');
      for (unsigned maybe = quotes & backslash_before; maybe != 0; maybe &= maybe - 1) {
        int bit = lowest_bit(maybe);
        if (is_escaped(data, from + bit)) quotes &= ~(1u << bit);
      }
      q.odd ^= __builtin_parity(quotes);
    } else {
      for (std::size_t at = from; at < from + n; ++at) {
        if (data[at] == '\n')
          q.odd = false;
        else if (data[at] == '"' && !is_escaped(data, at))
          q.odd = !q.odd;
      }
    }
    from += n;
  }
  q.counted_to = candidate;
  return q.odd;
}

// Where the pass stands: its position and what its searches remember.
struct ScanState {
  std::string_view text;
  bool keep_converted;
  NulKnowledge nul;
  CandidateFinder finder{text};
  NextMatch quote{"\""};
  NextMatch block_open{"/*"}, block_close{"*/"}, line_open{"//"}, line_end{"\n"};
  QuoteParity parity;
  std::size_t scan = 0;

  ScanState(std::string_view t, const ScanOptions& options)
      : text(t), keep_converted(options.keep_converted), nul{t, !options.may_hold_nul} {}
};

// What a step found: a call of the table (entry set), or the scan moved
// past one or more candidates that are not (entry null; `at` is the last
// of them), or no candidate before the end (at == npos).
struct Step {
  std::size_t at = npos;
  int row = -1;
  const CallEntry* entry = nullptr;
};

inline Step scan_step(ScanState& st) {
  const std::string_view text = st.text;
  if (st.scan >= text.size()) return {};
  std::size_t candidate = next_candidate(st.finder, st.scan);
  if (candidate == npos) return {candidate};

  if (inside_string_literal(text, st.parity, candidate)) {
    // Resume past the literal's closing quote, wherever it is.
    std::size_t close = next_match(text, st.nul, st.quote, candidate);
    st.scan = close == npos ? candidate + 1 : close + 1;
    return {candidate};
  }

  // Only the first comment of each kind after the scan position counts.
  std::size_t block_opener = next_match(text, st.nul, st.block_open, st.scan);
  if (block_opener != npos && block_opener < candidate) {
    std::size_t closer = next_match(text, st.nul, st.block_close, block_opener + 2);
    if (closer != npos && candidate < closer) {
      st.scan = closer + 2;
      return {candidate};
    }
  }
  std::size_t line_opener = next_match(text, st.nul, st.line_open, st.scan);
  if (line_opener != npos && line_opener < candidate) {
    std::size_t newline = next_match(text, st.nul, st.line_end, line_opener + 2);
    if (newline != npos && candidate < newline) {
      st.scan = newline;
      return {candidate};
    }
  }

  auto lookup = [&](std::size_t at, int& row) {
    row = lookup_call(text, at);
    return row >= 0            ? &call_table()[row]
           : st.keep_converted ? lookup_converted_call(text, at)
                               : nullptr;
  };
  int row;
  const CallEntry* entry = lookup(candidate, row);
  if (entry != nullptr) return {candidate, row, entry};
  st.scan = candidate + 3;
  if (block_opener < candidate || line_opener < candidate) return {candidate};
  // Up to the next double quote and the next comment opener, candidates
  // stand outside strings and comments as this one does: the lookup alone
  // decides them, as the checks above would. A NUL ends the stretch too:
  // the scan can step over it, and the searches then see past it.
  next_match(text, st.nul, st.quote, candidate);
  std::size_t plain_until = std::min({st.quote.stop, st.block_open.stop, st.line_open.stop});
  for (;;) {
    std::size_t next = next_candidate(st.finder, st.scan);
    if (next == npos || next >= plain_until) return {candidate};
    entry = lookup(next, row);
    if (entry != nullptr) return {next, row, entry};
    candidate = next;
    st.scan = candidate + 3;
  }
}

// Room for the largest argument list up front: splitting never allocates.
bool reserve_arguments(ArgumentList& args) {
  try {
    args.chars.reserve(kMaxArguments * (kMaxArgumentLength + 1));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

Failure no_memory_for_arguments() {
  constexpr std::size_t bytes = kMaxArgumentLength + 1;
  return {ExitNoMemory, "Cannot alloc " + std::to_string(bytes) + " bytes\n", npos,
          FailureKind::NoMemory, bytes};
}

// The pass on one thread, from the state given on: writes the source up to
// each call, then the call.
MaybeFailure scan_alone(ScanState& st, std::size_t copy, ArgumentList& args, Output& out,
                        const ScanOptions& options) {
  const std::string_view text = st.text;
  CallPlan plan;
  plan.keep_converted = options.keep_converted;
  for (;;) {
    Step step = scan_step(st);
    if (step.at == npos) break;
    if (step.entry == nullptr) continue;
    std::size_t candidate = step.at;
    if (!put_source(out, text.substr(copy, candidate - copy))) return out.failure;
    std::size_t out_begin = out.position;
    ConvertResult converted = convert_call(text, candidate, *step.entry, args, plan, out);
    if (converted.failure) return converted.failure;
    if (out.failure) return out.failure;
    st.scan = copy = candidate + converted.consumed;
    if (options.calls != nullptr) {
      options.calls->push_back({candidate,
                                st.scan,
                                out_begin,
                                out.position,
                                step.row,
                                plan.left_as_is,
                                plan.roles,
                                {args.origins.begin(), args.origins.begin() + args.count + 1}});
    }
  }
  if (copy < text.size() && !put_source(out, text.substr(copy))) return out.failure;
  return {};
}

// The pass on one thread over the whole text.
MaybeFailure scan_from_start(std::string_view text, Output& out, const ScanOptions& options) {
  ArgumentList args;
  if (!reserve_arguments(args)) return no_memory_for_arguments();
  ScanState st(text, options);
  return scan_alone(st, 0, args, out, options);
}

}  // namespace

MaybeFailure scan_source(std::string_view text, Output& out, const ScanOptions& options) {
  return scan_from_start(text, out, options);
}

}  // namespace q5
