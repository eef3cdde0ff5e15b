// The two command-line forms and the run they ask for.
#pragma once

#include <string>
#include <variant>

#include "base/failure.h"

namespace q5 {

// The fixed name of upgrade mode's output, in the working directory.
inline constexpr char kUpgradeTemp[] = "temp.c";

struct Invocation {
  std::string input;
  std::string output;
  bool upgrade = false;
};

// `infile outfile`, `-upgrade file` or `file -upgrade`; words after the
// second are ignored. Fewer than two words give the usage failure.
std::variant<Invocation, Failure> parse_command_line(int argc, const char* const* argv);

}  // namespace q5
