// The HID and input scans over small trees: which device an input's keyboard or mouse interface goes to,
// and the class that device then has, for the layouts of older and newer kernels.
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

using ScanInputTest = testing::DeviceModelTest;

// Capability bitmaps of a 64-bit kernel, as its uevent writes them.
constexpr const char* kKeyboardBits = "EV=120013\nKEY=1000000000007 ff800000000007ff f2beffdf73cfffff fffffffffffffffe\n";
// A remote console's mouse: relative and absolute axes, buttons, and a last word of 8 digits.
constexpr const char* kMouseBits =
    "EV=1f\nKEY=4837fff072ff32d bf54444600000000 1f0001 20c100b17c000 267bfad941dfed 9e168000004400 10000002\n"
    "REL=143\nABS=100000000\n";
constexpr const char* kTouchpadBits = "EV=b\nKEY=e520 10000 0 0 0 0\nABS=660800011000003\n";

void Input(const ScratchTree& t, const std::string& path, const std::string& bits, const std::string& event) {
  t.ClassDevice("input", path, bits);
  t.Dir(path + "/" + event);
}

// A USB keyboard-and-mouse of two interfaces, each with its HID device; the inputs below the HID device
// (newer kernels) or beside it, below the interface (older ones).
void ConsoleKeyboardAndMouse(const ScratchTree& t, bool inputsBelowHid, bool numbered) {
  const std::string dev = "devices/pci0000:00/0000:00:1a.0/usb1/1-1/1-1.4";
  t.BusDevice("usb", dev, "", "PRODUCT=624/200/100\nTYPE=0/0/0\n");
  const char* bits[] = {kKeyboardBits, kMouseBits};
  for (int i = 0; i < 2; ++i) {
    const std::string n = std::to_string(i);
    const std::string itf = dev + "/1-1.4:1." + n;
    t.BusDevice("usb", itf, "usbhid",
                "DEVTYPE=usb_interface\nINTERFACE=3/1/" + std::to_string(i + 1) +
                    "\nMODALIAS=usb:v0624p0200d0100dc00dsc00dp00ic03isc01ip0" + std::to_string(i + 1) +
                    (numbered ? "in0" + n : "") + "\n");
    const std::string hid = itf + "/0003:0624:0200.000" + std::to_string(i + 1);
    t.BusDevice("hid", hid, "hid-generic");
    t.Dir(hid + "/hidraw/hidraw" + n);
    const std::string input = (inputsBelowHid ? hid : itf) + "/input/input" + std::to_string(i + 1);
    Input(t, input, bits[i], "event" + std::to_string(i + 1));
  }
}

TEST_F(ScanInputTest, AUsbInputIsAnInterfaceOfItsHidDeviceInEitherLayout) {
  static const struct {
    const char* what;
    bool inputsBelowHid, numbered;
    const char* keyboard;  // the id prefix of the keyboard's device
    const char* mouse;
  } cases[] = {
      {"inputs below the HID device", true, true, "HID\\VID_0624&PID_0200&MI_00\\", "HID\\VID_0624&PID_0200&MI_01\\"},
      {"inputs beside it", false, true, "HID\\VID_0624&PID_0200&MI_00\\", "HID\\VID_0624&PID_0200&MI_01\\"},
      {"beside it, interfaces unnumbered", false, false, "HID\\VID_0624&PID_0200\\8&66ADC295&0&0001",
       "HID\\VID_0624&PID_0200\\8&65ADC102&0&0002"},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    ConsoleKeyboardAndMouse(t, c.inputsBelowHid, c.numbered);
    ScanSysfs(t.root());
    const auto keyboard = IdsStartingWith(c.keyboard);
    const auto mouse = IdsStartingWith(c.mouse);
    ASSERT_EQ(1u, keyboard.size()) << c.what;
    ASSERT_EQ(1u, mouse.size()) << c.what;
    EXPECT_EQ("Keyboard", ClassOf(keyboard[0])) << c.what;
    EXPECT_EQ("Mouse", ClassOf(mouse[0])) << c.what;
    EXPECT_EQ((std::vector<std::string>{"/dev/hidraw0", "/dev/input/event1"}), InterfacePathsOf(keyboard[0])) << c.what;
    EXPECT_EQ((std::vector<std::string>{"/dev/hidraw1", "/dev/input/event2"}), InterfacePathsOf(mouse[0])) << c.what;
    // No USB device or function keeps an input of its HID device.
    for (const std::string& usb : IdsStartingWith("USB\\")) EXPECT_TRUE(InterfacePathsOf(usb).empty()) << c.what << usb;
  }
}

