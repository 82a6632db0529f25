#include "device_report.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "device_model.h"
#include "platform.h"
#include "test_support.h"
#include "text.h"

namespace devlist {
namespace {

using testing::KeyFrom;

std::string KeyText(const DEVPROPKEY& key) { return GuidToText(key.fmtid) + " " + std::to_string(key.pid); }

TEST(DevicePropertyCatalogue, RowsLabelsAndKeys) {
  ASSERT_EQ(185u, DevicePropertyCatalogue.size());
  std::set<std::string> keys;
  std::set<std::string> labels;
  int statusRows = 0;
  for (std::size_t i = 0; i < DevicePropertyCatalogue.size(); ++i) {
    const DevicePropertyRow& row = DevicePropertyCatalogue[i];
    const std::string label = row.label;
    EXPECT_TRUE(label.size() > 3 && label.ends_with(" : ")) << "row " << i + 1 << ": " << label;
    EXPECT_TRUE(keys.insert(KeyText(row.key)).second) << "key twice, row " << i + 1 << ": " << label;
    EXPECT_TRUE(labels.insert(label).second) << "label twice, row " << i + 1 << ": " << label;
    if (row.kind == PropertyKind::devNodeStatus) {
      ++statusRows;
      EXPECT_EQ(36u, i) << "the status row is row 37";
    }
  }
  EXPECT_EQ(1, statusRows);
  EXPECT_STREQ("NAME : ", DevicePropertyCatalogue.front().label);
  EXPECT_STREQ("DeviceContainer_InstallInProgress : ", DevicePropertyCatalogue.back().label);
}

TEST(DevicePropertyCatalogue, RowsThatAreEasyToGetWrong) {
  const struct {
    std::size_t row;  // 1-based, as the lines come out
    const char* label;
    const char* fmtid;
    DEVPROPID pid;
  } cases[] = {
      {1, "NAME : ", "{b725f130-47ef-101a-a5f1-02608c9eebac}", 10},
      {2, "Device_DeviceDesc : ", "{a45c254e-df1c-4efd-8020-67d146a850e0}", 2},
      {5, "Device_Service : ", "{a45c254e-df1c-4efd-8020-67d146a850e0}", 6},  // after the gap at 5
      {6, "Device_Class : ", "{a45c254e-df1c-4efd-8020-67d146a850e0}", 9},    // after the gap at 7, 8
      {35, "Device_BaseContainerId : ", "{a45c254e-df1c-4efd-8020-67d146a850e0}", 38},
      {36, "Device_InstanceId : ", "{78c34fc8-104a-4aca-9ea4-524d52996e57}", 256},
      {37, "Device_DevNodeStatus : ", "{4340a6c5-93fa-4706-972c-7b648008a5a7}", 2},
      {38, "Device_ProblemCode : ", "{4340a6c5-93fa-4706-972c-7b648008a5a7}", 3},
      {51, "Device_InLocalMachineContainer : ", "{8c7ed206-3f8a-4827-b3ab-ae9e1faefc6c}", 4},
      {52, "Device_Model : ", "{78c34fc8-104a-4aca-9ea4-524d52996e57}", 39},
      {53, "Device_ModelId : ", "{80d81ea6-7473-4b0c-8216-efc11a2c4c8b}", 2},
      {60, "Device_Numa_Proximity_Domain : ", "{540b947e-8b40-45bc-a8a2-6a0b894cbda2}", 1},
      {78, "Device_FirmwareRevision : ", "{540b947e-8b40-45bc-a8a2-6a0b894cbda2}", 19},
      {79, "Device_SessionId : ", "{83da6326-97a6-4088-9453-a1923f573b29}", 6},
      {83, "Device_LastRemovalDate : ", "{83da6326-97a6-4088-9453-a1923f573b29}", 103},
      {98, "Device_NoConnectSound : ", "{a8b865dd-2e3d-4094-ad97-e593a70c75d6}", 17},  // after the gap at 16
      {100, "Device_AdditionalSoftwareRequested : ", "{a8b865dd-2e3d-4094-ad97-e593a70c75d6}", 19},
      {103, "DrvPkg_Model : ", "{cf73bb51-3abf-44a2-85e0-9a3dc7a12132}", 2},
      {109, "DeviceClass_UpperFilters : ", "{4321918b-f69e-470d-a5de-4d88c75ad24b}", 19},
      {127, "DeviceClass_DHPRebalanceOptOut : ", "{d14d3ef3-66cf-4ba2-9d38-0ddb37ab4701}", 2},
      {128, "DeviceClass_ClassCoInstallers : ", "{713d1703-a2e2-49f5-9214-56472ef3da5c}", 2},
      {133, "DeviceInterface_Restricted : ", "{026e516e-b814-414b-83cd-856d6fef4822}", 6},
      {135, "DeviceInterfaceClass_Name : ", "{14c83a99-0b3f-44b7-be4c-a178d3990564}", 3},
      {136, "DeviceContainer_Address : ", "{78c34fc8-104a-4aca-9ea4-524d52996e57}", 51},
      {180, "DeviceContainer_IsRebootRequired : ", "{78c34fc8-104a-4aca-9ea4-524d52996e57}", 108},
      // Not in identifier order: 0x3000 before 0x2000, 0x2002, 0x2003.
      {181, "DeviceContainer_FriendlyName : ", "{656a3bb3-ecc0-43fd-8477-4ae0404a96cd}", 12288},
      {182, "DeviceContainer_Manufacturer : ", "{656a3bb3-ecc0-43fd-8477-4ae0404a96cd}", 8192},
      {183, "DeviceContainer_ModelName : ", "{656a3bb3-ecc0-43fd-8477-4ae0404a96cd}", 8194},
      {184, "DeviceContainer_ModelNumber : ", "{656a3bb3-ecc0-43fd-8477-4ae0404a96cd}", 8195},
      {185, "DeviceContainer_InstallInProgress : ", "{83da6326-97a6-4088-9453-a1923f573b29}", 9},
  };
  for (const auto& c : cases) {
    const DevicePropertyRow& row = DevicePropertyCatalogue[c.row - 1];
    EXPECT_STREQ(c.label, row.label) << "row " << c.row;
    EXPECT_EQ(std::string(c.fmtid) + " " + std::to_string(c.pid), KeyText(row.key)) << "row " << c.row;
  }
}

TEST(DevicePropertyCatalogue, RowsPerPropertySetAndGaps) {
  const struct {
    const char* fmtid;
    int rows;
  } cases[] = {
      {"{a45c254e-df1c-4efd-8020-67d146a850e0}", 34},
      {"{78c34fc8-104a-4aca-9ea4-524d52996e57}", 47},  // runs of 1, 1 and 45 rows, apart
      {"{83da6326-97a6-4088-9453-a1923f573b29}", 6},   // runs of 5 and 1 row
      {"{a8b865dd-2e3d-4094-ad97-e593a70c75d6}", 17},
      {"{540b947e-8b40-45bc-a8a2-6a0b894cbda2}", 19},
  };
  for (const auto& c : cases) {
    int rows = 0;
    for (const DevicePropertyRow& row : DevicePropertyCatalogue) rows += GuidToText(row.key.fmtid) == c.fmtid;
    EXPECT_EQ(c.rows, rows) << c.fmtid;
  }
  // Identifiers the catalogue leaves out.
  const std::pair<const char*, DEVPROPID> gaps[] = {{"{a45c254e-df1c-4efd-8020-67d146a850e0}", 5},
                                                    {"{a45c254e-df1c-4efd-8020-67d146a850e0}", 7},
                                                    {"{a45c254e-df1c-4efd-8020-67d146a850e0}", 8},
                                                    {"{a8b865dd-2e3d-4094-ad97-e593a70c75d6}", 16},
                                                    {"{78c34fc8-104a-4aca-9ea4-524d52996e57}", 96}};
  for (const auto& [fmtid, pid] : gaps) {
    for (const DevicePropertyRow& row : DevicePropertyCatalogue) {
      EXPECT_NE(std::string(fmtid) + " " + std::to_string(pid), KeyText(row.key)) << row.label;
    }
  }
}

TEST(FindDevicePropertyKey, ByNameWithoutTheLabelEnd) {
  const struct {
    const char* name;
    const char* key;  // empty: no such row
  } cases[] = {
      {"NAME", "{b725f130-47ef-101a-a5f1-02608c9eebac} 10"},
      {"Device_DeviceDesc", "{a45c254e-df1c-4efd-8020-67d146a850e0} 2"},
      {"Device_InstanceId", "{78c34fc8-104a-4aca-9ea4-524d52996e57} 256"},
      {"DeviceContainer_FriendlyName", "{656a3bb3-ecc0-43fd-8477-4ae0404a96cd} 12288"},
      {"DeviceContainer_InstallInProgress", "{83da6326-97a6-4088-9453-a1923f573b29} 9"},
      {"", ""},
      {"Device_DeviceDesc : ", ""},
      {"Device_DeviceDes", ""},
      {"device_devicedesc", ""},
      {"DEVPKEY_NAME", ""},
  };
  for (const auto& c : cases) {
    const DEVPROPKEY* key = FindDevicePropertyKey(c.name);
    EXPECT_EQ(std::string(c.key), key == nullptr ? std::string() : KeyText(*key)) << '"' << c.name << '"';
  }
}

const char* const kDevice = "{a45c254e-df1c-4efd-8020-67d146a850e0}";
const char* const kDevNode = "{4340a6c5-93fa-4706-972c-7b648008a5a7}";

class BuildDeviceReportTest : public testing::OneDeviceTest {
 protected:
  std::string Report() { return ReadThroughSet(BuildDeviceReport); }
};

TEST_F(BuildDeviceReportTest, DeviceWithNoTextGivesAnEmptyReport) {
  EXPECT_EQ("", Report());
  // Properties of types without text leave no line either.
  model::SetProperty(*device_, KeyFrom(kDevice, 2), 0x1007, {1, 0, 0, 0});
  model::SetStringProperty(*device_, KeyFrom(kDevice, 14), u"");
  model::SetUint32Property(*device_, KeyFrom(kDevNode, 2), 0);
  EXPECT_EQ("", Report());
}

TEST_F(BuildDeviceReportTest, LinesInCatalogueOrderWithStatusFlags) {
  // Set out of order on purpose: the report follows the catalogue, not the device.
  model::SetUint32Property(*device_, KeyFrom(kDevNode, 3), 0);
  model::SetUint32Property(*device_, KeyFrom(kDevNode, 2), 25174026);
  model::SetStringProperty(*device_, KeyFrom("{78c34fc8-104a-4aca-9ea4-524d52996e57}", 256),
                           u"SCSI\\DISK&VEN_TEST\\0");
  model::SetStringListProperty(*device_, KeyFrom(kDevice, 3), {u"SCSI\\DiskTest", u"GenDisk"});
  model::SetStringProperty(*device_, KeyFrom(kDevice, 2), u"Disk drive");
  model::SetBoolProperty(*device_, KeyFrom("{540b947e-8b40-45bc-a8a2-6a0b894cbda2}", 5), true);
  model::SetStringProperty(*device_, KeyFrom("{656a3bb3-ecc0-43fd-8477-4ae0404a96cd}", 8192), u"Maker");
  model::SetStringProperty(*device_, KeyFrom("{656a3bb3-ecc0-43fd-8477-4ae0404a96cd}", 12288), u"My disk");
  EXPECT_EQ(R"(Device_DeviceDesc : Disk drive
Device_HardwareIds : SCSI\DiskTest
	GenDisk
Device_InstanceId : SCSI\DISK&VEN_TEST\0
Device_DevNodeStatus :)"  // the label's trailing blank, out of the raw string
            " \n"
            R"(        DN_DRIVER_LOADED
        DN_STARTED
        DN_DISABLEABLE
        DN_NT_ENUMERATOR
        DN_NT_DRIVER
Device_ProblemCode : 0
Device_IsPresent : true
DeviceContainer_FriendlyName : My disk
DeviceContainer_Manufacturer : Maker
)",
            Report());
}

