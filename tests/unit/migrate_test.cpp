// The tree interface's own conversion: golden cases (tests/migrate/), each
// with the exact converted text and diagnostics, run twice so that a second
// run reports exactly what the first left; and the macro shapes.
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
  std::vector<fs::path> dirs;
  for (const auto& entry : fs::directory_iterator(fs::path(Q5_TEST_SOURCE_DIR) / "migrate"))
    if (entry.is_directory()) dirs.push_back(entry.path());
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

TEST(MacroShapes, ExpansionsCountTheirListArguments) {
  const MacroTable table = macros_of(
      "#define TYPED(s) XtVaTypedArg, XmNlabelString, XmRString, (s), strlen(s) + 1\n"
      "#define AGAIN TYPED(\"x\")\n"
      "#define PAIR(r, v) r, v\n"
      "#define CALLED f(a, b)\n"
      "#define EMPTY\n"
      "#define SPLICED XmNwidth, \\\n  10 /* a, b */\n"
      "#define WRAPPED Q5LT(XmNwidth, 1)\n"
      "#define VARIADIC(...) __VA_ARGS__\n"
      "#define TWICE 1\n#define TWICE 2, 3\n"
      "#define SAME 1\n#define SAME 2\n"
      "#define LOOP LOOP, 1\n"
      "/* #define COMMENTED a, b */\n");
  struct Case {
    const char* name;
    bool called;
    int arguments;  // -1: not known
    bool special, whole_pair;
  };
  const Case cases[] = {
      {"TYPED", true, 5, true, false},   {"AGAIN", false, 5, true, false},
      {"PAIR", true, 2, false, false},   {"CALLED", false, 1, false, false},
      {"EMPTY", false, 0, false, false}, {"SPLICED", false, 2, false, false},
      {"WRAPPED", false, 1, false, true}, {"VARIADIC", true, -1, false, false},
      {"TWICE", false, -1, false, false}, {"SAME", false, 1, false, false},
      {"LOOP", false, -1, false, false},  {"COMMENTED", false, -1, false, false},
      {"TYPED", false, -1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MacroShape* shape = find_macro(table, c.name, c.called);
    if (c.arguments < 0) {
      EXPECT_EQ(shape, nullptr);
      continue;
    }
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->arguments, c.arguments);
    EXPECT_EQ(is_special_group(*shape), c.special);
    EXPECT_EQ(shape->whole_pair, c.whole_pair);
  }
  EXPECT_EQ(find_macro(table, "SPLICED", false)->where, "input.c:6");
}

}  // namespace
}  // namespace q5
