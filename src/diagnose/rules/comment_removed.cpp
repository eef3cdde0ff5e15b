#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleCommentRemoved = {
    Rule::CommentRemoved,
    "q5-comment-removed",
    Severity::Note,
    "A comment was removed from the argument list.",
    "Found with --unsafe-fixes only. Comments inside a list the text rules convert are not kept "
    "(the blanks around them stay).",
    nullptr,
    "Q5SetAttrs(obj, Q5A_Width, 10, /* pixels */ Q5TAG_END);\n",
    "Put back any that matter."};

}  // namespace q5
