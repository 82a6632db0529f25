// The block scan over small trees: which block devices are disks, which are partitions, and where the
// interface of a multipath NVMe disk goes.
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

using ScanBlockTest = testing::DeviceModelTest;

constexpr const char* kController = "devices/pci0000:00/0000:00:01.0/nvme/nvme0";
constexpr const char* kNvmeFunction = "PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&08";

// An NVMe controller on PCI, with one namespace reached the way `multipath` says.
void NvmeMachine(const ScratchTree& t, bool multipath) {
  t.Pci("0000:00:01.0", "0x8086", "0x010802");
  t.Dir("bus/pci/drivers/nvme");
  t.LinkTo("devices/pci0000:00/0000:00:01.0/driver", "bus/pci/drivers/nvme");
  const std::string ctrl = kController;
  t.File(ctrl + "/model", "Example NVMe 1TB\n");
  t.File(ctrl + "/firmware_rev", "1B2QEXM7\n");
  std::string disk;
  if (multipath) {
    // The controller's hidden path to the namespace, and the subsystem's disk that users open.
    t.ClassDevice("block", ctrl + "/nvme0c0n1", "DEVTYPE=disk\n");
    t.File(ctrl + "/nvme0c0n1/nsid", "1\n");
    t.LinkTo(ctrl + "/nvme0c0n1/device", ctrl);
    const std::string subsys = "devices/virtual/nvme-subsystem/nvme-subsys0";
    t.File(subsys + "/model", "Example NVMe 1TB\n");
    t.LinkTo(subsys + "/nvme0", ctrl);
    disk = subsys + "/nvme0n1";
    t.LinkTo(disk + "/device", subsys);
  } else {
    disk = ctrl + "/nvme0n1";
    t.LinkTo(disk + "/device", ctrl);
  }
  t.ClassDevice("block", disk, "MAJOR=259\nMINOR=0\nDEVNAME=nvme0n1\nDEVTYPE=disk\n");
  t.File(disk + "/nsid", "1\n");
  t.ClassDevice("block", disk + "/nvme0n1p1", "DEVNAME=nvme0n1p1\nDEVTYPE=partition\nPARTN=1\n");
  t.File(disk + "/nvme0n1p1/partition", "1\n");
  t.File(disk + "/nvme0n1p1/start", "2048\n");
}

TEST_F(ScanBlockTest, AMultipathNvmeDiskIsTheSubsystemsDiskListedOnce) {
  // Without multipath and with it, the same disk: the same id, parent and interface.
  std::string plainId;
  for (const bool multipath : {false, true}) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    NvmeMachine(t, multipath);
    ScanSysfs(t.root());
    const std::vector<std::string> disks = IdsStartingWith("SCSI\\DISK&VEN_NVME&PROD_EXAMPLE_NVME_1TB\\");
    ASSERT_EQ(1u, disks.size()) << multipath;
    EXPECT_EQ("DiskDrive", ClassOf(disks[0])) << multipath;
    EXPECT_EQ(std::vector<std::string>{"/dev/nvme0n1"}, InterfacePathsOf(disks[0])) << multipath;
    EXPECT_EQ(kNvmeFunction, TextProperty(*model::FindDevice(disks[0]), "Device_Parent")) << multipath;
    EXPECT_EQ("1B2QEXM7", TextProperty(*model::FindDevice(disks[0]), "Device_FirmwareVersion")) << multipath;
    if (plainId.empty()) plainId = disks[0];
    EXPECT_EQ(plainId, disks[0]);
    // The partition is a volume of that disk; nothing names the hidden path node.
    const std::vector<std::string> volumes = IdsStartingWith("STORAGE\\VOLUME\\");
    ASSERT_EQ(1u, volumes.size()) << multipath;
    EXPECT_EQ((std::vector<std::string>{"/dev/nvme0n1p1", "/dev/nvme0n1p1"}), InterfacePathsOf(volumes[0]));
    for (const model::Interface& i : model::Interfaces()) EXPECT_EQ(std::string::npos, i.devicePath.find("c0n1"));
    EXPECT_EQ(3u, model::Devices().size()) << multipath;  // the function, the disk, the volume
  }
}

TEST_F(ScanBlockTest, EitherSignalMakesAPartition) {
  static const struct {
    const char* what;
    const char* uevent;
    bool attribute;
    std::size_t disks = 1, volumes = 1;
  } cases[] = {
      {"attribute and uevent", "DEVTYPE=partition\nPARTN=1\n", true},
      {"uevent alone (older kernels)", "DEVTYPE=partition\nPARTN=1\n", false},
      {"attribute alone", "", true},
      {"the uevent's type against the attribute: the uevent tells", "DEVTYPE=disk\n", true, 2, 0},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    const std::string disk = "devices/pci0000:00/0000:00:02.0/virtio1/block/vda";
    t.ClassDevice("block", disk, "DEVTYPE=disk\n");
    t.LinkTo(disk + "/device", "devices/pci0000:00/0000:00:02.0/virtio1");
    t.ClassDevice("block", disk + "/vda1", c.uevent);
    if (c.attribute) t.File(disk + "/vda1/partition", "1\n");
    t.File(disk + "/vda1/start", "2048\n");
    ScanSysfs(t.root());
    const std::vector<std::string> disks = IdsStartingWith("SCSI\\DISK&");
    ASSERT_EQ(c.disks, disks.size()) << c.what;
    if (c.disks == 1) {
      EXPECT_EQ(std::vector<std::string>{"/dev/vda"}, InterfacePathsOf(disks[0])) << c.what;
    }
    const std::vector<std::string> volumes = IdsStartingWith("STORAGE\\VOLUME\\");
    ASSERT_EQ(c.volumes, volumes.size()) << c.what;
    if (c.volumes == 0) continue;
    EXPECT_EQ("Volume", ClassOf(volumes[0])) << c.what;
    EXPECT_EQ((std::vector<std::string>{"/dev/vda1", "/dev/vda1"}), InterfacePathsOf(volumes[0])) << c.what;
  }
}

}  // namespace
}  // namespace devlist
