#include "sysfs_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace devlist::sysfs {
namespace {

TEST(SysfsText, PrintableCutsBetweenCharactersAndMarksControls) {
  const struct {
    std::string in;
    std::size_t limit;
    std::string out;
  } cases[] = {
      {"plain", 256, "plain"},
      {"a\tb\nc\x7f", 256, "a?b?c?"},
      {"nel\xC2\x85 csi\xC2\x9B end", 256, "nel? csi? end"},  // C1 controls
      {"\xC2\xA0nbsp \xE2\x82\xAC", 256, "\xC2\xA0nbsp \xE2\x82\xAC"},  // printable non-ASCII stays
      {"ab\xE2\x82\xAC", 4, "ab"},                                       // the euro sign does not fit whole
      {"ab\xE2\x82\xAC", 5, "ab\xE2\x82\xAC"},
      {"x\xFF\xC3", 256, "x??"},  // bytes that start no character, one "?" each
      {"eth\x9B" "2J\x1Bz", 256, "eth?2J?z"},  // a lone 8-bit CSI and an ESC
      {"\xC2\x80\xC2\x9F\xC2\xA0", 256, "??\xC2\xA0"},  // the first and last C1 control, then no-break space
      {"a\x80" "b\xBF\xBF" "c", 256, "a?b??c"},  // continuation bytes without a lead
      {"\xF8\x88\x80\x80\x80 \xFE\xFF", 256, "????? ??"},  // lead bytes of no sequence
      {"\xC0\xAF \xC1\xBF \xE0\x80\xAF \xF0\x80\x80\xAF", 256, "? ? ? ?"},  // overlong forms of "/" and DEL
      {"\xED\xA0\x80 \xED\xBF\xBF", 256, "? ?"},  // surrogates U+D800 and U+DFFF
      {"\xF4\x90\x80\x80", 256, "?"},  // past U+10FFFF
      {"ab\xE2\x82", 256, "ab??"},  // cut short at the end
      {"\xE2\x82x\xF0\x9F\x98y", 256, "??x???y"},  // cut short by the next character
      {"\xC3\xA9\xED\x9F\xBF\xEE\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", 256,
       "\xC3\xA9\xED\x9F\xBF\xEE\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},  // valid up to U+10FFFF stays
      {"ab\x9B" "c", 3, "ab?"},  // a "?" counts one byte of the limit
      {"ab\xED\xA0\x80", 2, "ab"},
      {std::string(300, 'y'), 256, std::string(256, 'y')},
      // Each byte checked wherever it sits in a long text: the bounds of printable ASCII, a control, a C1.
      {" ~~~~~~~~~~~~~~ ", 256, " ~~~~~~~~~~~~~~ "},
      {"0123456789 \x1f tail", 256, "0123456789 ? tail"},
      {"01234567\x7f" "89abcdef", 256, "01234567?89abcdef"},
      {"0123456\xC2\x85 more text", 256, "0123456? more text"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.out, Printable(c.in, c.limit)) << c.in;
    std::string room;
    EXPECT_EQ(c.out, PrintableView(c.in, room, c.limit)) << c.in;
  }
}

TEST(SysfsText, HexIsUpperCaseAndZeroPaddedToItsWidth) {
  const struct {
    unsigned long long v;
    int width;
    const char* out;
  } cases[] = {{0, 0, "0"}, {0, 4, "0000"}, {0xabc, 2, "ABC"}, {0x1af4, 4, "1AF4"},
               {~0ull, 16, "FFFFFFFFFFFFFFFF"}, {1, 20, "00000000000000000001"}};
  for (const auto& c : cases) EXPECT_EQ(c.out, Hex(c.v, c.width)) << c.v;
}

TEST(SysfsText, SlotNamesReadAsScanfReadsThem) {
  // The fast reading of kernel-written names and scanf must agree on every name, written so or not.
  const char* const names[] = {"0000:00:1f.2",  "0003:046D:C52B.0001", "ffffffff:0:0.7", "100000000:0:0.0",
                               "0000:00:1f.2x", "0000:00:1f",          " 0000:00:1f.2",  "0x0:1:2.3",
                               "pci0000:00",    "0000::1f.2",          "-1:0:0.0",       "0:0:0.",
                               "",              "a:b:c.d",             "0000:00:1F.2 ",  "0000.00:1f:2"};
  for (const std::string name : names) {
    unsigned expected[4] = {};
    char c = 0;
    const bool four = std::sscanf(name.c_str(), "%x:%x:%x.%x%c", &expected[0], &expected[1], &expected[2],
                                  &expected[3], &c) == 4;
    unsigned fields[4] = {};
    ASSERT_EQ(four, ParseSlotName(name, fields)) << name;
    if (!four) continue;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(expected[i], fields[i]) << name << " field " << i;
  }
}

TEST(SysfsText, UpperMapsOnlyAsciiLetters) {
  EXPECT_EQ("PCI\\VEN_8086&DEV_A0EF\\3&1", Upper("pci\\ven_8086&dev_a0ef\\3&1"));
  EXPECT_EQ("\xC3\xA9\xFF@[`{", Upper("\xC3\xA9\xFF@[`{"));
}

TEST(SysfsText, PrintableAsciiIsEveryByteFromSpaceToTilde) {
  for (std::size_t place = 0; place < 12; ++place) {
    for (int value = 0; value < 256; ++value) {
      std::string text = "PCI\\VEN_8086";
      text[place] = static_cast<char>(value);
      EXPECT_EQ(value >= 0x20 && value < 0x7F, IsPrintableAscii(text)) << "byte " << value << " at " << place;
    }
  }
  EXPECT_TRUE(IsPrintableAscii(""));
}

TEST(SysfsText, InstanceIdsHaveThreeCleanBoundedParts) {
  const struct {
    std::string enumerator, device, instance, out;
  } cases[] = {
      {"ACPI", "PNP0501", "1", "ACPI\\PNP0501\\1"},
      {"ACPI", "A\\B/C\tD", "_0", "ACPI\\A_B/C_D\\_0"},
      {"USB", "VID_1&PID_2", "", "USB\\VID_1&PID_2\\0"},
      {"X", std::string(300, 'D'), "7", "X\\" + std::string(196, 'D') + "\\7"},
      {"X", "\xE2\x82\xAC", "\x01", "X\\___\\_"},
  };
  for (const auto& c : cases) {
    const std::string id = InstanceId(c.enumerator, c.device, c.instance);
    EXPECT_EQ(c.out, id) << c.device;
    EXPECT_LE(id.size(), kMaxInstanceIdChars) << c.device;
  }
  EXPECT_EQ("ACPI\\A_B\\_0", NormalInstanceId("ACPI\\A\\B\\_0"));  // four parts: the inner separator goes
  EXPECT_EQ("ROOT\\LONELY\\0", NormalInstanceId("LONELY"));
  EXPECT_EQ("PCI\\VEN_1&DEV_2\\3&0", NormalInstanceId("PCI\\VEN_1&DEV_2\\3&0"));
}

}  // namespace
}  // namespace devlist::sysfs
