#include "json_listing.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "command_line.h"
#include "ansi_code_page.h"
#include "device_model.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::GuidFrom;
using testing::kDeviceDesc;
using testing::kDiskClass;
using testing::KeyFrom;
using testing::kHardwareIds;
using testing::kInstanceId;
using testing::kKeyboardClass;

const DEVPROPKEY kName = KeyFrom("{b725f130-47ef-101a-a5f1-02608c9eebac}", 10);
const DEVPROPKEY kStatus = KeyFrom("{4340a6c5-93fa-4706-972c-7b648008a5a7}", 2);
const DEVPROPKEY kProblem = KeyFrom("{4340a6c5-93fa-4706-972c-7b648008a5a7}", 3);
const DEVPROPKEY kIsPresent = KeyFrom("{540b947e-8b40-45bc-a8a2-6a0b894cbda2}", 5);

class JsonListingTest : public testing::DeviceModelTest {
 protected:
  static model::Device& AddDevice(const std::string& id, const char* classGuid, bool present = true) {
    model::Device& device = model::AddDevice(id, GuidFrom(classGuid), present);
    model::SetStringProperty(device, kInstanceId, model::Utf8ToUtf16(id));
    return device;
  }

  // The run's whole output, which must be one strictly valid document ending in one line end.
  static std::string Run(std::vector<const char*> args) {
    args.insert(args.begin(), "devlist");
    args.push_back("json");
    std::ostringstream out;
    EXPECT_EQ(0, RunCommandLine(static_cast<int>(args.size()), args.data(), out));
    const std::string text = out.str();
    EXPECT_TRUE(nlohmann::json::accept(text)) << text;
    EXPECT_EQ('\n', text.empty() ? ' ' : text.back());
    return text;
  }
};

// A status that could not be read carries its error, as every other property does.
TEST_F(JsonListingTest, AStatusThatCannotBeReadCarriesItsError) {
  model::Device& disk = AddDevice("SCSI\\DISK\\1", kDiskClass);
  model::SetProperty(disk, kStatus, DEVPROP_TYPE_STRING, std::vector<BYTE>(300, 0x31));
  int reads = 0;
  model::SetReadHook(disk, kStatus, [&reads](model::Property&) { return ++reads == 2 ? DWORD{13} : DWORD{0}; });
  const nlohmann::json document = nlohmann::json::parse(Run({}));
  EXPECT_EQ("Error retrieving property: 13",
            document["classes"][0]["devices"][0]["properties"]["Device_DevNodeStatus"].get<std::string>());
}

TEST_F(JsonListingTest, SetupSweepShowsTheClassesWithDevicesInCatalogueOrder) {
  model::Device& disk = AddDevice("SCSI\\DISK\\1", kDiskClass);
  model::SetStringProperty(disk, kDeviceDesc, u"Disk \u00e9");
  model::SetStringListProperty(disk, kHardwareIds, {u"SCSI\\DISK", u"GenDisk"});
  model::SetUint32Property(disk, kStatus, 0x0A);  // DN_DRIVER_LOADED, DN_STARTED
  model::SetUint32Property(disk, kProblem, 0);
  model::SetBoolProperty(disk, kIsPresent, true);
  model::SetStringProperty(disk, kName, u"Disk one");
  AddDevice("ACPI\\PNP0303\\0", kKeyboardClass);
  AddDevice("SCSI\\DISK\\2", kDiskClass, false);  // not present: only in the not-present sweep
  // The Keyboard class comes after Disk Drives in the catalogue; the empty classes are left out.
  EXPECT_EQ(
      "{\"devlist\":\"" DEVLIST_VERSION_FOR_TESTS
      "\",\"schema\":1,\"platform\":\"linux\",\"listing\":\"setup\",\"presentOnly\":true,\"classes\":[\n"
      "{\"name\":\"Disk Drives\",\"guid\":\"{4d36e967-e325-11ce-bfc1-08002be10318}\",\"devices\":[\n"
      "{\"instanceId\":\"SCSI\\\\DISK\\\\1\",\"properties\":{\"NAME\":\"Disk one\",\"Device_DeviceDesc\":"
      "\"Disk \xc3\xa9\",\"Device_HardwareIds\":[\"SCSI\\\\DISK\",\"GenDisk\"],\"Device_InstanceId\":"
      "\"SCSI\\\\DISK\\\\1\",\"Device_DevNodeStatus\":{\"value\":10,\"flags\":[\"DN_DRIVER_LOADED\","
      "\"DN_STARTED\"]},\"Device_ProblemCode\":0,\"Device_IsPresent\":true}}\n"
      "]},\n"
      "{\"name\":\"Keyboard\",\"guid\":\"{4d36e96b-e325-11ce-bfc1-08002be10318}\",\"devices\":[\n"
      "{\"instanceId\":\"ACPI\\\\PNP0303\\\\0\",\"properties\":{\"Device_InstanceId\":\"ACPI\\\\PNP0303\\\\0\"}}\n"
      "]}\n"
      "]}\n",
      Run({}));
  const nlohmann::json all = nlohmann::json::parse(Run({"not-present"}));
  EXPECT_FALSE(all["presentOnly"].get<bool>());
  ASSERT_EQ(2u, all["classes"].size());
  EXPECT_EQ(2u, all["classes"][0]["devices"].size());
  EXPECT_EQ("SCSI\\DISK\\2", all["classes"][0]["devices"][1]["instanceId"]);
}

