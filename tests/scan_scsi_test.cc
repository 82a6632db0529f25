// The SCSI scan over small trees: tape drives and media changers, each once, with their device node.
#include <string>
#include <utility>
#include <vector>

#include "scratch_tree.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::ClassOf;
using testing::InterfacePathsOf;
using testing::ScratchTree;
using testing::TextProperty;

using ScanScsiTest = testing::DeviceModelTest;

TEST_F(ScanScsiTest, TapesAndChangersAreDevicesOfTheirClass) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  const std::string host = "devices/pci0000:00/0000:00:05.0/host0/target0:0:1";
  const std::string tape = host + "/0:0:1:0", changer = host + "/0:0:1:1";
  for (const auto& [dev, model] : {std::pair{tape, "ULTRIUM-HH8"}, std::pair{changer, "TL2000"}}) {
    t.File(dev + "/vendor", "EXAMPLE \n");
    t.File(dev + "/model", std::string(model) + "\n");
    t.File(dev + "/rev", "K4K1\n");
  }
  // One tape drive has several nodes (rewinding, not rewinding, modes); only st0 names the drive.
  for (const char* node : {"st0", "nst0", "st0a", "nst0a"}) {
    t.ClassDevice("scsi_tape", tape + "/scsi_tape/" + node);
    t.LinkTo(tape + "/scsi_tape/" + node + "/device", tape);
  }
  t.ClassDevice("scsi_changer", changer + "/scsi_changer/sch0");
  t.LinkTo(changer + "/scsi_changer/sch0/device", changer);
  ScanSysfs(t.root());
  static const struct {
    const char* idPrefix;
    const char* cls;
    const char* name;
    const char* node;
  } cases[] = {
      {"SCSI\\SEQUENTIAL&VEN_EXAMPLE&PROD_ULTRIUM-HH8\\", "TapeDrive", "EXAMPLE ULTRIUM-HH8", "/dev/st0"},
      {"SCSI\\CHANGER&VEN_EXAMPLE&PROD_TL2000\\", "MediumChanger", "EXAMPLE TL2000", "/dev/sch0"},
  };
  for (const auto& c : cases) {
    const auto ids = testing::IdsStartingWith(c.idPrefix);
    ASSERT_EQ(1u, ids.size()) << c.idPrefix;
    EXPECT_EQ(c.cls, ClassOf(ids[0])) << c.idPrefix;
    EXPECT_EQ(c.name, TextProperty(*model::FindDevice(ids[0]), "NAME")) << c.idPrefix;
    EXPECT_EQ(std::vector<std::string>{c.node}, InterfacePathsOf(ids[0])) << c.idPrefix;
  }
  EXPECT_EQ(2u, model::Devices().size());
}

}  // namespace
}  // namespace devlist
