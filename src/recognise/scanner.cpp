#include "recognise/scanner.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "recognise/byte_masks.h"
#include "recognise/call_table.h"
#include "recognise/splitter.h"
#include "rewrite/rewriters.h"

namespace q5 {

namespace {

constexpr std::size_t npos = std::string_view::npos;

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
  return hit == nullptr ? npos : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
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
  std::size_t clear_from = 0, clear_to = 0;  // holds no candidate start and no NUL
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

// What next_candidate returns when it reached the horizon first.
constexpr std::size_t kHorizonReached = npos - 1;

// The first candidate at or after `from`, or npos when a NUL or the end of
// the text comes first (a C string search would stop there). With a
// horizon: kHorizonReached when no candidate starts before it; f.clear_to
// then says how far the text is known to hold none, and the next search
// from inside that stretch starts at its end.
std::size_t next_candidate(CandidateFinder& f, std::size_t from, std::size_t horizon = npos) {
  const std::size_t size = f.text.size();
  if (from >= size) return npos;
  std::size_t start = from;
  std::size_t block = from - from % kBlock;
  std::uint64_t keep = ~std::uint64_t{0} << (from - block);
  if (f.clear_from <= from && from < f.clear_to) {
    start = f.clear_from;
    block = f.clear_to;
    keep = ~std::uint64_t{0};
  }
  for (;;) {
    if (block >= horizon && block < size) {
      f.clear_from = start;
      f.clear_to = block;
      return kHorizonReached;
    }
    if (block != f.block) {
      // Skip quiet blocks wholesale while a whole block and its reach fit.
      while (block + kBlockReach <= size && block < horizon &&
             masks::quiet_block(f.text.data() + block)) {
        block += kBlock;
        keep = ~std::uint64_t{0};
      }
      if (block >= size) return npos;
      if (block >= horizon) continue;
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

struct FoundCall {
  std::size_t candidate = npos;
  int row = -1;
  const CallEntry* entry = nullptr;  // null: no call before the end, or
  std::size_t none_before = 0;       // (when set) none before this position
};

// The next call of the table at or after the scan position that stands
// outside string literals and comments. With a horizon, the search may stop
// short of the call once past the horizon, saying how far there is none.
FoundCall find_next_call(ScanState& st, std::size_t horizon = npos) {
  const std::string_view text = st.text;
  while (st.scan < text.size()) {
    std::size_t candidate = next_candidate(st.finder, st.scan, horizon);
    if (candidate == kHorizonReached) return {npos, -1, nullptr, st.finder.clear_to};
    if (candidate == npos) break;

    if (inside_string_literal(text, st.parity, candidate)) {
      // Resume past the literal's closing quote, wherever it is.
      std::size_t close = next_match(text, st.nul, st.quote, candidate);
      st.scan = close == npos ? candidate + 1 : close + 1;
      continue;
    }

    // Only the first comment of each kind after the scan position counts.
    std::size_t opener = next_match(text, st.nul, st.block_open, st.scan);
    if (opener != npos && opener < candidate) {
      std::size_t closer = next_match(text, st.nul, st.block_close, opener + 2);
      if (closer != npos && candidate < closer) {
        st.scan = closer + 2;
        continue;
      }
    }
    opener = next_match(text, st.nul, st.line_open, st.scan);
    if (opener != npos && opener < candidate) {
      std::size_t newline = next_match(text, st.nul, st.line_end, opener + 2);
      if (newline != npos && candidate < newline) {
        st.scan = newline;
        continue;
      }
    }

    int row = lookup_call(text, candidate);
    const CallEntry* entry = row >= 0            ? &call_table()[row]
                             : st.keep_converted ? lookup_converted_call(text, candidate)
                                                 : nullptr;
    if (entry != nullptr) return {candidate, row, entry};
    st.scan = candidate + 3;
  }
  return {};
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
  return {ExitNoMemory, "Cannot alloc " + std::to_string(kMaxArgumentLength + 1) + " bytes\n"};
}

MaybeFailure scan_in_one_thread(std::string_view text, Output& out, const ScanOptions& options) {
  ScanState st(text, options);
  CallPlan plan;
  plan.keep_converted = options.keep_converted;
  ArgumentList args;
  if (!reserve_arguments(args)) return no_memory_for_arguments();

  std::size_t copy = 0;
  for (;;) {
    FoundCall found = find_next_call(st);
    if (found.entry == nullptr) break;
    std::size_t candidate = found.candidate;
    if (!put_source(out, text.substr(copy, candidate - copy))) return out.failure;
    std::size_t out_begin = out.position;
    ConvertResult converted = convert_call(text, candidate, *found.entry, args, plan, out);
    if (converted.failure) return converted.failure;
    if (out.failure) return out.failure;
    st.scan = copy = candidate + converted.consumed;
    if (options.calls != nullptr) {
      options.calls->push_back({candidate, st.scan, out_begin, out.position, found.row,
                                plan.left_as_is, plan.roles,
                                {args.origins.begin(), args.origins.begin() + args.count + 1}});
    }
  }

  if (copy < text.size() && !put_source(out, text.substr(copy))) return out.failure;
  return {};
}

// Two threads: one finds and splits the calls, the other (the caller)
// writes them, in order, through a ring of slots. The writer sees exactly
// the sequence of calls and failures one thread would meet, so the output
// and the failure are the same; the finder may run ahead of a write that
// fails, and its work past that point is dropped.
// The ring holds many calls: the writer's flushes to the output take a
// while, and the finder goes on meanwhile. A small text gets a small ring.
constexpr std::uint32_t kMostSlots = 2048;
constexpr std::uint32_t kHandOverEvery = 16;  // calls per hand-over

std::uint32_t ring_size(std::size_t text_size) {
  std::uint32_t slots = 4;
  while (slots < kMostSlots && slots * std::size_t{512} < text_size) slots *= 2;
  return slots;
}

// Without a call for this long, the finder still tells the writer how far
// it got, so that the text in between is written meanwhile.
constexpr std::size_t kProgressStep = std::size_t{256} << 10;

enum class SlotKind { Call, Progress, End };

struct FoundSlot {
  SlotKind kind = SlotKind::End;
  std::size_t at = 0;  // the call's name; for progress, where no call starts before
  const CallEntry* entry = nullptr;
  PreparedCall call;
  ArgumentList args;
  CallPlan plan;  // decided by the finder too: it looks only at the arguments
};

struct Handoff {
  explicit Handoff(std::uint32_t size) : slots(size), mask(size - 1) {}
  std::vector<FoundSlot> slots;
  std::uint32_t mask;  // the size is a power of two
  alignas(64) std::atomic<std::uint32_t> published{0};  // slots filled, counted mod 2^32
  alignas(64) std::atomic<std::uint32_t> released{0};   // slots the writer is done with
  std::atomic<bool> stop{false};
};

void publish(std::atomic<std::uint32_t>& counter, std::uint32_t value) {
  counter.store(value, std::memory_order_release);
  counter.notify_one();
}

// Waits until the counter moves from `seen`, and returns its new value. The
// other thread usually moves it within microseconds: spinning a while
// first saves the sleep and the wake-up that would each cost more.
std::uint32_t wait_past(const std::atomic<std::uint32_t>& counter, std::uint32_t seen) {
  for (int spin = 0; spin < 20000; ++spin) {
    std::uint32_t now = counter.load(std::memory_order_acquire);
    if (now != seen) return now;
#if defined(__SSE2__)
    _mm_pause();
#endif
  }
  counter.wait(seen, std::memory_order_acquire);
  return counter.load(std::memory_order_acquire);
}

void find_calls(std::string_view text, const ScanOptions& options, Handoff& h) {
  ScanState st(text, options);
  std::uint32_t filled = 0, free_from = 0;
  std::size_t progress = 0;
  for (;;) {
    FoundCall found = find_next_call(st, std::max(st.scan, progress) + kProgressStep);
    while (filled - free_from == h.slots.size()) {
      publish(h.published, filled);
      free_from = wait_past(h.released, free_from);
      if (h.stop.load(std::memory_order_relaxed)) return;
    }
    FoundSlot& slot = h.slots[filled & h.mask];
    ++filled;
    if (found.entry == nullptr && found.none_before == 0) {
      slot.kind = SlotKind::End;
      break;
    }
    if (found.entry == nullptr) {
      slot.kind = SlotKind::Progress;
      slot.at = progress = found.none_before;
      publish(h.published, filled);
      if (h.stop.load(std::memory_order_relaxed)) return;
      continue;
    }
    slot.kind = SlotKind::Call;
    slot.at = found.candidate;
    slot.entry = found.entry;
    try {
      slot.call = prepare_call(text, found.candidate, slot.args);
      slot.plan.planned = false;
      if (!slot.call.failure && !slot.call.definition) {
        slot.plan.keep_converted = options.keep_converted;
        slot.plan.left_as_is = false;
        found.entry->rewriter(text.substr(found.candidate, slot.call.name_size), slot.args,
                              found.entry->fixed_count, slot.plan, nullptr);
        slot.plan.planned = true;
      }
    } catch (const std::bad_alloc&) {
      // An argument copied around a comment found no room to grow.
      slot.call = PreparedCall{};
      slot.call.failure = no_memory_for_arguments();
    }
    if (slot.call.failure) break;
    st.scan = found.candidate + slot.call.consumed;
    if (filled % kHandOverEvery == 0) {
      publish(h.published, filled);
      if (h.stop.load(std::memory_order_relaxed)) return;
    }
  }
  publish(h.published, filled);
}

MaybeFailure write_found_calls(std::string_view text, Output& out, Handoff& h) {
  std::size_t copy = 0;
  std::uint32_t taken = 0, ready = 0;
  for (;;) {
    if (taken == ready) {
      publish(h.released, taken);
      ready = wait_past(h.published, ready);
      continue;
    }
    FoundSlot& slot = h.slots[taken & h.mask];
    if (slot.kind == SlotKind::End) break;
    if (!put_source(out, text.substr(copy, slot.at - copy))) return out.failure;
    copy = slot.at;
    if (slot.kind == SlotKind::Call) {
      if (slot.call.failure) return slot.call.failure;
      write_prepared_call(text, slot.at, slot.call, *slot.entry, slot.args, slot.plan, out);
      if (out.failure) return out.failure;
      copy = slot.at + slot.call.consumed;
    }
    if (++taken % kHandOverEvery == 0) publish(h.released, taken);
  }
  if (copy < text.size() && !put_source(out, text.substr(copy))) return out.failure;
  return {};
}

}  // namespace

MaybeFailure scan_source_concurrently(std::string_view text, Output& out, const ScanOptions& options) {
  std::unique_ptr<Handoff> handoff;
  try {
    handoff = std::make_unique<Handoff>(ring_size(text.size()));
  } catch (const std::bad_alloc&) {
    return scan_in_one_thread(text, out, options);
  }
  // The slots' argument copies grow only when a comment splits an
  // argument; the room one thread would reserve must be there all the same.
  {
    ArgumentList probe;
    if (!reserve_arguments(probe)) return no_memory_for_arguments();
  }
  Handoff& h = *handoff;
  std::thread finder;
  try {
    finder = std::thread(find_calls, text, options, std::ref(h));
  } catch (const std::system_error&) {
    return scan_in_one_thread(text, out, options);
  }
  MaybeFailure failure = write_found_calls(text, out, h);
  h.stop.store(true, std::memory_order_relaxed);
  publish(h.released, h.released.load() + h.mask + 1);  // wakes a finder waiting for room
  finder.join();
  return failure;
}

MaybeFailure scan_source(std::string_view text, Output& out, const ScanOptions& options) {
  if (options.concurrent && options.calls == nullptr && text.size() >= kConcurrentFrom)
    return scan_source_concurrently(text, out, options);
  return scan_in_one_thread(text, out, options);
}

}  // namespace q5
