// The power supply, IIO and hwmon scans over small trees: which are devices of their own, and with what id.
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

using ScanSensorsTest = testing::DeviceModelTest;

TEST_F(ScanSensorsTest, BatteriesSensorsAndChipsThatNoDeviceOwns) {
  static const struct {
    const char* what;
    const char* cls;   // the class folder ("iio" is listed on its bus)
    const char* path;  // the class device
    const char* attrs; // name=value lines
    const char* id;    // "" when no device is listed
    const char* setupClass;
    const char* desc;
    const char* interface;
  } cases[] = {
      {"battery", "power_supply", "devices/LNXSYSTM:00/PNP0C0A:00/power_supply/BAT0",
       "type=Battery\nmodel_name=5B10W13930\nmanufacturer=SMP\n", "POWER_SUPPLY\\BATTERY\\BAT0", "Battery", "5B10W13930",
       "/sys/class/power_supply/BAT0"},
      {"battery without a model", "power_supply", "devices/virtual/power_supply/BAT1", "type=Battery\n",
       "POWER_SUPPLY\\BATTERY\\BAT1", "Battery", "Battery", "/sys/class/power_supply/BAT1"},
      {"mains adapter", "power_supply", "devices/LNXSYSTM:00/ACPI0003:00/power_supply/AC", "type=Mains\n", "", "", "",
       ""},
      {"accelerometer", "iio", "devices/platform/accel/iio:device0", "name=accel_3d\n", "IIO\\ACCEL_3D\\0", "Sensor",
       "accel_3d", "/dev/iio:device0"},
      {"unnamed IIO device", "iio", "devices/platform/accel/iio:device3", "", "IIO\\SENSOR\\3", "Sensor", "Sensor",
       "/dev/iio:device3"},
      {"temperature chip", "hwmon", "devices/platform/coretemp.0/hwmon/hwmon2", "name=coretemp\n", "HWMON\\CORETEMP\\2",
       "Sensor", "coretemp", "/sys/class/hwmon/hwmon2"},
      {"chip without a name", "hwmon", "devices/platform/coretemp.0/hwmon/hwmon2", "", "", "", "", ""},
      {"a thermal zone's sensor", "hwmon", "devices/virtual/thermal/thermal_zone0/hwmon0", "name=acpitz\n", "", "", "",
       ""},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    const std::string cls = c.cls;
    if (cls == "iio") {
      t.BusDevice("iio", c.path);
    } else {
      t.ClassDevice(cls, c.path);
    }
    const std::string attrs = c.attrs;
    for (std::size_t at = 0; at < attrs.size();) {
      const std::size_t nl = attrs.find('\n', at), eq = attrs.find('=', at);
      t.File(std::string(c.path) + "/" + attrs.substr(at, eq - at), attrs.substr(eq + 1, nl - eq));
      at = nl + 1;
    }
    ScanSysfs(t.root());
    if (*c.id == '\0') {
      EXPECT_TRUE(model::Devices().empty()) << c.what;
      continue;
    }
    ASSERT_EQ(1u, model::Devices().size()) << c.what;
    const model::Device* d = model::FindDevice(c.id);
    ASSERT_NE(nullptr, d) << c.what << ": " << model::Devices().front().instanceId;
    EXPECT_EQ(c.setupClass, ClassOf(c.id)) << c.what;
    EXPECT_EQ(c.desc, TextProperty(*d, "Device_DeviceDesc")) << c.what;
    EXPECT_EQ(std::vector<std::string>{c.interface}, InterfacePathsOf(c.id)) << c.what;
  }
}

// A battery's power supply below a listed battery device adds to it rather than making another.
TEST_F(ScanSensorsTest, ABatteryOfAListedBatteryDeviceReportsToIt) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  const std::string acpi = "devices/LNXSYSTM:00/PNP0C0A:00";
  t.BusDevice("acpi", acpi, "", "MODALIAS=acpi:PNP0C0A:\n");
  t.File(acpi + "/hid", "PNP0C0A\n");
  t.File(acpi + "/path", "\\_SB_.BAT0\n");
  t.File(acpi + "/status", "31\n");
  t.ClassDevice("power_supply", acpi + "/power_supply/BAT0");
  t.File(acpi + "/power_supply/BAT0/type", "Battery\n");
  t.File(acpi + "/power_supply/BAT0/model_name", "5B10W13930\n");
  ScanSysfs(t.root());
  EXPECT_TRUE(IdsStartingWith("POWER_SUPPLY\\").empty());
  const auto battery = IdsStartingWith("ACPI\\PNP0C0A\\");
  ASSERT_EQ(1u, battery.size());
  EXPECT_EQ(std::vector<std::string>{"/sys/class/power_supply/BAT0"}, InterfacePathsOf(battery[0]));
}

}  // namespace
}  // namespace devlist
