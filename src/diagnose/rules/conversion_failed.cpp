#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleConversionFailed = {
    Rule::ConversionFailed, "q5-conversion-failed", Severity::Error,
     "The file could not be converted.",
     "The conversion stopped at this place (an unterminated string or argument list, or a call "
     "beyond the fixed limits) and the file was not changed. Fix the text at this place or "
     "convert the call by hand."};

}  // namespace q5
