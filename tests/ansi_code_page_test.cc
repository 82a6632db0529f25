#include "ansi_code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform.h"

namespace devlist::model {
namespace {

// Our code page's conversion, by the model's function and by the Win32 call sized first and then filled:
// the same bytes, counted exactly, and a buffer one byte short refused.
TEST(AnsiCodePage, SizingAndFillingAgreeOnEveryKindOfText) {
  const struct {
    std::u16string text;
    std::string utf8;
  } cases[] = {
      {u"A", "A"},
      {u"ASCII text", "ASCII text"},
      {u"M\u00fcller", "M\xc3\xbcller"},
      {u"\u4e2d\u65e5", "\xe4\xb8\xad\xe6\x97\xa5"},
      {u"\U0001F600", "\xf0\x9f\x98\x80"},
      {u"\u007f\u0080\u07ff\u0800\uffff", "\x7f\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf"},
      // A surrogate without its partner is U+FFFD (EF BF BD), as Windows converts it.
      {std::u16string{u'a', char16_t(0xD800), u'b'}, "a\xef\xbf\xbd" "b"},
      {std::u16string{char16_t(0xDC00), u'x'}, "\xef\xbf\xbdx"},
      {std::u16string{char16_t(0xD83D)}, "\xef\xbf\xbd"},
      {std::u16string{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)}, "\xef\xbf\xbd\xf0\x9f\x98\x80"},
      {std::u16string{char16_t(0xDE00), char16_t(0xD83D)}, "\xef\xbf\xbd\xef\xbf\xbd"},  // a pair the wrong way round
      // Past ASCII after runs of ASCII of several lengths.
      {u"1234567\u00e9x", "1234567\xc3\xa9x"},
      {u"12345678\u00e9", "12345678\xc3\xa9"},
      {u"0123456789abcdef\U0001F600", "0123456789abcdef\xf0\x9f\x98\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.utf8, Utf16ToUtf8(c.text)) << c.utf8;
    EXPECT_EQ(c.utf8.size(), Utf8Size(c.text)) << c.utf8;
    const int units = static_cast<int>(c.text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, c.text.data(), units, nullptr, 0, nullptr, nullptr);
    ASSERT_EQ(static_cast<int>(c.utf8.size()), size) << c.utf8;
    EXPECT_EQ(size + 1, WideCharToMultiByte(CP_ACP, 0, c.text.c_str(), -1, nullptr, 0, nullptr, nullptr)) << c.utf8;
    std::vector<char> buffer(c.utf8.size() + 1, '#');
    EXPECT_EQ(size, WideCharToMultiByte(CP_ACP, 0, c.text.data(), units, buffer.data(), size, nullptr, nullptr));
    EXPECT_EQ(c.utf8 + "#", std::string(buffer.data(), buffer.size())) << "nothing written past the text";
    if (size < 2) continue;  // a length of 0 asks for the size
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, c.text.data(), units, buffer.data(), size - 1, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError()) << c.utf8;
  }
  // CP_UTF8 is the same conversion.
  for (const auto& c : cases) {
    const int units = static_cast<int>(c.text.size());
    std::vector<char> buffer(c.utf8.size(), '#');
    EXPECT_EQ(static_cast<int>(c.utf8.size()),
              WideCharToMultiByte(CP_UTF8, 0, c.text.data(), units, buffer.data(), static_cast<int>(buffer.size()),
                                  nullptr, nullptr));
    EXPECT_EQ(c.utf8, std::string(buffer.data(), buffer.size())) << c.utf8;
  }
}

}  // namespace
}  // namespace devlist::model
