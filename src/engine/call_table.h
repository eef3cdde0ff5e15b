// The calls the tool converts, as data: each name with its family and the
// number of leading arguments that come before its tag list.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "base/bytes.h"

namespace q5 {

// How a call's list is written in pair form: the toolkit's own calls with
// Q5T, the Xt calls with Q5LT and a cast terminator, Q5TagGet with Q5ST
// (and renamed). A call already under its pair-form name is left as it
// stands.
enum class Family : unsigned char { TagList, Xt, TagGet, Converted };

struct CallEntry {
  std::string_view name;
  Family family;
  int fixed_count;  // leading arguments before the list
};

// In search order: the first row that matches wins.
std::span<const CallEntry> call_table();

// The row named exactly `name`, or -1.
int row_of_name(std::string_view name);

// The row whose name starts text at `candidate` and is followed, after any
// space, tab, newline or backslash, by "(" ; or -1.
int lookup_call(std::string_view text, std::size_t candidate);

// A call already in pair form under a name of its own (Q5TagGetS), or
// nullptr: its family leaves it as it stands, so that a second run does
// not reach the calls nested in its arguments.
const CallEntry* lookup_converted_call(std::string_view text, std::size_t candidate);

}  // namespace q5
