// The devices the kernel's record knows, over a small tree: a present device gets its dates and is never
// listed twice; one that is gone is a device that is not present, with its functions under their classes.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "device_property_keys.h"
#include "scratch_tree.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

using history::UsbDeviceRecord;
using testing::ClassOf;
using testing::IdsStartingWith;
using testing::ScratchTree;
using testing::TextProperty;

using ScanHistoryTest = testing::DeviceModelTest;

constexpr std::uint64_t kDay = 864000000000ull;  // FILETIME ticks
constexpr std::uint64_t kMonday = 134000000000000000ull;

// The FILETIME a date property holds, or 0.
std::uint64_t DateOf(const std::string& id, const DEVPROPKEY& key) {
  const model::Device* d = model::FindDevice(id);
  if (d == nullptr) return 0;
  for (const model::Property& p : d->properties) {
    if (p.key.pid != key.pid || !(p.key.fmtid == key.fmtid) || p.type != DEVPROP_TYPE_FILETIME) continue;
    std::uint64_t ticks = 0;
    for (std::size_t i = 0; i < 8 && i < p.value.size(); ++i) ticks |= std::uint64_t{p.value[i]} << (8 * i);
    return ticks;
  }
  return 0;
}

bool Present(const std::string& id) {
  const model::Device* d = model::FindDevice(id);
  return d != nullptr && d->present;
}

UsbDeviceRecord Stick(std::uint32_t boot, const char* port, const char* serial, std::uint64_t arrival,
                      std::uint64_t removal) {
  UsbDeviceRecord r;
  r.boot = boot;
  r.port = port;
  r.vendorId = 0x0781;
  r.productId = 0x5567;
  r.bcdDevice = 0x0126;
  r.product = "Cruzer Blade";
  r.manufacturer = "SanDisk";
  r.serialNumber = serial;
  r.storage.push_back({"6:0:0:0", "Direct-Access", "SanDisk", "Cruzer Blade", "1.26", "sdb"});
  r.firstArrival = r.lastArrival = arrival;
  r.removal = removal;
  return r;
}

// A tree with one root hub and, when `serial` is given, a stick plugged into its port 2.
void MakeTree(const ScratchTree& t, const char* serial) {
  const std::string hub = "devices/pci0000:00/0000:00:14.0/usb1";
  t.BusDevice("usb", hub, "", "PRODUCT=1d6b/2/602\nTYPE=9/0/1\nBUSNUM=001\nDEVNUM=001\n");
  t.File(hub + "/version", " 2.00\n");
  if (serial == nullptr) return;
  const std::string dev = hub + "/1-2";
  t.BusDevice("usb", dev, "", "PRODUCT=781/5567/126\nTYPE=0/0/0\nBUSNUM=001\nDEVNUM=004\n");
  if (*serial != '\0') t.File(dev + "/serial", std::string(serial) + "\n");
  t.File(dev + "/1-2:1.0/uevent", "INTERFACE=8/6/80\nMODALIAS=usb:v0781p5567d0126dc00dsc00dp00ic08isc06ip50in00\n");
}

// How the scan read its record: "" not at all, else "whole" or "usb devices only" for each reading.
SysfsScanOptions WithRecord(std::vector<UsbDeviceRecord> devices, std::string* readings = nullptr) {
  SysfsScanOptions options;
  options.history = [devices = std::move(devices), readings](bool usbDevicesOnly) {
    if (readings != nullptr) *readings += usbDevicesOnly ? "usb devices only;" : "whole;";
    history::DeviceHistory h;
    h.devices = devices;
    return h;
  };
  return options;
}

TEST_F(ScanHistoryTest, AListingOfPresentDevicesReadsOnlyWhatDatesThem) {
  const struct {
    const char* what;
    bool stickPresent;
    bool absentListed;
    const char* readings;
    bool goneStickListed;
  } cases[] = {
      {"not-present, no USB device", false, true, "whole;", true},
      {"not-present, a stick present", true, true, "whole;", true},
      {"present only, no USB device", false, false, "", false},
      {"present only, a stick present", true, false, "usb devices only;", false},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    MakeTree(t, c.stickPresent ? "4C530001" : nullptr);
    std::string readings;
    SysfsScanOptions options = WithRecord({Stick(0, "1-2", "4C530001", kMonday, kMonday + kDay),
                                           Stick(0, "1-3", "4C530002", kMonday, kMonday + kDay)},
                                          &readings);
    options.absentListed = c.absentListed;
    ScanSysfs(t.root(), options);
    EXPECT_EQ(c.readings, readings) << c.what;
    EXPECT_EQ(c.goneStickListed, model::FindDevice("USB\\VID_0781&PID_5567\\4C530002") != nullptr) << c.what;
    if (c.stickPresent) {
      EXPECT_EQ(kMonday, DateOf("USB\\VID_0781&PID_5567\\4C530001", DEVPKEY_Device_FirstInstallDate)) << c.what;
    }
  }
}

