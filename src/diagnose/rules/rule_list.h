// The rules, one file each under diagnose/rules/, in the order of the Rule
// enum.
#pragma once

#include "diagnose/rules.h"

namespace q5 {

extern const RuleInfo kRuleConversionFailed;
extern const RuleInfo kRuleDroppedArguments;
extern const RuleInfo kRuleTerminatorGuess;
extern const RuleInfo kRuleTerminatorAsValue;
extern const RuleInfo kRuleUnclosedPair;
extern const RuleInfo kRuleDirectiveInList;
extern const RuleInfo kRuleXtSpecialArgument;
extern const RuleInfo kRuleCharLiteralSplit;
extern const RuleInfo kRuleDeclaration;
extern const RuleInfo kRuleShiftedPairing;
extern const RuleInfo kRuleLostTokens;
extern const RuleInfo kRuleMissedCall;
extern const RuleInfo kRuleCommentRemoved;
extern const RuleInfo kRuleMacroPairs;
extern const RuleInfo kRuleMalformedPair;
extern const RuleInfo kRuleUnterminatedList;
extern const RuleInfo kRuleTooComplex;
extern const RuleInfo kRuleConvertible;
extern const RuleInfo kRuleUnusedSuppression;
extern const RuleInfo kRuleMalformedSuppression;
extern const RuleInfo kRuleUnproven;
extern const RuleInfo kRuleAliasedCall;
extern const RuleInfo kRuleStringizedCall;

}  // namespace q5
