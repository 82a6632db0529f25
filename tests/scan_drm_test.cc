// The display scan over small trees: a card's node on its display adapter, and a monitor for each connected
// connector with an EDID.
#include <string>
#include <vector>

#include "scratch_tree.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::ClassOf;
using testing::IdsStartingWith;
using testing::InterfacePathsOf;
using testing::ScratchTree;
using testing::TextProperty;

using ScanDrmTest = testing::DeviceModelTest;

constexpr const char* kAdapter = "PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&10";

// An EDID of maker "DEL", product A0B1, named "DELL U2415".
std::string Edid() {
  std::string e(128, '\0');
  const unsigned char header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x10, 0xAC, 0xB1, 0xA0};
  for (std::size_t i = 0; i < sizeof header; ++i) e[i] = static_cast<char>(header[i]);
  e[57] = static_cast<char>(0xFC);
  e.replace(59, 13, "DELL U2415\n  ");
  return e;
}

TEST_F(ScanDrmTest, AConnectedConnectorWithAnEdidIsAMonitor) {
  static const struct {
    const char* what;
    const char* status;
    std::string edid;
    bool monitor;
  } cases[] = {
      {"connected", "connected", Edid(), true},
      {"disconnected", "disconnected", Edid(), false},
      {"connected, no EDID", "connected", "", false},
      {"connected, a short EDID", "connected", Edid().substr(0, 127), false},
      {"connected, not an EDID", "connected", std::string(128, 'x'), false},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    t.Pci("0000:00:02.0", "0x8086", "0x030000");
    const std::string card = "devices/pci0000:00/0000:00:02.0/drm/card0";
    t.ClassDevice("drm", card);
    t.ClassDevice("drm", card + "/card0-HDMI-A-1");
    t.File(card + "/card0-HDMI-A-1/status", std::string(c.status) + "\n");
    t.File(card + "/card0-HDMI-A-1/connector_id", "77\n");
    if (!c.edid.empty()) t.File(card + "/card0-HDMI-A-1/edid", c.edid);
    ScanSysfs(t.root());
    EXPECT_EQ("Display", ClassOf(kAdapter)) << c.what;
    EXPECT_EQ(std::vector<std::string>{"/dev/dri/card0"}, InterfacePathsOf(kAdapter)) << c.what;
    const auto monitors = IdsStartingWith("DISPLAY\\");
    ASSERT_EQ(c.monitor ? 1u : 0u, monitors.size()) << c.what;
    if (!c.monitor) continue;
    EXPECT_EQ(0u, monitors[0].rfind("DISPLAY\\DELA0B1\\", 0)) << monitors[0];
    EXPECT_EQ("UID77", monitors[0].substr(monitors[0].size() - 5)) << monitors[0];
    EXPECT_EQ("Monitor", ClassOf(monitors[0]));
    const model::Device* m = model::FindDevice(monitors[0]);
    EXPECT_EQ("DELL U2415", TextProperty(*m, "Device_FriendlyName"));
    EXPECT_EQ("MONITOR\\DELA0B1", TextProperty(*m, "Device_HardwareIds"));
    EXPECT_EQ(std::vector<std::string>{"/sys/class/drm/card0-HDMI-A-1"}, InterfacePathsOf(monitors[0]));
  }
}

}  // namespace
}  // namespace devlist
