#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleConversionFailed = {
    Rule::ConversionFailed,
    "q5-conversion-failed",
    Severity::Error,
    "The file could not be converted.",
    "The conversion stopped at this place (an unterminated string or argument list, or a call "
    "beyond the fixed limits), or the file could not be read or replaced (the message gives the "
    "system's reason). The file is left exactly as it was; the other files go on.",
    nullptr,
    "Q5SetAttrs(prefs, PS_Title, \"Preferences, Q5TAG_END);\n",
    "Fix the text at this place or convert the call by hand; for a system error, fix the cause and "
    "run again."};

}  // namespace q5