TEST_F(BuildDeviceReportTest, StatusThatIsZeroOrAbsentLeavesNoLineAndAFailedReadShowsItsError) {
  model::SetStringProperty(*device_, KeyFrom("{78c34fc8-104a-4aca-9ea4-524d52996e57}", 256), u"ID");
  model::SetUint32Property(*device_, KeyFrom(kDevNode, 3), 28);
  const char* const expected = "Device_InstanceId : ID\nDevice_ProblemCode : 28\n";
  EXPECT_EQ(expected, Report()) << "absent";

  model::SetUint32Property(*device_, KeyFrom(kDevNode, 2), 0);
  EXPECT_EQ(expected, Report()) << "zero";

  // Too long for the first read, then a failing second read: the error shows, as for any property.
  model::SetProperty(*device_, KeyFrom(kDevNode, 2), DEVPROP_TYPE_STRING, std::vector<BYTE>(300, 0x31));
  int reads = 0;
  model::SetReadHook(*device_, KeyFrom(kDevNode, 2),
                     [&reads](model::Property&) { return ++reads == 2 ? DWORD{13} : DWORD{0}; });
  EXPECT_EQ("Device_InstanceId : ID\nDevice_DevNodeStatus : Error retrieving property: 13\nDevice_ProblemCode : 28\n",
            Report())
      << "unreadable";
}

