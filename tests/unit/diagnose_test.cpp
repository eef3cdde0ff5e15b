// The review diagnostics: one golden case per rule (tests/diagnose/), the
// no-silent-loss guarantee on every case, the lexer they rest on, the text
// format and the SARIF log.
#include "diagnose/diagnose.h"

#include <gtest/gtest.h>

#include "files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "diagnose/format.h"
#include "engine/reader/lexer.h"
#include "diagnose/sarif.h"
#include "tree/conversion.h"

namespace q5 {
namespace {

namespace fs = std::filesystem;

std::vector<Diagnostic> diagnose(const std::string& text) {
  Conversion c = convert_text(text);
  EXPECT_FALSE(c.failure.has_value()) << (c.failure ? c.failure->message : "");
  return diagnose_conversion(text, c.calls, c.text);
}

std::string diagnose_text(const std::string& text) {
  return format_diagnostics("input.c", text, diagnose(text));
}

bool mentions(const Diagnostic& d, Rule rule) {
  return d.rule == rule || std::find(d.merged.begin(), d.merged.end(), rule) != d.merged.end();
}

// Every converted call that lost a token has a warning that says so.
void expect_no_silent_loss(const std::string& text) {
  Conversion c = convert_text(text);
  ASSERT_FALSE(c.failure.has_value());
  const std::vector<Diagnostic> diagnostics = diagnose_conversion(text, c.calls, c.text);
  for (const CallRecord& call : c.calls) {
    if (lost_tokens(text, call, c.text).empty()) continue;
    bool warned = false;
    for (const Diagnostic& d : diagnostics)
      warned |= d.offset >= call.begin && d.offset < call.end && mentions(d, Rule::LostTokens) &&
                d.severity == Severity::Warning;
    EXPECT_TRUE(warned) << "silent loss in the call at offset " << call.begin;
  }
}

// --- Golden cases -----------------------------------------------------------

TEST(DiagnoseGolden, EveryCasePrintsExactlyItsExpectedDiagnostics) {
  const bool update = std::getenv("Q5_UPDATE_EXPECTED") != nullptr;
  const std::vector<fs::path> dirs = case_dirs("diagnose");
  ASSERT_GE(dirs.size(), 12u);
  for (const fs::path& dir : dirs) {
    SCOPED_TRACE(dir.filename().string());
    const std::string text = read_file(dir / "input.c");
    const std::string actual = diagnose_text(text);
    if (update) {
      std::ofstream(dir / "expected.stderr", std::ios::binary) << actual;
      continue;
    }
    EXPECT_EQ(actual, read_file(dir / "expected.stderr"));
    expect_no_silent_loss(text);
  }
}

TEST(DiagnoseGolden, EveryRuleHasACase) {
  std::set<std::string> seen;
  for (const fs::path& dir : case_dirs("diagnose"))
    for (const Diagnostic& d : diagnose(read_file(dir / "input.c"))) {
      seen.insert(std::string(rule_info(d.rule).id));
      for (Rule r : d.merged) seen.insert(std::string(rule_info(r).id));
    }
  // The tree interface's own conversion finds the rest (tests/migrate/),
  // and the tree's own findings (tests/findings/).
  for (const char* folder : {"migrate", "findings"})
    for (const fs::path& dir : case_dirs(folder))
      for (const RuleInfo& rule : rule_table())
        if (read_file(dir / "expected.stderr").find("[" + std::string(rule.id) + "]") !=
            std::string::npos)
          seen.insert(std::string(rule.id));
  for (const RuleInfo& rule : rule_table()) {
    // The compiler finds q5-unproven under --verify (tests/unit/verify_test.cpp
    // and tests/cli/test_verify.sh hold its cases).
    if (rule.rule == Rule::ConversionFailed || rule.rule == Rule::Unproven) continue;
    EXPECT_TRUE(seen.count(std::string(rule.id))) << rule.id;
  }
}

// --- The guarantee and the rules, on small inputs ---------------------------

TEST(Diagnose, CleanCallsGiveNothing) {
  EXPECT_EQ(diagnose_text("Q5SetAttrs(o, Q5A_Width, 1, Q5TAG_END);\n"
                          "Q5TagGet(tags, Q5A_X, &x, Q5TAG_END);\n"
                          "XtVaSetValues(w, XmNwidth, 100, NULL);\n"
                          "XtVaGetValues(w,\n    XmNwidth, &wd,\n    NULL);\n"),
            "");
}

TEST(Diagnose, RenameAndCastAreNotLosses) {
  const std::string text = "Q5TagGet (tags, Q5A_X, &x, Q5TAG_END);\nXtVaSetValues(w, A, 1, NULL);\n";
  Conversion c = convert_text(text);
  ASSERT_EQ(c.calls.size(), 2u);
  for (const CallRecord& call : c.calls) EXPECT_TRUE(lost_tokens(text, call, c.text).empty());
}

TEST(Diagnose, LostTokensAreShownWithoutTheirCommas) {
  const std::string text = "XtVaSetValues(w, RES0, 1, RES1, 2, NULL);\n";
  Conversion c = convert_text(text);
  ASSERT_EQ(c.calls.size(), 1u);
  std::string lost;
  for (const Token& t : lost_tokens(text, c.calls[0], c.text)) lost += std::string(token_raw(text, t)) + ' ';
  EXPECT_EQ(lost, ", 1 , RES1 , 2 , NULL ");
  const std::vector<Diagnostic> d = diagnose(text);
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[1].rule, Rule::DroppedArguments);
  EXPECT_TRUE(mentions(d[1], Rule::LostTokens));
}

TEST(Diagnose, SplicesAndCarriageReturnsAreNotLosses) {
  expect_no_silent_loss("#define S(o) Q5SetAttrs((o), \\\n    Q5A_W, 1, \\\r\n    Q5TAG_END)\n");
  EXPECT_EQ(diagnose_text("#define S(o) Q5SetAttrs((o), \\\n    Q5A_W, 1, \\\n    Q5TAG_END)\n"), "");
}

TEST(Diagnose, OneDiagnosticPerSpot) {
  const std::vector<Diagnostic> d = diagnose("Q5Do(m, M, 3);\n");
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0].rule, Rule::UnclosedPair);
  EXPECT_EQ(d[0].merged, std::vector<Rule>{Rule::ShiftedPairing});
}

