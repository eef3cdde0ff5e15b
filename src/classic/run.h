// The run modes: convert mode writes a new file, upgrade mode replaces the
// input through "temp.c".
#pragma once

#include <string_view>

#include "base/failure.h"
#include "classic/command_line.h"

namespace q5 {

MaybeFailure run_invocation(const Invocation& invocation);

// The whole tool: what main prints to stderr and the status it exits with.
Failure run_command_line(int argc, const char* const* argv);

}  // namespace q5
