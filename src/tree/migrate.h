// The tree interface's conversion: a call is converted only where its
// pairing is certain, by insertions alone, so that comments, blanks and
// line breaks stay where they were; every other call is left byte for byte
// and reported with the reason. Calls are found by a C lexer: nothing in a
// comment or literal counts, and a preprocessor line in a list is seen as
// one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "diagnose/rules.h"
#include "diagnose/suppression.h"
#include "engine/reader/macros.h"
#include "engine/reader/token_plan.h"

namespace q5 {

// A call given insertions: from its name to just past its ")".
struct ConvertedCall {
  std::size_t name;
  std::size_t end;
  const CallAlias* alias = nullptr;  // named by a macro that stands for the call's name
  bool empty_macro = false;          // a macro that expands to nothing before its "("
  bool grouped = false;              // "(NAME)("
};

struct Migration {
  std::vector<Insertion> insertions;    // in offset order; each names its call
  std::vector<Diagnostic> diagnostics;  // in offset order
  std::vector<ConvertedCall> calls;     // the calls given insertions, in order of their names
  std::size_t left = 0;                 // calls left as they stand for a finding
  // The file's suppression comments, each name marked where it silenced a
  // finding above (see suppression_findings).
  Suppressions suppressions;
  // Broken C that no call can be read from: a string literal in a list
  // that does not end on its line, a list that does not end before the
  // end of the file. The file is then left as it is.
  MaybeFailure failure;
};

Migration migrate_text(std::string_view text, const MacroTable& macros);

// The input with the insertions made.
std::string apply_insertions(std::string_view text, const std::vector<Insertion>& insertions);

}  // namespace q5
