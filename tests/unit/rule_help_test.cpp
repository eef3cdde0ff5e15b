// What --list-rules and --explain print of each rule: the texts its file
// holds, wrapped for a terminal.
#include "diagnose/rule_help.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace q5 {
namespace {

// --explain and --list-rules say what each rule's file holds.
TEST(RuleHelp, EveryRuleExplainsItselfAndIsListed) {
  const std::string list = list_rules_text();
  for (const RuleInfo& rule : rule_table()) {
    SCOPED_TRACE(rule.id);
    EXPECT_FALSE(rule.help.empty());
    EXPECT_FALSE(rule.fix.empty());
    const std::string text = explain_rule_text(rule);
    EXPECT_TRUE(text.starts_with(std::string(rule.id) + " (" +
                                 std::string(severity_name(rule.severity)) + " by default)\n"));
    EXPECT_NE(list.find(std::string(rule.id) + " "), std::string::npos);
    // Every word of the texts is there, each line short.
    for (std::string_view part : {rule.short_description, rule.help, rule.fix})
      for (std::size_t at = 0; at < part.size();) {
        std::size_t blank = std::min(part.find(' ', at), part.size());
        EXPECT_NE(text.find(part.substr(at, blank - at)), std::string::npos);
        at = blank + 1;
      }
    std::size_t longest = 0;
    for (std::size_t at = 0; at < text.size();) {
      std::size_t end = text.find('\n', at);
      longest = std::max(longest, end - at);
      at = end + 1;
    }
    EXPECT_LE(longest, 78u + 4u);
    if (!rule.example.empty()) {
      EXPECT_TRUE(rule.example.ends_with('\n'));
      EXPECT_NE(text.find("Example:\n    "), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace q5
