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

// Fingerprint sensors have no kernel driver of their own, so their names tell them; a PTP still-image function
// is a camera, or a phone when it says MTP, and both are portable devices with an interface of that class.
TEST_F(ScanUsbTest, FingerprintPortableAndSmartCardFunctions) {
  static const struct {
    const char* what;
    const char* itf;      // class, subclass, protocol of the one interface
    const char* name;     // its interface string
    const char* product;  // the device's product string
    const char* model;    // the database's model name
    const char* driver;   // bound to the interface
    const char* cls;
    const char* desc;
    bool wpdInterface;
  } cases[] = {
      {"product says fingerprint", "ff0000", "", "EgisTec Touch Fingerprint Sensor", "", "", "Biometric",
       "EgisTec Touch Fingerprint Sensor", false},
      {"database says fingerprint", "ff0000", "", "", "Swipe Fingerprint Sensor", "", "Biometric",
       "Swipe Fingerprint Sensor", false},
      {"biometric coprocessor", "ff0000", "", "Biometric Coprocessor", "", "", "Biometric", "Biometric Coprocessor",
       false},
      {"a fingerprint driver, no names", "ff0000", "", "", "", "fprint_usb", "Biometric", "Fingerprint Reader", false},
      {"vendor class named otherwise", "ff0000", "", "Goodix USB2.0 MISC", "", "", "USBDevice",
       "Goodix USB2.0 MISC", false},
      {"fingerprint is vendor class only", "030000", "", "Fingerprint Keyboard", "", "", "HIDClass",
       "Fingerprint Keyboard", false},
      {"phone, vendor interface MTP", "ffff00", "MTP", "", "", "", "WPD", "MTP USB Device", true},
      {"phone, still image MTP", "060101", "MTP", "Pixel 7", "", "", "WPD", "Pixel 7", true},
      {"camera, still image PTP", "060101", "", "", "", "", "WPD", "Digital Still Camera", true},
      {"still image, not PTP", "060100", "", "", "", "", "Image", "USB Imaging Device", false},
      {"CCID reader", "0b0000", "", "", "", "", "SmartCardReader", "USB Smart Card Reader", false},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    const std::string dev = "devices/pci0000:00/0000:00:14.0/usb1/1-4";
    t.BusDevice("usb", dev);
    t.File(dev + "/idVendor", "138a\n");
    t.File(dev + "/idProduct", "0050\n");
    t.File(dev + "/busnum", "1\n");
    t.File(dev + "/devnum", "5\n");
    if (*c.product != '\0') t.File(dev + "/product", std::string(c.product) + "\n");
    const std::string itf = dev + "/1-4:1.0";
    const std::string cls(c.itf);
    t.BusDevice("usb", itf, c.driver);
    t.File(itf + "/bInterfaceNumber", "00\n");
    t.File(itf + "/bInterfaceClass", cls.substr(0, 2) + "\n");
    t.File(itf + "/bInterfaceSubClass", cls.substr(2, 2) + "\n");
    t.File(itf + "/bInterfaceProtocol", cls.substr(4, 2) + "\n");
    if (*c.name != '\0') t.File(itf + "/interface", std::string(c.name) + "\n");
    SysfsScanOptions options;
    const std::string model = c.model;
    options.hwdb = [model](const std::string& alias) {
      return alias == "usb:v138Ap0050" && !model.empty() ? HwdbProperties{{"ID_MODEL_FROM_DATABASE", model}}
                                                         : HwdbProperties{};
    };
    ScanSysfs(t.root(), options);
    const auto ids = IdsStartingWith("USB\\VID_138A&PID_0050\\");
    ASSERT_EQ(1u, ids.size()) << c.what;
    EXPECT_EQ(c.cls, ClassOf(ids[0])) << c.what;
    EXPECT_EQ(c.desc, TextProperty(*model::FindDevice(ids[0]), "Device_DeviceDesc")) << c.what;
    const GUID wpd = testing::GuidFrom("{6AC27878-A6FA-4155-BA85-F98F491D4F33}");
    int wpdInterfaces = 0;
    for (const model::Interface& i : model::Interfaces()) {
      if (i.deviceInstanceId == ids[0] && i.interfaceClass == wpd) {
        ++wpdInterfaces;
        EXPECT_EQ("/dev/bus/usb/001/005", i.devicePath) << c.what;
      }
    }
    EXPECT_EQ(c.wpdInterface ? 1 : 0, wpdInterfaces) << c.what;
    // A listing without names (of interfaces) still asks for the model name where it decides the class.
    model::Clear();
    options.names = false;
    ScanSysfs(t.root(), options);
    EXPECT_EQ(c.cls, ClassOf(ids[0])) << c.what << ", names not shown";
  }
}

