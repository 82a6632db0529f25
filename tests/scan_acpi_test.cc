// The ACPI scan over small trees: the interfaces of thermal zones.
#include <string>
#include <vector>

#include "scratch_tree.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::InterfacePathsOf;
using testing::ScratchTree;

using ScanAcpiTest = testing::DeviceModelTest;

TEST_F(ScanAcpiTest, AThermalZoneInterfaceIsTheZoneItself) {
  static const struct {
    const char* what;
    bool folderOfLinks;  // thermal_zone a folder holding the zone's link, rather than the link itself
  } cases[] = {
      {"the kernel's link to the zone", false},
      {"a folder with the zone's link", true},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    const std::string acpi = "devices/LNXSYSTM:00/LNXTHERM:00";
    t.BusDevice("acpi", acpi);
    t.File(acpi + "/hid", "LNXTHERM\n");
    t.File(acpi + "/path", "\\_TZ_.TZ00\n");
    const std::string zone = "devices/virtual/thermal/thermal_zone0";
    t.ClassDevice("thermal", zone);
    t.File(zone + "/type", "acpitz\n");
    t.LinkTo(zone + "/device", acpi);
    if (c.folderOfLinks) {
      t.LinkTo(acpi + "/thermal_zone/thermal_zone0", zone);
    } else {
      t.LinkTo(acpi + "/thermal_zone", zone);
    }
    ScanSysfs(t.root());
    EXPECT_EQ(std::vector<std::string>{"/sys/class/thermal/thermal_zone0"}, InterfacePathsOf("ACPI\\THERMALZONE\\TZ00"))
        << c.what;
  }
}

}  // namespace
}  // namespace devlist
