#include "io/converted.h"

#include <cstddef>

#include "base/byte_masks.h"
#include "base/bytes.h"

namespace q5 {

namespace {

// The first position in [from, to) where "Q5T(" starts or a NUL stands, or
// npos. Sixteen positions at a time, four times over: a position can start
// "Q5T(" only if it holds "Q" and the byte three on holds "(", which both
// plain sources and sources full of Q5 tags rarely show together. The
// bytes up to three past `to` are looked at where the text has them.
std::size_t first_pair_macro_or_nul(std::string_view text, std::size_t from, std::size_t to) {
  constexpr std::string_view kPairMacro = "Q5T(";
  const char* data = text.data();
  std::size_t i = from;
  auto hits_at = [data](std::size_t at) {
    masks::Bytes16 v = masks::load16(data + at);
    return (masks::equal(v, 'Q') & masks::equal(masks::load16(data + at + 3), '(')) |
           masks::equal(v, '\0');
  };
  for (; i + 64 + 3 <= text.size() && i + 64 <= to; i += 64) {
    masks::prefetch_ahead(data + i);
    if ((hits_at(i) | hits_at(i + 16) | hits_at(i + 32) | hits_at(i + 48)) == 0) continue;
    for (std::size_t k = i; k < i + 64; k += 16) {
      for (unsigned maybe = hits_at(k); maybe != 0; maybe &= maybe - 1) {
        std::size_t at = k + static_cast<std::size_t>(__builtin_ctz(maybe));
        if (data[at] == '\0' || text.substr(at, kPairMacro.size()) == kPairMacro) return at;
      }
    }
  }
  for (; i < to && i < text.size(); ++i)
    if (data[i] == '\0' || text.substr(i, kPairMacro.size()) == kPairMacro) return i;
  return npos;
}

}  // namespace

// Searched up to the first NUL byte, like a C string.
bool is_converted_already(std::string_view text) {
  std::size_t at = first_pair_macro_or_nul(text, 0, text.size());
  return at != npos && text[at] != '\0';
}

}  // namespace q5
