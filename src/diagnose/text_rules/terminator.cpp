#include "diagnose/text_rules/text_rules.h"

#include <algorithm>

#include "engine/call_table.h"
#include "engine/text/rewriters.h"

namespace q5::text_rules {

void check_terminator(const CallView& v, std::vector<Finding>& out, bool split) {
  const auto& roles = v.call.roles;
  const std::size_t count = roles.size();
  auto terminator = std::find(roles.begin(), roles.end(), ArgRole::Terminator);
  if (terminator == roles.end()) {
    if (split) return;
    // A terminator-like value: the list was left without a terminator.
    for (std::size_t i = 0; i < count; ++i) {
      if (roles[i] != ArgRole::Value || !is_terminator_like(v.family, v.text, v.args[i])) continue;
      if (v.family == Family::Xt && i + 1 != count) continue;  // NULL is a fine value mid-list
      out.push_back(finding(Rule::TerminatorAsValue, argument_spot(v, i),
                            "terminator " + quoted(v.text, v.args[i]) +
                                " stands in value position: it is written as the value of " +
                                tag_before(v, i) + " and the call has no terminator"));
      break;
    }
    return;
  }

  const std::size_t t = static_cast<std::size_t>(terminator - roles.begin());
  const Tokens arg = v.args[t];
  std::string shown = quoted(v.text, arg);
  if (!arg.empty() && !is_terminator_like(v.family, v.text, arg)) {
    std::string message;
    bool directive = is_punct(v.text, arg.front(), "#");
    if (v.family == Family::Xt)
      message = (directive ? "preprocessor line " : std::string(noun(v.family)) + " ") + shown +
                " taken for the list's terminator because it holds " +
                (show(v.text, arg).find('0') != std::string::npos ? "a 0 digit" : "NULL");
    else
      message = "argument " + shown + " taken for the list's terminator because it " +
                (v.family == Family::TagGet ? "contains" : "starts with") +
                " Q5TAG_END or Q5RA_Done";
    out.push_back(finding(Rule::TerminatorGuess, argument_spot(v, t), std::move(message)));
  }

  // Whatever follows the terminator is not written.
  std::size_t first = t + 1;
  std::vector<Token> dropped;
  for (const Token& tok : v.tokens)
    if (tok.kind != TokenKind::Comment && tok.offset >= v.call.origins[first] &&
        tok.offset < v.call.origins[count])
      dropped.push_back(tok);
  if (dropped.empty()) return;
  std::size_t dropped_args = 0;
  for (std::size_t i = first; i < count; ++i) dropped_args += !v.args[i].empty();
  Finding f =
      finding(Rule::DroppedArguments, dropped.front().offset,
              std::to_string(dropped_args) + (dropped_args == 1 ? " argument" : " arguments") +
                  " after the terminator " + shown + " dropped: " + quoted(v.text, dropped));
  f.cover_from = v.call.origins[t + 1] - 1;  // the comma before them too
  f.cover_to = v.call.origins[count] + 1;    // and the call's ")"
  f.shows_cover = true;
  out.push_back(std::move(f));
}

void check_unclosed_pair(const CallView& v, std::vector<Finding>& out) {
  const std::size_t count = v.call.roles.size();
  if (count == 0 || v.call.roles[count - 1] != ArgRole::Tag) return;
  const Tokens arg = v.args[count - 1];
  std::size_t spot = arg.empty() ? v.call.origins[count] : argument_spot(v, count - 1);
  std::string message = std::string(noun(v.family)) + " " + quoted(v.text, arg) +
                        " has no value: its pair is closed only by the call's ')'";
  out.push_back(finding(Rule::UnclosedPair, spot, std::move(message)));
}

}  // namespace q5::text_rules