// A reader with a smart card function and a vendor-specific one, named a fingerprint reader as a whole: only the
// vendor-specific function is the fingerprint sensor.
TEST_F(ScanUsbTest, ACompositeFingerprintReaderKeepsItsSmartCardFunction) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  const std::string dev = "devices/pci0000:00/0000:00:1d.0/usb2/2-1";
  t.BusDevice("usb", dev);
  t.File(dev + "/idVendor", "0a5c\n");
  t.File(dev + "/idProduct", "5800\n");
  t.File(dev + "/product", "Fingerprint and Smart Card Reader\n");
  const char* classes[] = {"0b", "ff"};
  for (int n = 0; n < 2; ++n) {
    const std::string itf = dev + "/2-1:1." + std::to_string(n);
    t.File(itf + "/bInterfaceNumber", "0" + std::to_string(n) + "\n");
    t.File(itf + "/bInterfaceClass", std::string(classes[n]) + "\n");
  }
  ScanSysfs(t.root());
  EXPECT_EQ("USB", ClassOf(IdsStartingWith("USB\\VID_0A5C&PID_5800\\").at(0)));
  EXPECT_EQ("SmartCardReader", ClassOf(IdsStartingWith("USB\\VID_0A5C&PID_5800&MI_00\\").at(0)));
  EXPECT_EQ("Biometric", ClassOf(IdsStartingWith("USB\\VID_0A5C&PID_5800&MI_01\\").at(0)));
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

// A device's and its interfaces' ids come from their uevent files, read once for all keys, and from the
// attributes where the uevent lacks a key (an interface number is missing from older kernels' modaliases).
TEST_F(ScanUsbTest, IdsFromTheUeventElseFromTheAttributes) {
  static const struct {
    const char* what;
    bool uevent, attributes;
    const char* vendorAttribute;  // the attribute's idVendor
    bool numberInModalias;
  } cases[] = {
      {"uevent keys alone", true, false, "1234", true},
      {"attributes alone", false, true, "1234", true},
      {"both, disagreeing: the uevent tells", true, true, "9999", true},
      {"a modalias without the interface number", true, true, "1234", false},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    const std::string dev = "devices/pci0000:00/0000:00:14.0/usb1/1-4";
    t.BusDevice("usb", dev);
    if (c.uevent) t.File(dev + "/uevent", "DEVTYPE=usb_device\nPRODUCT=1234/5678/100\nTYPE=0/0/0\nBUSNUM=001\nDEVNUM=003\n");
    if (c.attributes) {
      t.File(dev + "/idVendor", std::string(c.vendorAttribute) + "\n");
      t.File(dev + "/idProduct", "5678\n");
      t.File(dev + "/bcdDevice", "0100\n");
    }
    for (const char* n : {"0", "1"}) {
      const std::string itf = dev + "/1-4:1." + n;
      if (c.uevent) {
        t.File(itf + "/uevent", std::string("INTERFACE=3/1/2\nMODALIAS=usb:v1234p5678d0100dc00dsc00dp00ic03isc01ip02") +
                                    (c.numberInModalias ? std::string("in0") + n : "") + "\n");
      }
      if (c.attributes) {
        t.File(itf + "/bInterfaceNumber", std::string("0") + n + "\n");
        t.File(itf + "/bInterfaceClass", "03\n");
        t.File(itf + "/bInterfaceSubClass", "01\n");
        t.File(itf + "/bInterfaceProtocol", "02\n");
      }
    }
    ScanSysfs(t.root());
    ASSERT_EQ(1u, IdsStartingWith("USB\\VID_1234&PID_5678\\").size()) << c.what;
    const auto functions = IdsStartingWith("USB\\VID_1234&PID_5678&MI_0");
    ASSERT_EQ(2u, functions.size()) << c.what;
    for (const std::string& f : functions) {
      EXPECT_EQ("HIDClass", ClassOf(f)) << c.what;
      EXPECT_EQ("USB\\VID_1234&PID_5678&REV_0100&MI_0" + f.substr(26, 1),
                TextProperty(*model::FindDevice(f), "Device_HardwareIds").substr(0, 36)) << c.what;
      EXPECT_EQ("USB\\Class_03&SubClass_01&Prot_02", TextProperty(*model::FindDevice(f), "Device_CompatibleIds").substr(0, 32))
          << c.what;
    }
  }
}

}  // namespace
}  // namespace devlist
