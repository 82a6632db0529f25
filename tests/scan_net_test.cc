// The network scan over small trees: software interfaces and how they are numbered.
#include <string>

#include "scratch_tree.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

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

}  // namespace
}  // namespace devlist
