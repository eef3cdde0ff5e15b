// The refusal test for converted files, searched sixteen bytes at a time.
#include "driver/run.h"

#include <gtest/gtest.h>

#include <string>

namespace q5 {
namespace {

TEST(IsConvertedAlready, FindsThePairMacroAtEveryOffset) {
  for (std::size_t length = 0; length < 40; ++length) {
    for (std::size_t at = 0; at + 4 <= length; ++at) {
      std::string text(length, 'Q');  // dense near-misses around it
      text.replace(at, 4, "Q5T(");
      EXPECT_TRUE(is_converted_already(text)) << "length " << length << " at " << at;
    }
    EXPECT_FALSE(is_converted_already(std::string(length, 'Q'))) << "length " << length;
  }
}

TEST(IsConvertedAlready, NearMissesAndNulBytes) {
  EXPECT_FALSE(is_converted_already("Q5T (  Q5LT(  Q5ST(  Q5TT(  q5T(  Q5t( Q(((((((((("));
  EXPECT_TRUE(is_converted_already("/* Q5T( in a comment */"));
  // The search stops at the first NUL, like a C string.
  EXPECT_FALSE(is_converted_already(std::string("abcdefghijkl\0Q5T(", 17)));
  EXPECT_TRUE(is_converted_already(std::string("abcdefghQ5T(\0", 13)));
}

TEST(IsConvertedAlready, TwoThreadsAgreeAroundTheMiddle) {
  // A pair macro and a NUL placed at and around the halves' seam, and far
  // from it, in either order.
  const std::size_t size = 4096;
  for (std::size_t macro : {std::size_t{10}, size / 2 - 5, size / 2 - 3, size / 2 - 2, size / 2,
                            size / 2 + 1, size - 4}) {
    for (std::size_t nul : {std::size_t{0}, std::size_t{5}, size / 2 - 1, size / 2 + 2, size - 1,
                            size}) {
      std::string text(size, 'Q');
      text.replace(macro, 4, "Q5T(");
      if (nul < size) text[nul] = '\0';
      EXPECT_EQ(is_converted_already_on_two_threads(text), is_converted_already(text))
          << "macro " << macro << " nul " << nul;
    }
  }
}

}  // namespace
}  // namespace q5
