// What the rules' checks of a planned call share: how they show an
// argument and where they put the caret.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "diagnose/rules.h"
#include "engine/reader/argument_kinds.h"
#include "engine/reader/token_plan.h"

namespace q5 {

// Every rule's findings in a planned call, in offset order.
std::vector<Diagnostic> check_planned_call(std::string_view text, const PlannedCall& plan);

// A call whose list ends and is not in pair form: the rules about pairing
// read it.
bool plainly_planned(const PlannedCall& plan);

Diagnostic finding(Rule rule, std::size_t offset, std::string message);

// The argument's tokens in quotes; where its caret goes.
std::string arg_shown(std::string_view text, const PlannedCall& plan, std::size_t i);
std::size_t arg_spot(const PlannedCall& plan, std::size_t i);
// The quoted tag or resource whose value argument `i` is.
std::string tag_of_value(std::string_view text, const PlannedCall& plan, std::size_t i);
// A preprocessor line's tokens in quotes.
std::string directive_shown(std::string_view text, std::size_t at);

}  // namespace q5