TEST_F(JsonListingTest, EmptySweepsAreEmptyArrays) {
  EXPECT_NE(std::string::npos, Run({}).find("\"classes\":[]}\n"));
  EXPECT_NE(std::string::npos, Run({"interface"}).find("\"listing\":\"interface\",\"presentOnly\":true,\"groups\":[]}\n"));
}

TEST_F(JsonListingTest, DeviceWithoutPropertiesHasNullIdAndEmptyProperties) {
  model::AddDevice("SCSI\\DISK\\1", GuidFrom(kDiskClass));
  const nlohmann::json document = nlohmann::json::parse(Run({}));
  EXPECT_EQ(R"({"instanceId":null,"properties":{}})", document["classes"][0]["devices"][0].dump());
}

TEST_F(JsonListingTest, SingleSetupClassIsAlwaysThereWithItsFailure) {
  AddDevice("SCSI\\DISK\\1", kDiskClass);
  model::FailClass(GuidFrom(kKeyboardClass));
  const struct {
    const char* typed;
    const char* classJson;
  } cases[] = {
      {"{", R"({"name":"setup","guid":"{","error":"Unable to convert to guid.","devices":[]})"},
      {"{50127dc3-0f36-415e-a6cc-4cb3be910b65}",
       R"({"name":"setup","guid":"{50127dc3-0f36-415e-a6cc-4cb3be910b65}","devices":[]})"},
      {"{4D36E96B-E325-11CE-BFC1-08002BE10318}",
       R"({"name":"setup","guid":"{4D36E96B-E325-11CE-BFC1-08002BE10318}","error":"Unable to retrieve device info.","devices":[]})"},
      {"{4D36E967-E325-11CE-BFC1-08002BE10318}",
       R"({"name":"setup","guid":"{4D36E967-E325-11CE-BFC1-08002BE10318}","devices":[{"instanceId":"SCSI\\DISK\\1","properties":{"Device_InstanceId":"SCSI\\DISK\\1"}}]})"},
  };
  for (const auto& c : cases) {
    const nlohmann::ordered_json document = nlohmann::ordered_json::parse(Run({c.typed}));
    ASSERT_EQ(1u, document["classes"].size()) << c.typed;
    EXPECT_EQ(c.classJson, document["classes"][0].dump()) << c.typed;
  }
}

TEST_F(JsonListingTest, InterfaceSweepGroupsClassesAndInterfaces) {
  const GUID keyboardInterface = GuidFrom("{884b96c3-56ef-11d1-bc8c-00a0c91405dd}");
  const GUID hidInterface = GuidFrom("{4D1E55B2-F16F-11CF-88CB-001111000030}");
  const GUID netInterface = GuidFrom("{CAC88484-7515-4C03-82E6-71A87ABAC361}");
  AddDevice("ACPI\\PNP0303\\0", kKeyboardClass);
  model::AddInterface({keyboardInterface, "/dev/input/event0", "ACPI\\PNP0303\\0"});
  model::AddInterface({hidInterface, "/dev/hidraw0", "ACPI\\PNP0303\\0", 0});  // not active
  model::AddInterface({netInterface, "/sys/class/net/eth0", "ACPI\\PNP0303\\0"});
  EXPECT_EQ(
      "{\"devlist\":\"" DEVLIST_VERSION_FOR_TESTS
      "\",\"schema\":1,\"platform\":\"linux\",\"listing\":\"interface\",\"presentOnly\":true,\"groups\":[\n"
      "{\"name\":\"Classes for Interactive Input Devices\",\"classes\":[\n"
      "{\"name\":\"GUID_DEVINTERFACE_KEYBOARD\",\"guid\":\"{884b96c3-56ef-11d1-bc8c-00a0c91405dd}\",\"interfaces\":[\n"
      "{\"deviceId\":\"ACPI\\\\PNP0303\\\\0\",\"interfaceClass\":\"{884b96c3-56ef-11d1-bc8c-00a0c91405dd}\","
      "\"flags\":1,\"setupClass\":\"{4d36e96b-e325-11ce-bfc1-08002be10318}\",\"devicePath\":\"/dev/input/event0\"}\n"
      "]}\n"
      "]},\n"
      "{\"name\":\"Classes for Network Devices\",\"classes\":[\n"
      "{\"name\":\"GUID_DEVINTERFACE_NET\",\"guid\":\"{CAC88484-7515-4C03-82E6-71A87ABAC361}\",\"interfaces\":[\n"
      "{\"deviceId\":\"ACPI\\\\PNP0303\\\\0\",\"interfaceClass\":\"{cac88484-7515-4c03-82e6-71a87abac361}\","
      "\"flags\":1,\"setupClass\":\"{4d36e96b-e325-11ce-bfc1-08002be10318}\",\"devicePath\":\"/sys/class/net/eth0\"}\n"
      "]}\n"
      "]}\n"
      "]}\n",
      Run({"interface"}));
  // Without the filter the inactive HID interface joins its group, before the keyboard's class.
  const nlohmann::json all = nlohmann::json::parse(Run({"interface", "not-present"}));
  ASSERT_EQ(2u, all["groups"].size());
  ASSERT_EQ(2u, all["groups"][0]["classes"].size());
  EXPECT_EQ("GUID_DEVINTERFACE_HID", all["groups"][0]["classes"][0]["name"]);
  EXPECT_EQ(0, all["groups"][0]["classes"][0]["interfaces"][0]["flags"]);
}

TEST_F(JsonListingTest, SingleInterfaceClassIsOneUnnamedGroup) {
  const struct {
    const char* typed;
    const char* groupJson;
  } cases[] = {
      {"{884B96C3-56EF-11D1-BC8C-00A0C91405DD}",
       R"({"name":null,"classes":[{"name":"GUID_DEVINTERFACE_KEYBOARD","guid":"{884B96C3-56EF-11D1-BC8C-00A0C91405DD}","interfaces":[]}]})"},
      {"{8f0c2d4e-1a3b-4c5d-9e6f-7a8b9c0d1e2f}",
       R"({"name":null,"classes":[{"name":"interface","guid":"{8f0c2d4e-1a3b-4c5d-9e6f-7a8b9c0d1e2f}","interfaces":[]}]})"},
      {"{not-a-guid}",
       R"({"name":null,"classes":[{"name":"interface","guid":"{not-a-guid}","error":"Unable to convert to guid.","interfaces":[]}]})"},
  };
  for (const auto& c : cases) {
    const nlohmann::ordered_json document = nlohmann::ordered_json::parse(Run({"interface", c.typed}));
    ASSERT_EQ(1u, document["groups"].size()) << c.typed;
    EXPECT_EQ(c.groupJson, document["groups"][0].dump()) << c.typed;
  }
}

}  // namespace
}  // namespace devlist
