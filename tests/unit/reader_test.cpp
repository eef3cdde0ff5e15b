// The fast reader against the plain one (every token lexed): on translation
// phases' corners, with the stops each must find, and on random mixes of
// those corners.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "simple_reader.h"

namespace q5 {
namespace {

using simple::Stop;
using namespace std::string_literals;

std::string shown(const std::vector<Stop>& stops) {
  std::string s;
  for (const Stop& stop : stops)
    s += (stop.kind == CodeStop::Name ? "name@" : "directive@") + std::to_string(stop.at) + " ";
  return s;
}

// A case's text with "`" before each name the readers must stop at and "@"
// before each directive; what the markers mark, and the text without them.
std::vector<Stop> marked(std::string& text) {
  std::vector<Stop> stops;
  std::string plain;
  for (char c : text) {
    if (c == '`' || c == '@')
      stops.push_back({c == '`' ? CodeStop::Name : CodeStop::Directive, plain.size()});
    else
      plain += c;
  }
  text = plain;
  return stops;
}

TEST(Reader, FindsNamesAndDirectivesAsThePreprocessorSeesThem) {
  const std::string cases[] = {
      "`XtVaSetValues(w);",
      "foo\\\nXtVaSetValues(w); foo\\ \t\nQ5Do(o);",  // a splice joins the names
      "`XtVa\\\nSetValues(w); `Q\\\r\n5Do(o);",
      "// c \\\nXtVa(w);\n`Q5Do;",  // the comment goes on after a splice
      "// c \\  \nXtVa(w);\n`Q5Do;",
      "/* c *\\\n/ `XtVa(w);",
      "/\\\n* XtVa */ `Q5;",
      "/\\\n/ XtVa\n`Q5;",
      "@#define A\n",
      "  /* c */ @# /* d */ define A\n",
      "int x; /* a\nb */ # define Y\n",  // the line began with code
      "/* a\nb */ @#define Y\n",
      "@%:define Y\n@%: define Z\n%:%: x\n## y\n%\\\n:%\\\n: z\n",
      "\f\v @#x\n",
      "a\\\n#b\n",      // the splice puts the '#' on a's line
      "a\\\n%:\\\n%:",  // both on a's line
      "\"XtVa(\" `XtVa; \"a\\\"XtVa\" `Q5;",
      "R\"x(XtVa()\\\n)\" Q5)x\" `Q5; LR\"(Q5)\" u8R\"-(X)-\" `X;",
      "'\\'' `Q5 '\"' `XtVa",
      "1.XtVa x.`XtVa 1e+XtVa a-`XtVa .5p-Q5 0x1Q5",
      "a\r@#b\r`Q5\r\n@#c\r\n",
      "\"abc\\\nXtVa\" `Q5 'x\\\n' `Q5",
      "@#define M \\\n  `XtVa(w)\n@#undef M\n",
      "x # y\n@#\n  @#  \n",
      "`Q5",
      "`X",
      "`Q5\0`Q5"s,
      "\"unterminated XtVa\n`Q5 'x\n`X",
      "/* never closed X",
  };
  for (std::string text : cases) {
    SCOPED_TRACE(text);
    const std::vector<Stop> expected = marked(text);
    EXPECT_EQ(shown(simple::stops_by_tokens(text)), shown(expected));
    EXPECT_EQ(shown(simple::stops_by_cursor(text)), shown(expected));
  }
}

TEST(Reader, FastAndPlainAgreeOnRandomMixes) {
  static const char* const kPieces[] = {
      "Q5", "XtVa", "Q",  "X",  "#",      "%:", "%", ":",  "/",  "*",  "\\\n", "\\ \n", "\\", "\r",
      "\n", "\"",   "'",  "R",  "u8",     "(",  ")", "1.", "e+", " ",  "x",    "<:",    "\t", "\f",
      "/*", "*/",   "//", "##", "\\\r\n", ".",  "-", "0",  "_",  "\0", "L",    "U",
  };
  std::mt19937 random(1);
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1), length(0, 40);
  for (int n = 0; n < 20000; ++n) {
    std::string text;
    for (std::size_t k = length(random); k > 0; --k) {
      const char* p = kPieces[piece(random)];
      text.append(p, *p == '\0' ? 1 : std::char_traits<char>::length(p));
    }
    std::string escaped;
    for (char c : text)
      escaped += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\0' ? "\\0" : std::string(1, c);
    ASSERT_EQ(shown(simple::stops_by_cursor(text)), shown(simple::stops_by_tokens(text)))
        << escaped;
    // With aliases whose names start as literals' prefixes do.
    ASSERT_EQ(shown(simple::stops_by_cursor(text, "RLUux_")),
              shown(simple::stops_by_tokens(text, "RLUux_")))
        << escaped;
  }
}

}  // namespace
}  // namespace q5