TEST_F(BuildDeviceReportTest, StatusWithTopBitEndsWithBootLogProblem) {
  model::SetUint32Property(*device_, KeyFrom(kDevNode, 2), 0x80000001u);
  EXPECT_EQ("Device_DevNodeStatus : \n        DN_ROOT_ENUMERATED\n        DN_BOOT_LOG_PROB\n", Report());
}

TEST_F(BuildDeviceReportTest, ErrorTextOfAPlainRowIsItsValue) {
  model::SetStringProperty(*device_, KeyFrom(kDevice, 14), std::u16string(200, u'n'));
  int reads = 0;
  model::SetReadHook(*device_, KeyFrom(kDevice, 14),
                     [&reads](model::Property&) { return ++reads == 2 ? DWORD{13} : DWORD{0}; });
  EXPECT_EQ("Device_FriendlyName : Error retrieving property: 13\n", Report());
}

TEST_F(BuildDeviceReportTest, EveryRowWithTextGivesOneLabelledLine) {
  for (const DevicePropertyRow& row : DevicePropertyCatalogue) model::SetStringProperty(*device_, row.key, u"v");
  model::SetUint32Property(*device_, KeyFrom(kDevNode, 2), 0x8);
  std::istringstream lines(Report());
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  ASSERT_EQ(186u, all.size());  // 185 labelled lines and one flag line
  EXPECT_EQ("NAME : v", all.front());
  EXPECT_EQ("Device_DevNodeStatus : ", all[36]);
  EXPECT_EQ("        DN_STARTED", all[37]);
  EXPECT_EQ("Device_ProblemCode : v", all[38]);
  EXPECT_EQ("DeviceContainer_InstallInProgress : v", all.back());
}

// Whatever keys a device holds, each is found and every other is not: the model's key bits only ever spare a
// search for a key the device lacks. Every stride through the catalogue gives keys whose bits collide.
TEST_F(BuildDeviceReportTest, EachKeyHeldIsFoundAndNoOther) {
  for (const std::size_t stride : {2u, 3u, 5u, 7u, 64u}) {
    for (const std::size_t offset : {0u, 1u}) {
      model::Clear();
      device_ = &model::AddDevice("SCSI\\DISK&VEN_TEST\\0", testing::GuidFrom(kDiskClass));
      std::string expected;
      for (std::size_t i = 0; i < std::size(DevicePropertyCatalogue); ++i) {
        const DevicePropertyRow& row = DevicePropertyCatalogue[i];
        if (i % stride != offset || row.kind == PropertyKind::devNodeStatus) continue;
        model::SetStringProperty(*device_, row.key, u"v");
        expected += std::string(row.label) + "v\n";
      }
      EXPECT_EQ(expected, Report()) << "every " << stride << "th key from " << offset;
    }
  }
}

}  // namespace
}  // namespace devlist
