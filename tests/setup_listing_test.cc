#include "setup_listing.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "command_line.h"
#include "ansi_code_page.h"
#include "device_model.h"
#include "platform.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::GuidFrom;
using testing::KeyFrom;

using testing::kDiskClass;
using testing::kDeviceDesc;
using testing::kInstanceId;

class SetupListingTest : public testing::DeviceModelTest {
 protected:
  void AddDisk(const std::string& id, const std::u16string& description, bool present = true) {
    model::Device& disk = model::AddDevice(id, GuidFrom(kDiskClass), present);
    model::SetStringProperty(disk, kDeviceDesc, description);
    model::SetStringProperty(disk, kInstanceId, model::Utf8ToUtf16(id));
  }

  static std::string Single(const std::string& typed, bool presentOnly = true) {
    RunOptions options;
    options.classGuid = typed;
    options.presentOnly = presentOnly;
    std::ostringstream out;
    RunSingleSetupClass(options, out);
    return out.str();
  }
};

TEST_F(SetupListingTest, TextsThatAreNotAGuid) {
  AddDisk("SCSI\\DISK\\1", u"Disk");
  const struct {
    WideText text;
  } cases[] = {{TEXT16("{")}, {TEXT16("")}, {TEXT16("Error converting from ansi.")},
               {TEXT16("4d36e967-e325-11ce-bfc1-08002be10318")}, {TEXT16("{4d36e967-e325-11ce-bfc1-08002be1031}")}};
  for (const auto& c : cases) {
    EXPECT_EQ("Unable to convert to guid.\n", ListSetupClassDevices(c.text, true))
        << model::Utf16ToUtf8(std::u16string(c.text.begin(), c.text.end()));
  }
}

TEST_F(SetupListingTest, ClassThatCannotBeOpened) {
  AddDisk("SCSI\\DISK\\1", u"Disk");
  model::FailClass(GuidFrom(kDiskClass));
  EXPECT_EQ("Unable to retrieve device info.\n",
            ListSetupClassDevices(TEXT16("{4d36e967-e325-11ce-bfc1-08002be10318}"), true));
}

TEST_F(SetupListingTest, EmptyClassGivesEmptyText) {
  AddDisk("SCSI\\DISK\\1", u"Disk");
  EXPECT_EQ("", ListSetupClassDevices(TEXT16("{4d36e96b-e325-11ce-bfc1-08002be10318}"), true));
}

TEST_F(SetupListingTest, EachDeviceBetweenTwoLineEnds) {
  AddDisk("SCSI\\DISK\\1", u"First disk");
  AddDisk("SCSI\\DISK\\2", u"Second disk");
  model::AddDevice("HID\\KBD\\1", GuidFrom("{4d36e96b-e325-11ce-bfc1-08002be10318}"));
  EXPECT_EQ(R"(
Device_DeviceDesc : First disk
Device_InstanceId : SCSI\DISK\1


Device_DeviceDesc : Second disk
Device_InstanceId : SCSI\DISK\2

)",
            ListSetupClassDevices(TEXT16("{4d36e967-e325-11ce-bfc1-08002be10318}"), true));
  // Digits in either case name the same class.
  EXPECT_EQ(ListSetupClassDevices(TEXT16("{4d36e967-e325-11ce-bfc1-08002be10318}"), true),
            ListSetupClassDevices(TEXT16("{4D36E967-E325-11CE-BFC1-08002BE10318}"), true));
}

// A name of more than 64 CJK characters (three bytes each in UTF-8) is printed in full, not as the fallback text.
TEST_F(SetupListingTest, LongNameOfMultiByteCharactersInFull) {
  for (const std::size_t count : {std::size_t{65}, std::size_t{1000}}) {
    model::Clear();
    std::string name;
    for (std::size_t i = 0; i < count; ++i) name += "\xe6\x97\xa5";
    AddDisk("SCSI\\DISK\\1", std::u16string(count, u'\u65e5'));
    EXPECT_EQ("\nDevice_DeviceDesc : " + name + "\nDevice_InstanceId : SCSI\\DISK\\1\n\n",
              ListSetupClassDevices(TEXT16("{4d36e967-e325-11ce-bfc1-08002be10318}"), true))
        << count;
  }
}

TEST_F(SetupListingTest, DeviceWithoutTextStillHasItsBlock) {
  model::AddDevice("SCSI\\DISK\\1", GuidFrom(kDiskClass));
  EXPECT_EQ("\n\n", ListSetupClassDevices(TEXT16("{4d36e967-e325-11ce-bfc1-08002be10318}"), true));
}

TEST_F(SetupListingTest, PresenceFilter) {
  AddDisk("SCSI\\DISK\\1", u"Here");
  AddDisk("SCSI\\DISK\\2", u"Gone", false);
  const WideText guid = TEXT16("{4d36e967-e325-11ce-bfc1-08002be10318}");
  EXPECT_EQ("\nDevice_DeviceDesc : Here\nDevice_InstanceId : SCSI\\DISK\\1\n\n", ListSetupClassDevices(guid, true));
  EXPECT_EQ(
      "\nDevice_DeviceDesc : Here\nDevice_InstanceId : SCSI\\DISK\\1\n\n"
      "\nDevice_DeviceDesc : Gone\nDevice_InstanceId : SCSI\\DISK\\2\n\n",
      ListSetupClassDevices(guid, false));
}

TEST_F(SetupListingTest, SingleRunHeadingAndListing) {
  AddDisk("SCSI\\DISK\\1", u"Disk");
  model::AddDevice("USB\\VID_1\\1", GuidFrom("{88BAE032-5A81-49f0-BC3D-A4FF138216D6}"));
  model::FailClass(GuidFrom("{4d36e96b-e325-11ce-bfc1-08002be10318}"));
  const struct {
    const char* typed;
    const char* output;
  } cases[] = {
      {"{", "*** setup {\nUnable to convert to guid.\n\n"},
      {"{50127dc3-0f36-415e-a6cc-4cb3be910b65}", "*** setup {50127dc3-0f36-415e-a6cc-4cb3be910b65}\n\n"},
      {"{4d36e96b-e325-11ce-bfc1-08002be10318}",
       "*** setup {4d36e96b-e325-11ce-bfc1-08002be10318}\nUnable to retrieve device info.\n\n"},
      // Echoed as typed, whatever the case.
      {"{4D36E967-E325-11CE-BFC1-08002BE10318}",
       "*** setup {4D36E967-E325-11CE-BFC1-08002BE10318}\n\nDevice_DeviceDesc : Disk\n"
       "Device_InstanceId : SCSI\\DISK\\1\n\n\n"},
      {"{88bae032-5a81-49F0-bc3d-a4ff138216d6}", "*** setup {88bae032-5a81-49F0-bc3d-a4ff138216d6}\n\n\n\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.output, Single(c.typed)) << c.typed;
}

TEST_F(SetupListingTest, SingleRunPassesThePresenceFilter) {
  AddDisk("SCSI\\DISK\\2", u"Gone", false);
  EXPECT_EQ("*** setup {4d36e967-e325-11ce-bfc1-08002be10318}\n\n", Single(kDiskClass, true));
  EXPECT_EQ(
      "*** setup {4d36e967-e325-11ce-bfc1-08002be10318}\n\nDevice_DeviceDesc : Gone\n"
      "Device_InstanceId : SCSI\\DISK\\2\n\n\n",
      Single(kDiskClass, false));
}

}  // namespace
}  // namespace devlist
