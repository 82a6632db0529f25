// The network scan over small trees: software interfaces and how they are numbered.
#include <string>
#include <vector>

#include "interface_listing.h"
#include "scratch_tree.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::InterfacePathsOf;
using testing::ScratchTree;
using testing::TextProperty;

using ScanNetTest = testing::DeviceModelTest;

TEST_F(ScanNetTest, SoftwareInterfacesAreNumberedInDecimal) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  // Twelve dummies, so the numbers run past 9 numbered in name order, where dummy10 comes before dummy2.
  for (int i = 0; i < 12; ++i) {
    const std::string name = "dummy" + std::to_string(i);
    t.ClassDevice("net", "devices/virtual/net/" + name, "INTERFACE=" + name + "\n");
    t.File("devices/virtual/net/" + name + "/type", "1\n");
  }
  ScanSysfs(t.root());
  static const struct {
    const char* id;
    const char* name;
    const char* driverKey;
  } cases[] = {
      {"ROOT\\NET\\0000", "Dummy Network Adapter (dummy0)", "{4d36e972-e325-11ce-bfc1-08002be10318}\\0000"},
      {"ROOT\\NET\\0002", "Dummy Network Adapter (dummy10)", "{4d36e972-e325-11ce-bfc1-08002be10318}\\0002"},
      {"ROOT\\NET\\0009", "Dummy Network Adapter (dummy7)", "{4d36e972-e325-11ce-bfc1-08002be10318}\\0009"},
      {"ROOT\\NET\\0010", "Dummy Network Adapter (dummy8)", "{4d36e972-e325-11ce-bfc1-08002be10318}\\0010"},
      {"ROOT\\NET\\0011", "Dummy Network Adapter (dummy9)", "{4d36e972-e325-11ce-bfc1-08002be10318}\\0011"},
  };
  for (const auto& c : cases) {
    const model::Device* d = model::FindDevice(c.id);
    ASSERT_NE(nullptr, d) << c.id;
    EXPECT_EQ(c.name, TextProperty(*d, "NAME")) << c.id;
    EXPECT_EQ(c.driverKey, TextProperty(*d, "Device_Driver")) << c.id;
  }
  EXPECT_EQ(nullptr, model::FindDevice("ROOT\\NET\\000A"));
  EXPECT_EQ(12u, model::Devices().size());
}

// An interface name may hold any byte but "/": what the listing shows of it is valid UTF-8 without a control
// character, the same in the name and in the device path.
TEST_F(ScanNetTest, AnyByteOfAnInterfaceNameIsShownAsValidText) {
  static const struct {
    const char* what;
    std::string name;
    std::string shown;
  } cases[] = {
      {"8-bit CSI and ESC", "eth\x9B" "2J\x1Bz", "eth?2J?z"},
      {"C1 CSI in UTF-8", "eth\xC2\x9B" "2J", "eth?2J"},
      {"DEL and a tab", "e\x7Fth\t0", "e?th?0"},
      {"overlong slash", "a\xC0\xAF" "b", "a?b"},
      {"lone continuation bytes", "a\x80\xBF" "b", "a??b"},
      {"cut short", "a\xE2\x82", "a??"},
      {"encoded surrogate", "a\xED\xA0\x80" "b", "a?b"},
      {"valid multibyte kept", "w\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "w\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    t.ClassDevice("net", "devices/virtual/net/" + c.name, "INTERFACE=" + c.name + "\n");
    t.File("devices/virtual/net/" + c.name + "/type", "1\n");
    ScanSysfs(t.root());
    const model::Device* d = model::FindDevice("ROOT\\NET\\0000");
    ASSERT_NE(nullptr, d) << c.what;
    EXPECT_EQ("Virtual Network Adapter (" + c.shown + ")", TextProperty(*d, "NAME")) << c.what;
    EXPECT_EQ(std::vector<std::string>{"/sys/class/net/" + c.shown}, InterfacePathsOf("ROOT\\NET\\0000")) << c.what;
    EXPECT_EQ("*** NET {cac88484-7515-4c03-82e6-71a87abac361}\n"
              "DeviceID: ROOT\\NET\\0000\n"
              "Interface class: {cac88484-7515-4c03-82e6-71a87abac361}\n"
              "Flags: 1\n"
              "Setup class: {4d36e972-e325-11ce-bfc1-08002be10318}\n"
              "Device path: /sys/class/net/" + c.shown + "\n\n",
              ListDeviceInterfaces("NET", TEXT16("{cac88484-7515-4c03-82e6-71a87abac361}"), true))
        << c.what;
  }
}

}  // namespace
}  // namespace devlist
