// The USB scan over small trees: the class of a single-function device by its interface and what a driver
// made of it.
#include <string>

#include "scratch_tree.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::ClassOf;
using testing::IdsStartingWith;
using testing::ScratchTree;
using testing::TextProperty;

using ScanUsbTest = testing::DeviceModelTest;

TEST_F(ScanUsbTest, CommunicationsFunctionsByTheirSubclass) {
  static const struct {
    const char* what;
    const char* sub;
    const char* prot;
    const char* child;  // what a bound driver made below the interface, if anything
    const char* cls;
    const char* desc;
  } cases[] = {
      {"unbound Ethernet (ECM)", "06", "00", "", "Net", "USB Ethernet Adapter"},
      {"unbound NCM", "0d", "00", "", "Net", "USB Ethernet Adapter"},
      {"bound Ethernet", "06", "00", "net", "Net", "USB Ethernet Adapter"},
      {"ACM with AT commands", "02", "01", "tty", "Modem", "USB Modem"},
      {"ACM without a protocol", "02", "00", "tty", "Ports", "USB Serial Device"},
      {"unbound ACM without a protocol", "02", "00", "", "USBDevice", "USB Serial Device"},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    const std::string dev = "devices/pci0000:00/0000:00:14.0/usb1/1-2";
    t.BusDevice("usb", dev);
    t.File(dev + "/idVendor", "1234\n");
    t.File(dev + "/idProduct", "5678\n");
    t.File(dev + "/bDeviceClass", "02\n");
    const std::string itf = dev + "/1-2:1.0";
    t.File(itf + "/bInterfaceNumber", "00\n");
    t.File(itf + "/bInterfaceClass", "02\n");
    t.File(itf + "/bInterfaceSubClass", std::string(c.sub) + "\n");
    t.File(itf + "/bInterfaceProtocol", std::string(c.prot) + "\n");
    if (*c.child != '\0') t.Dir(itf + "/" + c.child);
    ScanSysfs(t.root());
    const auto ids = IdsStartingWith("USB\\VID_1234&PID_5678\\");
    ASSERT_EQ(1u, ids.size()) << c.what;
    EXPECT_EQ(c.cls, ClassOf(ids[0])) << c.what;
    EXPECT_EQ(c.desc, TextProperty(*model::FindDevice(ids[0]), "Device_DeviceDesc")) << c.what;
  }
}


TEST_F(ScanUsbTest, AGnssReceiverIsOfTheGnssClass) {
  for (const bool gnss : {false, true}) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    const std::string dev = "devices/pci0000:00/0000:00:14.0/usb1/1-3";
    t.BusDevice("usb", dev);
    t.File(dev + "/idVendor", "1546\n");
    t.File(dev + "/idProduct", "01a8\n");
    const std::string itf = dev + "/1-3:1.0";
    t.File(itf + "/bInterfaceNumber", "00\n");
    t.File(itf + "/bInterfaceClass", "ff\n");
    if (gnss) t.ClassDevice("gnss", itf + "/gnss/gnss0");
    ScanSysfs(t.root());
    const auto ids = IdsStartingWith("USB\\VID_1546&PID_01A8\\");
    ASSERT_EQ(1u, ids.size()) << gnss;
    EXPECT_EQ(gnss ? "GNSS" : "USBDevice", ClassOf(ids[0])) << gnss;
  }
}

}  // namespace
}  // namespace devlist
