// The checks that look at eight bytes at once, against the same question asked a byte at a time: every byte
// value, at every place of a word and in the tail after it.
#include <gtest/gtest.h>

#include <string>

#include "device_id_index.h"
#include "sysfs_text.h"

namespace devlist {
namespace {

char UpperByte(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

TEST(WordChecks, AgreeWithTheByteByByteAnswerForEveryByteAtEveryPlace) {
  for (std::size_t place = 0; place < 12; ++place) {
    for (int value = 0; value < 256; ++value) {
      std::string text = "PCI\\VEN_8086";  // 12 bytes: one whole word, then a tail
      text[place] = static_cast<char>(value);
      const char c = text[place];
      const std::string where = "byte " + std::to_string(value) + " at " + std::to_string(place);
      EXPECT_EQ(c >= 0x20 && c < 0x7F, sysfs::IsPrintableAscii(text)) << where;
      // Each byte against each other at the same place: the same without regard to case exactly when the
      // two upper-case alike, and then with the same hash.
      for (int other = 0; other < 256; ++other) {
        std::string second = text;
        second[place] = static_cast<char>(other);
        const bool same = UpperByte(c) == UpperByte(second[place]);
        ASSERT_EQ(same, model::SameFoldedId(text, second)) << where << " against " << other;
        if (same) {
          ASSERT_EQ(model::HashFoldedId(text), model::HashFoldedId(second)) << where;
        }
      }
    }
  }
}

}  // namespace
}  // namespace devlist
