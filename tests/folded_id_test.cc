// The case-blind comparison of instance ids, against the byte-by-byte answer: every pair of byte values, at
// every place of an id.
#include "folded_id.h"

#include <gtest/gtest.h>

#include <string>

namespace devlist::model {
namespace {

char UpperByte(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

TEST(FoldedId, EqualExactlyWhenTheBytesUpperCaseAlikeAndThenHashAlike) {
  const FoldedIdHash hash;
  const FoldedIdEqual equal;
  for (std::size_t place = 0; place < 12; ++place) {
    for (int value = 0; value < 256; ++value) {
      std::string text = "PCI\\VEN_8086";
      text[place] = static_cast<char>(value);
      const std::string where = "byte " + std::to_string(value) + " at " + std::to_string(place);
      for (int other = 0; other < 256; ++other) {
        std::string second = text;
        second[place] = static_cast<char>(other);
        const bool same = UpperByte(text[place]) == UpperByte(second[place]);
        ASSERT_EQ(same, equal(text, second)) << where << " against " << other;
        if (same) {
          ASSERT_EQ(hash(text), hash(second)) << where;
        }
      }
    }
  }
}

TEST(FoldedId, IdsOfOtherLengthsDiffer) {
  const FoldedIdEqual equal;
  const struct {
    std::string a, b;
    bool same;
  } cases[] = {{"", "", true},
               {"usb\\root_hub30\\4&1", "USB\\ROOT_HUB30\\4&1", true},
               {"USB\\ROOT", "USB\\ROOT_", false},
               {std::string("A\0", 2), "A", false},
               {"A", "", false}};
  for (const auto& c : cases) EXPECT_EQ(c.same, equal(c.a, c.b)) << c.a << " | " << c.b;
}

}  // namespace
}  // namespace devlist::model