// Without a HID device (a boot-protocol driver), the input goes to the USB device it is below.
TEST_F(ScanInputTest, AUsbInputWithoutAHidDeviceIsAnInterfaceOfTheUsbDevice) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  const std::string dev = "devices/pci0000:00/0000:00:14.0/usb1/1-2";
  t.BusDevice("usb", dev, "", "PRODUCT=46d/c31c/100\nTYPE=0/0/0\n");
  const std::string itf = dev + "/1-2:1.0";
  t.BusDevice("usb", itf, "usbkbd", "DEVTYPE=usb_interface\nINTERFACE=3/1/1\nMODALIAS=usb:v046DpC31Cd0100ic03isc01ip01in00\n");
  Input(t, itf + "/input/input4", kKeyboardBits, "event4");
  ScanSysfs(t.root());
  const auto usb = IdsStartingWith("USB\\VID_046D&PID_C31C\\");
  ASSERT_EQ(1u, usb.size());
  EXPECT_EQ(std::vector<std::string>{"/dev/input/event4"}, InterfacePathsOf(usb[0]));
  EXPECT_TRUE(IdsStartingWith("HID\\").empty());
}

// A keyboard or pointing device on a serio port is a Keyboard or Mouse device, whatever is listed above the
// port; with the firmware's keyboard or mouse device, it is that device's.
TEST_F(ScanInputTest, AnInputOnASerioPortIsAKeyboardOrMouse) {
  static const struct {
    const char* what;
    const char* bits;
    bool acpiMouse;       // the firmware lists the controller's mouse (PNP0F13)
    const char* owner;    // the id prefix of the device that has the event node
    const char* cls;
  } cases[] = {
      {"touchpad below a listed controller", kTouchpadBits, false, "HID\\VID_0002&PID_0007\\", "Mouse"},
      {"keyboard below a listed controller", kKeyboardBits, false, "HID\\VID_0001&PID_0001\\", "Keyboard"},
      {"touchpad with the firmware's mouse", kTouchpadBits, true, "ACPI\\PNP0F13\\", "Mouse"},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    if (c.acpiMouse) {
      const std::string mouse = "devices/LNXSYSTM:00/LNXSYBUS:00/PNP0F13:00";
      t.BusDevice("acpi", mouse, "", "MODALIAS=acpi:PNP0F13:\n");
      t.File(mouse + "/hid", "PNP0F13\n");
      t.File(mouse + "/path", "\\_SB_.PS2M\n");
      t.File(mouse + "/status", "15\n");
    }
    // Without firmware lists, the controller's own platform device is listed, in System Devices.
    t.BusDevice("platform", "devices/platform/i8042", "i8042", "MODALIAS=platform:i8042\n");
    const std::string port = "devices/platform/i8042/serio1";
    t.BusDevice("serio", port, "psmouse", "MODALIAS=serio:ty01pr00id00ex00\n");
    t.LinkTo(port + "/subsystem", "bus/serio");
    t.File(port + "/firmware_id", "PNP: LEN0020 PNP0f13\n");
    const std::string input = port + "/input/input12";
    Input(t, input, c.bits, "event12");
    t.File(input + "/phys", "isa0060/serio1/input0\n");
    const bool keyboard = c.bits == kKeyboardBits;
    t.File(input + "/id/vendor", keyboard ? "0001\n" : "0002\n");
    t.File(input + "/id/product", keyboard ? "0001\n" : "0007\n");
    ScanSysfs(t.root());
    const auto owner = IdsStartingWith(c.owner);
    ASSERT_EQ(1u, owner.size()) << c.what;
    EXPECT_EQ(c.cls, ClassOf(owner[0])) << c.what;
    EXPECT_EQ(std::vector<std::string>{"/dev/input/event12"}, InterfacePathsOf(owner[0])) << c.what;
    for (const std::string& platform : IdsStartingWith("PLATFORM\\")) {
      EXPECT_TRUE(InterfacePathsOf(platform).empty()) << c.what;
    }
  }
}

// An input that nothing claims is a device of its own, when it is a keyboard or mouse; else it is left out.
TEST_F(ScanInputTest, AnUnclaimedInputIsListedByWhatItCanDo) {
  static const struct {
    const char* what;
    const char* bits;
    const char* cls;  // "" when no device is listed
  } cases[] = {
      {"keyboard", kKeyboardBits, "Keyboard"},
      {"mouse", kMouseBits, "Mouse"},
      {"touchpad", kTouchpadBits, "Mouse"},
      {"power button", "EV=3\nKEY=10000000000000 0\n", ""},
      {"no bitmaps", "", ""},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    const std::string input = "devices/virtual/input/input9";
    Input(t, input, c.bits, "event9");
    t.File(input + "/id/vendor", "1234\n");
    t.File(input + "/id/product", "abcd\n");
    ScanSysfs(t.root());
    const auto ids = IdsStartingWith("HID\\VID_1234&PID_ABCD\\");
    if (*c.cls == '\0') {
      EXPECT_TRUE(model::Devices().empty()) << c.what;
      continue;
    }
    ASSERT_EQ(1u, ids.size()) << c.what;
    EXPECT_EQ(c.cls, ClassOf(ids[0])) << c.what;
    EXPECT_EQ(std::vector<std::string>{"/dev/input/event9"}, InterfacePathsOf(ids[0])) << c.what;
  }
}

}  // namespace
}  // namespace devlist
