// The three ways a split call is written in its pair-macro form. Each first
// decides what every argument is (its role), then writes by those roles, so
// what was decided can be reported as well as written.
#pragma once

#include <string_view>
#include <vector>

#include "engine/call_table.h"
#include "engine/text/output.h"

namespace q5 {

struct ArgumentList;

// What the rewriter took each argument for.
enum class ArgRole : unsigned char {
  Fixed,       // one of the leading arguments, copied
  Marker,      // the class-tag marker, copied with a comma after it
  Directive,   // a preprocessor line in tag position, copied
  Tag,         // opens a pair
  Value,       // closes a pair
  Terminator,  // ends the list (Xt: after the cast)
  Dropped,     // after the terminator, not written
};

struct CallPlan {
  // In: leave a call that is already in pair form as it stands, and never
  // wrap or cast twice, so that a second run changes nothing.
  bool keep_converted = false;
  // Out: the call was left as it stands (nothing written).
  bool left_as_is = false;
  bool cast_terminator = false;  // the Xt cast is written before the terminator
  std::vector<ArgRole> roles;    // one per argument
};

// Writes the call in its family's pair form (see Family); a Converted call
// is left as it stands.
void rewrite_call(Family family, std::string_view call_name, const ArgumentList& args,
                  int fixed_count, CallPlan& plan, Output& out);

}  // namespace q5
