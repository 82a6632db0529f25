// What the Linux scan makes of hostile or damaged trees: ids of three clean parts from any processor name,
// no control character from any name, no open of anything but files and folders, and a device that keeps
// its place when one of its attributes cannot be read.
#include <fcntl.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "scratch_tree.h"
#include "setup_classes.h"
#include "sysfs_reader.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

namespace fs = std::filesystem;
using testing::ClassOf;
using testing::InterfacePathsOf;
using testing::ScratchTree;
using testing::TextProperty;

using ScanFaultsTest = testing::DeviceModelTest;

bool ValidUtf8(const std::string& s) { return model::Utf16ToUtf8(model::Utf8ToUtf16(s)) == s; }

// C0 controls, DEL, and the C1 controls U+0080 to U+009F.
bool HasControl(const std::string& s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < s.size() && (static_cast<unsigned char>(s[i + 1]) & 0xE0) == 0x80) return true;
  }
  return false;
}

std::size_t Characters(const std::string& s) {
  return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

TEST_F(ScanFaultsTest, ProcessorIdsHaveThreeCleanPartsWhateverTheModelName) {
  static const struct {
    const char* what;
    std::string modelName;
    const char* id;  // empty: only the invariants are checked
  } cases[] = {
      {"separators", "Vendor\\Model/X, 2.0GHz", "ACPI\\GENUINEINTEL_-_INTEL64_FAMILY_6_MODEL_85_-_VENDOR_MODEL_X__2.0GHZ\\_0"},
      {"a character across the cut", std::string(95, 'A') + "\xE2\x82\xAC tail", ""},
      {"control characters", "Fast\x01\x1b[2J CPU\x7f", ""},
      {"a very long name", std::string(400, 'W'), ""},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    t.File("devices/system/cpu/cpu0/online", "1\n");
    t.File("cpuinfo", "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\nmodel name\t: " +
                          c.modelName + "\n");
    SysfsScanOptions options;
    options.cpuinfoPath = t.Path("cpuinfo");
    ScanSysfs(t.root(), options);
    ASSERT_EQ(1u, model::Devices().size()) << c.what;
    const model::Device& cpu = model::Devices().front();
    const std::string& id = cpu.instanceId;
    if (*c.id != '\0') {
      EXPECT_EQ(c.id, id) << c.what;
    }
    EXPECT_EQ(2, std::count(id.begin(), id.end(), '\\')) << c.what << ": " << id;
    EXPECT_FALSE(HasControl(id)) << c.what << ": " << id;
    EXPECT_TRUE(ValidUtf8(id)) << c.what << ": " << id;
    EXPECT_LE(Characters(id), 200u) << c.what << ": " << id;
    EXPECT_TRUE(id.ends_with("\\_0")) << c.what << ": " << id;
    // The report, the interface listing and the model say the same id.
    EXPECT_EQ(id, TextProperty(cpu, "Device_InstanceId")) << c.what;
    ASSERT_EQ(1u, model::Interfaces().size()) << c.what;
    EXPECT_EQ(id, model::Interfaces().front().deviceInstanceId) << c.what;
    for (const std::string& hw : {TextProperty(cpu, "Device_HardwareIds")}) {
      EXPECT_TRUE(ValidUtf8(hw)) << c.what << ": " << hw;
    }
  }
}

TEST_F(ScanFaultsTest, NoControlCharacterFromANameReachesTheListings) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  // A USB controller whose folder name starts with a newline (the slot still parses), a processor whose
  // name ends in one, network interfaces with a tab, a forged line and a C1 control (NEL) in their names.
  const std::string slot = "\n0000:00:14.0";
  t.File("devices/pci0000:00/" + slot + "/vendor", "0x8086\n");
  t.File("devices/pci0000:00/" + slot + "/device", "0xa0ed\n");
  t.File("devices/pci0000:00/" + slot + "/class", "0x0c0330\n");
  t.Link("bus/pci/devices/" + slot, "../../../devices/pci0000:00/" + slot);
  t.Dir("devices/system/cpu/cpu1\n");
  for (const std::string name : {"a\tb\nNAME : forged", "eth\xC2\x85x", "c\x1b[31m"}) {
    t.File("devices/virtual/net/" + name + "/type", "1\n");
    t.Link("class/net/" + name, "../../devices/virtual/net/" + name);
  }
  ScanSysfs(t.root());
  ASSERT_EQ(5u, model::Devices().size());
  for (const model::Device& d : model::Devices()) {
    EXPECT_FALSE(HasControl(d.instanceId)) << d.instanceId;
    for (const char* name : {"NAME", "Device_DeviceDesc", "Device_FriendlyName", "Device_InstanceId"}) {
      EXPECT_FALSE(HasControl(TextProperty(d, name))) << d.instanceId << " " << name << ": " << TextProperty(d, name);
    }
  }
  for (const model::Interface& i : model::Interfaces()) EXPECT_FALSE(HasControl(i.devicePath)) << i.devicePath;
  // Control characters show as "?", one each.
  EXPECT_EQ(1u, InterfacePathsOf(model::Devices().front().instanceId).size());
  EXPECT_EQ("/sys/bus/pci/devices/?0000:00:14.0", InterfacePathsOf(model::Devices().front().instanceId).front());
  std::ostringstream setup, interfaces;
  SweepSetupClasses(true, setup);
  SweepInterfaceClasses(true, interfaces);
  for (const std::string& text : {setup.str(), interfaces.str()}) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_FALSE(HasControl(line.substr(line.starts_with("\t") ? 1 : 0))) << line;
      EXPECT_FALSE(line.starts_with("NAME : forged")) << "a forged line";
    }
  }
  EXPECT_NE(std::string::npos, interfaces.str().find("Device path: /sys/class/net/a?b?NAME : forged\n"));
  EXPECT_NE(std::string::npos, interfaces.str().find("Device path: /sys/class/net/eth?x\n"));
  EXPECT_NE(std::string::npos, interfaces.str().find("Device path: /sys/devices/system/cpu/cpu1?\n"));
}