TEST(Diagnose, DefinitionsAndPairFormAreLeftAlone) {
  EXPECT_EQ(diagnose_text("int Q5Inherit(int a, int b, int c) {\n  return 0;\n}\n"), "");
}

TEST(Diagnose, MissedCallsStopAtTheFirstNul) {
  std::string text = "puts(\"//\"); Q5Do(o, M, A, 1, Q5TAG_END);\n";
  EXPECT_EQ(diagnose(text).size(), 1u);
  text.insert(0, std::string(1, '\0'));
  EXPECT_TRUE(diagnose(text).empty());
}

TEST(Diagnose, FailureBecomesAnErrorOnItsFirstLine) {
  Diagnostic d = failure_diagnostic(Failure{ExitBadInput, "ERROR: Too long parameter name\nxxx\n", 7});
  EXPECT_EQ(d.severity, Severity::Error);
  EXPECT_EQ(d.message, "ERROR: Too long parameter name");
  EXPECT_EQ(d.offset, 7u);
}

// --- Lexer ------------------------------------------------------------------

std::vector<std::string> spellings(std::string_view text, bool comments = false) {
  std::vector<std::string> out;
  for (const Token& t : lex(text, 0, text.size(), comments)) out.emplace_back(token_raw(text, t));
  return out;
}

