// The three ways a split call is written in its pair-macro form.
#pragma once

#include <string_view>

#include "driver/output.h"

namespace q5 {

struct ArgumentList;

// The toolkit's own calls: pairs become Q5T(tag, value).
void rewrite_tag_list(std::string_view call_name, const ArgumentList& args, int fixed_count,
                      Output& out);
// The Xt varargs calls: pairs become Q5LT(resource, value), the terminator
// gets a "(char *)" cast.
void rewrite_xt_list(std::string_view call_name, const ArgumentList& args, int fixed_count,
                     Output& out);
// Q5TagGet, renamed Q5TagGetS: pairs become Q5ST(tag, address).
void rewrite_tag_get(std::string_view call_name, const ArgumentList& args, int fixed_count,
                     Output& out);

}  // namespace q5
