// The refusal test for converted files, searched sixteen bytes at a time.
#include "io/converted.h"

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

}  // namespace
}  // namespace q5