TEST(Lexer, TokensAsACompilerSeesThem) {
  using V = std::vector<std::string>;
  EXPECT_EQ(spellings("a->b ... x<<=2 ## y"), (V{"a", "->", "b", "...", "x", "<<=", "2", "##", "y"}));
  EXPECT_EQ(spellings("1.5e+3 0x1FUL .5"), (V{"1.5e+3", "0x1FUL", ".5"}));
  EXPECT_EQ(spellings(R"("a\"b" ',' '\'' L"w" u8"x")"), (V{R"("a\"b")", "','", R"('\'')", "L\"w\"", "u8\"x\""}));
  EXPECT_EQ(spellings("a /* b */ c // d\ne", true), (V{"a", "/* b */", "c", "// d", "e"}));
  EXPECT_EQ(spellings("a // d \\\n still comment\nb"), (V{"a", "b"}));
  EXPECT_EQ(spellings("ab\\\ncd \\\r\n ef"), (V{"ab\\\ncd", "ef"}));
  // Unterminated literals end at their line; a stray byte is a token.
  EXPECT_EQ(spellings("'x\ny \"z\nw @"), (V{"'x", "y", "\"z", "w", "@"}));
  EXPECT_EQ(spellings(std::string("a\0b\r\nc", 6)), (V{"a", "b", "c"}));
  EXPECT_EQ(spellings("/* open"), V{});
}

TEST(Lexer, SplicedTokensCompareEqual) {
  std::string_view a = "Q5Set\\\nAttrs", b = "Q5SetAttrs";
  Token ta = lex(a, 0, a.size(), false).at(0), tb = lex(b, 0, b.size(), false).at(0);
  EXPECT_TRUE(same_token(a, ta, b, tb));
  EXPECT_TRUE(token_is(a, ta, "Q5SetAttrs"));
  EXPECT_FALSE(token_is(a, ta, "Q5SetAttr"));
}

// --- Rule table and text format ----------------------------------------------

TEST(Rules, OneRowPerRuleInOrderWithUniqueIds) {
  std::set<std::string_view> ids;
  for (std::size_t i = 0; i < rule_table().size(); ++i) {
    const RuleInfo& rule = rule_table()[i];
    EXPECT_EQ(static_cast<std::size_t>(rule.rule), i);
    EXPECT_TRUE(rule.id.starts_with("q5-"));
    EXPECT_TRUE(ids.insert(rule.id).second);
    EXPECT_FALSE(rule.short_description.empty());
    EXPECT_FALSE(rule.help.empty());
  }
  EXPECT_EQ(rule_info(Rule::CommentRemoved).severity, Severity::Note);
}

TEST(Format, LineAndColumnFromOffsets) {
  const LineTable lines = make_line_table("ab\ncd\r\n\nx");
  EXPECT_EQ(line_column(lines, 0).line, 1u);
  EXPECT_EQ(line_column(lines, 4).column, 2u);
  EXPECT_EQ(line_column(lines, 8).line, 4u);
  EXPECT_EQ(line_column(lines, kNoOffset).line, 0u);
  EXPECT_EQ(format_location("f.c", lines, 4), "f.c:2:2");
  EXPECT_EQ(format_location("f.c", lines, kNoOffset), "f.c");
}

TEST(Format, SourceLineAndCaret) {
  const std::string text = "x\n\tab\x01 cd\r\n";
  const LineTable lines = make_line_table(text);
  Diagnostic d{Rule::LostTokens, Severity::Warning, 7, "lost 'cd'", {}};
  EXPECT_EQ(format_diagnostic("f.c", text, lines, d),
            "f.c:2:6: warning: lost 'cd' [q5-lost-tokens]\n\tab? cd\n\t    ^\n");
  d.offset = kNoOffset;
  d.severity = Severity::Error;
  d.rule = Rule::ConversionFailed;
  EXPECT_EQ(format_diagnostic("f.c", text, lines, d), "f.c: error: lost 'cd' [q5-conversion-failed]\n");
}

TEST(Format, LongLinesAreShownAroundTheSpot) {
  const std::string text = std::string(300, 'a') + "Q5X" + std::string(300, 'b');
  const std::string out = format_diagnostics(
      "f.c", text, std::vector<Diagnostic>{{Rule::MissedCall, Severity::Warning, 300, "m", {}}});
  EXPECT_NE(out.find("\n..." + std::string(80, 'a') + "Q5X"), std::string::npos);
  EXPECT_NE(out.find(std::string(83, ' ') + "^\n"), std::string::npos);
}

