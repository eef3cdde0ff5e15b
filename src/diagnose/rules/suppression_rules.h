// The checks of the two rules about suppression comments (see
// diagnose/suppression.h), each beside its rule's description.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "diagnose/rules.h"
#include "diagnose/suppression.h"

namespace q5 {

// Reads the suppression whose "q5upgrade" is at text[at], in a comment
// that ends at `end`, into `into`; a misspelling or an unknown rule name
// goes to `malformed`. False when the comment silences nothing at all.
bool read_suppression(std::string_view text, std::size_t at, std::size_t end, Suppression& into,
                      std::vector<Diagnostic>& malformed);

// A finding for each suppression whose names (other than those of the
// suppression rules themselves) silenced nothing, naming them.
void check_unused_suppressions(std::string_view text, const std::vector<Suppression>& comments,
                               std::vector<Diagnostic>& out);

}  // namespace q5
