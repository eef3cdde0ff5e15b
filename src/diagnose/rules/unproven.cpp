#include "diagnose/rules/rule_list.h"

namespace q5 {

// Found under --verify by the project's compiler (see verify/), not by a
// check of the planned call: it has no check here.
extern const RuleInfo kRuleUnproven = {
    Rule::Unproven,
    "q5-unproven",
    Severity::Warning,
    "The project's compiler does not prove the call's conversion.",
    "Under --verify the converted file is preprocessed by the compiler of the compilation "
    "database with a header that gives each pair its own macro. The compiler rejected the "
    "pairs, a half of a pair expanded to other than one argument, or the preprocessed tokens "
    "differed from the original's, so the call is left as it stands; the message quotes the "
    "compiler's reason.",
    nullptr,
    "#define SHOW(call) (puts(#call), call)\n"
    "SHOW(XtVaSetValues(w, XmNwidth, 10, NULL));  /* the string would change */\n",
    "Convert the call by hand, or change the macro that misleads the pairing."};

}  // namespace q5
