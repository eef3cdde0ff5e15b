#include "diagnose/diagnose.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "diagnose/text_rules/text_rules.h"

namespace q5 {

namespace {

using namespace text_rules;

bool explains_shift(Rule rule) {
  return rule == Rule::DirectiveInList || rule == Rule::XtSpecialArgument ||
         rule == Rule::ShiftedPairing || rule == Rule::CharLiteralSplit;
}

// One report per cascade: a list left without terminator, or a pair left
// open, after a shift already reported in the same call is its result, so
// it goes into that report. In a declaration the pairing means nothing.
void fold_consequences(std::vector<Finding>& here) {
  std::stable_sort(here.begin(), here.end(), [](const Finding& a, const Finding& b) {
    return a.diagnostic.offset < b.diagnostic.offset;
  });
  const bool declaration = std::any_of(here.begin(), here.end(), [](const Finding& f) {
    return f.diagnostic.rule == Rule::Declaration;
  });
  Finding* cause = nullptr;
  std::vector<Finding> kept;
  kept.reserve(here.size());  // `cause` points into it
  for (Finding& f : here) {
    Rule rule = f.diagnostic.rule;
    bool consequence = rule == Rule::TerminatorAsValue || rule == Rule::UnclosedPair;
    if (declaration && (consequence || rule == Rule::ShiftedPairing)) continue;
    if (consequence && cause != nullptr) {
      cause->diagnostic.message += "; so the " + f.diagnostic.message;
      cause->diagnostic.merged.push_back(rule);
      continue;
    }
    kept.push_back(std::move(f));
    if (cause == nullptr && explains_shift(rule)) cause = &kept.back();
  }
  here = std::move(kept);
}

// One diagnostic per spot: the first rule in table order speaks, the
// others are added to its message.
std::vector<Diagnostic> merge(std::vector<Finding>& findings) {
  std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    if (a.diagnostic.offset != b.diagnostic.offset)
      return a.diagnostic.offset < b.diagnostic.offset;
    return a.diagnostic.rule < b.diagnostic.rule;
  });
  std::vector<Diagnostic> out;
  for (Finding& f : findings) {
    Diagnostic& d = f.diagnostic;
    if (!out.empty() && out.back().offset == d.offset) {
      Diagnostic& into = out.back();
      into.message += "; " + d.message;
      into.merged.push_back(d.rule);
      into.merged.insert(into.merged.end(), d.merged.begin(), d.merged.end());
      into.severity = std::max(into.severity, d.severity);
      continue;
    }
    out.push_back(std::move(d));
  }
  return out;
}

std::vector<Diagnostic> diagnose(std::string_view text, const std::vector<CallRecord>& calls,
                                 std::string_view converted) {
  std::vector<Finding> findings;
  for (const CallRecord& call : calls) {
    if (call.left_as_is || call.row < 0 || call.end > text.size()) continue;
    std::vector<Finding> here;
    const CallView v = view_call(text, call);
    // After a split literal the arguments are not what a compiler sees:
    // only what was dropped or lost is worth saying then.
    const bool split = check_literals_and_comments(v, here);
    if (call.origins.size() == call.roles.size() + 1) {
      check_terminator(v, here, split);
      if (!split) {
        check_unclosed_pair(v, here);
        check_arguments(v, here);
      }
    }
    check_lost_tokens(v, converted, here);
    fold_consequences(here);
    for (Finding& f : here) findings.push_back(std::move(f));
  }
  check_missed_calls(text, calls, findings);
  return merge(findings);
}

}  // namespace

std::vector<Token> lost_tokens(std::string_view text, const CallRecord& call,
                               std::string_view converted) {
  std::vector<Token> in;
  std::vector<Token> lost;
  for (std::size_t i : text_rules::missing_indices(text, call, converted, in))
    lost.push_back(in[i]);
  return lost;
}

std::vector<Diagnostic> diagnose_conversion(std::string_view text,
                                            const std::vector<CallRecord>& calls,
                                            std::string_view converted) {
  return diagnose(text, calls, converted);
}

Diagnostic failure_diagnostic(const Failure& failure) {
  std::string_view message = failure.message;
  message = message.substr(0, message.find('\n'));
  return {Rule::ConversionFailed, Severity::Error, failure.offset, std::string(message), {}};
}

}  // namespace q5
