// The fast conversion pass against a plain, literal one: on every input
// both must write the same bytes and end the same way. The literal pass is
// checked first on the behaviours it exists to pin down, and the inputs are
// shown to catch a scanner that gets any one rule wrong.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "literal_scanner.h"
#include "engine/text/scanner.h"

namespace q5 {
namespace {

using namespace std::string_literals;
using literal::Fault;
using literal::ScanRun;

constexpr char kPath[] = "out.c";

// A call that visibly changes when converted.
const std::string kCall = "Q5SetAttrs(o, A, 1, Q5TAG_END);";
const std::string kConverted = "Q5SetAttrs(o, Q5T(A, 1), Q5TAG_END);";

std::string shown(const std::string& bytes) {
  std::string s;
  for (unsigned char c : bytes) {
    if (c == '\n')
      s += "\\n";
    else if (c == '\\')
      s += "\\\\";
    else if (c == '"')
      s += "\\\"";
    else if (c < 0x20 || c >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      s += hex;
    } else
      s += static_cast<char>(c);
  }
  return "\"" + s + "\"";
}

std::string outcome(const ScanRun& run) {
  std::string s = "bytes " + shown(run.bytes);
  if (run.failure)
    s += " / exit " + std::to_string(run.failure->exit_code) + " " + shown(run.failure->message);
  return s;
}

bool same(const ScanRun& a, const ScanRun& b) {
  if (a.bytes != b.bytes || a.failure.has_value() != b.failure.has_value()) return false;
  return !a.failure ||
         (a.failure->exit_code == b.failure->exit_code && a.failure->message == b.failure->message);
}

ScanRun fast(const std::string& text, std::size_t write_limit = literal::kUnlimited) {
  return literal::run_in_memory(scan_source, text, kPath, write_limit);
}

ScanRun slow(const std::string& text, Fault fault = Fault::None,
             std::size_t write_limit = literal::kUnlimited) {
  return literal::run_literal_in_memory(text, kPath, fault, write_limit);
}

// Hand-picked inputs, one or more per rule of the pass.
std::vector<std::string> tricky_cases() {
  const std::string call = kCall;
  std::vector<std::string> cases = {
      "",
      "plain text, no candidates\n",
      call,
      "x = 1;\n" + call.substr(0, call.size() - 1),
      "Q5Q5Do(o, m, A, 1, Q5TAG_END);",
      "Q5xQ5Do(o, m, A, 1, Q5TAG_END);",
      "XtVXtVaSetValues(w, R, 1, NULL);",
      "XtVaXtVaSetValues(w, R, 1, NULL);",
      "Q5", "XtVa", "Q", "X", "abc Q5", "a XtVa", "Q5Q5", "Q5SetAttrs", "Q5SetAttrs ",
      "Q5SetAttrs;(o, A, 1)", "MyQ5Do(o, m, A, 1, Q5TAG_END);",
      // String literals.
      "\"" + call + "\"",
      "x\"" + call + "\"\n" + call,
      "printf(\"say \\\"Q5SetAttrs(\\\" now\");\n" + call,
      "s = \"a\\\"b\"; " + call,
      "\\\"" + call,
      "a\\\"" + call,
      "\"\\\"" + call,
      "\n\"" + call + "\"",
      "\n\"\\\\\"" + call,
      "c = '\"'; " + call + "\n" + call + " s = \"x\"; " + call,
      "c = '\"';\n" + call,
      "a \"b\" \"c" + call + "\n\"" + call,
      "a \"" + call + "\n" + call + "\n\"" + call,
      "\"\"\"" + call + "\"",
      "x\"" + call,
      "x \"Q5 Q5 Q5\" " + call,
      "x \"XtVa\" XtVaSetValues(w, R, 1, NULL);",
      // Block comments.
      "/* Q5SetAttrs(a, b) */ " + call,
      "/* a */ /* " + call + " */",
      "/* a */ " + call + " /* b */",
      "*/ " + call + " /*",
      "/* " + call,
      "/*/ " + call + " */",
      "/**/" + call,
      "/* \"*/ " + call + " \" */",
      "/* a//b */ Q5Do(o, M, A, 1, Q5TAG_END);\n" + call,
      "/* // */ " + call + "\n",
      // Line comments.
      "// Q5 mention\n" + call,
      "s = \"//\"; " + call + "\n" + call,
      "x // " + call,
      "x // " + call + "\n" + call,
      "// /* \n " + call + " */",
      "// a */ /* " + call + " */ \n" + call,
      "/* // " + call + " */ " + call + "\n",
      "// \"\n" + call + "\"",
      "///\n" + call + "//\n",
      "a /* b */ // " + call + "\n/* " + call + " */ " + call,
      // NUL bytes.
      "Q5\0"s + call,
      "ab\0"s + call,
      "Q5SetAttrs(o, A\0, 1, Q5TAG_END);"s,
      "\"\0\""s + call,
      "/*\0*/"s + call,
      "//\0\n"s + call,
      "Q5\0//"s + call + "\n",
      "Q5\0/*"s + call + "*/",
      "Q5x/*\0Q5*/"s + call,
      call + "\0tail"s,
      call + "\0"s + call,
      "\0"s,
      "Q5\0"s,
      "\0Q5"s + call,
      "XtVa\0XtVaSetValues(w, R, 1, NULL);"s,
      "x\"Q5\0"s + call + "\"",
      "xQ5\0\""s + call,
      "xQ5\0\"Q5\0"s + call + "\"",
      "\"Q5\"\0"s + call,
      "// Q5\0\n"s + call,
      "// Q5\0Q5\n"s + call,
      "/* Q5\0Q5 */"s + call,
      // Line ends and backslashes.
      "Q5SetAttrs\r\n(o, A, 1, Q5TAG_END);\r\n",
      "a\r\nQ5SetAttrs(o, A, 1,\r\n Q5TAG_END);\r\n",
      "// c\r\n" + call + "\r\n",
      "Q5SetAttrs\\\n(o, A, 1, Q5TAG_END);",
      "Q5SetAttrs \t\n(o, A, 1, Q5TAG_END);",
      "#define S(o) Q5SetAttrs(o, \\\n A, 1, \\\n Q5TAG_END)\nnext",
      "Q5SetAttrs(o, A, 1, Q5TAG_END)  \\\n ;",
      // Directives, definitions, the Xt calls.
      "Q5SetAttrs(o,\n#ifdef X\n A, 1,\n#endif\n Q5TAG_END);",
      "XtVaSetValues(w,\n#if 0\n R, 1, NULL);",
      "int Q5Inherit(int a) { return 0; }",
      "int Q5SetAttrs(void *o, ...);",
      "XtVaSetValues(w, XmNwidth, 10, NULL);\nXtVaGetValues(w, XmNheight, &h, NULL);",
      "Q5TagGet(l, A, &a, Q5TAG_END);",
      // Failures.
      "Q5SetAttrs(o, \"abc",
      "Q5SetAttrs(o, A",
      "Q5SetAttrs(o, (A",
      "Q5SetAttrs(o, /* x",
      "Q5SetAttrs(o, // x",
      "Q5SetAttrs(o,\n#if 0",
      "x;\n" + call + "\nQ5SetAttrs(o, \"abc",
      "Q5SetAttrs(o, " + std::string(1100, 'a') + ");",
      "Q5SetAttrs(o, (" + std::string(1100, 'a') + "));",
      "Q5SetAttrs" + std::string(130, ' ') + "(o, A, 1, Q5TAG_END);",
  };
  std::string many = "Q5SetAttrs(o";
  for (int i = 0; i < 130; ++i) many += ", a";
  cases.push_back(many + ");");
  return cases;
}

// Deterministic texts from a token alphabet (splitmix64 keeps them the same
// on every platform).
class TextGenerator {
 public:
  explicit TextGenerator(std::uint64_t seed) : state_(seed) {}

