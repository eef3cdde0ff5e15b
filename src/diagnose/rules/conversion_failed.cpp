#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleConversionFailed = {
    Rule::ConversionFailed, "q5-conversion-failed", Severity::Error,
    "The file could not be converted.",
    "The conversion stopped at this place (an unterminated string or argument list, or a call "
    "beyond the fixed limits), or the file could not be read or replaced (the message gives "
    "the system's reason), and the file was not changed. Fix the text at this place or convert "
    "the call by hand; for a system error, fix the cause and run again."};

}  // namespace q5
