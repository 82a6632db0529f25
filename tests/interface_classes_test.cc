#include "interface_classes.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ansi_code_page.h"
#include "device_model.h"
#include "test_support.h"

namespace devlist {
namespace {

std::string Narrow(const WCHAR* text) { return model::Utf16ToUtf8(std::u16string(text)); }

struct FlatRow {
  std::size_t group;
  std::string name;
  std::string guid;
};

std::vector<FlatRow> Flatten() {
  std::vector<FlatRow> rows;
  for (std::size_t g = 0; g < kInterfaceClassGroupCount; ++g) {
    for (const InterfaceClassRow& row : InterfaceClassCatalogue[g].rows) {
      rows.push_back({g + 1, row.className, Narrow(row.guidText)});
    }
  }
  return rows;
}

TEST(InterfaceClassCatalogue, GroupsInOrderWithTheirSizes) {
  const struct {
    const char* heading;
    std::size_t rows;
  } groups[] = {
      {"Classes for 1394 and 61883 Devices", 2},      {"Classes for Battery and ACPI devices", 8},
      {"Classes for Bluetooth Devices", 1},           {"Classes for Display and Image Devices", 8},
      {"Classes for Interactive Input Devices", 3},   {"Classes for Modem Devices", 1},
      {"Classes for Network Devices", 1},             {"Classes for Sensor Devices", 1},
      {"Classes for Serial and Parallel Port Devices", 4}, {"Classes for Storage Devices", 12},
      {"Classes for Kernel Streaming Media Devices", 38},  {"Classes for USB Devices", 3},
      {"Classes for Windows Portable Devices", 2},    {"Classes for Windows SideShow Devices", 1},
      {"Classes for ZORBEMA", 1},
  };
  ASSERT_EQ(std::size(groups), kInterfaceClassGroupCount);
  std::size_t total = 0;
  for (std::size_t g = 0; g < kInterfaceClassGroupCount; ++g) {
    EXPECT_STREQ(groups[g].heading, InterfaceClassCatalogue[g].heading) << g + 1;
    EXPECT_EQ(groups[g].rows, InterfaceClassCatalogue[g].rows.size()) << groups[g].heading;
    total += InterfaceClassCatalogue[g].rows.size();
  }
  EXPECT_EQ(86u, total);
}

TEST(InterfaceClassCatalogue, RowsSomeoneCouldBreak) {
  const std::vector<FlatRow> rows = Flatten();
  ASSERT_EQ(86u, rows.size());
  const struct {
    std::size_t number;  // 1-based row number
    const char* name;
    const char* guid;
  } cases[] = {
      {1, "BUS1394_CLASS_GUID", "{6BDD1FC1-810F-11d0-BEC7-08002BE2092F}"},
      {5, "GUID_DEVICE_LID", "{4AFA3D52-74A7-11d0-be5e-00A0C9062857}"},
      {21, "GUID_DEVINTERFACE_KEYBOARD", "{884b96c3-56ef-11d1-bc8c-00a0c91405dd}"},
      {22, "GUID_DEVINTERFACE_MOUSE", "{378DE44C-56EF-11D1-BC8C-00A0C91405DD}"},
      {32, "GUID_DEVINTERFACE_DISK", "{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}"},
      {38, "GUID_DEVINTERFACE_VOLUME", "{53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}"},
      {39, "GUID_DEVINTERFACE_WRITEONCEDISK", "{53F5630C-B6BF-11D0-94F2-00A0C91EFB8B}"},
      {40, "GUID_IO_VOLUME_DEVICE_INTERFACE", "{53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}"},
      {41, "MOUNTDEV_MOUNTED_DEVICE_GUID", "{53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}"},
      {44, "KSCATEGORY_MICROPHONE_ARRAY_PROCESSOR", "{830a44f2-a32d-476b-be97-42845673b35a}"},
      {79, "KSMFT_CATEGORY_OTHER", "{90175d57-b7ea-4901-aeb3-933a8747756f}"},
      {86, "GUID_DEVINTERFACE_ZORBEMA", "{e768c1e7-986a-404d-bbf3-748b5dce914a}"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.name, rows[c.number - 1].name) << c.number;
    EXPECT_EQ(c.guid, rows[c.number - 1].guid) << c.number;
  }
}

TEST(InterfaceClassCatalogue, EveryGuidParsesAndOnlyTheVolumeGuidRepeats) {
  const std::vector<FlatRow> rows = Flatten();
  std::vector<std::string> names;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const GUID guid = testing::GuidFrom(rows[i].guid);
    names.push_back(rows[i].name);
    for (std::size_t j = 0; j < i; ++j) {
      EXPECT_NE(rows[i].name, rows[j].name);
      if (guid == testing::GuidFrom(rows[j].guid)) {
        EXPECT_EQ("{53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}", rows[i].guid) << rows[i].name << " " << rows[j].name;
      }
    }
  }
}

class InterfaceSweep : public testing::DeviceModelTest {};

const GUID kDiskClassGuid = {0x4d36e967, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const GUID kVolumeClass = {0x71a27cdd, 0x812a, 0x11d0, {0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f}};
const GUID kDiskInterface = {0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
const GUID kVolumeInterface = {0x53f5630d, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
const GUID kWriteOnceInterface = {0x53f5630c, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
const GUID kZorbemaInterface = {0xe768c1e7, 0x986a, 0x404d, {0xbb, 0xf3, 0x74, 0x8b, 0x5d, 0xce, 0x91, 0x4a}};
const GUID kUncataloguedInterface = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

std::string Sweep(bool presentOnly) {
  std::ostringstream out;
  SweepInterfaceClasses(presentOnly, out);
  return out.str();
}

TEST_F(InterfaceSweep, EmptyMachinePrintsNothing) {
  model::AddDevice("ROOT\\THING\\0000", kDiskClassGuid);
  model::AddInterface({kUncataloguedInterface, "/dev/thing", "ROOT\\THING\\0000"});
  EXPECT_EQ("", Sweep(true));
  EXPECT_EQ("", Sweep(false));
}

TEST_F(InterfaceSweep, GroupsAndBlankLinesByteForByte) {
  model::AddDevice("SCSI\\DISK\\1", kDiskClassGuid);
  model::AddDevice("STORAGE\\VOLUME\\1", kVolumeClass);
  model::AddDevice("ROOT\\ZORBEMA\\0000", kDiskClassGuid, false);
  model::AddInterface({kDiskInterface, "/dev/sda", "SCSI\\DISK\\1"});
  model::AddInterface({kVolumeInterface, "/dev/sda1", "STORAGE\\VOLUME\\1"});
  model::AddInterface({kWriteOnceInterface, "/dev/sr9", "STORAGE\\VOLUME\\1", 0});
  model::AddInterface({kZorbemaInterface, "/dev/zorbema", "ROOT\\ZORBEMA\\0000"});

  const std::string disk = R"(*** GUID_DEVINTERFACE_DISK {53F56307-B6BF-11D0-94F2-00A0C91EFB8B}
DeviceID: SCSI\DISK\1
Interface class: {53f56307-b6bf-11d0-94f2-00a0c91efb8b}
Flags: 1
Setup class: {4d36e967-e325-11ce-bfc1-08002be10318}
Device path: /dev/sda

)";
  const std::string volumeBlock = R"(DeviceID: STORAGE\VOLUME\1
Interface class: {53f5630d-b6bf-11d0-94f2-00a0c91efb8b}
Flags: 1
Setup class: {71a27cdd-812a-11d0-bec7-08002be2092f}
Device path: /dev/sda1

)";
  const std::string volumes =
      "*** GUID_DEVINTERFACE_VOLUME {53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}\n" + volumeBlock +
      "*** GUID_IO_VOLUME_DEVICE_INTERFACE {53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}\n" + volumeBlock +
      "*** MOUNTDEV_MOUNTED_DEVICE_GUID {53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}\n" + volumeBlock;
  EXPECT_EQ("Classes for Storage Devices\n" + disk + volumes + "\n", Sweep(true));

  const std::string writeOnce = R"(*** GUID_DEVINTERFACE_WRITEONCEDISK {53F5630C-B6BF-11D0-94F2-00A0C91EFB8B}
DeviceID: STORAGE\VOLUME\1
Interface class: {53f5630c-b6bf-11d0-94f2-00a0c91efb8b}
Flags: 0
Setup class: {71a27cdd-812a-11d0-bec7-08002be2092f}
Device path: /dev/sr9

)";
  // Not present: the write-once interface (inactive) sits between the first and second volume listing, and
  // the last group, whose only class has the absent device's interface, follows the storage group directly.
  const std::string all = "Classes for Storage Devices\n" + disk + "*** GUID_DEVINTERFACE_VOLUME {53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}\n" +
                          volumeBlock + writeOnce +
                          "*** GUID_IO_VOLUME_DEVICE_INTERFACE {53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}\n" +
                          volumeBlock + "*** MOUNTDEV_MOUNTED_DEVICE_GUID {53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}\n" +
                          volumeBlock + "\n" + R"(Classes for ZORBEMA
*** GUID_DEVINTERFACE_ZORBEMA {e768c1e7-986a-404d-bbf3-748b5dce914a}
DeviceID: ROOT\ZORBEMA\0000
Interface class: {e768c1e7-986a-404d-bbf3-748b5dce914a}
Flags: 1
Setup class: {4d36e967-e325-11ce-bfc1-08002be10318}
Device path: /dev/zorbema


)";
  EXPECT_EQ(all, Sweep(false));
}

}  // namespace
}  // namespace devlist
