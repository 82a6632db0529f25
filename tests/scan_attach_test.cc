// The scans that only attach over small trees: serial ports, sound cards, cameras and Bluetooth radios add
// their interface to the device they are below, and nothing when no device is.
#include <string>
#include <vector>

#include "scratch_tree.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::InterfacePathsOf;
using testing::ScratchTree;

using ScanAttachTest = testing::DeviceModelTest;

constexpr const char* kFunction = "devices/pci0000:00/0000:00:16.0";
constexpr const char* kFunctionId = "PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&B0";

TEST_F(ScanAttachTest, AClassDeviceAddsItsInterfaceToTheDeviceAboveIt) {
  static const struct {
    const char* what;
    const char* cls;
    const char* below;  // the class device's path below the function, or below devices/virtual
    bool virtualDevice;
    const char* attrs;  // name=value lines
    std::vector<std::string> interfaces;
  } cases[] = {
      {"serial port", "tty", "tty/ttyS4", false, "type=4\n", {"/dev/ttyS4"}},
      {"serial port without a UART", "tty", "tty/ttyS5", false, "type=0\n", {}},
      {"virtual terminal", "tty", "tty/tty1", true, "", {}},
      {"sound card", "sound", "sound/card1", false, "", {"/dev/snd/controlC1"}},
      {"PCM node of a sound card", "sound", "sound/card1/pcmC1D0p", false, "", {}},
      {"camera", "video4linux", "video4linux/video0", false, "index=0\n", {"/dev/video0"}},
      {"camera's metadata node", "video4linux", "video4linux/video1", false, "index=1\n", {}},
      {"Bluetooth radio", "bluetooth", "bluetooth/hci0", false, "", {"/sys/class/bluetooth/hci0"}},
      {"Bluetooth connection", "bluetooth", "bluetooth/hci0/hci0:12", false, "", {}},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    t.Pci("0000:00:16.0", "0x8086", "0x078000");
    const std::string path = std::string(c.virtualDevice ? "devices/virtual" : kFunction) + "/" + c.below;
    t.ClassDevice(c.cls, path);
    if (std::string(c.cls) == "tty" && !c.virtualDevice) t.LinkTo(path + "/device", kFunction);
    const std::string attrs = c.attrs;
    for (std::size_t at = 0; at < attrs.size();) {
      const std::size_t nl = attrs.find('\n', at), eq = attrs.find('=', at);
      t.File(path + "/" + attrs.substr(at, eq - at), attrs.substr(eq + 1, nl - eq));
      at = nl + 1;
    }
    ScanSysfs(t.root());
    EXPECT_EQ(c.interfaces, InterfacePathsOf(kFunctionId)) << c.what;
    EXPECT_EQ(1u, model::Devices().size()) << c.what;  // the function alone: nothing is made of them
  }
}

}  // namespace
}  // namespace devlist
