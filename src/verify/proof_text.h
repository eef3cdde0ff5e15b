// The text a proof preprocesses: the converted file with each pair macro
// spelt as a macro of its own, whose two halves expand between marker
// names unique to that pair, the inserted "(char *)" casts marked, and a
// marker before each converted call's name, so that what the compiler
// makes of every call can be found in its output. The pair macros are
// defined in a small header the compiler is made to include first.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reader/token_plan.h"

namespace q5 {

// Markers are `prefix` + a letter + a number:
//   n<call>  before a call's name      c<call>  before its cast
//   p<pair>  the pair's macro           o<pair>, m<pair>, e<pair>  around its
//                                       halves: "o A m , B e"
//   w<wrap>, x<wrap>  around the parentheses put around a half that holds a
//                     comma inside braces: "w ( A ) x"
enum class MarkerKind : char {
  Name = 'n',
  Cast = 'c',
  Pair = 'p',
  Open = 'o',
  Middle = 'm',
  End = 'e',
  Wrap = 'w',
  Unwrap = 'x'
};

struct ProofText {
  std::string text;                          // what the compiler reads as the file
  std::string header;                        // the pair macros' definitions
  std::vector<std::size_t> pair_call;        // the call each pair belongs to
  std::vector<std::string_view> pair_macro;  // "Q5LT" and the like, for messages
  std::vector<std::string> pair_shown;       // "Q5LT(M, 4)" as written, for messages
  std::vector<std::size_t> pairs_of_call;    // how many pairs each call has
  std::vector<bool> cast_of_call;            // whether each call had a cast inserted
  std::vector<std::size_t> wrap_call;        // the call each wrapped half belongs to
};

// The call a marker belongs to; npos when its number is no call's.
std::size_t marker_call(const ProofText& proof, MarkerKind kind, std::size_t number);

// A prefix for the markers that nothing in `texts` holds.
std::string marker_prefix(std::span<const std::string_view> texts);

// The proof's text of `text` with the insertions of the calls `kept` says
// (indexed by Insertion::call) made; `names` holds each call's name
// offset. The text starts with a #line naming `line_name` (as the
// compiler should report it), so that lines and __FILE__ stay the file's.
ProofText proof_text(std::string_view text, std::span<const Insertion> insertions,
                     std::span<const std::size_t> names, const std::vector<bool>& kept,
                     std::string_view prefix, std::string_view line_name);

// The line that starts the text of a run over `text` unchanged.
std::string line_directive(std::string_view line_name);

// `shown` (output of the proof) with its markers taken out and its pair
// macros named as the file spells them, for messages.
std::string unmarked(std::string_view shown, std::string_view prefix, const ProofText& proof);

// Reads `word` as a marker: its kind and number.
bool read_marker(std::string_view word, std::string_view prefix, MarkerKind& kind,
                 std::size_t& number);

}  // namespace q5
