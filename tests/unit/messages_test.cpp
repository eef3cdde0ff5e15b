// What a tree run prints besides the converted text: colour, the machine
// formats, the statistics table, the summary and the progress line.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "diagnose/format.h"
#include "diagnose/machine_formats.h"
#include "tree/messages.h"

namespace q5 {
namespace {

const std::string kText = "int a;\n  Q5Do(o, M(1), Q5TAG_END);\n";

std::vector<Diagnostic> findings() {
  Diagnostic left{Rule::MacroPairs, Severity::Warning, 15, "call left as it stands: 100%, really\r\nyes", {}};
  left.call_left = true;
  return {left, {Rule::CommentRemoved, Severity::Note, 9, "note: a, b", {}},
          {Rule::ConversionFailed, Severity::Error, kNoOffset, "cannot open: No such file", {}}};
}

TEST(Colour, SeverityCaretAndRuleOnlyWhenAsked) {
  const std::vector<Diagnostic> d{{Rule::LostTokens, Severity::Warning, 9, "lost", {}}};
  const std::string plain = format_diagnostics("f.c", kText, d);
  EXPECT_EQ(plain.find('\033'), std::string::npos);
  EXPECT_EQ(format_diagnostics("f.c", kText, d, true),
            "\033[1mf.c:2:3:\033[m \033[1;35mwarning:\033[m lost [\033[1;35mq5-lost-tokens\033[m]\n"
            "  Q5Do(o, M(1), Q5TAG_END);\n  \033[1;32m^\033[m\n");
  const std::vector<Diagnostic> e{{Rule::ConversionFailed, Severity::Error, kNoOffset, "gone", {}}};
  EXPECT_EQ(format_diagnostics("f.c", kText, e, true),
            "\033[1mf.c:\033[m \033[1;31merror:\033[m gone [\033[1;31mq5-conversion-failed\033[m]\n");
}

TEST(Colour, AutoFollowsTheTerminalAndNoColor) {
  struct Case {
    ColorMode mode;
    bool terminal;
    const char* no_color;
    ColorMode want;
  } cases[] = {
      {ColorMode::Auto, true, nullptr, ColorMode::Always},
      {ColorMode::Auto, true, "", ColorMode::Always},
      {ColorMode::Auto, true, "1", ColorMode::Never},
      {ColorMode::Auto, false, nullptr, ColorMode::Never},
      {ColorMode::Always, false, "1", ColorMode::Always},
      {ColorMode::Never, true, nullptr, ColorMode::Never},
  };
  for (const Case& c : cases)
    EXPECT_EQ(resolve_colour(c.mode, c.terminal, c.no_color), c.want) << c.terminal << c.no_color;
}

TEST(MachineFormats, JsonLinesParseOneEntryEach) {
  const std::string out = json_lines("dir/\xff.c", kText, findings());
  std::istringstream lines(out);
  std::vector<nlohmann::json> entries;
  for (std::string line; std::getline(lines, line);) entries.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0]["path"], "dir/\xef\xbf\xbd.c");  // not UTF-8: U+FFFD
  EXPECT_EQ(entries[0]["line"], 2);
  EXPECT_EQ(entries[0]["column"], 9);
  EXPECT_EQ(entries[0]["severity"], "warning");
  EXPECT_EQ(entries[0]["rule"], "q5-macro-pairs");
  EXPECT_EQ(entries[0]["message"], "call left as it stands: 100%, really\r\nyes");
  EXPECT_EQ(entries[0]["left"], true);
  EXPECT_EQ(entries[1]["severity"], "note");
  EXPECT_EQ(entries[1]["left"], false);
  EXPECT_TRUE(entries[2]["line"].is_null());
  EXPECT_TRUE(entries[2]["column"].is_null());
  EXPECT_EQ(json_lines("f.c", kText, {}), "");
}

TEST(MachineFormats, GithubCommandsEscapeDataAndProperties) {
  EXPECT_EQ(github_commands("a,b:%c.c", kText, findings()),
            "::warning file=a%2Cb%3A%25c.c,line=2,col=9,title=q5-macro-pairs::"
            "call left as it stands: 100%25, really%0D%0Ayes\n"
            "::notice file=a%2Cb%3A%25c.c,line=2,col=3,title=q5-comment-removed::note: a, b\n"
            "::error file=a%2Cb%3A%25c.c,title=q5-conversion-failed::cannot open: No such file\n");
}

TEST(Statistics, MostFrequentFirstAligned) {
  std::array<std::size_t, kRuleCount> counts{};
  EXPECT_EQ(format_statistics(counts), "");
  counts[static_cast<std::size_t>(Rule::LostTokens)] = 3;
  counts[static_cast<std::size_t>(Rule::MacroPairs)] = 12;
  counts[static_cast<std::size_t>(Rule::CommentRemoved)] = 3;
  const std::string lost(rule_info(Rule::LostTokens).short_description);
  const std::string comment(rule_info(Rule::CommentRemoved).short_description);
  const std::string pairs(rule_info(Rule::MacroPairs).short_description);
  EXPECT_EQ(format_statistics(counts), "12  q5-macro-pairs      " + pairs + "\n" +
                                           " 3  q5-lost-tokens      " + lost + "\n" +
                                           " 3  q5-comment-removed  " + comment + "\n");
}

TEST(Summary, WouldChangeUnlessWritten) {
  Tally tally;
  tally.files = 3;
  tally.changed = 1;
  tally.unchanged = 2;
  tally.calls = 1;
  EXPECT_EQ(summary_line(tally, false),
            "q5upgrade: 3 files examined, 1 would change, 2 unchanged, 0 failed, 1 call to convert\n");
  EXPECT_EQ(summary_line(tally, true),
            "q5upgrade: 3 files examined, 1 changed, 2 unchanged, 0 failed, 1 call converted\n");
}

TEST(Summary, ProvenAndUnprovenUnderVerify) {
  Tally tally;
  tally.files = 2;
  tally.changed = 2;
  tally.calls = 9;
  tally.verified = true;
  tally.proven = 7;
  tally.unproven = 2;
  // The calls left are always told, none or not.
  EXPECT_EQ(summary_line(tally, true),
            "q5upgrade: 2 files examined, 2 changed, 0 unchanged, 0 failed, 7 proven, 2 converted "
            "unproven (not compiled in this configuration), 0 left as they stand\n");
}

TEST(Progress, ShareDoneAndTimeLeft) {
  struct Case {
    std::size_t done, total;
    double elapsed;
    const char* want;
  } cases[] = {
      {0, 18592, 1.5, "q5upgrade: 0/18592 files (0%)"},
      {1234, 18592, 1.0, "q5upgrade: 1234/18592 files (6%), about 15 s left"},
      {9000, 10000, 9.0, "q5upgrade: 9000/10000 files (90%), about 1 s left"},
      {9999, 10000, 1.0, "q5upgrade: 9999/10000 files (99%), about 1 s left"},
      {10, 1000, 3.0, "q5upgrade: 10/1000 files (1%), about 5 min left"},
      {1, 10000, 3.0, "q5upgrade: 1/10000 files (0%), about 8 h left"},
      {5, 5, 2.0, "q5upgrade: 5/5 files (100%)"},
  };
  for (const Case& c : cases) EXPECT_EQ(progress_text(c.done, c.total, c.elapsed), c.want);
}

}  // namespace
}  // namespace q5
