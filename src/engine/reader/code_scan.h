// Finding the spots of interest in a whole file fast: the names that may be
// table calls and the lines that are preprocessor directives, outside
// literals and comments, sixteen bytes at a time where nothing happens.
// Exact as the lexer is (splices, raw strings, digraphs): a '#' or "%:" opens
// a directive when it is the first token of its line, with only blanks and
// comments before it; a line end inside a block comment starts no line.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace q5 {

enum class CodeStop : unsigned char { Name, Directive, End };

struct CodeCursor {
  std::size_t pos = 0;
  bool names = true;  // stop at names (identifiers that start with 'Q' or 'X') too
  // With `names`: other bytes that names of interest start with (those of
  // macros that stand for a call's name).
  std::string_view more_starts;
  // The block comments passed, as (start, end): a directive's '#' may have
  // some before it on its line.
  std::vector<std::pair<std::size_t, std::size_t>> comments;
  // Where telling a name from part of a number last lexed to, and the end
  // of the last number a name was found inside.
  std::size_t lexed_to = 0, number_end = 0;
};

// The next spot at or after `cursor.pos` and before `to`: a name, or the
// '#' (or "%:") of a directive. `at` is where it starts; the cursor is left
// there (the caller moves it on).
CodeStop next_stop(std::string_view text, CodeCursor& cursor, std::size_t to, std::size_t& at);

// The comments of `text` (as (start, end)) that hold `word`, found as fast
// as the code scan finds names: literals and comments skipped whole.
std::vector<std::pair<std::size_t, std::size_t>> comments_holding(std::string_view text,
                                                                  std::string_view word);

// Where the directive whose '#' is at `at` ends: its first line end that is
// neither a splice nor inside a comment, or `to`.
std::size_t directive_end(std::string_view text, std::size_t at, std::size_t to);

}  // namespace q5
