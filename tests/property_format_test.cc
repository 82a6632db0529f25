#include "property_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "ansi_code_page.h"
#include "platform.h"
#include "property_bytes.h"

namespace devlist {
namespace {

// The low `width` bytes of `value`, little-endian, as the platform stores numbers.
std::vector<BYTE> Le(std::uint64_t value, std::size_t width) {
  std::vector<BYTE> bytes;
  for (std::size_t i = 0; i < width; ++i) bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
  return bytes;
}

using testing::Raw;
using testing::Units;

// A value as the first read leaves it: the bytes, then zeros up to 256.
std::vector<BYTE> Padded(std::vector<BYTE> bytes) {
  bytes.resize(256, 0);
  return bytes;
}

struct Case {
  const char* what;
  DEVPROPTYPE type;
  std::vector<BYTE> value;
  std::string text;
};

void ExpectTexts(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(c.text, FormatPropertyValue(c.value, c.type)) << c.what << " (type 0x" << std::hex << c.type << ")";
  }
}

TEST(FormatPropertyValue, IntegersByWidthAndSign) {
  ExpectTexts({
      {"sbyte -1", 0x02, Padded({0xFF}), "-1"},
      {"sbyte min", 0x02, Padded({0x80}), "-128"},
      {"sbyte max", 0x02, Padded({0x7F}), "127"},
      {"sbyte 0", 0x02, Padded({0x00}), "0"},
      {"byte 255", 0x03, Padded({0xFF}), "255"},
      {"byte 0", 0x03, Padded({0x00}), "0"},
      {"int16 -1", 0x04, Padded(Le(0xFFFF, 2)), "-1"},
      {"uint16 max", 0x05, Padded(Le(0xFFFF, 2)), "65535"},
      {"int32 min", 0x06, Padded(Le(0x80000000u, 4)), "-2147483648"},
      {"uint32 max, no grouping", 0x07, Padded(Le(0xFFFFFFFFu, 4)), "4294967295"},
      {"uint32 ignores bytes after it", 0x07, {0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF}, "1"},
      {"int64 min", 0x08, Padded(Le(0x8000000000000000ull, 8)), "-9223372036854775808"},
      {"uint64 max", 0x09, Padded(Le(0xFFFFFFFFFFFFFFFFull, 8)), "18446744073709551615"},
      {"error 0", 0x17, Padded(Le(0, 4)), "ERROR: 0"},
      {"error is unsigned", 0x17, Padded(Le(0xFFFFFFFFu, 4)), "ERROR: 4294967295"},
      {"ntstatus is unsigned", 0x18, Padded(Le(0xC0000022u, 4)), "NTSTATUS: 3221225506"},
  });
}

TEST(FormatPropertyValue, FloatingPointInGeneralNotation) {
  ExpectTexts({
      {"double 0.5", 0x0B, Padded(Raw(0.5)), "0.5"},
      {"double 100", 0x0B, Padded(Raw(100.0)), "100"},
      {"double six digits", 0x0B, Padded(Raw(1234567.0)), "1.23457e+06"},
      {"double small", 0x0B, Padded(Raw(0.0000001)), "1e-07"},
      {"double negative", 0x0B, Padded(Raw(-2.25)), "-2.25"},
      {"float 0.1 widened", 0x0A, Padded(Raw(0.1f)), "0.1"},
      {"float 3.5", 0x0A, Padded(Raw(3.5f)), "3.5"},
  });
}

TEST(FormatPropertyValue, GuidBooleanAndFixedTexts) {
  const GUID guid{0x4D36E96B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
  ExpectTexts({
      {"guid", 0x0D, Padded(Raw(guid)), "{4d36e96b-e325-11ce-bfc1-08002be10318}"},
      {"true is 0xFF", 0x11, Padded({0xFF}), "true"},
      {"any nonzero byte is true", 0x11, Padded({0x01}), "true"},
      {"false", 0x11, Padded({0x00}), "false"},
      {"empty whatever the bytes", 0x00, Padded({0x41, 0x00}), "empty"},
      {"null whatever the bytes", 0x01, Padded({0x41, 0x00}), "null"},
      {"empty with no bytes", 0x00, {}, "empty"},
      {"decimal", 0x0C, Padded({}), "DECIMAL not supported"},
      {"currency", 0x0E, Padded({}), "CURRENCY not supported"},
      {"date", 0x0F, Padded({}), "DATE not supported"},
      {"security descriptor", 0x13, Padded({0x01}), "SECURITY_DESCRIPTOR not supported"},
      {"devpropkey", 0x15, Padded({}), "DEVPROPKEY not supported"},
      {"devproptype", 0x16, Padded({}), "DEVPROPTYPE not supported"},
      {"binary", 0x1003, Padded({0x01, 0x02}), "BINARY not supported"},
  });
}

TEST(FormatPropertyValue, CodesOutsideTheTableHaveNoText) {
  ExpectTexts({
      {"first code after the base types", 0x1A, Padded({0x01}), ""},
      {"array modifier alone", 0x1000, Padded({0x01}), ""},
      {"array of sbyte", 0x1002, Padded({0x01}), ""},
      {"array of uint32", 0x1007, Padded(Le(7, 4)), ""},
      {"array of guid", 0x100D, Padded({0x01}), ""},
      {"array of string", 0x1012, Padded(Units(u"a")), ""},
      {"list of uint32", 0x2007, Padded(Le(7, 4)), ""},
      {"list just below string list", 0x2011, Padded(Units(u"a")), ""},
      {"list just above string list", 0x2013, Padded(Units(u"a")), ""},
      {"the reader's no-type value", 0xFFFFFFFF, Padded({}), ""},
  });
}

TEST(FormatPropertyValue, FileTimeAsStoredOrNothing) {
  ExpectTexts({
      {"epoch", 0x10, Padded(Le(0, 8)), "1601-01-01 00:00:00.000"},
      {"2021, milliseconds kept", 0x10, Padded(Le(132539798456780000ull, 8)), "2021-01-01 13:04:05.678"},
      {"below one millisecond dropped", 0x10, Padded(Le(132539798456789999ull, 8)), "2021-01-01 13:04:05.678"},
      {"leap day, last millisecond", 0x10, Padded(Le(132274943999990000ull, 8)), "2020-02-29 23:59:59.999"},
      {"1900 has no leap day", 0x10, Padded(Le(94405824000000000ull, 8)), "1900-03-01 00:00:00.000"},
      {"largest convertible", 0x10, Padded(Le(0x7FFFFFFFFFFFFFFFull, 8)), "30828-09-14 02:48:05.477"},
      {"too large to convert", 0x10, Padded(Le(0x8000000000000000ull, 8)), ""},
      {"all bits set", 0x10, Padded(Le(0xFFFFFFFFFFFFFFFFull, 8)), ""},
  });
}

TEST(FormatPropertyValue, Strings) {
  ExpectTexts({
      {"string", 0x12, Padded(Units(u"Disk drive")), "Disk drive"},
      {"zero length", 0x12, Padded({}), ""},
      {"stops at the first NUL", 0x12, Padded(Units(std::u16string(u"ab\0cd", 5))), "ab"},
      {"non-ASCII, in the ANSI code page", 0x12, Padded(Units(u"caf\u00e9")), "caf\xc3\xa9"},
      {"security descriptor string", 0x14, Padded(Units(u"D:P(A;;GA;;;SY)")), "D:P(A;;GA;;;SY)"},
      {"indirect string as stored", 0x19, Padded(Units(u"@oem1.inf,%desc%;Disk")), "@oem1.inf,%desc%;Disk"},
      // After a resize the buffer is exactly the value; a platform that stores no NUL leaves none.
      {"no NUL at the end of the buffer", 0x12, Units(u"abc"), "abc"},
      {"odd trailing byte ignored", 0x12, {0x61, 0x00, 0x62}, "a"},
      // The NUL wherever it stands, units whose low or high byte is zero taken as no NUL, and no NUL before
      // the end of the buffer.
      {"NUL as the fourth unit", 0x12, Padded(Units(std::u16string(u"abc\0efgh", 8))), "abc"},
      {"NUL as the fifth unit", 0x12, Padded(Units(std::u16string(u"abcd\0fgh", 8))), "abcd"},
      {"units with a zero byte are no NUL", 0x12, Padded(Units(u"\u0100\u2000x\u0100\u4e00")),
       "\xc4\x80\xe2\x80\x80x\xc4\x80\xe4\xb8\x80"},
      {"no NUL in five units", 0x12, Units(u"abcde"), "abcde"},
  });
}

TEST(FormatPropertyValue, StringListShapes) {
  const std::u16string wide(100, u'\u4e00');  // 300 bytes in UTF-8
  std::string wideText;
  for (int i = 0; i < 100; ++i) wideText += "\xe4\xb8\x80";
  ExpectTexts({
      {"three", 0x2012, Padded(Units(std::u16string(u"A\0B\0C\0\0", 7))), "A\n\tB\n\tC"},
      {"one", 0x2012, Padded(Units(std::u16string(u"USB\\ROOT_HUB\0\0", 14))), "USB\\ROOT_HUB"},
      {"empty list", 0x2012, Padded(Units(std::u16string(u"\0\0", 2))), ""},
      {"no bytes at all", 0x2012, {}, ""},
      {"ends at the first empty string", 0x2012, Units(std::u16string(u"A\0\0B\0\0", 6)), "A"},
      {"ends at the buffer without terminators", 0x2012, Units(std::u16string(u"A\0BC", 4)), "A\n\tBC"},
      {"a long element of multi-byte characters", 0x2012, Padded(Units(u"x" + std::u16string(1, 0) + wide)),
       "x\n\t" + wideText},
  });
}

// An element the code page conversion refuses shows the fallback text in its place; the walk goes on.
TEST(FormatPropertyValue, StringListElementThatFailsToConvert) {
  model::wideToAnsiHook = [](std::u16string_view text, bool) -> DWORD {
    return text.starts_with(u"bad") ? ERROR_INVALID_PARAMETER : 0;
  };
  const std::string text = FormatPropertyValue(Padded(Units(std::u16string(u"A\0bad\0C\0\0", 9))), 0x2012);
  model::wideToAnsiHook = nullptr;
  EXPECT_EQ("A\n\tError converting from unicode.\n\tC", text);
}

TEST(FormatPropertyValue, FixedSizeValueShorterThanItsTypeHasNoText) {
  // Possible only after a resize to a size the platform reported; nothing past the bytes is read.
  ExpectTexts({
      {"sbyte, no bytes", 0x02, {}, ""},
      {"uint16, one byte", 0x05, {0xFF}, ""},
      {"uint32, three bytes", 0x07, {0x01, 0x02, 0x03}, ""},
      {"uint64, seven bytes", 0x09, Le(1, 7), ""},
      {"double, four bytes", 0x0B, Le(0, 4), ""},
      {"float, two bytes", 0x0A, Le(0, 2), ""},
      {"guid, fifteen bytes", 0x0D, std::vector<BYTE>(15, 0x11), ""},
      {"file time, seven bytes", 0x10, Le(0, 7), ""},
      {"boolean, no bytes", 0x11, {}, ""},
      {"error, two bytes", 0x17, Le(0, 2), ""},
      {"ntstatus, two bytes", 0x18, Le(0, 2), ""},
  });
}

TEST(FormatPropertyValue, PointerAndSizeOverloadReadsOnlyTheGivenBytes) {
  const BYTE bytes[] = {0x61, 0x00, 0x62, 0x00, 0x63, 0x00};
  EXPECT_EQ("ab", FormatPropertyValue(bytes, 4, DEVPROP_TYPE_STRING));
  EXPECT_EQ("", FormatPropertyValue(nullptr, 0, DEVPROP_TYPE_STRING));
  EXPECT_EQ("", FormatPropertyValue(nullptr, 0, DEVPROP_TYPE_UINT32));
}

}  // namespace
}  // namespace devlist
