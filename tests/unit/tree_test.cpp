// The tree interface's conversion and diff: re-runs change nothing, and the
// diff is exact about lines, line ends and the last newline.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tree/conversion.h"
#include "tree/diff.h"

namespace q5 {
namespace {

std::string converted(std::string_view text) {
  Conversion c = convert_text(text);
  EXPECT_FALSE(c.failure) << text;
  return c.text;
}

std::string diff_of(std::string_view before) {
  Conversion c = convert_text(before);
  return unified_diff("f.c", before, c.text, replacements_of(c));
}

TEST(TreeConversion, CallsInPairFormStayAsTheyStand) {
  struct Case {
    const char* before;
    const char* after;
  } cases[] = {
      {"Q5SetAttrs(o, A, 1, Q5TAG_END);", "Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);"},
      {"Q5SetAttrs(o, Q5T(A, 1), B, 2, Q5TAG_END)  ;", "Q5SetAttrs(o, Q5T(A, 1), B, 2, Q5TAG_END)  ;"},
      {"XtVaSetValues(w,(char *) NULL);", "XtVaSetValues(w,(char *) NULL);"},
      {"XtVaSetValues(w, R, 1, (char *) NULL);", "XtVaSetValues(w, Q5LT(R, 1), (char *) NULL);"},
      {"XtVaGetValues(w, NULL);", "XtVaGetValues(w,(char *) NULL);"},
      {"Q5Do(o);", "Q5Do(o);"},
      {"Q5Do(o, M,\n#ifdef X\n Q5TAG_END);", "Q5Do(o, M,\n#ifdef X\n Q5TAG_END);"},
      {"Q5Do(o, M, /* c */ Q5TAG_END)  ;", "Q5Do(o, M,  Q5TAG_END);"},
      // A file holding the pair macro is not refused.
      {"/* Q5T( */ Q5SetAttrs(o, A, 1, Q5TAG_END);", "/* Q5T( */ Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(converted(c.before), c.after) << c.before;
    EXPECT_EQ(converted(c.after), c.after) << c.after;
  }
}

// Every golden input that converts cleanly converts to itself a second time.
TEST(TreeConversion, SecondRunOverGoldenOutputsChangesNothing) {
  namespace fs = std::filesystem;
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(Q5_SOURCE_DIR) / "tests/golden")) {
    fs::path input = entry.path() / "input.c";
    if (!fs::exists(input) || fs::exists(entry.path() / "expected.status")) continue;
    std::ifstream stream(input, std::ios::binary);
    std::stringstream bytes;
    bytes << stream.rdbuf();
    Conversion first = convert_text(bytes.str());
    if (first.failure) continue;
    bool unclosed = false;  // an odd tag count leaves a pair open: no rule can see it again
    for (const CallRecord& call : first.calls)
      for (std::size_t i = 0; i < call.roles.size(); ++i)
        if (call.roles[i] == ArgRole::Tag && (i + 1 == call.roles.size() || call.roles[i + 1] != ArgRole::Value))
          unclosed = true;
    if (unclosed) continue;
    Conversion second = convert_text(first.text);
    // Wrapping can take an argument just under the length limit over it.
    if (second.failure && second.failure->exit_code == ExitBadInput) continue;
    EXPECT_FALSE(second.failure) << entry.path();
    EXPECT_EQ(second.text, first.text) << entry.path();
    ++checked;
  }
  EXPECT_GT(checked, 20);
}

TEST(UnifiedDiff, HunksLineEndsAndTheLastNewline) {
  EXPECT_EQ(diff_of("int a;\n"), "");
  // Untouched lines of a call are context; nearby changes share a hunk.
  EXPECT_EQ(diff_of("a\nQ5SetAttrs(o,\n  A, 1,\n  Q5TAG_END);\nb\n"),
            "--- a/f.c\n+++ b/f.c\n@@ -1,5 +1,5 @@\n a\n Q5SetAttrs(o,\n-  A, 1,\n+  Q5T(A, 1),\n"
            "   Q5TAG_END);\n b\n");
  // CR LF kept; a last line without a newline is marked on both sides.
  EXPECT_EQ(diff_of("x\r\nQ5Do(o, M, A, 1, Q5TAG_END);"),
            "--- a/f.c\n+++ b/f.c\n@@ -1,2 +1,2 @@\n x\r\n-Q5Do(o, M, A, 1, Q5TAG_END);\n"
            "\\ No newline at end of file\n+Q5Do(o, M, Q5T(A, 1), Q5TAG_END);\n"
            "\\ No newline at end of file\n");
  // Changes more than six lines apart get hunks of their own; the second
  // hunk's new start counts the lines the first one added.
  std::string far = "Q5GetAttrs(o,\n#ifdef X\n A, &a,\n#endif\n Q5TAG_END);\n1\n2\n3\n4\n5\n6\n7\n"
                    "Q5Do(o, M, B, 2, Q5TAG_END);\n";
  EXPECT_EQ(diff_of(far),
            "--- a/f.c\n+++ b/f.c\n@@ -1,7 +1,9 @@\n Q5GetAttrs(o,\n #ifdef X\n- A, &a,\n-#endif\n"
            "+\n+ Q5T(A, &a),\n+#endif\n+\n  Q5TAG_END);\n 1\n 2\n@@ -10,4 +12,4 @@\n 5\n 6\n 7\n"
            "-Q5Do(o, M, B, 2, Q5TAG_END);\n+Q5Do(o, M, Q5T(B, 2), Q5TAG_END);\n");
}

// As git colours a diff: each line's colour reset before its line end, a
// CR LF end kept whole after the reset, context and the "\ No newline"
// mark plain, and a removed line that looks like a header red.
TEST(UnifiedDiff, ColouredAsGitColoursIt) {
  const std::string diff = diff_of("x\r\n-- y\r\nQ5Do(o, M, A, 1, Q5TAG_END);");
  EXPECT_EQ(colour_diff(diff),
            "\033[1m--- a/f.c\033[m\n\033[1m+++ b/f.c\033[m\n\033[36m@@ -1,3 +1,3 @@\033[m\n"
            " x\r\n -- y\r\n\033[31m-Q5Do(o, M, A, 1, Q5TAG_END);\033[m\n"
            "\\ No newline at end of file\n\033[32m+Q5Do(o, M, Q5T(A, 1), Q5TAG_END);\033[m\n"
            "\\ No newline at end of file\n");
  EXPECT_EQ(colour_diff("--- a\r\n+++ b\r\n@@ x @@\r\n---\r\n+++"),
            "\033[1m--- a\033[m\r\n\033[1m+++ b\033[m\r\n\033[36m@@ x @@\033[m\r\n"
            "\033[31m---\033[m\r\n\033[32m+++\033[m");
  EXPECT_EQ(colour_diff(""), "");
}

}  // namespace
}  // namespace q5
