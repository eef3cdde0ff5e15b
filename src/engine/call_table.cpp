#include "engine/call_table.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "base/byte_masks.h"

namespace q5 {

namespace {

// Every name starts with "Q5" or "XtVa": the scanner finds candidates by
// exactly those two prefixes.
constexpr CallEntry kCallTable[] = {
    {"Q5SetAttrs", Family::TagList, 1},
    {"Q5GetAttrs", Family::TagList, 1},
    {"Q5SetClassAttrs", Family::TagList, 1},
    {"Q5GetClassAttrs", Family::TagList, 1},
    {"Q5Do", Family::TagList, 2},
    {"Q5Do2", Family::TagList, 3},
    {"Q5Do3", Family::TagList, 4},
    {"Q5DoSuper", Family::TagList, 3},
    {"Q5DoSuper2", Family::TagList, 4},
    {"Q5DoSuper3", Family::TagList, 5},
    {"Q5SendMsg", Family::TagList, 2},
    {"Q5SendMsg2", Family::TagList, 3},
    {"Q5SendMsg3", Family::TagList, 4},
    {"Q5SendEMsg", Family::TagList, 2},
    {"Q5SendEMsg2", Family::TagList, 3},
    {"Q5SendEMsg3", Family::TagList, 4},
    {"Q5DoE", Family::TagList, 2},
    {"Q5DoE2", Family::TagList, 3},
    {"Q5DoE3", Family::TagList, 4},
    {"Q5SendClassMsg", Family::TagList, 2},
    {"Q5SendClassMsg2", Family::TagList, 3},
    {"Q5SendClassMsg3", Family::TagList, 4},
    {"Q5DoClass", Family::TagList, 2},
    {"Q5DoClass2", Family::TagList, 3},
    {"Q5DoClass3", Family::TagList, 4},
    {"Q5New", Family::TagList, 1},
    {"Q5ObjectCreate", Family::TagList, 1},
    {"Q5AltObjectCreate", Family::TagList, 2},
    {"Q5ObjectLoad", Family::TagList, 1},
    {"Q5ObjectSave", Family::TagList, 1},
    {"Q5ClassCreate", Family::TagList, 4},
    {"Q5TagGet", Family::TagGet, 1},
    {"Q5TagSet", Family::TagList, 1},
    {"Q5TagCopy", Family::TagList, 1},
    {"Q5TagConcat", Family::TagList, 1},
    {"Q5AppCreate", Family::TagList, 2},
    {"Q5ProcessEvents", Family::TagList, 2},
    {"Q5Inherit", Family::TagList, 3},
    {"Q5Inherit2", Family::TagList, 4},
    {"Q5Inherit3", Family::TagList, 5},
    {"XtVaCreateManagedWidget", Family::Xt, 3},
    {"XtVaCreateWidget", Family::Xt, 3},
    {"XtVaGetValues", Family::Xt, 1},
    {"XtVaSetValues", Family::Xt, 1},
};

// Whether some name goes on with these two bytes after its prefix ("Q5" or
// "XtVa" share their first two): a cheap first test that most candidates fail.
constexpr std::array<std::array<bool, 256>, 256> make_name_starts() {
  std::array<std::array<bool, 256>, 256> table{};
  for (const CallEntry& entry : kCallTable)
    table[static_cast<unsigned char>(entry.name[2])][static_cast<unsigned char>(entry.name[3])] =
        true;
  return table;
}

constexpr auto kNameStarts = make_name_starts();

constexpr std::size_t longest_name() {
  std::size_t longest = 0;
  for (const CallEntry& entry : kCallTable) longest = std::max(longest, entry.name.size());
  return longest;
}

constexpr CallEntry kConvertedTagGet{"Q5TagGetS", Family::Converted, 1};

constexpr std::size_t kLongest = longest_name();

// One probe decides which row an identifier can be: a hash of its first
// eight bytes, its length and its last byte, with a multiplier chosen so
// that the 44 names fall in 44 different slots of 128 (checked below; a new
// row may need a new multiplier). Names are at least four bytes long.
constexpr std::uint64_t kHashMultiplier = 0x076e003e1c751885;
constexpr int kHashBits = 7;

constexpr std::uint64_t name_key(std::uint64_t first_eight, std::size_t length,
                                 unsigned char last) {
  return first_eight ^ (std::uint64_t{length} << 56) ^ (std::uint64_t{last} << 48);
}

constexpr unsigned name_slot(std::uint64_t key) {
  return static_cast<unsigned>((key * kHashMultiplier) >> (64 - kHashBits));
}

constexpr std::uint64_t first_eight_of(std::string_view name) {
  std::uint64_t word = 0;
  for (std::size_t i = 0; i < 8 && i < name.size(); ++i)
    word |= std::uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
  return word;
}

constexpr unsigned slot_of(std::string_view name) {
  return name_slot(
      name_key(first_eight_of(name), name.size(), static_cast<unsigned char>(name.back())));
}

struct SlotTable {
  std::array<signed char, std::size_t{1} << kHashBits> rows{};
  bool perfect = true;
};

constexpr SlotTable make_slots() {
  SlotTable table;
  for (signed char& row : table.rows) row = -1;
  for (int row = 0; row < static_cast<int>(std::size(kCallTable)); ++row) {
    signed char& slot = table.rows[slot_of(kCallTable[row].name)];
    if (slot >= 0 || kCallTable[row].name.size() < 4) table.perfect = false;
    slot = static_cast<signed char>(row);
  }
  return table;
}

constexpr SlotTable kSlots = make_slots();
static_assert(kSlots.perfect, "two call names share a hash slot: choose another multiplier");

// The row named exactly by rest[0, length), or -1.
int row_named(std::string_view rest, std::size_t length) {
  if (length < 4) return -1;
  std::uint64_t word;
  std::memcpy(&word, rest.data(), 8);  // rest holds at least 8 bytes here
  if (length < 8) word &= (std::uint64_t{1} << (8 * length)) - 1;
  int row =
      kSlots.rows[name_slot(name_key(word, length, static_cast<unsigned char>(rest[length - 1])))];
  if (row < 0 || kCallTable[row].name != rest.substr(0, length)) return -1;
  return row;
}

}  // namespace

std::span<const CallEntry> call_table() { return kCallTable; }

int row_of_name(std::string_view name) {
  if (name.size() < 4 || name.size() > kLongest) return -1;
  char padded[8] = {};
  if (name.size() < 8) {
    std::memcpy(padded, name.data(), name.size());
    int row = row_named(std::string_view(padded, 8), name.size());
    return row >= 0 && kCallTable[row].name == name ? row : -1;
  }
  return row_named(name, name.size());
}

const CallEntry* lookup_converted_call(std::string_view text, std::size_t candidate) {
  std::string_view name = kConvertedTagGet.name;
  if (text.substr(candidate, name.size()) != name) return nullptr;
  std::size_t p = candidate + name.size();
  while (p < text.size() && is_call_blank(text[p])) ++p;
  return p < text.size() && text[p] == '(' ? &kConvertedTagGet : nullptr;
}

// A name matches only when a blank or "(" follows it, and neither can be
// part of an identifier: so the one row that can match is the one named by
// the whole identifier at the candidate. Most candidates (tags such as
// Q5A_Width) are then rejected without comparing any name.
int lookup_call(std::string_view text, std::size_t candidate) {
  std::string_view rest = text.substr(candidate);
  if (rest.size() >= 18) {
    // The first byte after the prefix that is neither an identifier byte
    // nor a blank must be "(": one look at sixteen bytes settles most
    // candidates that are not calls.
    masks::Bytes16 v = masks::load16(rest.data() + 2);
    unsigned other = ~(masks::identifier_bytes(v) | masks::call_blank_bytes(v)) & 0xffff;
    if (other != 0 && ((masks::equal(v, '(') >> __builtin_ctz(other)) & 1) == 0) return -1;
  }
  if (rest.size() < 4 ||
      !kNameStarts[static_cast<unsigned char>(rest[2])][static_cast<unsigned char>(rest[3])])
    return -1;
  std::size_t length = 0;
  if (rest.size() >= 32) {
    // The identifier's length from two 16-byte classifications.
    std::uint32_t identifier = masks::identifier_bytes(masks::load16(rest.data())) |
                               masks::identifier_bytes(masks::load16(rest.data() + 16)) << 16;
    length = identifier == ~std::uint32_t{0} ? 32 : __builtin_ctz(~identifier);
  } else {
    while (length < rest.size() && length <= kLongest && is_name_byte(rest[length])) ++length;
  }
  if (length > kLongest) return -1;

  std::size_t p = length;
  while (p < rest.size() && is_call_blank(rest[p])) ++p;
  if (p == rest.size() || rest[p] != '(') return -1;

  if (rest.size() >= 8) return row_named(rest, length);
  std::string_view identifier = rest.substr(0, length);
  for (int row = 0; row < static_cast<int>(std::size(kCallTable)); ++row)
    if (kCallTable[row].name == identifier) return row;
  return -1;
}

}  // namespace q5