TEST_F(ScanHistoryTest, APresentDeviceGetsItsDatesAndIsListedOnce) {
  const struct {
    const char* what;
    const char* serial;
  } cases[] = {{"named by its serial", "4C530001"}, {"named by its port", ""}};
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    MakeTree(t, c.serial);
    ScanSysfs(t.root(), WithRecord({Stick(0, "1-2", c.serial, kMonday, kMonday + kDay),
                                    Stick(1, "1-2", c.serial, kMonday + 2 * kDay, 0)}));
    const auto ids = IdsStartingWith("USB\\VID_0781&PID_5567\\");
    ASSERT_EQ(1u, ids.size()) << c.what;
    EXPECT_TRUE(Present(ids[0])) << c.what;
    EXPECT_EQ(kMonday, DateOf(ids[0], DEVPKEY_Device_FirstInstallDate)) << c.what;
    EXPECT_EQ(kMonday + 2 * kDay, DateOf(ids[0], DEVPKEY_Device_LastArrivalDate)) << c.what;
    EXPECT_EQ(kMonday + kDay, DateOf(ids[0], DEVPKEY_Device_LastRemovalDate)) << c.what;
    EXPECT_TRUE(IdsStartingWith("USBSTOR\\").empty()) << c.what;
  }
}

TEST_F(ScanHistoryTest, AGoneStickIsAUsbDeviceAndADiskNotPresent) {
  ScratchTree t;
  MakeTree(t, nullptr);
  ScanSysfs(t.root(), WithRecord({Stick(0, "1-2", "4C530001", kMonday, kMonday + kDay)}));
  const std::string usb = "USB\\VID_0781&PID_5567\\4C530001";
  const std::string disk = "USBSTOR\\DISK&VEN_SANDISK&PROD_CRUZER_BLADE&REV_1.26\\4C530001&0";
  EXPECT_EQ("USB", ClassOf(usb));
  EXPECT_EQ("DiskDrive", ClassOf(disk));
  for (const std::string& id : {usb, disk}) {
    ASSERT_NE(nullptr, model::FindDevice(id)) << id;
    EXPECT_FALSE(Present(id)) << id;
    EXPECT_EQ("", TextProperty(*model::FindDevice(id), "Device_Parent")) << id;
    EXPECT_EQ(kMonday, DateOf(id, DEVPKEY_Device_InstallDate)) << id;
    EXPECT_EQ(kMonday + kDay, DateOf(id, DEVPKEY_Device_LastRemovalDate)) << id;
  }
  const model::Device& d = *model::FindDevice(usb);
  EXPECT_EQ("Cruzer Blade", TextProperty(d, "Device_DeviceDesc"));
  EXPECT_EQ("SanDisk", TextProperty(d, "Device_Manufacturer"));
  static const char kExpectedIds[] = "USB\\VID_0781&PID_5567&REV_0126\0USB\\VID_0781&PID_5567\0";
  EXPECT_EQ(std::string(kExpectedIds, sizeof kExpectedIds),
            testing::RawProperty(d, "Device_HardwareIds"));
  EXPECT_EQ("SanDisk Cruzer Blade", TextProperty(*model::FindDevice(disk), "Device_FriendlyName"));
  EXPECT_TRUE(testing::InterfacePathsOf(usb).empty());
  // One container for the stick, as while it is plugged in: the disk's is the USB device's own.
  const std::string container = TextProperty(d, "Device_ContainerId");
  EXPECT_NE("{00000000-0000-0000-ffff-ffffffffffff}", container);
  EXPECT_EQ(container, TextProperty(*model::FindDevice(disk), "Device_ContainerId"));
}

