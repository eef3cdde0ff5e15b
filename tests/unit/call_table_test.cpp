// The one-probe lookup against the table walked in order, on every name
// and its near misses, with the text ending right after them or going on.
#include "engine/call_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "literal_scanner.h"

namespace q5 {
namespace {

std::vector<std::string> near_misses(std::string_view name) {
  std::string n(name);
  std::vector<std::string> texts = {n + "(", n + " \t\\\r\n(", n + "x(", n + "_(", n + "0(",
                                    n + ";", n + " x(", n, n.substr(0, n.size() - 1) + "(",
                                    "Q5" + n + "(", n + n + "("};
  for (std::size_t i = 0; i < n.size(); ++i) {
    std::string changed = n;
    changed[i] = static_cast<char>(changed[i] ^ 0x20);  // case flipped, or a digit turned
    texts.push_back(changed + "(");
    changed[i] = '\0';
    texts.push_back(changed + "(");
  }
  return texts;
}

TEST(CallTable, LookupAgreesWithTheTableWalk) {
  int found = 0;
  for (const CallEntry& entry : call_table()) {
    for (const std::string& miss : near_misses(entry.name)) {
      // Short texts take the byte-by-byte path, long ones the vector one.
      for (const std::string& tail : {std::string(), std::string(40, ' '), std::string(40, 'a')}) {
        std::string text = "  " + miss + tail;
        int expected = literal::lookup_literally(text, 2);
        EXPECT_EQ(lookup_call(text, 2), expected) << text;
        found += expected >= 0;
      }
    }
  }
  // Each name is found in its plain and its blank-separated form at least.
  EXPECT_GE(found, static_cast<int>(call_table().size()) * 2 * 3);
}

}  // namespace
}  // namespace q5
