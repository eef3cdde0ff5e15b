// The conversion pass: copies the text to the output, converting every call
// of the call table that stands outside string literals and comments.
#pragma once

#include <string_view>

#include "driver/failure.h"
#include "driver/output.h"

namespace q5 {

// Converts the whole of `text`. Searches stop at a NUL byte as they would in
// a C string; copies run to the end of `text`, NULs included.
MaybeFailure scan_source(std::string_view text, Output& out);

}  // namespace q5
