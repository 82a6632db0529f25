// The real scan of the machine the tests run on, checked against what its sysfs says directly.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "ansi_code_page.h"
#include "device_model.h"
#include "device_report.h"
#include "sysfs_scan.h"
#include "test_support.h"
#include "platform.h"

namespace devlist {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

using testing::TextProperty;
using SysfsLiveTest = testing::DeviceModelTest;

TEST_F(SysfsLiveTest, EveryPciFunctionAndNetworkInterfaceShowsUpOnce) {
  if (!fs::is_directory("/sys/bus/pci/devices") || !fs::is_directory("/sys/class/net")) {
    GTEST_SKIP() << "no sysfs here";
  }
  SysfsScanOptions options;
  options.cpuinfoPath = "/proc/cpuinfo";
  options.hwdb = OpenSystemHwdb();
  ScanSysfs("/sys", options);

  // PCI: one device per function, found by its ids and its place on the bus.
  std::size_t functions = 0;
  for (const auto& entry : fs::directory_iterator("/sys/bus/pci/devices")) {
    const std::string slot = entry.path().filename().string();
    unsigned domain = 0, bus = 0, dev = 0, fn = 0;
    ASSERT_EQ(4, std::sscanf(slot.c_str(), "%x:%x:%x.%x", &domain, &bus, &dev, &fn)) << slot;
    const unsigned long vendor = std::stoul(FirstLine(entry.path() / "vendor"), nullptr, 16);
    const unsigned long device = std::stoul(FirstLine(entry.path() / "device"), nullptr, 16);
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "PCI\\VEN_%04lX&DEV_%04lX&", vendor, device);
    const std::string location = "PCI bus " + std::to_string(bus) + ", device " + std::to_string(dev) +
                                 ", function " + std::to_string(fn);
    int matches = 0;
    for (const model::Device& d : model::Devices()) {
      if (d.instanceId.rfind(prefix, 0) == 0 && TextProperty(d, "Device_LocationInfo") == location) ++matches;
    }
    EXPECT_EQ(1, matches) << slot;
    ++functions;
  }
  std::size_t pciDevices = 0;
  for (const model::Device& d : model::Devices()) pciDevices += d.instanceId.rfind("PCI\\", 0) == 0 ? 1 : 0;
  EXPECT_EQ(functions, pciDevices);

  // Network interfaces: one network interface each, on a device of the network class.
  const GUID netInterface = testing::GuidFrom("{CAC88484-7515-4C03-82E6-71A87ABAC361}");
  const GUID netClass = testing::GuidFrom("{4d36e972-e325-11ce-bfc1-08002be10318}");
  std::size_t interfaces = 0;
  for (const auto& entry : fs::directory_iterator("/sys/class/net")) {
    const std::string path = "/sys/class/net/" + entry.path().filename().string();
    int matches = 0;
    for (const model::Interface& i : model::Interfaces()) {
      if (!(i.interfaceClass == netInterface) || i.devicePath != path) continue;
      ++matches;
      const model::Device* owner = model::FindDevice(i.deviceInstanceId);
      ASSERT_NE(nullptr, owner) << path;
      EXPECT_TRUE(owner->setupClass == netClass) << path << " on " << owner->instanceId;
    }
    EXPECT_EQ(1, matches) << path;
    ++interfaces;
  }
  std::size_t netInterfaces = 0;
  for (const model::Interface& i : model::Interfaces()) netInterfaces += i.interfaceClass == netInterface ? 1 : 0;
  EXPECT_EQ(interfaces, netInterfaces);
}

TEST(SysfsLiveHwdb, TheSystemDatabaseNamesTheLinuxRootHub) {
  const HwdbLookup hwdb = OpenSystemHwdb();
  if (!hwdb) GTEST_SKIP() << "no hardware database here";
  // Every hardware database knows the vendor of the kernel's own root hubs.
  const HwdbProperties found = hwdb("usb:v1D6Bp0002");
  const auto vendor = found.find("ID_VENDOR_FROM_DATABASE");
  ASSERT_NE(found.end(), vendor);
  EXPECT_EQ("Linux Foundation", vendor->second);
  EXPECT_TRUE(hwdb("nothing:that:matches").empty());
}

}  // namespace
}  // namespace devlist
