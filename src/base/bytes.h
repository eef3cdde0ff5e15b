// Byte tests the layers share. Input is bytes: no locale, no encoding.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace q5 {

inline constexpr std::size_t npos = std::string_view::npos;

// A byte of a C name as the classic rules read it: letter, digit or
// underscore.
inline constexpr auto kNameBytes = [] {
  std::array<bool, 256> bytes{};
  for (unsigned b = 0; b < 256; ++b)
    bytes[b] =
        (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_';
  return bytes;
}();
inline bool is_name_byte(char c) { return kNameBytes[static_cast<unsigned char>(c)]; }

// The bytes an identifier starts with and is made of as the C lexer reads
// them: '$' and the bytes from 0x80 up count as letters too.
constexpr bool is_identifier_start(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' || u >= 0x80;
}
// A table: the walks over whole calls ask this for nearly every byte.
inline constexpr auto kIdentifierBytes = [] {
  std::array<bool, 256> bytes{};
  for (unsigned b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    bytes[b] = is_identifier_start(c) || (c >= '0' && c <= '9');
  }
  return bytes;
}();
inline bool is_identifier_byte(char c) { return kIdentifierBytes[static_cast<unsigned char>(c)]; }

// The blanks allowed between a call's name and its "(", and skipped after
// its closing ")": space, tab, newline, carriage return (CRLF sources) and
// backslash.
inline bool is_call_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\\';
}

// Whether the byte at `at` is escaped: an odd run of backslashes before it.
inline bool is_escaped(const char* text, std::size_t at) {
  std::size_t run = 0;
  while (run < at && text[at - 1 - run] == '\\') ++run;
  return run % 2 == 1;
}

}  // namespace q5
