#include "text.h"

#include <gtest/gtest.h>

#include <string>

namespace devlist {
namespace {

TEST(GuidToText, LowerCaseAndZeroPadded) {
  const struct {
    GUID guid;
    const char* text;
  } cases[] = {
      {{0x4d36e96d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}},
       "{4d36e96d-e325-11ce-bfc1-08002be10318}"},
      {{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}}, "{00000000-0000-0000-0000-000000000000}"},
      {{0x1, 0x2, 0x3, {0x0a, 0x0b, 0, 0, 0, 0, 0, 0x0c}}, "{00000001-0002-0003-0a0b-00000000000c}"},
      {{0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
       "{ffffffff-ffff-ffff-ffff-ffffffffffff}"},
      {{0xE0CBF06C, 0xCD8B, 0x4647, {0xBB, 0x8A, 0x26, 0x3B, 0x43, 0xF0, 0xF9, 0x74}},
       "{e0cbf06c-cd8b-4647-bb8a-263b43f0f974}"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, GuidToText(c.guid)) << c.text;
}

TEST(UnicodeToAnsi, ConvertsWithinTheLimit) {
  EXPECT_EQ("", UnicodeToAnsi(TEXT16("")));
  const WideText letters(300, WCHAR('x'));
  EXPECT_EQ(std::string(300, 'x'), UnicodeToAnsi(letters.c_str()));
  EXPECT_EQ("Caf\xc3\xa9", UnicodeToAnsi(TEXT16("Caf\u00e9")));
}

// The buffer holds the text's length plus 128 bytes. Characters of two bytes each fit 127 at most
// (255 bytes with the NUL); characters of three bytes fit 63 (190 bytes).
TEST(UnicodeToAnsi, FallsBackWhenTheResultWouldNotFit) {
  const struct {
    WCHAR unit;
    std::size_t count;
    std::size_t bytesEach;
    bool fits;
  } cases[] = {
      {0x00e9, 127, 2, true}, {0x00e9, 128, 2, false}, {0x4e2d, 63, 3, true}, {0x4e2d, 64, 3, false},
  };
  for (const auto& c : cases) {
    const WideText text(c.count, c.unit);
    const std::string result = UnicodeToAnsi(text.c_str());
    if (c.fits) {
      EXPECT_EQ(c.count * c.bytesEach, result.size()) << c.count;
    } else {
      EXPECT_EQ("Error converting from unicode.", result) << c.count;
    }
  }
}

TEST(UnicodeToAnsi, UnpairedSurrogateBecomesQuestionMark) {
  const WCHAR lone[] = {u'a', 0xD800, u'b', 0};
  EXPECT_EQ("a?b", UnicodeToAnsi(lone));
  const WCHAR pair[] = {0xD83D, 0xDE00, 0};  // one character outside the BMP
  EXPECT_EQ("\xf0\x9f\x98\x80", UnicodeToAnsi(pair));
}

// Straight from the code units, never through the code page: every character survives, and a surrogate
// without its partner becomes U+FFFD (EF BF BD), wherever it stands.
TEST(Utf16ToUtf8, EncodesEveryCodeUnitSequence) {
  const struct {
    std::u16string text;
    const char* utf8;
  } cases[] = {
      {u"", ""},
      {u"ASCII", "ASCII"},
      {u"M\u00fcller", "M\xc3\xbcller"},                             // two bytes
      {u"\u4e2d\u65e5", "\xe4\xb8\xad\xe6\x97\xa5"},               // three bytes
      {u"\U0001F600", "\xf0\x9f\x98\x80"},                           // a pair: four bytes
      {u"\u007f\u0080\u07ff\u0800\uffff", "\x7f\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf"},  // the edges
      {std::u16string{u'a', char16_t(0xD800), u'b'}, "a\xef\xbf\xbd" "b"},  // high half alone
      {std::u16string{char16_t(0xDC00), u'x'}, "\xef\xbf\xbdx"},           // low half alone
      {std::u16string{char16_t(0xD83D)}, "\xef\xbf\xbd"},                 // high half at the end
      {std::u16string{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)}, "\xef\xbf\xbd\xf0\x9f\x98\x80"},
  };
  for (const auto& c : cases) {
    const WideText text(c.text.begin(), c.text.end());
    EXPECT_EQ(c.utf8, Utf16ToUtf8(text)) << c.utf8;
  }
  // A NUL is a character like any other: the view's end is the text's end.
  EXPECT_EQ(std::string("a\0b", 3), Utf16ToUtf8(WideText(TEXT16("a\0b"), 3)));
  // 300 characters: no limit of the code page conversion applies.
  EXPECT_EQ(600u, Utf16ToUtf8(WideText(300, WCHAR(0x00e9))).size());
}

TEST(AnsiToUnicode, WidensTheCodePageText) {
  EXPECT_EQ(WideText(), AnsiToUnicode(""));
  EXPECT_EQ(WideText(TEXT16("PCI\\VEN_1AF4")), AnsiToUnicode("PCI\\VEN_1AF4"));
  EXPECT_EQ(WideText(TEXT16("\u00e9")), AnsiToUnicode("\xc3\xa9"));  // the Linux code page is UTF-8
}

}  // namespace
}  // namespace devlist