TEST(Format, CountsBySeverityAndRule) {
  DiagnosticCounts counts;
  add_counts(counts, diagnose("XtVaSetValues(w, RES0, 1, NULL);\nQ5Do(o, M, /* c */ Q5TAG_END);\n"));
  EXPECT_EQ(format_counts(counts),
            "2 warnings (1 q5-dropped-arguments, 1 q5-terminator-guess), 1 note (1 q5-comment-removed)");
  EXPECT_EQ(format_counts(DiagnosticCounts{}), "");
}

// --- SARIF ------------------------------------------------------------------

TEST(Sarif, HoldsWhatCodeScanningServicesRequire) {
  const std::string text = "XtVaSetValues(w, RES0, 1, NULL);\n\xff\xfe\n";
  std::vector<FileReport> files{{"src/a b.c", text, diagnose(text)},
                                {"/abs/x.c", "", {failure_diagnostic(Failure{5, "Unterminated string\n"})}}};
  const auto log = nlohmann::json::parse(sarif_log(files, "1.2.3", "https://q5upgrade.example.org/"));
  EXPECT_EQ(log["version"], "2.1.0");
  EXPECT_TRUE(log["$schema"].get<std::string>().find("sarif-2.1.0") != std::string::npos);
  const auto& run = log["runs"].at(0);
  EXPECT_EQ(run["tool"]["driver"]["name"], "q5upgrade");
  EXPECT_EQ(run["tool"]["driver"]["version"], "1.2.3");
  const auto& rules = run["tool"]["driver"]["rules"];
  ASSERT_EQ(rules.size(), rule_table().size());
  for (const auto& rule : rules) {
    EXPECT_TRUE(rule["id"].is_string());
    EXPECT_TRUE(rule["shortDescription"]["text"].is_string());
    EXPECT_TRUE(rule["help"]["text"].is_string());
  }
  const auto& results = run["results"];
  ASSERT_EQ(results.size(), 3u);
  for (const auto& result : results) {
    EXPECT_TRUE(result["ruleId"].get<std::string>().starts_with("q5-"));
    EXPECT_EQ(rules.at(result["ruleIndex"].get<std::size_t>())["id"], result["ruleId"]);
    EXPECT_TRUE(result["level"] == "warning" || result["level"] == "error" || result["level"] == "note");
    EXPECT_FALSE(result["message"]["text"].get<std::string>().empty());
    EXPECT_TRUE(result["locations"].at(0)["physicalLocation"]["artifactLocation"]["uri"].is_string());
  }
  const auto& first = results[0]["locations"][0]["physicalLocation"];
  EXPECT_EQ(first["artifactLocation"]["uri"], "src/a%20b.c");
  EXPECT_EQ(first["region"]["startLine"], 1);
  EXPECT_EQ(first["region"]["startColumn"], 18);
  EXPECT_EQ(first["region"]["snippet"]["text"], "XtVaSetValues(w, RES0, 1, NULL);");
  EXPECT_EQ(results[2]["level"], "error");
  EXPECT_EQ(results[2]["locations"][0]["physicalLocation"]["artifactLocation"]["uri"], "file:///abs/x.c");
  EXPECT_FALSE(results[2]["locations"][0]["physicalLocation"].contains("region"));
}

TEST(Sarif, WritesALogFileForTheValidator) {
  // tests/diagnose/validate_sarif.sh checks this file when the validator is
  // installed.
  const char* out = std::getenv("Q5_SARIF_OUT");
  if (out == nullptr) GTEST_SKIP() << "Q5_SARIF_OUT not set";
  std::vector<FileReport> files;
  std::vector<std::string> texts;
  for (const fs::path& dir : case_dirs("diagnose")) texts.push_back(read_file(dir / "input.c"));
  std::size_t k = 0;
  for (const fs::path& dir : case_dirs("diagnose")) {
    files.push_back({(dir.filename() / "input.c").string(), texts[k], diagnose(texts[k])});
    ++k;
  }
  std::ofstream(out, std::ios::binary) << sarif_log(files, "1.0.0", "https://q5upgrade.example.org/");
}

}  // namespace
}  // namespace q5
