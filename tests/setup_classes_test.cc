#include "setup_classes.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "device_model.h"
#include "platform.h"
#include "test_support.h"
#include "text.h"

namespace devlist {
namespace {

using testing::GuidFrom;
using testing::KeyFrom;

TEST(SetupClassCatalogue, RowsAndGuids) {
  ASSERT_EQ(48u, SetupClassCatalogue.size());
  std::set<std::string> guids;
  for (const SetupClassRow& row : SetupClassCatalogue) {
    // Parsed, then compared in one case: no class may come twice, however its text is written.
    EXPECT_TRUE(guids.insert(GuidToText(GuidFrom(row.guidText))).second) << row.displayName;
  }
  const struct {
    std::size_t row;  // 1-based, in sweep order
    const char* name;
    const char* guid;
  } cases[] = {
      {1, "Bluetooth Devices", "{e0cbf06c-cd8b-4647-bb8a-263b43f0f974}"},
      {3, "Global Positioning System/Global Navigation Satellite System", "{6bdd1fc3-810f-11d0-bec7-08002be2092f}"},
      {34, "Disk Drives", "{4d36e967-e325-11ce-bfc1-08002be10318}"},
      {39, "IEEE 1394 Devices That Support the 61883 Protocol", "{7ebefbc0-3200-11d2-b4c2-00a0C9697d07}"},
      {42, "USB Device", "{88BAE032-5A81-49f0-BC3D-A4FF138216D6}"},
      {44, "Ports (COM & LPT ports)", "{4d36e978-e325-11ce-bfc1-08002be10318}"},
      {46, "Keyboard", "{4d36e96b-e325-11ce-bfc1-08002be10318}"},
      {47, "Biometric Device", "{53D29EF7-377C-4D14-864B-EB3A85769359}"},
      {48, "Camera", "{CA3E7AB9-B4C3-4AE6-8251-579EF933890F}"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(c.name, SetupClassCatalogue[c.row - 1].displayName) << "row " << c.row;
    EXPECT_STREQ(c.guid, SetupClassCatalogue[c.row - 1].guidText) << "row " << c.row;
  }
}

using testing::kDeviceDesc;

class SweepSetupClassesTest : public testing::DeviceModelTest {
 protected:
  void Add(const std::string& id, const char* classGuid, const std::u16string& description, bool present = true) {
    model::Device& device = model::AddDevice(id, GuidFrom(classGuid), present);
    model::SetStringProperty(device, kDeviceDesc, description);
  }

  static std::string Sweep(bool presentOnly) {
    std::ostringstream out;
    SweepSetupClasses(presentOnly, out);
    return out.str();
  }
};

TEST_F(SweepSetupClassesTest, NothingToListWritesNothing) {
  EXPECT_EQ("", Sweep(true));
  Add("ROOT\\GONE\\0", "{4d36e967-e325-11ce-bfc1-08002be10318}", u"Gone", false);
  EXPECT_EQ("", Sweep(true));
}

TEST_F(SweepSetupClassesTest, HeadingsAndBlankLinesForNoneOneAndTwoDevices) {
  // Added keyboards first and disks second: the output still follows the catalogue.
  Add("HID\\KBD\\1", "{4d36e96b-e325-11ce-bfc1-08002be10318}", u"Keyboard one");
  Add("HID\\KBD\\2", "{4d36e96b-e325-11ce-bfc1-08002be10318}", u"Keyboard two");
  Add("SCSI\\DISK\\1", "{4d36e967-e325-11ce-bfc1-08002be10318}", u"Disk");
  // A class outside the catalogue is never swept.
  Add("ROOT\\OTHER\\1", "{11111111-2222-3333-4444-555555555555}", u"Other");
  EXPECT_EQ(R"(*** Disk Drives {4d36e967-e325-11ce-bfc1-08002be10318}

Device_DeviceDesc : Disk


*** Keyboard {4d36e96b-e325-11ce-bfc1-08002be10318}

Device_DeviceDesc : Keyboard one


Device_DeviceDesc : Keyboard two


)",
            Sweep(true));
}

TEST_F(SweepSetupClassesTest, HeadingsKeepTheCatalogueLetterCase) {
  Add("USB\\VID_1\\1", "{88bae032-5a81-49f0-bc3d-a4ff138216d6}", u"Hub");
  Add("ROOT\\CAM\\1", "{ca3e7ab9-b4c3-4ae6-8251-579ef933890f}", u"Camera");
  EXPECT_EQ(
      "*** USB Device {88BAE032-5A81-49f0-BC3D-A4FF138216D6}\n\nDevice_DeviceDesc : Hub\n\n\n"
      "*** Camera {CA3E7AB9-B4C3-4AE6-8251-579EF933890F}\n\nDevice_DeviceDesc : Camera\n\n\n",
      Sweep(true));
}

TEST_F(SweepSetupClassesTest, PresenceFilterAndAClassThatCannotBeOpened) {
  Add("ACPI\\BAT\\1", "{72631e54-78a4-11d0-bcf7-00aa00b7b32a}", u"Battery", false);
  model::FailClass(GuidFrom("{4d36e96d-e325-11ce-bfc1-08002be10318}"));
  EXPECT_EQ("*** Modem {4d36e96d-e325-11ce-bfc1-08002be10318}\nUnable to retrieve device info.\n\n", Sweep(true));
  EXPECT_EQ(
      "*** Modem {4d36e96d-e325-11ce-bfc1-08002be10318}\nUnable to retrieve device info.\n\n"
      "*** Battery Devices {72631e54-78a4-11d0-bcf7-00aa00b7b32a}\n\nDevice_DeviceDesc : Battery\n\n\n",
      Sweep(false));
}

}  // namespace
}  // namespace devlist