  std::string next_text() {
    static const std::vector<std::string> tokens = {
        "Q5Do(", "Q5SetAttrs (", "Q5SetAttrs(", "XtVaSetValues(", "Q5TagGet(", "Q5Do2\\\n(",
        "Q5", "XtVa", "Q5TAG_END", "NULL", "0", ",", ",", "(", ")", ")", "\"", "\"", "\\\"",
        "'\"'", "/*", "*/", "//", "\n", "\n", "#if 0\n", "#endif\n", " ", " ", "a", "A1", "{",
        ";", "\\\n", "\r\n", "\\", "\0"s, "Q5Q5Do(", "o, m,",
        "Q5SetAttrs(o, A, 1, Q5TAG_END);", "XtVaSetValues(w, R, 1, NULL);",
        "Q5Do(o, m, A, 1, Q5TAG_END);",
    };
    std::string text;
    std::size_t count = below(40) + 1;
    if (below(20) == 0) count += below(200);
    for (std::size_t i = 0; i < count; ++i) text += tokens[below(tokens.size())];
    return text;
  }

 private:
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }

  std::uint64_t state_;
};

std::vector<std::string> random_texts(int count) {
  TextGenerator generator(20240611);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) texts.push_back(generator.next_text());
  return texts;
}

// --- The literal pass does what it is there to pin down. ---

