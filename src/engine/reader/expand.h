// How many list arguments one argument of a call becomes once the
// preprocessor has expanded it, counted as cpp expands: object-like and
// function-like macros (GNU named variadic parameters and __VA_ARGS__
// too), arguments fully expanded before substitution unless next to '#' or
// '##', '##' pasting and the GNU comma before an empty __VA_ARGS__,
// rescanning with a macro's own name left alone inside its expansion.
// Only the list's commas count: those outside parentheses, brackets and
// braces. The pair macros and Xt's XtVaTypedArg and XtVaNestedList are
// never expanded: they stand for themselves.
//
// No recursion follows the input further than a fixed depth, and a budget
// of steps bounds the whole file's expansions: beyond either the answer is
// "too complex", never a crash or a long wait.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/reader/lexer.h"
#include "engine/reader/macros.h"

namespace q5 {

enum class ShapeStatus : unsigned char {
  Known,
  Unsure,      // the count cannot be known for sure: `reason` says why
  TooComplex,  // past the reader's bounds
};

struct ArgShape {
  ShapeStatus status = ShapeStatus::Known;
  int pieces = 1;     // list arguments it becomes
  bool pair = false;  // it is one pair macro's use: a pair written already
  // Its first piece when that is XtVaTypedArg or XtVaNestedList alone.
  std::string_view special;
  // The first macro expanded at its top level, and that macro's (first)
  // definition: named in messages. Empty when it expands no macro.
  std::string macro;
  std::string where;
  std::string reason;  // Unsure and TooComplex: why, naming the macro
};

// The steps one file's expansions may take.
struct ExpandBudget {
  std::size_t steps;
};

// The shape of the argument made of `tokens` (of `text`).
ArgShape argument_shape(std::string_view text, Tokens tokens, const MacroTable& macros,
                        ExpandBudget& budget);

// Names that are never expanded when counting.
bool stands_for_itself(std::string_view name);

}  // namespace q5
