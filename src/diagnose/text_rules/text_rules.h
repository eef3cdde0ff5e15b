// The checks of a conversion by the text rules (--unsafe-fixes), by family
// of what they look at: the terminator, one argument at a time, literals
// and comments, lost tokens, missed calls. Several rules share one walk
// over a call (a shift is reported once per call, consequences fold into
// their cause), so a check here may speak for several rules; each rule's
// name and texts are in diagnose/rules/.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "diagnose/rules.h"
#include "engine/reader/argument_kinds.h"
#include "engine/reader/token_plan.h"
#include "engine/text/scanner.h"

namespace q5::text_rules {

// A finding before merging. Lost tokens that lie in [cover_from, cover_to)
// are folded into it; when `shows_cover` is set its message shows them
// already.
struct Finding {
  Diagnostic diagnostic;
  std::size_t cover_from = 0;
  std::size_t cover_to = 0;
  bool shows_cover = false;
};

Finding finding(Rule rule, std::size_t offset, std::string message);

// One recorded call, lexed, with each argument's tokens.
struct CallView {
  std::string_view text;
  const CallRecord& call;
  Family family;
  int fixed;
  std::vector<Token> tokens;             // comments included
  std::vector<std::vector<Token>> args;  // comments and the separator left out
};

CallView view_call(std::string_view text, const CallRecord& call);

// What the scanner skips between a call's name and its "(".
bool only_call_blanks(std::string_view bytes);
// What a terminator should be: the conversion's own tests take more.
bool is_terminator_like(Family family, std::string_view text, Tokens tokens);
// The tokens that start in [from, to), each lexed whole even where it runs
// on past `to` (a character literal whose ")" the conversion took for the
// list's end).
std::vector<Token> lex_span(std::string_view text, std::size_t from, std::size_t to,
                            bool keep_comments);
std::string_view noun(Family family);
// The argument's first byte that is not blank: where a caret should go.
std::size_t argument_spot(const CallView& v, std::size_t i);
// The tag whose pair a value at `i` closes.
std::string tag_before(const CallView& v, std::size_t i);

// The terminator (q5-terminator-guess, q5-dropped-arguments,
// q5-terminator-as-value); `split`: a character literal was split, so only
// what was dropped is worth saying.
void check_terminator(const CallView& v, std::vector<Finding>& out, bool split);
// q5-unclosed-pair.
void check_unclosed_pair(const CallView& v, std::vector<Finding>& out);
// One argument at a time (q5-directive-in-list, q5-xt-special-argument,
// q5-declaration, q5-shifted-pairing).
void check_arguments(const CallView& v, std::vector<Finding>& out);
// q5-char-literal-split and q5-comment-removed; says whether a literal was
// split.
bool check_literals_and_comments(const CallView& v, std::vector<Finding>& out);
// q5-lost-tokens, folded into a finding that covers them where there is one.
void check_lost_tokens(const CallView& v, std::string_view converted, std::vector<Finding>& out);
// The indices in `in` (the call's input tokens, lexed here) that its
// converted text lacks.
std::vector<std::size_t> missing_indices(std::string_view text, const CallRecord& call,
                                         std::string_view converted, std::vector<Token>& in);
// q5-missed-call, over the whole text.
void check_missed_calls(std::string_view text, const std::vector<CallRecord>& calls,
                        std::vector<Finding>& out);

}  // namespace q5::text_rules