// The paths inotify saw opened for reading under `dir` while `run` ran.
template <typename Run>
std::vector<std::string> OpenedDuring(const std::vector<std::string>& watched, Run run) {
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  EXPECT_GE(fd, 0);
  std::vector<std::pair<int, std::string>> watches;
  for (const std::string& path : watched) watches.emplace_back(inotify_add_watch(fd, path.c_str(), IN_OPEN), path);
  run();
  std::vector<std::string> opened;
  alignas(inotify_event) char buf[4096];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) {
    for (char* p = buf; p < buf + n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(p);
      for (const auto& [wd, path] : watches) {
        if (wd == e->wd) opened.push_back(path);
      }
      p += sizeof(inotify_event) + e->len;
    }
  }
  close(fd);
  return opened;
}

TEST_F(ScanFaultsTest, TheReaderOpensNothingButFilesAndFolders) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  t.File("devices/x/name", "ok\n");
  ASSERT_EQ(0, mkfifo(t.Path("devices/x/fifo").c_str(), 0600));
  // A character device like /dev/null; a container without CAP_MKNOD cannot make one, the pipe still counts.
  const bool haveNode = mknod(t.Path("devices/x/node").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
  t.Link("devices/x/fifo-link", "fifo");
  if (!haveNode) std::fprintf(stderr, "note: no character device could be made here; the pipe alone is checked\n");
  std::vector<std::string> specials = {t.Path("devices/x/fifo")};
  if (haveNode) specials.push_back(t.Path("devices/x/node"));
  for (const auto resolution : {sysfs::SysfsReader::Resolution::confinedOpen, sysfs::SysfsReader::Resolution::realpathCheck}) {
    const sysfs::SysfsReader tree(t.root(), {}, resolution);
    // In a child, so that a read that blocks on the pipe fails the test instead of hanging it.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      alarm(10);
      const auto opened = OpenedDuring(specials, [&] {
        for (const char* name : {"fifo", "node", "fifo-link"}) {
          if (tree.ReadFile(std::string("devices/x/") + name) || !tree.Attr("devices/x", name).empty() ||
              !tree.List(std::string("devices/x/") + name).empty()) {
            _exit(2);
          }
        }
        if (sysfs::ReadCappedFile(t.Path("devices/x/fifo"), 100)) _exit(2);
      });
      _exit(opened.empty() && tree.Attr("devices/x", "name") == "ok" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status)) << "the read blocked or crashed";
    EXPECT_EQ(0, WEXITSTATUS(status)) << (WEXITSTATUS(status) == 2 ? "a special file was read" : "a special file was opened");
  }
}

