// Whether a text was converted already: the classic forms refuse a file
// that holds the pair macro "Q5T(" anywhere before a NUL byte.
#pragma once

#include <string_view>

namespace q5 {

bool is_converted_already(std::string_view text);

}  // namespace q5
