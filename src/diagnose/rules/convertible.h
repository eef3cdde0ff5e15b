// q5-convertible: a call that the conversion changes, reported by --check
// and --diff so that a CI gate points at each one.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "diagnose/rules.h"

namespace q5 {

// The finding for the call whose name is at `name`, with `fix`, the edits
// that convert it, in offset order.
Diagnostic call_to_convert(std::string_view text, std::size_t name, std::vector<TextEdit> fix);

}  // namespace q5
