// The tree interface's own conversion: golden cases (tests/migrate/), each
// with the exact converted text and diagnostics, run twice so that a second
// run reports exactly what the first left.
#include "tree/migrate.h"

#include <gtest/gtest.h>

#include "files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "diagnose/format.h"

namespace q5 {
namespace {

namespace fs = std::filesystem;

MacroTable macros_of(std::string_view text) {
  MacroSet set;
  collect_macros(text, "input.c", set);
  return resolve_macros(set);
}

std::vector<std::pair<Rule, std::string>> findings(const Migration& m) {
  std::vector<std::pair<Rule, std::string>> out;
  for (const Diagnostic& d : m.diagnostics) out.emplace_back(d.rule, d.message);
  return out;
}

TEST(MigrateGolden, EveryCaseConvertsAndReportsExactlyAsExpected) {
  const bool update = std::getenv("Q5_UPDATE_EXPECTED") != nullptr;
  const std::vector<fs::path> dirs = case_dirs("migrate");
  ASSERT_GE(dirs.size(), 6u);
  for (const fs::path& dir : dirs) {
    SCOPED_TRACE(dir.filename().string());
    const std::string input = read_file(dir / "input.c");
    const MacroTable macros = macros_of(input);
    const Migration first = migrate_text(input, macros);
    ASSERT_FALSE(first.failure.has_value());
    const std::string output = apply_insertions(input, first.insertions);
    const std::string shown = format_diagnostics("input.c", input, first.diagnostics);
    if (update) {
      std::ofstream(dir / "expected.c", std::ios::binary) << output;
      std::ofstream(dir / "expected.stderr", std::ios::binary) << shown;
      continue;
    }
    EXPECT_EQ(output, read_file(dir / "expected.c"));
    EXPECT_EQ(shown, read_file(dir / "expected.stderr"));

    // Over its own output a run changes nothing and reports exactly what
    // the first run left (and what was wrong before it).
    const Migration second = migrate_text(output, macros_of(output));
    EXPECT_TRUE(second.insertions.empty());
    EXPECT_EQ(second.left, first.left);
    EXPECT_EQ(findings(second), findings(first));
  }
}

TEST(MigrateFailures, BrokenListsFailTheFileUntouched) {
  const MacroTable none;
  Migration m = migrate_text("int a;\nQ5SetAttrs(o, \"abc, Q5TAG_END);\n", none);
  ASSERT_TRUE(m.failure.has_value());
  EXPECT_EQ(m.failure->message, "Unterminated string\n");
  EXPECT_EQ(m.failure->offset, 21u);
  m = migrate_text("XtVaSetValues(w, XmNwidth, (1,\n", none);
  ASSERT_TRUE(m.failure.has_value());
  EXPECT_EQ(m.failure->message, "Unterminated parameter list\n");
  // Inside a comment nothing opens a list.
  EXPECT_FALSE(migrate_text("/* XtVaSetValues(w,\n */ int a;\n", none).failure.has_value());
}

// --check --verbose names each converted call by where its name starts:
// not a call left as it stands, nor one in pair form already; a call in
// another's list in its own place.
TEST(MigrateCalls, WhereEachConvertedCallStarts) {
  const std::string text =
      "#define PAIR(r, v) r, v\n"
      "Q5SetAttrs(o, A, 1, Q5TAG_END);\n"
      "  XtVaSetValues(w, PAIR(a, 1), NULL);\n"
      "Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);\n"
      "f(Q5TagGet(t, A, &a, Q5TAG_END), XtVaGetValues(w, B, &b, NULL));\n";
  const Migration m = migrate_text(text, macros_of(text));
  EXPECT_EQ(m.left, 1u);
  std::vector<std::size_t> names;
  for (const ConvertedCall& call : m.calls) names.push_back(call.name);
  EXPECT_EQ(names, (std::vector<std::size_t>{text.find("Q5SetAttrs"), text.find("Q5TagGet"),
                                             text.find("XtVaGetValues")}));
  // Each insertion lies within the call it names, so one call's can be taken back alone.
  for (const Insertion& i : m.insertions) {
    ASSERT_LT(i.call, m.calls.size());
    EXPECT_GT(i.offset, m.calls[i.call].name);
    EXPECT_LE(i.offset, m.calls[i.call].end);
  }
}

// A macro for a call's name reaches the files that define it, and every
// file when a header defines it; a source file's own says nothing of
// another's, where the name may be a function of its own.
TEST(MigrateAliases, ASourceFilesAliasStaysInThatFile) {
  MacroSet set;
  collect_macros("#define SET XtVaSetValues\n", "src/a.c", set);
  collect_macros("#define HSET XtVaSetValues\n", "include/h.h", set);
  const MacroTable macros = resolve_macros(set);
  const std::string call = "SET(w, XmNwidth, 1, NULL);\nHSET(w, XmNx, 2, NULL);\n";
  const Migration here = migrate_text("#define SET XtVaSetValues\n" + call, macros);
  EXPECT_EQ(here.calls.size(), 2u);
  EXPECT_EQ(here.left, 0u);
  const Migration there = migrate_text(call, macros);
  ASSERT_EQ(there.calls.size(), 1u);
  EXPECT_EQ(there.calls[0].name, call.find("HSET"));
  ASSERT_EQ(there.diagnostics.size(), 1u);
  EXPECT_EQ(there.diagnostics[0].rule, Rule::AliasedCall);
  EXPECT_EQ(there.diagnostics[0].offset, 0u);
}

}  // namespace
}  // namespace q5
