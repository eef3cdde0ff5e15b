// What --help prints.
#pragma once

#include <string_view>

namespace q5 {

std::string_view tree_help_text();

}  // namespace q5
