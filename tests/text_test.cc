#include "text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "ansi_code_page.h"

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

TEST(UnicodeToAnsi, ConvertsPlainAndShortTexts) {
  EXPECT_EQ("", UnicodeToAnsi(TEXT16("")));
  const WideText letters(300, WCHAR('x'));
  EXPECT_EQ(std::string(300, 'x'), UnicodeToAnsi(letters.c_str()));
  EXPECT_EQ("Caf\xc3\xa9", UnicodeToAnsi(TEXT16("Caf\u00e9")));
}

// The result is as long as the code page makes it: two- and three-byte characters convert in full, on both sides
// of where a buffer of the text's length plus 128 bytes would have ended (127/128 and 63/64 characters).
TEST(UnicodeToAnsi, ConvertsMultiByteTextsOfAnyLength) {
  const struct {
    std::u16string character;
    std::size_t count;
    std::string bytes;
  } cases[] = {
      {u"\u00e9", 127, "\xc3\xa9"},     {u"\u00e9", 128, "\xc3\xa9"},     {u"\u00e9", 1000, "\xc3\xa9"},
      {u"\u4e2d", 63, "\xe4\xb8\xad"}, {u"\u4e2d", 64, "\xe4\xb8\xad"}, {u"\u4e2d", 65, "\xe4\xb8\xad"},
      {u"\u4e2d", 1000, "\xe4\xb8\xad"},
      {u"\U0001F600", 1000, "\xf0\x9f\x98\x80"},  // a pair of units, four bytes
  };
  for (const auto& c : cases) {
    WideText text;
    std::string expected;
    for (std::size_t i = 0; i < c.count; ++i) {
      text.append(c.character.begin(), c.character.end());
      expected += c.bytes;
    }
    EXPECT_EQ(expected, UnicodeToAnsi(text.c_str())) << c.count << " x " << c.bytes.size() << " bytes";
  }
}

// Only a conversion the platform refuses gives the fallback text, whichever of the two calls it refuses.
TEST(UnicodeToAnsi, FallsBackWhenTheConversionFails) {
  struct HookGuard {
    explicit HookGuard(model::ConversionHook hook) { model::wideToAnsiHook = hook; }
    ~HookGuard() { model::wideToAnsiHook = nullptr; }
    HookGuard(const HookGuard&) = delete;
    HookGuard& operator=(const HookGuard&) = delete;
  };
  const struct {
    const char* what;
    model::ConversionHook hook;
    std::string result;
  } cases[] = {
      {"the sizing call fails",
       [](std::u16string_view, bool sizing) -> DWORD { return sizing ? ERROR_INVALID_PARAMETER : 0; },
       "Error converting from unicode."},
      {"the converting call fails",
       [](std::u16string_view, bool sizing) -> DWORD { return sizing ? 0 : ERROR_INVALID_FLAGS; },
       "Error converting from unicode."},
      {"neither fails", [](std::u16string_view, bool) -> DWORD { return 0; }, "\xe4\xb8\xad\xe6\x97\xa5"},
  };
  for (const auto& c : cases) {
    const HookGuard guard(c.hook);
    EXPECT_EQ(c.result, UnicodeToAnsi(TEXT16("\u4e2d\u65e5"))) << c.what;
  }
}

// The code page of our Linux platform is UTF-8, which converts as Windows does with a UTF-8 code page.
TEST(UnicodeToAnsi, UnpairedSurrogateBecomesReplacementCharacter) {
  const WCHAR lone[] = {u'a', 0xD800, u'b', 0};
  EXPECT_EQ("a\xef\xbf\xbd" "b", UnicodeToAnsi(lone));
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
