// What each argument of a call found by the lexer is, and the insertions
// that put the call in pair form. The plan never gives up: the rules
// (diagnose/rules/) read it and say where it cannot be trusted, and only a
// call they find nothing in is given its insertions.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/call_table.h"
#include "engine/reader/expand.h"
#include "engine/reader/macros.h"
#include "engine/reader/token_call.h"

namespace q5 {

struct PairStyle {
  Family family;
  std::string_view prefix;  // the pair macro with its "("
  std::string_view noun;    // what the first of a pair is called in messages
};

PairStyle pair_style(int row);

enum class TokenRole : unsigned char {
  Fixed,        // a leading argument
  Marker,       // the class-tag marker
  Group,        // XtVaTypedArg or XtVaNestedList, or a macro that is such a group
  GroupMember,  // one of the arguments after XtVaTypedArg or XtVaNestedList
  ShortGroup,   // such a group without enough arguments after it, and what follows
  Pair,         // a macro that is one pair written already
  Tag,
  Value,
  Terminator,
  Extra,  // a repeated terminator
  After,  // anything else after the terminator
};

enum class BranchTrouble : unsigned char {
  None,
  Leading,       // its branches hold different numbers of leading arguments
  OpenedBefore,  // a branch of a conditional opened before the list
  NotClosed,     // a conditional the list opens and does not close
};

struct PlannedCall {
  const TokenCall* call = nullptr;
  const MacroTable* macros = nullptr;
  PairStyle style{};
  std::size_t first = 0;      // where the pairs start: past the leading arguments
  bool in_pair_form = false;  // a pair macro among its list, or Q5TagGetS
  std::vector<TokenRole> roles;
  std::vector<ArgShape> shapes;    // what each argument becomes once expanded
  ExpandBudget* budget = nullptr;  // the file's, for the rules' own counts
  // Where the list's directive lines do not let every branch read it alike:
  // the line, and why.
  BranchTrouble branch_trouble = BranchTrouble::None;
  std::size_t branch_line = npos;
};

// `budget` bounds the macro expansions of the whole file.
PlannedCall plan_token_call(std::string_view text, const TokenCall& call, const MacroTable& macros,
                            ExpandBudget& budget);

// Text put in before the input byte at `offset`.
struct Insertion {
  std::size_t offset;
  std::string_view text;  // one of the pair macros' pieces: static storage
  std::size_t call = 0;   // which converted call it belongs to (see Migration::calls)
};

// Appends what puts the planned call in pair form.
void add_insertions(std::string_view text, const PlannedCall& plan, std::vector<Insertion>& out);

// Tests on an argument's tokens that the plan and the rules share.
bool is_name(std::string_view text, Tokens tokens, std::string_view name);
bool is_pair_macro_use(std::string_view text, Tokens tokens);
bool starts_with_cast(std::string_view text, Tokens tokens);
bool is_terminator(const PairStyle& style, std::string_view text, Tokens tokens);
// NAME(...) and nothing else, told by the list's bracket partners; `tokens`
// is a run of `call`'s list.
bool is_call_form(std::string_view text, const TokenCall& call, Tokens tokens);
// What a run of `call`'s list tokens becomes once expanded.
ArgShape shape_of_run(std::string_view text, const TokenCall& call, Tokens tokens,
                      const MacroTable& macros, ExpandBudget& budget);

}  // namespace q5
