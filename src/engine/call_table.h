// The calls the tool converts: each name with its rewriter and the number
// of leading arguments that come before its tag list.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "engine/output.h"

namespace q5 {

struct ArgumentList;
struct CallPlan;

// Writes one converted call, from its name to its closing parenthesis, and
// says in `plan` what it took each argument for.
using Rewriter = void (*)(std::string_view call_name, const ArgumentList& args,
                          int fixed_count, CallPlan& plan, Output& out);

struct CallEntry {
  std::string_view name;
  Rewriter rewriter;
  int fixed_count;
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
// nullptr: its rewriter leaves it as it stands, so that a second run does
// not reach the calls nested in its arguments.
const CallEntry* lookup_converted_call(std::string_view text, std::size_t candidate);

}  // namespace q5
