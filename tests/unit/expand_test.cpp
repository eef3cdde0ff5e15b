// How many list arguments an argument becomes once cpp has expanded it.
// Every count here is what gcc -E gives for the same definitions.
#include "engine/reader/expand.h"

#include <gtest/gtest.h>

#include <string>

namespace q5 {
namespace {

MacroTable table_of(std::string_view text) {
  MacroSet set;
  collect_macros(text, "input.c", set);
  return resolve_macros(std::move(set));
}

ArgShape shape(const MacroTable& table, std::string_view arg) {
  const std::vector<Token> tokens = lex(arg, 0, arg.size(), false);
  ExpandBudget budget{1u << 20};
  return argument_shape(arg, tokens, table, budget);
}

constexpr std::string_view kDefinitions =
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
    "/* #define COMMENTED a, b */\n"
    "#define ID(x) x\n"
    "#define TWO a, b\n"
    "#define CAT(a, b) a ## b\n"
    "#define STR(x) #x\n"
    "#define NAMED(args...) args\n"
    "#define COMMA(x, ...) x, ## __VA_ARGS__\n"
    "#define ALIAS PAIR\n"
    "#define NEST XtVaNestedList\n"
    "#define OPEN (\n"
    "%:define DIGRAPH a, b\n"
    "# /* c */ define COMMENTED_NAME a, b, c\n"
    "#define PASTE_COMMA(x) x ## ,\n"
    "#define DOUBLED(x) x, x\n"
    "#undef UNDONE\n#define UNDONE a, b\n#undef UNDONE\n#define UNDONE a, b\n";

TEST(ArgumentShape, CountsAsThePreprocessorExpands) {
  const MacroTable table = table_of(kDefinitions);
  struct Case {
    const char* arg;
    int pieces;  // -1: not known for sure
    bool pair = false;
    std::string_view special = {};
  };
  const Case cases[] = {
      {"TYPED(\"x\")", 5, false, "XtVaTypedArg"},
      {"AGAIN", 5, false, "XtVaTypedArg"},
      {"PAIR(a, 1)", 2},
      {"CALLED", 1},
      {"EMPTY", 0},
      {"SPLICED", 2},
      {"WRAPPED", 1, true},
      {"VARIADIC(a, b, c)", 3},
      {"TWICE", -1},  // its definitions disagree
      {"SAME", 1},    // they differ, but each is one argument
      {"LOOP", -1},   // refers to itself
      {"COMMENTED", 1},
      {"TYPED", 1},  // a function-like macro's name alone
      {"ID(TWO)", 2},  // arguments are expanded before substitution
      {"ID(ID(ID(x)))", 1},
      {"CAT(PA, IR)(a, b)", 2},
      {"CAT(TW, O)", 2},
      {"STR(TWO)", 1},
      {"NAMED(a, b, c)", 3},
      {"COMMA(a)", 1},
      {"COMMA(a, b)", 2},
      {"ALIAS(a, b)", 2},
      {"NEST", 1, false, "XtVaNestedList"},
      {"OPEN", -1},
      {"DIGRAPH", 2},
      {"COMMENTED_NAME", 3},
      {"PASTE_COMMA(a)", -1},  // "a," is no token
      {"DOUBLED(TWO)", 4},
      {"UNDONE", 2},
      {"f(TWO)", 1},
      {"(int[]){TWO}", 1},
      {"x <: 0 :> + TWO", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg);
    const ArgShape s = shape(table, c.arg);
    if (c.pieces < 0) {
      EXPECT_EQ(s.status, ShapeStatus::Unsure) << s.pieces;
      EXPECT_FALSE(s.reason.empty());
      continue;
    }
    ASSERT_EQ(s.status, ShapeStatus::Known) << s.reason;
    EXPECT_EQ(s.pieces, c.pieces);
    EXPECT_EQ(s.pair, c.pair);
    EXPECT_EQ(s.special, c.special);
  }
  const ArgShape spliced = shape(table, "SPLICED");
  EXPECT_EQ(spliced.macro, "SPLICED");
  EXPECT_EQ(spliced.where, "input.c:6");
}

// Past the reader's bounds the answer is "too complex", quickly.
TEST(ArgumentShape, BoundsTheWorkOnAnyInput) {
  std::string chain;
  for (int k = 0; k < 100000; ++k)
    chain += "#define C" + std::to_string(k) + " C" + std::to_string(k + 1) + "\n";
  chain += "#define C100000 a, b\n";
  const MacroTable table = table_of(chain);
  EXPECT_EQ(shape(table, "C0").pieces, 2);

  std::string deep;
  for (int k = 0; k < 100; ++k) deep += "ID(";
  deep += "x";
  for (int k = 0; k < 100; ++k) deep += ")";
  EXPECT_EQ(shape(table_of("#define ID(x) x\n"), deep).status, ShapeStatus::TooComplex);

  const MacroTable doubling = table_of(
      "#define D0 x\n#define D1 D0 D0\n#define D2 D1 D1\n#define D3 D2 D2\n#define D4 D3 D3\n"
      "#define D5 D4 D4\n#define D6 D5 D5\n#define D7 D6 D6\n#define D8 D7 D7\n#define D9 D8 D8\n"
      "#define E0 D9 D9\n#define E1 E0 E0\n#define E2 E1 E1\n#define E3 E2 E2\n#define E4 E3 E3\n"
      "#define E5 E4 E4\n#define E6 E5 E5\n#define E7 E6 E6\n#define E8 E7 E7\n#define E9 E8 E8\n");
  EXPECT_EQ(shape(doubling, "E9").status, ShapeStatus::TooComplex);
}

}  // namespace
}  // namespace q5
