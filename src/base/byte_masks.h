// Bit masks of byte comparisons over 16 bytes at a time: bit i stands for
// the byte at p + i. SSE2 where the compiler has it (always on x86-64),
// plain loops elsewhere. Every function reads exactly the bytes it says.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace q5::masks {

#if defined(__SSE2__)

using Bytes16 = __m128i;

// p[0..15]
inline Bytes16 load16(const char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline unsigned equal(Bytes16 v, char c) {
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
}

// Bit i: p[i] is a byte of a C identifier (letter, digit, underscore).
inline unsigned identifier_bytes(Bytes16 v) {
  __m128i folded = _mm_sub_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
  __m128i letter = _mm_cmpeq_epi8(_mm_min_epu8(folded, _mm_set1_epi8(25)), folded);
  __m128i digits = _mm_sub_epi8(v, _mm_set1_epi8('0'));
  __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(digits, _mm_set1_epi8(9)), digits);
  __m128i underscore = _mm_cmpeq_epi8(v, _mm_set1_epi8('_'));
  return static_cast<unsigned>(
      _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(letter, digit), underscore)));
}

#else

struct Bytes16 {
  const char* p;
};

inline Bytes16 load16(const char* p) { return {p}; }

inline unsigned equal(Bytes16 v, char c) {
  unsigned m = 0;
  for (int i = 0; i < 16; ++i) m |= static_cast<unsigned>(v.p[i] == c) << i;
  return m;
}

inline unsigned identifier_bytes(Bytes16 v) {
  unsigned m = 0;
  for (int i = 0; i < 16; ++i) {
    unsigned char c = static_cast<unsigned char>(v.p[i]);
    bool ident = ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || (c >= '0' && c <= '9') || c == '_';
    m |= static_cast<unsigned>(ident) << i;
  }
  return m;
}

#endif

// Bit i: p[i] is a blank allowed between a call's name and its "(".
inline unsigned call_blank_bytes(Bytes16 v) {
  return equal(v, ' ') | equal(v, '\t') | equal(v, '\n') | equal(v, '\r') | equal(v, '\\');
}

// Bit i: "Q5" or "XtVa" starts at p[i]; reads p[0..18].
inline unsigned candidate_starts(const char* p) {
  Bytes16 v0 = load16(p), v1 = load16(p + 1), v2 = load16(p + 2), v3 = load16(p + 3);
  unsigned q5 = equal(v0, 'Q') & equal(v1, '5');
  unsigned xtva = equal(v0, 'X') & equal(v1, 't') & equal(v2, 'V') & equal(v3, 'a');
  return q5 | xtva;
}

// Whether p[0..63] holds none of the bytes that can start a candidate ("Q",
// "X") nor a NUL: most blocks of most sources.
inline bool quiet_block(const char* p) {
#if defined(__SSE2__)
  __m128i any = _mm_setzero_si128();
  const __m128i q = _mm_set1_epi8('Q'), x = _mm_set1_epi8('X'), zero = _mm_setzero_si128();
  for (int k = 0; k < 64; k += 16) {
    __m128i v = load16(p + k);
    any = _mm_or_si128(any, _mm_or_si128(_mm_cmpeq_epi8(v, q), _mm_cmpeq_epi8(v, x)));
    any = _mm_or_si128(any, _mm_cmpeq_epi8(v, zero));
  }
  return _mm_movemask_epi8(any) == 0;
#else
  for (int i = 0; i < 64; ++i)
    if (p[i] == 'Q' || p[i] == 'X' || p[i] == '\0') return false;
  return true;
#endif
}

// The first position at or after i (before to, in steps of sixteen bytes)
// where `hits` finds a byte of interest, or the start of the last partial
// block: the caller goes on byte by byte from there.
template <typename Hits>
inline std::size_t skip_blocks(const char* data, std::size_t i, std::size_t to, Hits hits) {
  for (; i + 16 <= to; i += 16)
    if (unsigned found = hits(load16(data + i)))
      return i + static_cast<std::size_t>(__builtin_ctz(found));
  return i;
}

// A pass that streams through a mapped file meets a new 4 KiB page every
// 64 blocks, and the processor's own prefetching stops at page edges:
// asking for the bytes two pages ahead keeps such a pass from waiting on
// memory. A hint only: it never faults, past the text's end either.
inline void prefetch_ahead(const char* p) {
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(p) + 8192));
}

}  // namespace q5::masks
