// The rewriters on argument lists built by hand: the cases a golden file
// cannot reach (fewer arguments than the fixed ones, exact failure messages
// of every write).
#include "engine/text/rewriters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/text/splitter.h"

namespace q5 {
namespace {

ArgumentList make_list(const std::vector<std::string>& texts) {
  ArgumentList list;
  for (const std::string& text : texts) {
    list.starts[list.count++] = list.chars.size();
    list.chars += text;
  }
  list.starts[list.count] = list.chars.size();
  return list;
}

struct Rewritten {
  std::string text;
  MaybeFailure failure;
};

// An output that takes at most `capacity` bytes, so the write that crosses
// it fails.
Rewritten rewrite(Family family, std::string_view name, const std::vector<std::string>& args,
                  int fixed_count, std::size_t capacity = 4096) {
  Output out = memory_output("out.c");
  out.write_limit = capacity;
  ArgumentList list = make_list(args);
  CallPlan plan;
  rewrite_call(family, name, list, fixed_count, plan, out);
  return {out.memory, out.failure};
}

TEST(Rewriters, FewerArgumentsThanFixedOnesUseOnlyThoseGiven) {
  EXPECT_EQ(rewrite(Family::TagList, "Q5DoSuper3", {"o"}, 5).text, "Q5DoSuper3(o,)");
  EXPECT_EQ(rewrite(Family::Xt, "XtVaCreateWidget", {"\"n\"", " c"}, 3).text,
            "XtVaCreateWidget(\"n\", c,)");
}

TEST(Rewriters, ContinuedLineCountsAsLeadingBlank) {
  EXPECT_EQ(rewrite(Family::TagList, "Q5SetAttrs", {"o", " \\\n  A", " 1", " \\\n  Q5TAG_END"}, 1).text,
            "Q5SetAttrs(o, \\\n  Q5T(A, 1), \\\n  Q5TAG_END)");
  EXPECT_EQ(rewrite(Family::TagList, "Q5ClassCreate",
                    {"a", "b", "c", "d", "\\\n Q5DEFAULTCLASSTAGS", " A", " 1"}, 4).text,
            "Q5ClassCreate(a,b,c,d,\\\n Q5DEFAULTCLASSTAGS, Q5T(A, 1))");
  // A backslash not followed by a newline is not a blank.
  EXPECT_EQ(rewrite(Family::TagList, "Q5SetAttrs", {"o", " \\A", " 1"}, 1).text,
            "Q5SetAttrs(o, Q5T(\\A, 1))");
}

TEST(Rewriters, CarriageReturnIsABlankLikeNewline) {
  EXPECT_EQ(rewrite(Family::TagList, "Q5SetAttrs", {"o", "\r\nA", " 1"}, 1).text,
            "Q5SetAttrs(o,\r\nQ5T(A, 1))");
  EXPECT_EQ(rewrite(Family::TagList, "Q5SetAttrs", {"o", "\r\nQ5TAG_END"}, 1).text,
            "Q5SetAttrs(o,\r\nQ5TAG_END)");
  EXPECT_EQ(rewrite(Family::TagList, "Q5SetAttrs", {"o", " \\\r\n  A", " 1"}, 1).text,
            "Q5SetAttrs(o, \\\r\n  Q5T(A, 1))");
}

TEST(Rewriters, DirectiveBeforeTerminatorWhereTerminatorIsFoundAnywhere) {
  EXPECT_EQ(rewrite(Family::Xt, "XtVaSetValues", {"w", "\n#if 0\n", "\n R", " 1", " NULL"}, 1).text,
            "XtVaSetValues(w,\n#if 0\n\n Q5LT(R, 1),(char *) NULL)");
  EXPECT_EQ(rewrite(Family::TagGet, "Q5TagGet", {"t", "\n#ifdef Q5TAG_END\n", "\n A", " &a", " Q5TAG_END"}, 1).text,
            "Q5TagGetS(t,\n#ifdef Q5TAG_END\n\n Q5ST(A, &a), Q5TAG_END)");
  // The tag-list terminator is a prefix test, made before the directive test.
  EXPECT_EQ(rewrite(Family::TagList, "Q5SetAttrs", {"o", " Q5TAG_END #if", " A", " 1"}, 1).text,
            "Q5SetAttrs(o, Q5TAG_END #if)");
}

TEST(Rewriters, EachWriteFailureNamesWhatFailed) {
  // Q5TagGetS(tags, Q5ST(A, &x), Q5TAG_END) written piece by piece; a
  // stream that fills up at each byte shows which write reports what.
  const std::vector<std::string> args = {"tags", " A", " &x", " Q5TAG_END"};
  const std::string whole = "Q5TagGetS(tags, Q5ST(A, &x), Q5TAG_END)";
  ASSERT_EQ(rewrite(Family::TagGet, "Q5TagGet ", args, 1).text, whole);

  struct Step {
    std::size_t written;  // bytes already out when the failing write starts
    const char* message;
  };
  const Step steps[] = {
      {0, "Cannot write Q5TagGetS\n"},       {9, "Cannot write name Q5TagGetS\n"},
      {10, "Cannot write 'tags'\n"},         {14, "Cannot write ','\n"},
      {15, "Cannot indent param  A\n"},      {16, "Cannot write param  A\n"},
      {21, "Cannot write 'A'\n"},            {22, "Cannot write ','\n"},
      {23, "Cannot write ' &x'\n"},          {26, "Cannot write param Q5TagGet \n"},
      {27, "Cannot write ','\n"},            {28, "Cannot write ' Q5TAG_END'\n"},
      {38, "Cannot write ')'\n"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.message);
    Rewritten r = rewrite(Family::TagGet, "Q5TagGet ", args, 1, step.written);
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->exit_code, ExitWriteFailed);
    EXPECT_EQ(r.failure->message, step.message);
    // Nothing after the failed write reaches the output.
    EXPECT_EQ(r.text, whole.substr(0, step.written));
  }
}

TEST(Rewriters, XtCastFailureIsReportedLikeText) {
  Rewritten r = rewrite(Family::Xt, "XtVaGetValues", {"w", " NULL"}, 1, 16);
  ASSERT_TRUE(r.failure);
  EXPECT_EQ(r.failure->message, "Cannot write '(char *)'\n");
}

}  // namespace
}  // namespace q5
