#include "diagnose/rules.h"

#include "diagnose/rules/rule_list.h"

#include <iterator>

namespace q5 {

std::span<const RuleInfo> rule_table() {
  static const RuleInfo kRules[] = {
      kRuleConversionFailed,  kRuleDroppedArguments,     kRuleTerminatorGuess,
      kRuleTerminatorAsValue, kRuleUnclosedPair,         kRuleDirectiveInList,
      kRuleXtSpecialArgument, kRuleCharLiteralSplit,     kRuleDeclaration,
      kRuleShiftedPairing,    kRuleLostTokens,           kRuleMissedCall,
      kRuleCommentRemoved,    kRuleMacroPairs,           kRuleMalformedPair,
      kRuleUnterminatedList,  kRuleTooComplex,           kRuleConvertible,
      kRuleUnusedSuppression, kRuleMalformedSuppression, kRuleUnproven,
      kRuleAliasedCall,       kRuleStringizedCall,
  };
  static_assert(std::size(kRules) == kRuleCount);
  return kRules;
}

const RuleInfo& rule_info(Rule rule) { return rule_table()[static_cast<std::size_t>(rule)]; }

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
