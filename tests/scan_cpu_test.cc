// The processor scan over small trees: one device a processor in number order, named from the cpuinfo file,
// else from the modalias, else generically.
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

using ScanCpuTest = testing::DeviceModelTest;

constexpr const char* kCpuinfo =
    "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\n"
    "model name\t: Intel(R) Xeon(R) Gold 6130 CPU @ 2.10GHz\n\n"
    "processor\t: 1\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\n"
    "model name\t: Intel(R) Xeon(R) Gold 6130 CPU @ 2.10GHz\n\n";

TEST_F(ScanCpuTest, AProcessorIsNamedFromWhatTellsItsModel) {
  static const struct {
    const char* what;
    bool cpuinfo;
    const char* modalias;
    const char* id;  // of processor 0
    const char* desc;
  } cases[] = {
      {"cpuinfo", true, "", "ACPI\\GENUINEINTEL_-_INTEL64_FAMILY_6_MODEL_85_-_INTEL(R)_XEON(R)_GOLD_6130_CPU_@_2.10GHZ\\_0",
       "Intel(R) Xeon(R) Gold 6130 CPU @ 2.10GHz"},
      {"modalias alone", false, "cpu:type:x86,ven0002fam001Amod0002:feature:,0000",
       "ACPI\\AUTHENTICAMD_-_AMD64_FAMILY_26_MODEL_2\\_0", "AuthenticAMD Family 26 Model 2"},
      {"nothing", false, "", "ACPI\\PROCESSOR\\_0", "Processor"},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    // Processors 0, 2 and 10, and the folders beside them that are none.
    for (const char* cpu : {"cpu10", "cpu0", "cpu2"}) {
      t.File(std::string("devices/system/cpu/") + cpu + "/uevent",
             *c.modalias != '\0' ? std::string("MODALIAS=") + c.modalias + "\n" : "");
    }
    t.Dir("devices/system/cpu/cpufreq");
    t.Dir("devices/system/cpu/cpuidle");
    t.File("devices/system/cpu/online", "0-10\n");
    t.File("cpuinfo", kCpuinfo);
    SysfsScanOptions options;
    if (c.cpuinfo) options.cpuinfoPath = t.Path("cpuinfo");
    ScanSysfs(t.root(), options);
    const model::Device* d = model::FindDevice(c.id);
    ASSERT_NE(nullptr, d) << c.what;
    EXPECT_EQ("Processor", ClassOf(c.id)) << c.what;
    EXPECT_EQ(c.desc, TextProperty(*d, "Device_DeviceDesc")) << c.what;
    EXPECT_EQ(std::vector<std::string>{"/sys/devices/system/cpu/cpu0"}, InterfacePathsOf(c.id)) << c.what;
    // In number order, each under its own number.
    std::vector<std::string> tails;
    for (const model::Device& p : model::Devices()) tails.push_back(p.instanceId.substr(p.instanceId.rfind('\\')));
    EXPECT_EQ((std::vector<std::string>{"\\_0", "\\_2", "\\_10"}), tails) << c.what;
  }
}

}  // namespace
}  // namespace devlist
