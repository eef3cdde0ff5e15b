// Reading what a compiler's -E prints: the code tokens with the place each
// came from (line markers followed), and, with -dD, the macro definitions
// in effect as the compiler met them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reader/macros.h"

namespace q5 {

struct OutputToken {
  std::string_view spelling;
  std::uint32_t line = 0;  // in the file it came from
  bool main_file = false;  // from the file preprocessed, not a header
};

// The code tokens of -E output: line markers and the other directive lines
// (#define, #undef, #pragma) left out. `main_name` is the preprocessed
// file's name as the line markers quote it (escapes and all).
std::vector<OutputToken> output_tokens(std::string_view output, std::string_view main_name);

// The #define and #undef lines of `-E -dD` output added to `into`, each
// named by the file and line it came from: names relative to `directory`
// (the compiler's) are shown from `cwd` (this process's) where below it.
void output_macros(std::string_view output, const std::string& directory, const std::string& cwd,
                   MacroSet& into);

// `name` as a C string literal's contents, as line markers quote it.
std::string quoted_for_line_marker(std::string_view name);

}  // namespace q5
