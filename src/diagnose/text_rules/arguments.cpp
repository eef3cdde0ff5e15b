#include "diagnose/text_rules/text_rules.h"

#include <algorithm>

#include "engine/call_table.h"
#include "engine/text/rewriters.h"

namespace q5::text_rules {

// The rules that look at one argument at a time, in list order. A
// pairing hint is given once per call, and not after another finding that
// already explains a shift.
void check_arguments(const CallView& v, std::vector<Finding>& out) {
  const auto& roles = v.call.roles;
  bool shift_explained = false;
  bool declaration_seen = false;
  for (std::size_t i = 0; i < roles.size(); ++i) {
    const Tokens arg = v.args[i];
    if (arg.empty()) continue;
    const ArgRole role = roles[i];
    const std::size_t spot = argument_spot(v, i);

    if (!declaration_seen && role != ArgRole::Dropped && reads_like_parameter(v.text, arg)) {
      declaration_seen = true;
      out.push_back(finding(Rule::Declaration, spot,
                            "argument " + quoted(v.text, arg) +
                                " reads as a parameter: a declaration rewritten like a call"));
    }

    if (role == ArgRole::Directive && !is_punct(v.text, arg[0], "#")) {
      Finding f = finding(Rule::DirectiveInList, spot,
                          "argument " + quoted(v.text, arg) +
                              " taken for a preprocessor line because it contains #if, #else or "
                              "#endif: the comma after it is dropped");
      f.cover_from = spot;
      f.cover_to = v.call.origins[i + 1];
      f.shows_cover = true;
      out.push_back(std::move(f));
      shift_explained = true;
      continue;
    }

    // Preprocessor lines: a "#" that the list's pairing went through.
    auto hash = std::find_if(arg.begin(), arg.end(),
                             [&](const Token& t) { return is_punct(v.text, t, "#"); });
    if (hash != arg.end() &&
        (role == ArgRole::Tag || role == ArgRole::Value || role == ArgRole::Fixed)) {
      Tokens line = arg.subspan(static_cast<std::size_t>(hash - arg.begin()));
      // Only blanks back to the line's start: looked at from the '#' back,
      // which stops at the first other byte rather than walking a long line.
      std::size_t back = hash->offset;
      while (back > 0 && (v.text[back - 1] == ' ' || v.text[back - 1] == '\t')) --back;
      const bool at_line_start = back == 0 || v.text[back - 1] == '\n';
      std::string message;
      if (!at_line_start) {
        message = quoted(v.text, line) +
                  " read as a preprocessor line (a '#' inside the line): the rest of the line is "
                  "one argument";
      } else if (role == ArgRole::Fixed) {
        if (static_cast<int>(i) < v.fixed && roles.size() > static_cast<std::size_t>(v.fixed) &&
            hash == arg.begin())
          message = "preprocessor line " + quoted(v.text, line) +
                    " among the leading arguments: the tag list starts one argument early";
      } else if (shift_explained) {
        // Later lines only follow the shift already reported.
      } else if (hash != arg.begin()) {
        message = "preprocessor line " + quoted(v.text, line) + " inside the pair of " +
                  (role == ArgRole::Tag ? quoted(v.text, arg.first(hash - arg.begin()))
                                        : tag_before(v, i)) +
                  ": a directive inside a pair macro's arguments";
      } else if (role == ArgRole::Value) {
        message = "preprocessor line " + quoted(v.text, line) + " between " +
                  std::string(noun(v.family)) + " " + tag_before(v, i) +
                  " and its value: it is written as the value and the pairing after it shifts";
      } else {
        message = "preprocessor line " + quoted(v.text, line) + " wrapped as a " +
                  std::string(noun(v.family));
      }
      shift_explained |= role != ArgRole::Fixed || !message.empty();
      if (!message.empty())
        out.push_back(finding(Rule::DirectiveInList, hash->offset, std::move(message)));
      continue;
    }

    if (v.family == Family::Xt && static_cast<int>(i) >= v.fixed &&
        (role == ArgRole::Tag || role == ArgRole::Value) &&
        (starts_with_name(v.text, arg[0], "XtVaTypedArg") ||
         starts_with_name(v.text, arg[0], "XtVaNestedList"))) {
      std::string name(token_raw(v.text, arg[0]));
      out.push_back(finding(
          Rule::XtSpecialArgument, spot,
          name + (name == "XtVaNestedList" ? " takes one nested list" : " takes four arguments") +
              ", not a resource and a value: the pairing around it is wrong"));
      shift_explained = true;
      continue;
    }

    if (shift_explained) continue;
    if (role == ArgRole::Value && reads_like_tag(v.text, arg) &&
        !is_terminator_like(v.family, v.text, arg)) {
      out.push_back(finding(Rule::ShiftedPairing, spot,
                            "value " + quoted(v.text, arg) + " of " + tag_before(v, i) +
                                " reads like a " + std::string(noun(v.family)) +
                                " name: the pairing may be shifted"));
      shift_explained = true;
    } else if (role == ArgRole::Tag && is_literal(v.text, arg)) {
      out.push_back(finding(Rule::ShiftedPairing, spot,
                            std::string(noun(v.family)) + " " + quoted(v.text, arg) +
                                " is a literal: the pairing before it may be shifted"));
      shift_explained = true;
    } else if (role == ArgRole::Tag && is_macro_call(v.text, arg)) {
      out.push_back(
          finding(Rule::ShiftedPairing, spot,
                  std::string(noun(v.family)) + " " + quoted(v.text, arg) +
                      " is a macro call: if it expands to two arguments, the pairing after "
                      "it is shifted"));
      shift_explained = true;
    }
  }
}

}  // namespace q5::text_rules
