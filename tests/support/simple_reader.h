// The spots the fast reader stops at, found the slow and plain way: every
// token lexed in turn. A name is an identifier that starts with 'Q' or 'X'
// (or a byte of `more`, the first bytes of aliases' names);
// a directive is a '#' (or "%:") that is the first token of its line, only
// comments before it. The fast reader must find exactly these; tests and the
// fuzzer compare the two.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/reader/code_scan.h"

namespace q5::simple {

struct Stop {
  CodeStop kind;
  std::size_t at;
  bool operator==(const Stop&) const = default;
};

std::vector<Stop> stops_by_tokens(std::string_view text, std::string_view more = {});

// The same list from the fast reader (CodeCursor).
std::vector<Stop> stops_by_cursor(std::string_view text, std::string_view more = {});

}  // namespace q5::simple
