// A file's findings as --check reports them: golden cases (tests/findings/)
// of the calls to convert and of the suppression comments, and the SARIF
// fixes that make exactly the conversion.
#include "tree/findings.h"

#include <gtest/gtest.h>

#include "files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "diagnose/format.h"
#include "diagnose/sarif.h"
#include "diagnose/suppression.h"
#include "tree/migrate.h"

namespace q5 {
namespace {

namespace fs = std::filesystem;

MacroTable macros_of(std::string_view text) {
  MacroSet set;
  collect_macros(text, "input.c", set);
  return resolve_macros(set);
}

std::vector<Diagnostic> check_findings(const std::string& text, Migration* kept = nullptr) {
  Migration m = migrate_text(text, macros_of(text));
  EXPECT_FALSE(m.failure.has_value());
  std::vector<Diagnostic> found = safe_findings(text, m, true);
  if (kept != nullptr) *kept = std::move(m);
  return found;
}

TEST(FindingsGolden, EveryCaseReportsExactlyAsExpected) {
  const bool update = std::getenv("Q5_UPDATE_EXPECTED") != nullptr;
  const std::vector<fs::path> dirs = case_dirs("findings");
  ASSERT_GE(dirs.size(), 2u);
  for (const fs::path& dir : dirs) {
    SCOPED_TRACE(dir.filename().string());
    const std::string input = read_file(dir / "input.c");
    const std::string shown = format_diagnostics("input.c", input, check_findings(input));
    if (update)
      std::ofstream(dir / "expected.stderr", std::ios::binary) << shown;
    else
      EXPECT_EQ(shown, read_file(dir / "expected.stderr"));
  }
}

// The log's fixes, applied to the input, give exactly what -i writes.
TEST(FindingsSarif, FixesMakeTheConversion) {
  const std::string input =
      read_file(fs::path(Q5_TEST_SOURCE_DIR) / "findings/calls-to-convert/input.c");
  Migration m;
  std::vector<Diagnostic> found = check_findings(input, &m);
  const FileReport file{"src/calls.c", input, found};
  const auto log = nlohmann::json::parse(sarif_log({&file, 1}, "1.0.0", "https://example.org/"));
  const auto& run = log["runs"][0];
  EXPECT_EQ(run["tool"]["driver"]["informationUri"], "https://example.org/");
  const LineTable lines = make_line_table(input);
  std::vector<std::pair<std::size_t, std::string>> edits;
  std::size_t fixed = 0;
  for (const auto& result : run["results"]) {
    if (!result.contains("fixes")) {
      EXPECT_NE(result["ruleId"], "q5-convertible");
      continue;
    }
    ++fixed;
    EXPECT_EQ(result["ruleId"], "q5-convertible");
    const auto& change = result["fixes"][0]["artifactChanges"][0];
    EXPECT_EQ(change["artifactLocation"]["uri"], "src/calls.c");
    for (const auto& r : change["replacements"]) {
      const auto& region = r["deletedRegion"];
      EXPECT_EQ(region["startLine"], region["endLine"]);
      EXPECT_EQ(region["startColumn"], region["endColumn"]);
      const std::size_t line = region["startLine"], column = region["startColumn"];
      edits.emplace_back(lines.starts[line - 1] + column - 1, r["insertedContent"]["text"]);
    }
  }
  EXPECT_EQ(fixed, m.calls.size());
  std::stable_sort(edits.begin(), edits.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string out;
  std::size_t copied = 0;
  for (const auto& [offset, text] : edits) {
    out += input.substr(copied, offset - copied) + text;
    copied = offset;
  }
  out += input.substr(copied);
  EXPECT_EQ(out, apply_insertions(input, m.insertions));
}

TEST(Suppressions, FoundInCommentsOnly) {
  const std::string text =
      "a(); /* q5upgrade: ignore[q5-macro-pairs,q5-lost-tokens] */\n"
      "s = \"q5upgrade: ignore[q5-macro-pairs]\"; // q5upgrade: ignore[q5-convertible]\n"
      "b(); /* not q5upgrade: ignore */ /* myq5upgrade: ignore[x] */\n";
  Suppressions s = find_suppressions(text);
  ASSERT_EQ(s.comments.size(), 2u);
  EXPECT_EQ(s.comments[0].names.size(), 2u);
  EXPECT_EQ(s.comments[1].names[0].rule, Rule::Convertible);
  // "ignore" without "[" right after it is misspelt; the word inside
  // another word is not the tool's.
  ASSERT_EQ(s.malformed.size(), 1u);
  EXPECT_EQ(s.malformed[0].offset, text.find("q5upgrade: ignore */"));
  EXPECT_TRUE(silences(s, text, Rule::LostTokens, kNoOffset, 0));
  EXPECT_FALSE(silences(s, text, Rule::MacroPairs, kNoOffset, text.find("s =")));
  EXPECT_FALSE(silences(s, text, Rule::MacroPairs, kNoOffset, kNoOffset));
  // Only q5-macro-pairs silenced nothing, and only on the first line.
  std::vector<Diagnostic> own = suppression_findings(s, text);
  ASSERT_EQ(own.size(), 3u);
  EXPECT_EQ(own[0].rule, Rule::UnusedSuppression);
  EXPECT_EQ(own[0].message, "suppression of 'q5-macro-pairs' silenced nothing here");
  EXPECT_EQ(own[1].rule, Rule::UnusedSuppression);
  EXPECT_EQ(own[2].rule, Rule::MalformedSuppression);
  EXPECT_TRUE(find_suppressions("int a; /* nothing */\n").comments.empty());
}

}  // namespace
}  // namespace q5
