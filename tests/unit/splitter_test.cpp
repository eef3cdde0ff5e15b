// Splitting one call's argument list: what each argument text holds, and
// how the list's failures are reported.
#include "engine/text/splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace q5 {
namespace {

struct Split {
  std::vector<std::string> args;
  std::size_t end = 0;
  MaybeFailure failure;
};

// Splits the list that follows the first "(" of `text`.
Split split(std::string_view text) {
  ArgumentList list;
  SplitResult result = split_arguments(text, text.find('(') + 1, list);
  Split out{{}, result.end, result.failure};
  if (!result.failure)
    for (int i = 0; i < list.count; ++i) out.args.emplace_back(argument_at(list, i));
  return out;
}

using Args = std::vector<std::string>;

TEST(SplitArguments, KeepsLeadingBlanksAndDropsSeparators) {
  Split s = split("f(obj, Q5A_Width, 100,\n\tQ5TAG_END);");
  EXPECT_EQ(s.args, (Args{"obj", " Q5A_Width", " 100", "\n\tQ5TAG_END"}));
  EXPECT_EQ(s.end, std::string_view("f(obj, Q5A_Width, 100,\n\tQ5TAG_END)").size());
}

TEST(SplitArguments, EmptyListIsOneEmptyArgument) {
  EXPECT_EQ(split("f()").args, (Args{""}));
  EXPECT_EQ(split("f(a,,b)").args, (Args{"a", "", "b"}));
}

TEST(SplitArguments, GroupsAndLiteralsStayWhole) {
  EXPECT_EQ(split("f(w, h(2, 3), \"x,y)\", (a, \"b\"))").args,
            (Args{"w", " h(2, 3)", " \"x,y)\"", " (a, \"b\")"}));
  EXPECT_EQ(split(R"(f(a, "say \"hi, there\"", b))").args,
            (Args{"a", R"( "say \"hi, there\"")", " b"}));
}

TEST(SplitArguments, CommentsVanishOutsideGroups) {
  EXPECT_EQ(split("f(a, /* x, y */ b, c // d, e\n, g)").args,
            (Args{"a", "  b", " c \n", " g"}));
  // Inside a group nothing is special: a ")" in a comment closes it.
  EXPECT_EQ(split("f(a, (b /* ) */), c)").args, (Args{"a", " (b /* ) */"}));
}

TEST(SplitArguments, PreprocessorLineIsItsOwnArgument) {
  EXPECT_EQ(split("f(o,\n#ifdef X, (Y\n  A, 1)").args,
            (Args{"o", "\n#ifdef X, (Y\n", "\n  A", " 1"}));
  // A "#" in the middle of an argument starts the line too (token pasting).
  EXPECT_EQ(split("f(a ## b, c\n)").args, (Args{"a ## b, c\n", "\n"}));
}

TEST(SplitArguments, BackslashesAreKept) {
  EXPECT_EQ(split("f(o, \\\n  A, '\\t')").args, (Args{"o", " \\\n  A", " '\\t'"}));
}

TEST(SplitArguments, CharacterLiteralsGetNoSpecialTreatment) {
  EXPECT_EQ(split("f(o, A, ',', Q5TAG_END)").args, (Args{"o", " A", " '", "'", " Q5TAG_END"}));
}

TEST(SplitArguments, ArgumentLimits) {
  std::string at_limit(kMaxArgumentLength, 'x');
  EXPECT_EQ(split("f(" + at_limit + ")").args, (Args{at_limit}));

  Split over = split("f(" + at_limit + "y)");
  ASSERT_TRUE(over.failure);
  EXPECT_EQ(over.failure->exit_code, ExitBadInput);
  EXPECT_EQ(over.failure->message, "ERROR: Too long parameter name\n" + at_limit + "\n");

  // Inside a group, holding 1023 characters is already too many; the message
  // shows the source from the group's "(".
  std::string group = "(" + std::string(kMaxArgumentLength - 2, 'g') + ")";
  EXPECT_FALSE(split("f(" + group.substr(0, group.size() - 2) + "))").failure);
  Split in_group = split("f(" + group + ")");
  ASSERT_TRUE(in_group.failure);
  EXPECT_EQ(in_group.failure->message, "ERROR: Too long parameter name\n" + group + "\n");
}

TEST(SplitArguments, ArgumentCountLimit) {
  std::string list = "f(a";
  for (int i = 1; i < kMaxArguments; ++i) list += ",a";
  EXPECT_EQ(split(list + ")").args.size(), static_cast<std::size_t>(kMaxArguments));
  Split over = split(list + ",a)");
  ASSERT_TRUE(over.failure);
  EXPECT_EQ(over.failure->exit_code, ExitBadInput);
  EXPECT_EQ(over.failure->message, "ERROR: Too many parameters\n");
}

TEST(SplitArguments, TextEndingInsideTheListIsReported) {
  for (std::string_view text : std::initializer_list<std::string_view>{"f(a, b", "f(a, (b", "f(a, /* b", "f(a, // b", "f(a,\n#if X",
                                std::string_view("f(a, \0 b)", 10)}) {
    SCOPED_TRACE(text);
    Split s = split(text);
    ASSERT_TRUE(s.failure);
    EXPECT_EQ(s.failure->exit_code, ExitUnterminated);
    EXPECT_EQ(s.failure->message, "Unterminated parameter list\n");
  }
  Split string = split("f(a, \"b)");
  ASSERT_TRUE(string.failure);
  EXPECT_EQ(string.failure->exit_code, ExitUnterminated);
  EXPECT_EQ(string.failure->message, "Unterminated string\n");
}

}  // namespace
}  // namespace q5