TEST(LiteralScanner, ConvertsCallsAndCopiesEverythingElse) {
  EXPECT_EQ(slow("x;\n" + kCall + "\n").bytes, "x;\n" + kConverted + "\n");
  EXPECT_EQ(slow("no candidates here\n").bytes, "no candidates here\n");
  EXPECT_EQ(slow("a Q5A_Width b").bytes, "a Q5A_Width b");
}

TEST(LiteralScanner, FailedLookupResumesThreeBytesOn) {
  EXPECT_EQ(slow("Q5Q5" + kCall.substr(2)).bytes, "Q5Q5" + kCall.substr(2));
  EXPECT_EQ(slow("Q5x" + kCall).bytes, "Q5x" + kConverted);
}

TEST(LiteralScanner, StringLiteralsOnTheLineHideCalls) {
  EXPECT_EQ(slow("x\"" + kCall + "\"").bytes, "x\"" + kCall + "\"");
  // The text's first byte is never examined.
  EXPECT_NE(slow("\"" + kCall + "\"").bytes, "\"" + kCall + "\"");
  // An escaped quote does not count; a character literal's quote does.
  EXPECT_EQ(slow("s = \"a\\\"b\"; " + kCall).bytes, "s = \"a\\\"b\"; " + kConverted);
  // The odd quote of a character literal hides everything up to the next
  // quote, on whatever line.
  std::string quoted = "c = '\"'; " + kCall + "\n" + kCall + " \"x\" " + kCall;
  EXPECT_EQ(slow(quoted).bytes, "c = '\"'; " + kCall + "\n" + kCall + " \"x\" " + kConverted);
  // Only the candidate's own line is looked at.
  EXPECT_EQ(slow("x\"\n" + kCall).bytes, "x\"\n" + kConverted);
}

TEST(LiteralScanner, OnlyTheFirstCommentOfEachKindCounts) {
  EXPECT_EQ(slow("/* " + kCall + " */").bytes, "/* " + kCall + " */");
  EXPECT_EQ(slow("/* a */ /* " + kCall + " */").bytes, "/* a */ /* " + kConverted + " */");
  std::string hidden = "/* a//b */ " + kCall + "\n" + kCall;
  EXPECT_EQ(slow(hidden).bytes, "/* a//b */ " + kCall + "\n" + kConverted);
  std::string in_string = "s = \"//\"; " + kCall + "\n";
  EXPECT_EQ(slow(in_string).bytes, in_string);
  // No newline after "//", no "*/" after "/*": nothing is hidden.
  EXPECT_EQ(slow("x // " + kCall).bytes, "x // " + kConverted);
  EXPECT_EQ(slow("/* " + kCall).bytes, "/* " + kConverted);
}

TEST(LiteralScanner, SearchesStopAtNulButTheTailIsWhole) {
  std::string hidden = "ab\0"s + kCall + "\0z"s;
  EXPECT_EQ(slow(hidden).bytes, hidden);
  EXPECT_EQ(slow("Q5\0"s + kCall).bytes, "Q5\0"s + kConverted);
}

TEST(LiteralScanner, ReportsTheSplittersFailures) {
  ScanRun run = slow("x;\n" + kCall + "\nQ5SetAttrs(o, \"abc");
  ASSERT_TRUE(run.failure);
  EXPECT_EQ(run.failure->exit_code, ExitUnterminated);
  EXPECT_EQ(run.failure->message, "Unterminated string\n");
  EXPECT_EQ(run.bytes, "x;\n" + kConverted + "\n");
}

