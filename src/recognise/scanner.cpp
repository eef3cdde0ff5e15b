#include "recognise/scanner.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <exception>
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
  std::size_t clear_tail = npos;             // nor does the text from here to its end
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
// then says how far the text is known to hold none (nor a NUL), and the
// next search from inside that stretch starts at its end.
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
    if (block >= f.clear_tail) return npos;
    if (block >= horizon && block < size) {
      f.clear_from = start;
      f.clear_to = block;
      return kHorizonReached;
    }
    if (block != f.block) {
      // Skip quiet blocks wholesale while a whole block and its reach fit.
      while (block + kBlockReach <= size && block < horizon &&
             masks::quiet_block(f.text.data() + block)) {
        masks::prefetch_ahead(f.text.data() + block);
        block += kBlock;
        keep = ~std::uint64_t{0};
      }
      if (block >= size) {
        f.clear_tail = std::min(f.clear_tail, start);
        return npos;
      }
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
    if (block >= size) {
      f.clear_tail = std::min(f.clear_tail, start);
      return npos;
    }
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

// Where the pass stands: its position and what its searches remember. The
// searches only remember facts about the text, so what the pass does next
// depends on the position alone: two passes at the same position go on
// alike.
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
// of them), or no candidate before the end (at == npos),
// or, with a horizon, none before it (at == kHorizonReached; then no call
// starts before st.finder.clear_to, and the position has not moved).
struct Step {
  std::size_t at = npos;
  int row = -1;
  const CallEntry* entry = nullptr;
};

inline Step scan_step(ScanState& st, std::size_t horizon = npos) {
  const std::string_view text = st.text;
  if (st.scan >= text.size()) return {};
  std::size_t candidate = next_candidate(st.finder, st.scan, horizon);
  if (candidate == npos || candidate == kHorizonReached) return {candidate};

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
    std::size_t next = next_candidate(st.finder, st.scan, horizon);
    if (next == npos || next == kHorizonReached || next >= plain_until) return {candidate};
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
  return {ExitNoMemory, "Cannot alloc " + std::to_string(kMaxArgumentLength + 1) + " bytes\n"};
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
      options.calls->push_back({candidate, st.scan, out_begin, out.position, step.row,
                                plan.left_as_is, plan.roles,
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

// Two threads. The text is cut at a line start: this thread converts from
// the start and writes, as one thread would, while a second one converts
// from the cut on, as if the text began there, into a log. Their positions
// differ at first, but both move from candidate to candidate; once the
// first reaches a position the second took, they go on alike (see
// ScanState), and the rest is taken from the log. The second pass notes its
// positions over a stretch after the cut; a first pass that meets none of
// them goes on alone.
enum class LogKind : unsigned char {
  Converted,  // the call's text is in the part's text
  Copied,     // a definition head, or a call left as it stands
  Progress,   // no call starts before `at`
  Failed,     // the call cannot be converted: the failure ends the log
  End,        // no call after the last one
  GaveUp,     // the second pass could go no further: on from `resume`
};

struct LogEntry {
  LogKind kind;
  std::size_t at;
  const CallEntry* entry;
  std::uint32_t consumed;  // the second pass gives up on a call longer than 4 GiB
  std::uint32_t text_begin, text_size;
};

constexpr std::size_t kEntriesPerPart = 512;

struct LogPart {
  std::string text;
  std::vector<LogEntry> entries;
  bool final = false;  // then `last` ends the log
  LogEntry last{};
};

// Set in SecondPass::positions_noted once no more positions come.
constexpr std::uint32_t kNotingDone = std::uint32_t{1} << 31;

// Text given back lets the log grow by as much, up to this many more parts.
constexpr std::size_t kMostReleasedParts = 16384;

struct SecondPass {
  SecondPass(std::string_view t, const ScanOptions& o, const TwoThreadSizes& z)
      : text(t), options(o), sizes(z), cut(z.cut),
        parts(z.log_parts +
              (o.release ? std::min(t.size() / z.log_part + 1, kMostReleasedParts) : 0)),
        resume(std::make_unique<ScanState>(t, o)),
        positions(new std::uint32_t[z.meet_within]) {}
  std::string_view text;
  const ScanOptions& options;
  const TwoThreadSizes& sizes;
  std::size_t cut;
  std::vector<LogPart> parts;
  std::unique_ptr<ScanState> resume;  // with a GaveUp entry; allocated up front
  MaybeFailure failure;               // with a Failed entry
  // The positions the second pass took within sizes.meet_within of the
  // cut, as offsets from it, in order.
  std::unique_ptr<std::uint32_t[]> positions;
  alignas(64) std::atomic<std::uint32_t> positions_noted{0};  // and kNotingDone
  alignas(64) std::atomic<std::uint32_t> parts_done{0};
  // The first pass's progress: the parts it took, how far it has written
  // (in whole release steps, where text is given back), and a count of
  // their changes that the second pass waits on when its log is full.
  alignas(64) std::atomic<std::uint32_t> parts_taken{0};
  std::atomic<std::size_t> written{0};
  std::atomic<std::uint32_t> first_moved{0};
  std::atomic<bool> stop{false};
  // Where the second pass found the rest of the text to hold no candidate:
  // a fact about the text, which spares the first pass the search.
  std::atomic<std::size_t> clear_tail{npos};
};

void publish(std::atomic<std::uint32_t>& counter, std::uint32_t value) {
  counter.store(value, std::memory_order_release);
  counter.notify_all();
}

// Waits until the counter moves from `seen`, and returns its new value. The
// other thread usually moves it within microseconds: spinning a while
// first saves the sleep and the wake-up that would each cost more.
std::uint32_t wait_past(const std::atomic<std::uint32_t>& counter, std::uint32_t seen) {
  for (int spin = 0; spin < 2000; ++spin) {
    std::uint32_t now = counter.load(std::memory_order_acquire);
    if (now != seen) return now;
#if defined(__SSE2__)
    _mm_pause();
#endif
  }
  counter.wait(seen, std::memory_order_acquire);
  return counter.load(std::memory_order_acquire);
}

struct LogWriter {
  SecondPass& p;
  std::uint32_t done = 0;
  std::size_t released_to = 0;  // text given back
  std::uint32_t noted = 0;  // positions noted, and kNotingDone
  Output out = memory_output("");
  LogPart* filling = &p.parts[0];

  LogPart& part() { return *filling; }
};

// Room for the next entry; false when there is none.
bool room_for_entry(LogPart& part) {
  try {
    if (part.entries.size() == part.entries.capacity())
      part.entries.reserve(std::max(kEntriesPerPart, 2 * part.entries.capacity()));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void stop_noting(LogWriter& w) {
  if (w.noted & kNotingDone) return;
  w.noted |= kNotingDone;
  publish(w.p.positions_noted, w.noted);
}

void note_position(LogWriter& w, std::size_t scan) {
  if (w.noted & kNotingDone) return;
  if (scan - w.p.cut >= w.p.sizes.meet_within) return stop_noting(w);
  w.p.positions[w.noted] = static_cast<std::uint32_t>(scan - w.p.cut);
  publish(w.p.positions_noted, ++w.noted);
}

// A part's text gets its whole room at once: grown by doubling, the parts
// would hold up to twice what the log is allowed.
bool room_for_text(std::string& text, std::size_t part) {
  try {
    if (text.capacity() < part + 4096) text.reserve(part + 4096);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Whether the log has room for another part: the parts the first pass
// has not taken stay within the log's own room plus one part for every
// part's worth of text given back. The ring holds that many.
bool log_has_room(const LogWriter& w) {
  const TwoThreadSizes& z = w.p.sizes;
  std::size_t room = std::min(w.p.parts.size(), z.log_parts + w.released_to / z.log_part);
  return w.done - w.p.parts_taken.load(std::memory_order_acquire) < room;
}

// Gives back the text the first pass has written, when there is a step's
// worth more of it; true when it did. Done here, while this pass waits
// for room: it costs the first pass nothing then.
bool give_back_written(LogWriter& w) {
  std::size_t to = w.p.written.load(std::memory_order_acquire);
  if (w.p.options.release == nullptr || to <= w.released_to) return false;
  w.p.options.release(w.p.text.substr(w.released_to, to - w.released_to));
  w.released_to = to;
  return true;
}

// Hands the part being filled over and starts the next; false when told
// to stop. A full log waits for the first pass to take from it or to write
// text that can be given back; it takes only once the passes met: so no
// more positions are noted from then on, and a first pass still looking
// for one goes on alone.
bool hand_over(LogWriter& w) {
  std::swap(w.part().text, w.out.memory);
  publish(w.p.parts_done, ++w.done);
  for (;;) {
    std::uint32_t moved = w.p.first_moved.load(std::memory_order_acquire);
    if (log_has_room(w)) break;
    stop_noting(w);
    if (w.p.stop.load(std::memory_order_relaxed)) return false;
    if (!give_back_written(w)) wait_past(w.p.first_moved, moved);
  }
  if (w.p.stop.load(std::memory_order_relaxed)) return false;
  w.filling = &w.p.parts[w.done % w.p.parts.size()];
  w.out.memory.swap(w.part().text);
  w.out.memory.clear();
  w.part().entries.clear();
  return true;
}

void run_second_pass(SecondPass& p) {
  ScanState st(p.text, p.options);
  st.scan = p.cut;
  ArgumentList args;
  CallPlan plan;
  plan.keep_converted = p.options.keep_converted;
  LogWriter w{p};
  std::size_t next_progress = p.cut + p.sizes.progress_every;
  auto finish = [&](LogEntry last) {
    stop_noting(w);
    w.part().final = true;
    w.part().last = last;
    hand_over(w);
  };
  // From a state whose next step is still to come: the first pass goes on
  // from there on its own.
  auto give_up = [&](const ScanState& at) {
    *p.resume = at;
    finish({LogKind::GaveUp, at.scan, nullptr, 0, 0, 0});
  };
  if (!reserve_arguments(args)) return give_up(st);

  note_position(w, st.scan);
  for (;;) {
    if (p.stop.load(std::memory_order_relaxed)) return;
    // A step that finds a call leaves the state as it was.
    Step step = scan_step(st);
    if (step.at == npos) {
      p.clear_tail.store(st.finder.clear_tail, std::memory_order_relaxed);
      return finish({LogKind::End, 0, nullptr, 0, 0, 0});
    }
    if (step.entry == nullptr && st.scan < next_progress) {
      note_position(w, st.scan);
      continue;
    }
    if (!room_for_entry(w.part()) || !room_for_text(w.out.memory, p.sizes.log_part))
      return give_up(st);
    if (step.entry != nullptr) {
      std::size_t begin = w.out.memory.size();
      ConvertResult call = convert_call(p.text, step.at, *step.entry, args, plan, w.out);
      if (call.failure) {
        p.failure = std::move(call.failure);
        return finish({LogKind::Failed, step.at, step.entry, 0, 0, 0});
      }
      constexpr std::size_t kMost = UINT32_MAX;
      if (w.out.failure || call.consumed > kMost || w.out.memory.size() > kMost) return give_up(st);
      // A definition head, or a call left as it stands, is copied (and said so).
      if (plan.left_as_is) w.out.memory.resize(begin);
      w.part().entries.push_back({plan.left_as_is ? LogKind::Copied : LogKind::Converted, step.at,
                                  step.entry, static_cast<std::uint32_t>(call.consumed),
                                  static_cast<std::uint32_t>(begin),
                                  static_cast<std::uint32_t>(w.out.memory.size() - begin)});
      st.scan = step.at + call.consumed;
    } else {
      w.part().entries.push_back({LogKind::Progress, st.scan, nullptr, 0, 0, 0});
      while (next_progress <= st.scan) next_progress += p.sizes.progress_every;
    }
    note_position(w, st.scan);
    if ((w.out.memory.size() >= p.sizes.log_part || w.part().entries.size() >= kEntriesPerPart ||
         w.part().entries.back().kind == LogKind::Progress) &&
        !hand_over(w))
      return;
  }
}

// The first pass tells the second that it has moved on.
void first_moved(SecondPass& p) {
  publish(p.first_moved, p.first_moved.load(std::memory_order_relaxed) + 1);
}

// Says how far the first pass has written, in whole steps; true when that
// moved (the second pass is then to be told).
bool note_written(SecondPass& p, std::size_t copy) {
  const std::size_t step = p.sizes.release_every;
  if (p.options.release == nullptr) return false;
  if (copy < p.written.load(std::memory_order_relaxed) + step) return false;
  p.written.store(copy - copy % step, std::memory_order_release);
  return true;
}

// Whether the first pass, at `scan` past the cut, meets the second there;
// waits for the second pass's positions as far as needed. `index` walks
// them. Sets `lost` when they cannot meet any more.
bool meets_second_pass(SecondPass& p, std::size_t scan, std::uint32_t& index, bool& lost) {
  if (scan - p.cut >= p.sizes.meet_within) {
    lost = true;
    return false;
  }
  std::uint32_t offset = static_cast<std::uint32_t>(scan - p.cut);
  std::uint32_t seen = p.positions_noted.load(std::memory_order_acquire);
  for (;;) {
    std::uint32_t noted = seen & ~kNotingDone;
    while (index < noted && p.positions[index] < offset) ++index;
    if (index < noted) return p.positions[index] == offset;
    if (seen & kNotingDone) {
      lost = true;
      return false;
    }
    seen = wait_past(p.positions_noted, seen);
  }
}

// Writes the second pass's log from position `from` on, as the first pass
// would have written those calls. Returns the state to go on from alone
// when the second pass gave up, else null with the outcome in `result`.
std::unique_ptr<ScanState> take_log(SecondPass& p, std::size_t from, std::size_t& copy,
                                    ArgumentList& args, Output& out, const ScanOptions& options,
                                    MaybeFailure& result) {
  const std::string_view text = p.text;
  CallPlan plan;
  plan.keep_converted = options.keep_converted;
  std::uint32_t taken = 0, done_parts = 0;
  // Writes one entry; false when the log or the output ends there.
  auto take = [&](const LogPart& part, const LogEntry& e) {
    if (e.kind == LogKind::End) {
      if (copy < text.size() && !put_source(out, text.substr(copy))) result = out.failure;
      return false;
    }
    if (e.at < from) return true;  // found before the passes met
    if (e.kind == LogKind::Progress && e.at <= copy) return true;
    if (!put_source(out, text.substr(copy, e.at - copy))) {
      result = out.failure;
      return false;
    }
    copy = e.at;
    switch (e.kind) {
      case LogKind::Progress:
        return true;
      case LogKind::Failed:
        result = std::move(p.failure);
        return false;
      case LogKind::Copied:
        put_source(out, text.substr(e.at, e.consumed));
        break;
      case LogKind::Converted:
        // Taken whole where it leaves the emulated buffer short of a flush
        // (nothing can fail then); else written again piece by piece, so
        // that a failure names the piece as it would have.
        if (char* block = open_block(out, e.text_size)) {
          std::memcpy(block, part.text.data() + e.text_begin, e.text_size);
          close_block(out, block + e.text_size);
        } else {
          convert_call(text, e.at, *e.entry, args, plan, out);
        }
        break;
      default:
        break;
    }
    if (out.failure) {
      result = out.failure;
      return false;
    }
    copy = e.at + e.consumed;
    return true;
  };
  for (;;) {
    if (taken == done_parts) {
      done_parts = wait_past(p.parts_done, done_parts);
      continue;
    }
    LogPart& part = p.parts[taken % p.parts.size()];
    for (const LogEntry& e : part.entries)
      if (!take(part, e)) return nullptr;
    if (part.final) {
      if (part.last.kind == LogKind::GaveUp) return std::move(p.resume);
      take(part, part.last);
      return nullptr;
    }
    // A part's memory goes back at once: the ring may be much longer than
    // the parts that are filled at a time.
    std::string().swap(part.text);
    std::vector<LogEntry>().swap(part.entries);
    p.parts_taken.store(++taken, std::memory_order_release);
    note_written(p, copy);
    first_moved(p);
  }
}

MaybeFailure scan_in_two_parts(std::string_view text, Output& out, const ScanOptions& options,
                               const TwoThreadSizes& sizes) {
  ArgumentList args;
  if (!reserve_arguments(args)) return no_memory_for_arguments();
  std::unique_ptr<SecondPass> second;
  std::thread helper;
  try {
    second = std::make_unique<SecondPass>(text, options, sizes);
    helper = std::thread(run_second_pass, std::ref(*second));
  } catch (const std::exception&) {
    return scan_from_start(text, out, options);
  }
  SecondPass& p = *second;
  const std::size_t cut = p.cut;
  auto stop_helper = [&] {
    p.stop.store(true, std::memory_order_relaxed);
    first_moved(p);
    helper.join();
  };

  ScanState st(text, options);
  CallPlan plan;
  plan.keep_converted = options.keep_converted;
  std::size_t copy = 0;
  std::uint32_t index = 0;
  bool lost = false;
  MaybeFailure result;
  for (;;) {
    if (!lost && st.scan >= cut && meets_second_pass(p, st.scan, index, lost)) {
      std::unique_ptr<ScanState> resume = take_log(p, st.scan, copy, args, out, options, result);
      stop_helper();
      if (!resume) return result;
      return scan_alone(*resume, copy, args, out, options);
    }
    if (lost) {
      stop_helper();
      return scan_alone(st, copy, args, out, options);
    }
    st.finder.clear_tail = std::min(st.finder.clear_tail, p.clear_tail.load(std::memory_order_relaxed));
    // Text without calls is written as the search passes it, not after.
    Step step = scan_step(st, copy + p.sizes.progress_every);
    if (step.at == npos) break;
    if (step.at == kHorizonReached) {
      if (!put_source(out, text.substr(copy, st.finder.clear_to - copy))) {
        result = out.failure;
        break;
      }
      copy = st.finder.clear_to;
      if (note_written(p, copy)) first_moved(p);
      continue;
    }
    if (step.entry == nullptr) continue;
    if (!put_source(out, text.substr(copy, step.at - copy))) {
      result = out.failure;
      break;
    }
    ConvertResult converted = convert_call(text, step.at, *step.entry, args, plan, out);
    if (converted.failure || out.failure) {
      result = converted.failure ? converted.failure : out.failure;
      break;
    }
    st.scan = copy = step.at + converted.consumed;
    if (note_written(p, copy)) first_moved(p);
  }
  stop_helper();
  if (!result && copy < text.size() && !put_source(out, text.substr(copy))) result = out.failure;
  return result;
}

}  // namespace

MaybeFailure scan_source_concurrently(std::string_view text, Output& out, const ScanOptions& options,
                                      TwoThreadSizes sizes) {
  if (sizes.cut == 0) {
    // The first line start from two fifths in: the first thread also
    // writes everything out, so it takes the smaller part.
    std::size_t newline = text.find('\n', text.size() * 2 / 5);
    sizes.cut = newline == npos ? text.size() : newline + 1;
  }
  if (sizes.cut >= text.size() || options.calls != nullptr) return scan_from_start(text, out, options);
  return scan_in_two_parts(text, out, options, sizes);
}

MaybeFailure scan_source(std::string_view text, Output& out, const ScanOptions& options) {
  if (options.concurrent && text.size() >= kConcurrentFrom)
    return scan_source_concurrently(text, out, options);
  return scan_from_start(text, out, options);
}

}  // namespace q5
