#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"
#include "diagnose/rules/suppression_rules.h"

namespace q5 {

void check_unused_suppressions(std::string_view, const std::vector<Suppression>& comments,
                               std::vector<Diagnostic>& out) {
  for (const Suppression& comment : comments) {
    std::string unused;
    std::size_t first = kNoOffset;
    for (const SilencedName& name : comment.names) {
      // Naming these keeps the comment's other findings quiet.
      if (name.used || name.rule == Rule::UnusedSuppression ||
          name.rule == Rule::MalformedSuppression)
        continue;
      if (first == kNoOffset) first = name.offset;
      unused += (unused.empty() ? "'" : ", '") + std::string(rule_info(name.rule).id) + "'";
    }
    if (first != kNoOffset)
      out.push_back(finding(Rule::UnusedSuppression, first,
                            "suppression of " + unused + " silenced nothing here"));
  }
}

extern const RuleInfo kRuleUnusedSuppression = {
    Rule::UnusedSuppression,
    "q5-unused-suppression",
    Severity::Warning,
    "A suppression comment names a rule that had no finding to silence.",
    "The rule named had no finding on the comment's line, nor in the call whose name stands on "
    "that line: the comment is stale (the call was converted or fixed since) or in the wrong "
    "place. Findings are those of the run's mode: a rule found only with --unsafe-fixes "
    "silences nothing without it.",
    nullptr,
    "XtVaSetValues(w, XmNwidth, 10, NULL); /* q5upgrade: ignore[q5-macro-pairs] */\n",
    "Remove the comment, or the names in it that silence nothing; to keep it as it is, name "
    "q5-unused-suppression in it too."};

}  // namespace q5
