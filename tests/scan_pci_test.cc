// The PCI scan over small trees: a function's class by its class code, its instance id by its slot, and
// its ids from whichever of uevent, attributes and configuration space can be read.
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

using ScanPciTest = testing::DeviceModelTest;

TEST_F(ScanPciTest, AFunctionIsClassedAndNamedByItsClassCode) {
  static const struct {
    const char* what;
    const char* slot;
    const char* classCode;  // "" leaves the attribute out
    bool netFolder;
    const char* id;
    const char* cls;
    const char* desc;
    std::vector<std::string> interfaces;
  } cases[] = {
      {"Ethernet", "0000:00:01.0", "0x020000", false, "PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&08",
       "Net", "Ethernet controller", {}},
      {"SATA, last slot and function", "0000:00:1f.7", "0x010601", false,
       "PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&FF", "HDC", "SATA controller", {}},
      {"NVMe", "0000:00:02.0", "0x010802", false, "PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&10",
       "SCSIAdapter", "Non-Volatile memory controller", {}},
      {"USB host", "0000:00:14.0", "0x0c0330", false, "PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&A0",
       "USB", "USB controller", {"/sys/bus/pci/devices/0000:00:14.0"}},
      {"host bridge", "0000:00:00.0", "0x060000", false, "PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&00",
       "System", "Host bridge", {}},
      {"no class code, a network interface", "0000:00:03.0", "", true,
       "PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&18", "Net", "Network controller", {}},
      {"no class code, nothing else", "0000:00:03.0", "", false,
       "PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&18", "System", "System device", {}},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    t.Pci(c.slot, "0x8086", c.classCode);
    const std::string fn = std::string("devices/pci0000:00/") + c.slot;
    if (*c.classCode == '\0') std::filesystem::remove(t.Path(fn + "/class"));
    if (c.netFolder) t.Dir(fn + "/net/eth0");
    ScanSysfs(t.root());
    ASSERT_EQ(1u, IdsStartingWith("PCI\\").size()) << c.what;
    EXPECT_EQ(c.cls, ClassOf(c.id)) << c.what;
    const model::Device* d = model::FindDevice(c.id);
    ASSERT_NE(nullptr, d) << c.what;
    EXPECT_EQ(c.desc, TextProperty(*d, "Device_DeviceDesc")) << c.what;
    EXPECT_EQ(c.interfaces, InterfacePathsOf(c.id)) << c.what;
  }
}

TEST_F(ScanPciTest, IdsFromTheUeventTheAttributesOrTheConfigurationSpace) {
  // Vendor 10ec, device 8168, revision 15, class 020000, subsystem 1043:8677.
  std::string config(64, '\0');
  const unsigned char bytes[][2] = {{0, 0xec}, {1, 0x10}, {2, 0x68}, {3, 0x81}, {8, 0x15}, {11, 0x02},
                                    {0x2c, 0x43}, {0x2d, 0x10}, {0x2e, 0x77}, {0x2f, 0x86}};
  for (const auto& b : bytes) config[b[0]] = static_cast<char>(b[1]);
  static const struct {
    const char* what;
    bool uevent, attributes, configSpace;
    const char* id;
  } cases[] = {
      {"uevent and revision attribute", true, true, false,
       "PCI\\VEN_10EC&DEV_8168&SUBSYS_86771043&REV_15\\3&95FAC617&0&08"},
      {"configuration space alone", false, false, true,
       "PCI\\VEN_10EC&DEV_8168&SUBSYS_86771043&REV_15\\3&95FAC617&0&08"},
      {"nothing readable: the ids of no function", false, false, false,
       "PCI\\VEN_FFFF&DEV_FFFF&SUBSYS_00000000&REV_00\\3&95FAC617&0&08"},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    const std::string fn = "devices/pci0000:00/0000:00:01.0";
    t.Dir(fn);
    t.LinkTo("bus/pci/devices/0000:00:01.0", fn);
    if (c.uevent) t.File(fn + "/uevent", "PCI_CLASS=20000\nPCI_ID=10EC:8168\nPCI_SUBSYS_ID=1043:8677\n");
    if (c.attributes) t.File(fn + "/revision", "0x15\n");
    if (c.configSpace) t.File(fn + "/config", config);
    ScanSysfs(t.root());
    EXPECT_EQ(std::vector<std::string>{c.id}, IdsStartingWith("PCI\\")) << c.what;
  }
}

// A name that is no PCI slot is no function.
TEST_F(ScanPciTest, AnEntryThatIsNoSlotIsLeftOut) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  t.Pci("0000:00:01.0");
  t.Pci("0000:00:20.0");  // device 32 does not exist
  t.Pci("pci-stub");
  ScanSysfs(t.root());
  EXPECT_EQ(std::vector<std::string>{"PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&08"},
            IdsStartingWith("PCI\\"));
}

}  // namespace
}  // namespace devlist
