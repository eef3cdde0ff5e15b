#include "diagnose/rules.h"

#include <iterator>

namespace q5 {

namespace {

constexpr RuleInfo kRules[] = {
    {Rule::ConversionFailed, "q5-conversion-failed", Severity::Error,
     "The file could not be converted.",
     "The conversion stopped at this place (an unterminated string or argument list, or a call "
     "beyond the fixed limits) and the file was not changed. Fix the text at this place or "
     "convert the call by hand."},
    {Rule::DroppedArguments, "q5-dropped-arguments", Severity::Warning,
     "Arguments after the list's terminator were dropped.",
     "Everything after the argument taken for the terminator is left out of the converted "
     "call. Usually the terminator was found too early (a value that shifted into resource "
     "position, or a name holding a 0); restore the dropped pairs by hand."},
    {Rule::TerminatorGuess, "q5-terminator-guess", Severity::Warning,
     "An argument was taken for the list's terminator only because it contains 0, NULL or "
     "Q5TAG_END.",
     "In the Xt calls any resource argument holding a digit 0 or NULL ends the list, so a "
     "resource such as RES0, a number such as 100 or a line such as '#if 0' in resource "
     "position cuts the list short. Check that this argument really is the terminator."},
    {Rule::TerminatorAsValue, "q5-terminator-as-value", Severity::Warning,
     "The terminator stands in value position, so the converted list has none.",
     "An odd number of arguments before the terminator put it in value position: it is "
     "written inside the last pair and the call ends without a terminator. Look for a "
     "missing value or a macro that expands to two arguments."},
    {Rule::UnclosedPair, "q5-unclosed-pair", Severity::Warning,
     "The last pair is left unclosed, or closed only by the call's own ')'.",
     "The list has an odd number of tag and value arguments and no terminator after the "
     "last tag, so its pair macro takes the call's closing parenthesis. Add the missing "
     "value or fix the pairing by hand."},
    {Rule::DirectiveInList, "q5-directive-in-list", Severity::Warning,
     "A preprocessor line inside the list shifted the pairing or was wrapped as a tag.",
     "A preprocessor line between a tag and its value is written as the value and every pair "
     "after it is shifted by one; a line such as '#elif' is wrapped like a tag; a line among "
     "the leading arguments makes the list start one argument early. Convert this list by "
     "hand."},
    {Rule::XtSpecialArgument, "q5-xt-special-argument", Severity::Warning,
     "XtVaTypedArg or XtVaNestedList in an Xt list.",
     "XtVaTypedArg takes four arguments and XtVaNestedList one, not a single value, so the "
     "pairing around them is wrong. Convert these arguments by hand."},
    {Rule::CharLiteralSplit, "q5-char-literal-split", Severity::Warning,
     "A character literal holding a comma, parenthesis or double quote was split.",
     "The conversion does not know character literals: a comma, parenthesis or double quote "
     "between single quotes splits the argument, opens a string or changes the nesting. "
     "Convert this call by hand."},
    {Rule::Declaration, "q5-declaration", Severity::Warning,
     "A declaration was rewritten like a call.",
     "The argument list reads as parameters ('...', or a type followed by a name), so this is "
     "probably a prototype or a macro definition, which should have been left alone. Restore "
     "it by hand."},
    {Rule::ShiftedPairing, "q5-shifted-pairing", Severity::Warning,
     "The pairing of tags and values is probably shifted.",
     "A value reads like a tag or resource name, or a tag is a literal or a macro call (which "
     "may expand to two arguments). Either way the arguments after it are probably paired "
     "wrongly. Check the pairs of this call."},
    {Rule::LostTokens, "q5-lost-tokens", Severity::Warning,
     "The converted call lacks code that was in the original.",
     "Some tokens of the original call (comments and line continuations aside) are missing "
     "from its converted text. The message shows them; put them back by hand."},
    {Rule::MissedCall, "q5-missed-call", Severity::Warning,
     "A call that stands in code was not converted.",
     "A compiler sees this call, but the conversion took it for text in a string literal or "
     "comment (for example after a '//' or a '\"' character literal earlier on the line), or "
     "found it inside another call's arguments. Convert it by hand."},
    {Rule::CommentRemoved, "q5-comment-removed", Severity::Note,
     "A comment was removed from the argument list.",
     "Comments inside a converted argument list are not kept (the blanks around them stay). "
     "Put back any that matter."},
    {Rule::MacroPairs, "q5-macro-pairs", Severity::Warning,
     "A macro in the list expands to other than one argument.",
     "The macro's definition (named in the message) expands to several list arguments, such as "
     "a whole resource and its value, or to none. A pair macro cannot be put around part of a "
     "macro's expansion at the call site, so the call is left as it stands. Change the "
     "definition to expand to whole pairs, each wrapped in the pair macro, or convert the call "
     "by hand."},
    {Rule::MalformedPair, "q5-malformed-pair", Severity::Warning,
     "A call already in pair form holds a pair that cannot be right.",
     "A pair macro whose resource is XtVaTypedArg, XtVaNestedList, a number or a string "
     "literal, one that holds other than two arguments, a terminator inside a pair, or "
     "arguments after the terminator: an earlier conversion shifted the pairing here. Fix the "
     "pairs of this call by hand."},
    {Rule::UnterminatedList, "q5-unterminated-list", Severity::Warning,
     "The call's argument list does not end where a compiler would end it.",
     "No ')' closes the list before a ';', the end of the macro definition it stands in, or "
     "the end of the file, so the call is left as it stands. Check the call's parentheses."},
};

}  // namespace

std::span<const RuleInfo> rule_table() { return kRules; }

const RuleInfo& rule_info(Rule rule) {
  static_assert(std::size(kRules) == kRuleCount);
  return kRules[static_cast<std::size_t>(rule)];
}

std::string_view severity_name(Severity severity) {
  switch (severity) {
    case Severity::Note:
      return "note";
    case Severity::Warning:
      return "warning";
    case Severity::Error:
      return "error";
  }
  return "warning";
}

}  // namespace q5