TEST(LiteralScanner, StopsAtTheFirstFailedWrite) {
  std::string text = "head;\n" + kCall + "\ntail\n";
  ScanRun run = slow(text, Fault::None, 3);
  ASSERT_TRUE(run.failure);
  EXPECT_EQ(run.failure->exit_code, ExitWriteFailed);
  EXPECT_EQ(run.failure->message, std::string("Cannot write to ") + kPath + "\n");
  EXPECT_EQ(run.bytes, "");
}

// --- The fast pass against the literal one. ---

void expect_same(const std::string& text, const char* what) {
  ScanRun expected = slow(text);
  ScanRun actual = fast(text);
  EXPECT_TRUE(same(expected, actual)) << what << " input " << shown(text) << "\n  literal: "
                                      << outcome(expected) << "\n  fast:    " << outcome(actual);
}

TEST(ScannerEquivalence, TrickyCases) {
  for (const std::string& text : tricky_cases()) expect_same(text, "tricky");
}

TEST(ScannerEquivalence, GeneratedTexts) {
  const int count = 10000;
  int converted = 0, failed = 0;
  for (const std::string& text : random_texts(count)) {
    ScanRun expected = slow(text);
    ScanRun actual = fast(text);
    ASSERT_TRUE(same(expected, actual)) << "input " << shown(text) << "\n  literal: "
                                        << outcome(expected) << "\n  fast:    " << outcome(actual);
    if (expected.failure)
      ++failed;
    else if (expected.bytes != text)
      ++converted;
  }
  // The alphabet must keep producing both conversions and failures, or the
  // comparison proves little.
  EXPECT_GT(converted, count / 10);
  EXPECT_GT(failed, count / 10);
}

// Texts of a few KiB, so that candidates, quotes and NULs fall on every
// position of the fast scanner's 64-byte blocks and 16-byte windows.
TEST(ScannerEquivalence, LongGeneratedTexts) {
  std::vector<std::string> pieces = random_texts(8000);
  for (std::size_t i = 0; i + 16 <= pieces.size(); i += 16) {
    std::string text;
    for (std::size_t k = i; k < i + 16; ++k) text += pieces[k] + (k % 3 == 0 ? " Q5A_Width; xQ5Do (" : "");
    ScanRun expected = slow(text);
    ScanRun actual = fast(text);
    ASSERT_TRUE(same(expected, actual)) << "input " << shown(text) << "\n  literal: "
                                        << outcome(expected) << "\n  fast:    " << outcome(actual);
  }
}

// Every write of the pass failing in turn: both stop at the same write with
// the same message and leave the same bytes behind.
TEST(ScannerEquivalence, WriteFailureAtEveryPoint) {
  std::vector<std::string> texts = tricky_cases();
  for (const std::string& text : random_texts(300)) texts.push_back(text);
  for (const std::string& text : texts) {
    std::size_t full = slow(text).bytes.size();
    for (std::size_t limit = 0; limit < full && limit < 400; ++limit) {
      ScanRun expected = slow(text, Fault::None, limit);
      ScanRun actual = fast(text, limit);
      ASSERT_TRUE(same(expected, actual))
          << "input " << shown(text) << " write limit " << limit << "\n  literal: "
          << outcome(expected) << "\n  fast:    " << outcome(actual);
    }
  }
}

// Each deliberately wrong scanner differs from the right one on some input,
// so the comparison above would catch a fast pass with that fault.
TEST(ScannerEquivalence, InputsCatchEveryKnownFault) {
  std::vector<std::string> texts = tricky_cases();
  for (const std::string& text : random_texts(6000)) texts.push_back(text);
  const Fault faults[] = {
      Fault::FirstByteExamined, Fault::EscapedQuotesCounted, Fault::WalkPastNewline,
      Fault::SearchThroughNul,  Fault::StepOneOnFailedLookup, Fault::LineTestFirst,
      Fault::AnyBlockComment,   Fault::NoLineCommentTest,     Fault::TailUpToNul,
  };
  for (Fault fault : faults) {
    bool caught = false;
    for (const std::string& text : texts) {
      if (!same(slow(text), slow(text, fault))) {
        caught = true;
        break;
      }
    }
    EXPECT_TRUE(caught) << "no input tells fault " << static_cast<int>(fault) << " apart";
  }
}

}  // namespace
}  // namespace q5
