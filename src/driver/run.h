// The run modes: convert mode writes a new file, upgrade mode replaces the
// input through "temp.c".
#pragma once

#include <string_view>

#include "driver/command_line.h"
#include "driver/failure.h"

namespace q5 {

// Whether the text already holds the pair macro "Q5T(" (before any NUL):
// such a file was converted before and is refused.
bool is_converted_already(std::string_view text);
// The same, with a second thread looking at half of the text.
bool is_converted_already_on_two_threads(std::string_view text);

// The processors this process may run on.
int available_processors();

MaybeFailure run_invocation(const Invocation& invocation);

// The whole tool: what main prints to stderr and the status it exits with.
Failure run_command_line(int argc, const char* const* argv);

}  // namespace q5
