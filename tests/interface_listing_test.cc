#include "interface_listing.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "device_model.h"
#include "test_support.h"

namespace devlist {
namespace {

const GUID kKeyboardClassGuid = {0x4d36e96b, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const GUID kKeyboardInterface = {0x884b96c3, 0x56ef, 0x11d1, {0xbc, 0x8c, 0x00, 0xa0, 0xc9, 0x14, 0x05, 0xdd}};
const WideText kKeyboardText = TEXT16("{884b96c3-56ef-11d1-bc8c-00a0c91405dd}");

class ListDeviceInterfacesTest : public testing::DeviceModelTest {
 protected:
  // A present keyboard with an active keyboard interface at /dev/input/eventN.
  void AddKeyboard(int n, bool present = true, DWORD flags = SPINT_ACTIVE) {
    const std::string id = "ACPI\\PNP0303\\" + std::to_string(n);
    model::AddDevice(id, kKeyboardClassGuid, present);
    model::AddInterface({kKeyboardInterface, "/dev/input/event" + std::to_string(n), id, flags});
  }
};

std::string Block(int n, int flags = 1) {
  return "DeviceID: ACPI\\PNP0303\\" + std::to_string(n) +
         "\nInterface class: {884b96c3-56ef-11d1-bc8c-00a0c91405dd}\nFlags: " + std::to_string(flags) +
         "\nSetup class: {4d36e96b-e325-11ce-bfc1-08002be10318}\nDevice path: /dev/input/event" +
         std::to_string(n) + "\n\n";
}

const std::string kHeading = "*** KEYS {884b96c3-56ef-11d1-bc8c-00a0c91405dd}\n";

TEST_F(ListDeviceInterfacesTest, NoInterfaceGivesEmptyText) {
  model::AddDevice("ACPI\\PNP0303\\0", kKeyboardClassGuid);
  EXPECT_EQ("", ListDeviceInterfaces("KEYS", kKeyboardText, true));
}

TEST_F(ListDeviceInterfacesTest, OneInterfaceGivesSevenLines) {
  AddKeyboard(3);
  EXPECT_EQ(R"(*** KEYS {884b96c3-56ef-11d1-bc8c-00a0c91405dd}
DeviceID: ACPI\PNP0303\3
Interface class: {884b96c3-56ef-11d1-bc8c-00a0c91405dd}
Flags: 1
Setup class: {4d36e96b-e325-11ce-bfc1-08002be10318}
Device path: /dev/input/event3

)",
            ListDeviceInterfaces("KEYS", kKeyboardText, true));
}

TEST_F(ListDeviceInterfacesTest, SeveralInterfacesInEnumerationOrder) {
  AddKeyboard(2);
  AddKeyboard(0);
  AddKeyboard(1);
  EXPECT_EQ(kHeading + Block(2) + Block(0) + Block(1), ListDeviceInterfaces("KEYS", kKeyboardText, true));
}

TEST_F(ListDeviceInterfacesTest, PresenceFilterHidesAbsentDevicesAndInactiveInterfaces) {
  AddKeyboard(0);
  AddKeyboard(1, false);
  AddKeyboard(2, true, 0);
  EXPECT_EQ(kHeading + Block(0), ListDeviceInterfaces("KEYS", kKeyboardText, true));
  EXPECT_EQ(kHeading + Block(0) + Block(1) + Block(2, 0), ListDeviceInterfaces("KEYS", kKeyboardText, false));
}

TEST_F(ListDeviceInterfacesTest, UnreadableDetailIsSkippedAndTheWalkGoesOn) {
  AddKeyboard(0);
  AddKeyboard(1);
  AddKeyboard(2);
  model::Interface sizing{kKeyboardInterface, "/dev/input/event9", "ACPI\\PNP0303\\0"};
  sizing.sizingError = ERROR_INVALID_PARAMETER;
  model::AddInterface(sizing);
  model::Interface filling{kKeyboardInterface, "/dev/input/event8", "ACPI\\PNP0303\\1"};
  filling.fillingError = ERROR_INVALID_USER_BUFFER;
  model::AddInterface(filling);
  AddKeyboard(4);
  EXPECT_EQ(kHeading + Block(0) + Block(1) + Block(2) + Block(4), ListDeviceInterfaces("KEYS", kKeyboardText, true));
}

TEST_F(ListDeviceInterfacesTest, UnreadableDeviceIdLeavesTheIdEmpty) {
  AddKeyboard(5);
  model::FindDevice("ACPI\\PNP0303\\5")->idError = CR_NO_SUCH_DEVNODE;
  const std::string text = ListDeviceInterfaces("KEYS", kKeyboardText, true);
  EXPECT_EQ(kHeading + "DeviceID: \n" + Block(5).substr(Block(5).find("Interface class")), text);
}

TEST_F(ListDeviceInterfacesTest, BadGuidTextGivesHeadingAndErrorLine) {
  AddKeyboard(0);
  const struct {
    WideText text;
    const char* expected;
  } cases[] = {
      {TEXT16("{"), "*** KEYS {\nUnable to convert to guid.\n"},
      {TEXT16("Error converting from ansi."), "*** KEYS Error converting from ansi.\nUnable to convert to guid.\n"},
      {TEXT16("884b96c3-56ef-11d1-bc8c-00a0c91405dd"),
       "*** KEYS 884b96c3-56ef-11d1-bc8c-00a0c91405dd\nUnable to convert to guid.\n"},
      {TEXT16("{884b96c3-56ef-11d1-bc8c-00a0c91405dd"),
       "*** KEYS {884b96c3-56ef-11d1-bc8c-00a0c91405dd\nUnable to convert to guid.\n"},
      {TEXT16("{884b96c3x56ef-11d1-bc8c-00a0c91405dd}"),
       "*** KEYS {884b96c3x56ef-11d1-bc8c-00a0c91405dd}\nUnable to convert to guid.\n"},
      {TEXT16("{884b96c3-56ef-11d1-bc8c-00a0c91405dg}"),
       "*** KEYS {884b96c3-56ef-11d1-bc8c-00a0c91405dg}\nUnable to convert to guid.\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, ListDeviceInterfaces("KEYS", c.text, true)) << c.expected;
  }
}

TEST_F(ListDeviceInterfacesTest, ClassThatCannotBeOpenedGivesEmptyText) {
  AddKeyboard(0);
  model::FailClass(kKeyboardInterface);
  EXPECT_EQ("", ListDeviceInterfaces("KEYS", kKeyboardText, true));
}

TEST_F(ListDeviceInterfacesTest, HeadingKeepsTheCaseOfTheGivenText) {
  AddKeyboard(0);
  const std::string text = ListDeviceInterfaces("KEYS", TEXT16("{884B96C3-56EF-11D1-BC8C-00A0C91405DD}"), true);
  EXPECT_EQ("*** KEYS {884B96C3-56EF-11D1-BC8C-00A0C91405DD}\n" + Block(0), text);
}

std::string RunSingle(const std::string& argument, bool presentOnly = true) {
  RunOptions options;
  options.mode = ListMode::interface;
  options.presentOnly = presentOnly;
  options.classGuid = argument;
  std::ostringstream out;
  RunSingleInterfaceClass(options, out);
  return out.str();
}

TEST_F(ListDeviceInterfacesTest, SingleRunNamesTheClassFromTheCatalogue) {
  AddKeyboard(0);
  const std::string listing = "*** GUID_DEVINTERFACE_KEYBOARD {884B96C3-56ef-11D1-BC8C-00A0C91405DD}\n" + Block(0) + "\n";
  EXPECT_EQ(listing, RunSingle("{884B96C3-56ef-11D1-BC8C-00A0C91405DD}"));
  // The volume GUID stands three times; the first row's name wins.
  EXPECT_EQ("*** GUID_DEVINTERFACE_VOLUME {53f5630d-b6bf-11d0-94f2-00a0c91efb8b}\n\n",
            RunSingle("{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}"));
}

TEST_F(ListDeviceInterfacesTest, SingleRunAlwaysStartsWithAHeading) {
  AddKeyboard(0, false);
  const struct {
    const char* argument;
    bool presentOnly;
    const char* expected;
  } cases[] = {
      {"{884b96c3-56ef-11d1-bc8c-00a0c91405dd}", true,
       "*** GUID_DEVINTERFACE_KEYBOARD {884b96c3-56ef-11d1-bc8c-00a0c91405dd}\n\n"},
      {"{12345678-1234-1234-1234-123456789abc}", true, "*** interface {12345678-1234-1234-1234-123456789abc}\n\n"},
      {"{", true, "*** interface {\nUnable to convert to guid.\n\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, RunSingle(c.argument, c.presentOnly)) << c.argument;
  EXPECT_EQ("*** GUID_DEVINTERFACE_KEYBOARD {884b96c3-56ef-11d1-bc8c-00a0c91405dd}\n" + Block(0) + "\n",
            RunSingle("{884b96c3-56ef-11d1-bc8c-00a0c91405dd}", false));
}

}  // namespace
}  // namespace devlist