// A PCI network function with eth0 below it, and the software interfaces lo and ifb0.
void NetworkMachine(const ScratchTree& t, bool withUevent) {
  const std::string d = "devices/pci0000:00/0000:00:03.0";
  t.File(d + "/vendor", "0x1af4\n");
  t.File(d + "/device", "0x1041\n");
  t.File(d + "/class", "0x020000\n");
  t.File(d + "/revision", "0x01\n");
  t.File(d + "/subsystem_vendor", "0x1af4\n");
  t.File(d + "/subsystem_device", "0x1041\n");
  if (withUevent) t.File(d + "/uevent", "PCI_CLASS=20000\nPCI_ID=1AF4:1041\nPCI_SUBSYS_ID=1AF4:1041\n");
  t.Dir("bus/pci/drivers");
  t.Link(d + "/subsystem", "../../../bus/pci");
  t.Link("bus/pci/devices/0000:00:03.0", "../../../" + d);
  t.File(d + "/net/eth0/type", "1\n");
  t.Link("class/net/eth0", "../../" + d + "/net/eth0");
  t.File("devices/virtual/net/lo/type", "772\n");
  t.Link("class/net/lo", "../../devices/virtual/net/lo");
  t.File("devices/virtual/net/ifb0/type", "1\n");
  t.Link("class/net/ifb0", "../../devices/virtual/net/ifb0");
}

TEST_F(ScanFaultsTest, OneUnreadableAttributeDoesNotReclassifyADevice) {
  const std::string fn = "devices/pci0000:00/0000:00:03.0/";
  const std::string intact = "PCI\\VEN_1AF4&DEV_1041&SUBSYS_10411AF4&REV_01\\3&95FAC617&0&18";
  static const struct {
    const char* attribute;
    const char* how;  // "dir", "dangling", "fifo"
    bool withUevent;
    bool sameId;  // whether the id can still be told in full
  } cases[] = {
      {"vendor", "dir", true, true},   {"device", "dangling", true, true}, {"class", "fifo", true, true},
      {"subsystem_vendor", "dir", true, false}, {"revision", "fifo", true, false},
      {"vendor", "dir", false, false}, {"class", "dangling", false, false},
  };
  for (const auto& c : cases) {
    model::Clear();
    ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    NetworkMachine(t, c.withUevent);
    const std::string broken = t.Path(fn + c.attribute);
    fs::remove(broken);
    if (std::string(c.how) == "dir") fs::create_directory(broken);
    if (std::string(c.how) == "dangling") fs::create_symlink("gone", broken);
    if (std::string(c.how) == "fifo") {
      ASSERT_EQ(0, mkfifo(broken.c_str(), 0600));
    }
    ScanSysfs(t.root());
    const std::string what = std::string(c.attribute) + " as " + c.how + (c.withUevent ? "" : ", no uevent");
    EXPECT_EQ(nullptr, model::FindDevice("ROOT\\NET\\0002")) << what;
    // Numbered in name order, as in the intact tree.
    EXPECT_EQ("Intermediate Functional Block Adapter (ifb0)", TextProperty(*model::FindDevice("ROOT\\NET\\0000"), "NAME")) << what;
    EXPECT_EQ("Software Loopback Interface (lo)", TextProperty(*model::FindDevice("ROOT\\NET\\0001"), "NAME")) << what;
    const auto pci = testing::IdsStartingWith("PCI\\");
    ASSERT_EQ(1u, pci.size()) << what;
    if (c.sameId) {
      EXPECT_EQ(intact, pci.front()) << what;
    }
    EXPECT_EQ("Net", ClassOf(pci.front())) << what;
    EXPECT_EQ(std::vector<std::string>{"/sys/class/net/eth0"}, InterfacePathsOf(pci.front())) << what;
    EXPECT_EQ(3u, model::Devices().size()) << what;
  }
}

}  // namespace
}  // namespace devlist

namespace devlist {
namespace {

// Found by fuzzing: the volumes of a disk were named after the disk's id held by reference into the graph,
// which moves its nodes as it grows (AddressSanitizer sees the read after free).
TEST_F(ScanFaultsTest, ADiskWithManyPartitionsNamesEveryVolumeAfterIt) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  const std::string disk = "devices/virtual/block/loop0";
  t.File(disk + "/loop/backing_file", "/srv/image\n");
  t.Link("class/block/loop0", "../../" + disk);
  constexpr int kPartitions = 40;
  for (int i = 1; i <= kPartitions; ++i) {
    t.File(disk + "/loop0p" + std::to_string(i) + "/partition", std::to_string(i) + "\n");
    t.File(disk + "/loop0p" + std::to_string(i) + "/start", std::to_string(i * 2048) + "\n");
  }
  ScanSysfs(t.root());
  const auto volumes = testing::IdsStartingWith("STORAGE\\VOLUME\\");
  ASSERT_EQ(static_cast<std::size_t>(kPartitions), volumes.size());
  // One disk, so one GUID before the offset in every volume's id.
  for (const std::string& id : volumes) EXPECT_EQ(volumes.front().substr(0, 53), id.substr(0, 53)) << id;
}

}  // namespace
}  // namespace devlist
