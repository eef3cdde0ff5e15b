#include "diagnose/rules/rule_list.h"

namespace q5 {

extern const RuleInfo kRuleCommentRemoved = {
    Rule::CommentRemoved, "q5-comment-removed", Severity::Note,
    "A comment was removed from the argument list.",
    "Comments inside a converted argument list are not kept (the blanks around them stay). "
    "Put back any that matter."};

}  // namespace q5