TEST_F(ScanHistoryTest, OnePortAcrossBootsIsOneDeviceOnlyWhileItIsTheSameDevice) {
  UsbDeviceRecord other = Stick(2, "1-2", "", kMonday + 5 * kDay, 0);
  other.productId = 0x5581;
  other.storage.clear();
  const struct {
    const char* what;
    std::vector<UsbDeviceRecord> records;
    std::size_t devices;
  } cases[] = {
      {"the same serial-less stick twice", {Stick(0, "1-2", "", kMonday, 0), Stick(1, "1-2", "", kMonday + kDay, 0)}, 1},
      {"another device on the port later", {Stick(0, "1-2", "", kMonday, 0), other}, 2},
      {"the same stick on two ports", {Stick(0, "1-2", "", kMonday, 0), Stick(1, "1-3", "", kMonday + kDay, 0)}, 2},
      {"a serial follows the stick", {Stick(0, "1-2", "AB12", kMonday, 0), Stick(1, "1-3", "AB12", kMonday, 0)}, 1},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    MakeTree(t, nullptr);
    ScanSysfs(t.root(), WithRecord(c.records));
    EXPECT_EQ(c.devices, IdsStartingWith("USB\\VID_0781&PID_55").size()) << c.what;
  }
  model::Clear();
  ScratchTree t;
  MakeTree(t, nullptr);
  ScanSysfs(t.root(), WithRecord(cases[0].records));
  const auto ids = IdsStartingWith("USB\\VID_0781&PID_5567\\");
  ASSERT_EQ(1u, ids.size());
  EXPECT_EQ(kMonday, DateOf(ids[0], DEVPKEY_Device_FirstInstallDate));
  EXPECT_EQ(kMonday + kDay, DateOf(ids[0], DEVPKEY_Device_LastArrivalDate));
}

TEST_F(ScanHistoryTest, FunctionsGiveTheClasses) {
  UsbDeviceRecord receiver;
  receiver.port = "1-4";
  receiver.vendorId = 0x046D;
  receiver.productId = 0xC52B;
  receiver.product = "USB Receiver";
  receiver.hid = {{history::HidKind::kKeyboard, "Keyboard", "Logitech USB Receiver", 3, 0},
                  {history::HidKind::kMouse, "Mouse", "Logitech USB Receiver Mouse", 4, 1}};
  UsbDeviceRecord serial;
  serial.port = "1-5";
  serial.vendorId = 0x10C4;
  serial.productId = 0xEA60;
  serial.product = "CP2102 USB to UART Bridge Controller";
  serial.serial = {{"ttyUSB0", "cp210x"}};
  UsbDeviceRecord lying = serial;
  lying.port = "../../etc";
  lying.vendorId = 0x1111;
  for (UsbDeviceRecord* r : {&receiver, &serial, &lying}) r->firstArrival = r->lastArrival = kMonday;
  ScratchTree t;
  MakeTree(t, nullptr);
  ScanSysfs(t.root(), WithRecord({receiver, serial, lying}));

  const auto usb = IdsStartingWith("USB\\VID_046D&PID_C52B\\");
  ASSERT_EQ(1u, usb.size());
  EXPECT_EQ("HIDClass", ClassOf(usb[0]));
  const auto keyboard = IdsStartingWith("HID\\VID_046D&PID_C52B&MI_00\\");
  const auto mouse = IdsStartingWith("HID\\VID_046D&PID_C52B&MI_01\\");
  ASSERT_EQ(1u, keyboard.size());
  ASSERT_EQ(1u, mouse.size());
  EXPECT_EQ("Keyboard", ClassOf(keyboard[0]));
  EXPECT_EQ("Mouse", ClassOf(mouse[0]));
  EXPECT_EQ("Logitech USB Receiver Mouse", TextProperty(*model::FindDevice(mouse[0]), "Device_DeviceDesc"));
  for (const std::string& id : {keyboard[0], mouse[0]}) {
    EXPECT_EQ(TextProperty(*model::FindDevice(usb[0]), "Device_ContainerId"),
              TextProperty(*model::FindDevice(id), "Device_ContainerId")) << id;
  }

  const auto port = IdsStartingWith("USB\\VID_10C4&PID_EA60\\");
  ASSERT_EQ(1u, port.size());
  EXPECT_EQ("Ports", ClassOf(port[0]));
  EXPECT_EQ("CP2102 USB to UART Bridge Controller (ttyUSB0)", TextProperty(*model::FindDevice(port[0]), "NAME"));
  EXPECT_TRUE(IdsStartingWith("USB\\VID_1111").empty());
}

}  // namespace
}  // namespace devlist
