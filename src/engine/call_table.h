// The calls the tool converts, as data: each name with its family and the
// number of leading arguments that come before its tag list.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>


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

// A byte of a C name: letter, digit or underscore.
bool is_name_byte(char c);

// In search order: the first row that matches wins.
std::span<const CallEntry> call_table();

// The row whose name starts text at `candidate` and is followed, after any
// space, tab, newline or backslash, by "(" ; or -1.
int lookup_call(std::string_view text, std::size_t candidate);

// A call already in pair form under a name of its own (Q5TagGetS), or
// nullptr: its family leaves it as it stands, so that a second run does
// not reach the calls nested in its arguments.
const CallEntry* lookup_converted_call(std::string_view text, std::size_t candidate);

}  // namespace q5
