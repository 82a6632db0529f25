#include "sysfs_scan.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "ansi_code_page.h"
#include "device_model.h"
#include "device_report.h"
#include "golden_diff.h"
#include "interface_classes.h"
#include "setup_classes.h"
#include "scratch_tree.h"
#include "setup_listing.h"
#include "test_support.h"
#include "platform.h"

namespace devlist {
namespace {

namespace fs = std::filesystem;
using testing::DeviceModelTest;
using testing::GuidFrom;
using testing::RawProperty;
using testing::TextProperty;

std::string FixtureDir(const std::string& machine) { return std::string(DEVLIST_TEST_DATA) + "/sysfs/" + machine; }

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The fixture's hardware database: "key<TAB>NAME=value" lines, answered for exactly those keys.
HwdbLookup FixtureHwdb(const std::string& machine) {
  auto table = std::make_shared<std::map<std::string, HwdbProperties>>();
  std::istringstream lines(ReadWhole(FixtureDir(machine) + "/hwdb.txt"));
  for (std::string line; std::getline(lines, line);) {
    const std::size_t tab = line.find('\t');
    const std::size_t eq = line.find('=', tab);
    if (tab == std::string::npos || eq == std::string::npos) continue;
    (*table)[line.substr(0, tab)][line.substr(tab + 1, eq - tab - 1)] = line.substr(eq + 1);
  }
  return [table](const std::string& modalias) {
    const auto it = table->find(modalias);
    return it == table->end() ? HwdbProperties{} : it->second;
  };
}

SysfsScanOptions FixtureOptions(const std::string& machine) {
  SysfsScanOptions options;
  options.cpuinfoPath = testing::FixtureTreeDir(machine) + "/cpuinfo";
  options.hwdb = FixtureHwdb(machine);
  return options;
}

void ScanFixture(const std::string& machine) {
  ScanSysfs(testing::FixtureTreeDir(machine) + "/sys", FixtureOptions(machine));
}

enum class Listing { setupSweep, interfaceSweep, setupSingle, notPresentSweep };

std::string RunOf(Listing run, const std::string& guid = "") {
  std::ostringstream out;
  RunOptions options;
  switch (run) {
    case Listing::setupSweep:
      SweepSetupClasses(true, out);
      break;
    case Listing::notPresentSweep:
      SweepSetupClasses(false, out);
      break;
    case Listing::interfaceSweep:
      SweepInterfaceClasses(true, out);
      break;
    case Listing::setupSingle:
      options.classGuid = guid;
      RunSingleSetupClass(options, out);
      break;
  }
  return out.str();
}

std::vector<std::string> List(const model::Device& d, const char* name) {
  std::vector<std::string> items;
  std::string item;
  for (char c : RawProperty(d, name)) {
    if (c != '\0') {
      item.push_back(c);
    } else if (!item.empty()) {
      items.push_back(item);
      item.clear();
    }
  }
  return items;
}

DEVPROPTYPE TypeOf(const model::Device& d, const char* name) {
  const DEVPROPKEY* key = FindDevicePropertyKey(name);
  for (const model::Property& p : d.properties) {
    if (key != nullptr && p.key.pid == key->pid && p.key.fmtid == key->fmtid) return p.type;
  }
  return DEVPROP_TYPE_EMPTY;
}

using SysfsScanTest = DeviceModelTest;

// One listing of a fixture machine and the golden text it must match.
struct GoldenCase {
  const char* machine;
  Listing run;
  const char* guid;
  const char* golden;
  bool names = true;  // false: scanned as for a listing that shows no names
};

const GoldenCase kGoldenCases[] = {
    {"vm", Listing::setupSweep, "", "setup.txt"},
    {"vm", Listing::interfaceSweep, "", "interface.txt"},
    {"vm", Listing::interfaceSweep, "", "interface.txt", false},
    {"vm", Listing::setupSingle, "{4d36e972-e325-11ce-bfc1-08002be10318}", "setup-net.txt"},
    {"vm", Listing::setupSingle, "{4D36E978-E325-11CE-BFC1-08002BE10318}", "setup-ports.txt"},
    {"laptop", Listing::setupSweep, "", "setup.txt"},
    {"laptop", Listing::interfaceSweep, "", "interface.txt"},
    {"laptop", Listing::interfaceSweep, "", "interface.txt", false},
    {"laptop", Listing::setupSingle, "{4d36e96f-e325-11ce-bfc1-08002be10318}", "setup-mouse.txt"},
    {"laptop", Listing::setupSingle, "{ca3e7ab9-b4c3-4ae6-8251-579ef933890f}", "setup-camera.txt"},
    {"laptop", Listing::setupSingle, "{36fc9e60-c465-11cf-8056-444553540000}", "setup-usb.txt"},
    {"server", Listing::setupSweep, "", "setup.txt"},
    {"server", Listing::interfaceSweep, "", "interface.txt"},
    {"server", Listing::interfaceSweep, "", "interface.txt", false},
    {"server", Listing::setupSingle, "{4d36e967-e325-11ce-bfc1-08002be10318}", "setup-disk.txt"},
    {"server", Listing::setupSingle, "{4d36e978-e325-11ce-bfc1-08002be10318}", "setup-ports.txt"},
};

// A failure shows the case as its machine and golden.
void PrintTo(const GoldenCase& c, std::ostream* out) { *out << c.machine << "/golden/" << c.golden; }

// "vm_setup_net", "laptop_interface_without_names": the machine and the golden, as a test's name.
std::string GoldenCaseName(const ::testing::TestParamInfo<GoldenCase>& info) {
  std::string name = std::string(info.param.machine) + "_" + info.param.golden;
  name.resize(name.size() - 4);  // ".txt"
  for (char& c : name) {
    if (c == '-') c = '_';
  }
  return info.param.names ? name : name + "_without_names";
}

class FixtureGoldenTest : public DeviceModelTest, public ::testing::WithParamInterface<GoldenCase> {};

// A failure names the class and device of every block that changed. With DEVLIST_WRITE_GOLDENS=1 the golden
// is rewritten from the listing instead, and what that changed is printed (then read it critically).
TEST_P(FixtureGoldenTest, ListingMatchesItsGolden) {
  const GoldenCase& c = GetParam();
  SysfsScanOptions options = FixtureOptions(c.machine);
  options.names = c.names;
  std::vector<std::string> asked;
  options.hwdb = [&asked, lookup = options.hwdb](const std::string& key) {
    asked.push_back(key);
    return lookup(key);
  };
  EXPECT_EQ(0, ScanSysfs(testing::FixtureTreeDir(c.machine) + "/sys", options));
  // Without names the database is asked only where a class depends on it: a USB device's model name.
  for (const std::string& key : asked) EXPECT_TRUE(c.names || key.rfind("usb:", 0) == 0) << key;
  const std::string actual = RunOf(c.run, c.guid);
  const std::string path = FixtureDir(c.machine) + "/golden/" + c.golden;
  const std::string expected = ReadWhole(path);
  const std::string difference = testing::DescribeListingDifference(expected, actual);
  if (std::getenv("DEVLIST_WRITE_GOLDENS") != nullptr) {
    if (difference.empty()) return;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << actual;
    std::printf("rewrote %s:\n%s", path.c_str(), difference.c_str());
    return;
  }
  EXPECT_FALSE(expected.empty()) << path;
  EXPECT_TRUE(difference.empty()) << path << " differs from the listing at " << difference;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureGoldenTest, ::testing::ValuesIn(kGoldenCases), GoldenCaseName);

TEST_F(SysfsScanTest, InvariantsHoldOnEveryFixture) {
  for (const char* machine : {"vm", "laptop", "server"}) {
    model::Clear();
    ScanFixture(machine);
    const auto& devices = model::Devices();
    ASSERT_FALSE(devices.empty()) << machine;
    std::set<std::string> ids;
    for (const model::Device& d : devices) {
      std::string upper = d.instanceId;
      for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      EXPECT_TRUE(ids.insert(upper).second) << machine << ": " << d.instanceId << " twice";
      EXPECT_EQ(d.instanceId, TextProperty(d, "Device_InstanceId")) << machine;
      EXPECT_TRUE(d.present) << machine << ": " << d.instanceId;
      // Relations name devices that exist, and a parent lists its child among its children.
      for (const char* relation : {"Device_Children", "Device_Siblings"}) {
        for (const std::string& other : List(d, relation)) {
          EXPECT_NE(nullptr, model::FindDevice(other)) << machine << ": " << d.instanceId << " " << relation;
        }
      }
      const std::string parent = TextProperty(d, "Device_Parent");
      if (!parent.empty()) {
        const model::Device* p = model::FindDevice(parent);
        ASSERT_NE(nullptr, p) << machine << ": parent of " << d.instanceId;
        const auto kids = List(*p, "Device_Children");
        EXPECT_NE(kids.end(), std::find(kids.begin(), kids.end(), d.instanceId)) << machine << ": " << d.instanceId;
      }
      // The types Windows uses for these keys.
      static const struct {
        const char* name;
        DEVPROPTYPE type;
      } types[] = {
          {"NAME", DEVPROP_TYPE_STRING},           {"Device_DeviceDesc", DEVPROP_TYPE_STRING},
          {"Device_HardwareIds", DEVPROP_TYPE_STRING_LIST}, {"Device_ClassGuid", DEVPROP_TYPE_GUID},
          {"Device_DevNodeStatus", DEVPROP_TYPE_UINT32},    {"Device_ProblemCode", DEVPROP_TYPE_UINT32},
          {"Device_IsPresent", DEVPROP_TYPE_BOOLEAN},       {"Device_HasProblem", DEVPROP_TYPE_BOOLEAN},
          {"Device_ContainerId", DEVPROP_TYPE_GUID},        {"Device_InstanceId", DEVPROP_TYPE_STRING},
      };
      for (const auto& t : types) EXPECT_EQ(t.type, TypeOf(d, t.name)) << machine << ": " << d.instanceId << " " << t.name;
    }
    for (const model::Interface& i : model::Interfaces()) {
      EXPECT_EQ(SPINT_ACTIVE, i.flags) << machine << ": " << i.devicePath;
      EXPECT_NE(nullptr, model::FindDevice(i.deviceInstanceId)) << machine << ": " << i.devicePath;
    }
  }
}

TEST_F(SysfsScanTest, RunsAreStableAndNotPresentListsTheSameDevices) {
  for (const char* machine : {"vm", "laptop", "server"}) {
    model::Clear();
    ScanFixture(machine);
    const std::string first = RunOf(Listing::setupSweep);
    EXPECT_EQ(first, RunOf(Listing::notPresentSweep)) << machine;
    model::Clear();
    ScanFixture(machine);
    EXPECT_EQ(first, RunOf(Listing::setupSweep)) << machine;
  }
}

TEST_F(SysfsScanTest, NamesFallBackToSysfsStringsWithoutTheDatabase) {
  static const struct {
    const char* machine;
    const char* instanceId;
    const char* desc;          // without the database
    const char* manufacturer;  // without the database
  } cases[] = {
      // The PCI class, when the database does not name the function.
      {"vm", "PCI\\VEN_1AF4&DEV_1041&SUBSYS_10411AF4&REV_01\\3&95FAC617&0&18", "Ethernet controller", ""},
      // USB strings.
      {"laptop", "USB\\VID_046D&PID_C077\\5&67D77881&0&2", "USB Optical Mouse", "Logitech"},
      // The model name of the processor.
      {"server", "ACPI\\GENUINEINTEL_-_INTEL64_FAMILY_6_MODEL_85_-_INTEL(R)_XEON(R)_GOLD_6226R_CPU_@_2.90GHZ\\_3",
       "Intel(R) Xeon(R) Gold 6226R CPU @ 2.90GHz", "Intel"},
      // The class description, when sysfs names nothing either.
      {"vm", "ACPI\\AMZNC10C\\0", "Virtual Machine Clock", ""},
  };
  for (const auto& c : cases) {
    model::Clear();
    SysfsScanOptions options = FixtureOptions(c.machine);
    options.hwdb = nullptr;
    ScanSysfs(testing::FixtureTreeDir(c.machine) + "/sys", options);
    const model::Device* d = model::FindDevice(c.instanceId);
    ASSERT_NE(nullptr, d) << c.instanceId;
    EXPECT_EQ(c.desc, TextProperty(*d, "Device_DeviceDesc")) << c.instanceId;
    EXPECT_EQ(c.manufacturer, TextProperty(*d, "Device_Manufacturer")) << c.instanceId;
  }
}

TEST_F(SysfsScanTest, ProcessorsWithoutCpuinfoAreNamedFromTheirModalias) {
  SysfsScanOptions options;
  ScanSysfs(testing::FixtureTreeDir("vm") + "/sys", options);
  const model::Device* cpu = model::FindDevice("ACPI\\AUTHENTICAMD_-_AMD64_FAMILY_26_MODEL_2\\_1");
  ASSERT_NE(nullptr, cpu);
  EXPECT_EQ("AuthenticAMD Family 26 Model 2", TextProperty(*cpu, "Device_DeviceDesc"));
}

TEST_F(SysfsScanTest, TheLoaderScansOnceOnTheFirstOpenedSet) {
  InstallSysfsLoader(testing::FixtureTreeDir("vm") + "/sys", FixtureOptions("vm"));
  EXPECT_TRUE(model::Devices().empty());
  const GUID net = GuidFrom("{4d36e972-e325-11ce-bfc1-08002be10318}");
  HDEVINFO set = SetupDiGetClassDevsA(&net, nullptr, nullptr, DIGCF_PRESENT);
  ASSERT_NE(INVALID_HANDLE_VALUE, set);
  SetupDiDestroyDeviceInfoList(set);
  const std::size_t count = model::Devices().size();
  EXPECT_EQ(19u, count);
  set = SetupDiGetClassDevsA(&net, nullptr, nullptr, DIGCF_PRESENT);
  SetupDiDestroyDeviceInfoList(set);
  EXPECT_EQ(count, model::Devices().size());
}

// Under a descriptor limit that leaves room for the tree's root and nothing else, every folder reads as
// missing: the listing must fail, not come out empty or short as if the machine had no such devices.
TEST_F(SysfsScanTest, RunningOutOfDescriptorsFailsTheListing) {
  const GUID net = GuidFrom("{4d36e972-e325-11ce-bfc1-08002be10318}");
  rlimit before{};
  ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &before));
  const auto open = static_cast<rlim_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                      std::filesystem::directory_iterator{}));
  for (const rlim_t room : {rlim_t{0}, rlim_t{1}, rlim_t{2}}) {
    model::Clear();
    InstallSysfsLoader(testing::FixtureTreeDir("vm") + "/sys", FixtureOptions("vm"));
    rlimit low = before;
    low.rlim_cur = open + room;  // the listing of /proc/self/fd counted its own descriptor
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &low));
    const HDEVINFO set = SetupDiGetClassDevsA(&net, nullptr, nullptr, DIGCF_PRESENT);
    const DWORD error = GetLastError();
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &before));
    EXPECT_EQ(INVALID_HANDLE_VALUE, set) << room;
    EXPECT_EQ(ERROR_TOO_MANY_OPEN_FILES, error) << room;
    EXPECT_TRUE(model::Devices().empty()) << room;
    EXPECT_EQ(EMFILE, model::UnreadMachineError()) << room;  // what the tool then reports
    if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
  }
  model::Clear();
  InstallSysfsLoader(testing::FixtureTreeDir("vm") + "/sys", FixtureOptions("vm"));
  const HDEVINFO set = SetupDiGetClassDevsA(&net, nullptr, nullptr, DIGCF_PRESENT);
  ASSERT_NE(INVALID_HANDLE_VALUE, set);
  SetupDiDestroyDeviceInfoList(set);
  EXPECT_EQ(0, model::UnreadMachineError());
}

TEST_F(SysfsScanTest, AMissingRootListsNothing) {
  for (const char* root : {"/nonexistent/sys", ""}) {
    EXPECT_EQ(ENOENT, ScanSysfs(root)) << root;
    EXPECT_TRUE(model::Devices().empty()) << root;
  }
}

// A tree the scan cannot read says why, while the listing keeps what was found; a tree with few devices, or
// none, is read well. The tool reports the reason and fails.
TEST_F(SysfsScanTest, AMachineThatCannotBeReadSaysWhy) {
  const struct {
    const char* row;
    void (*make)(const testing::ScratchTree& t);
    int error;
    bool listsDevices;
  } cases[] = {
      {"one device", [](const testing::ScratchTree& t) { t.Pci("0000:00:01.0"); }, 0, true},
      {"an empty devices directory", [](const testing::ScratchTree& t) { t.Dir("devices"); }, 0, false},
      {"no devices directory", [](const testing::ScratchTree& t) { t.Dir("class/net"); }, ENOENT, false},
      {"devices is a file", [](const testing::ScratchTree& t) { t.File("devices", "x"); }, ENOTDIR, false},
      {"devices cannot be listed",
       [](const testing::ScratchTree& t) {
         t.Pci("0000:00:01.0");
         chmod(t.Path("devices").c_str(), 0311);  // entered, never listed
       },
       EACCES, true},
  };
  for (const auto& c : cases) {
    if (c.error == EACCES && geteuid() == 0) continue;  // root lists it all the same (cli.unreadable_machine)
    model::Clear();
    const testing::ScratchTree t;
    ASSERT_FALSE(t.root().empty());
    c.make(t);
    EXPECT_EQ(c.error, ScanSysfs(t.root())) << c.row;
    EXPECT_EQ(c.listsDevices, !model::Devices().empty()) << c.row;
    chmod(t.Path("devices").c_str(), 0755);
  }
  // Through the loader, as the tool reads the machine: the reason is kept for the front end, and the model
  // answers as before, with what it has.
  const testing::ScratchTree empty;
  InstallSysfsLoader(empty.root(), SysfsScanOptions{});
  const GUID net = GuidFrom("{4d36e972-e325-11ce-bfc1-08002be10318}");
  const HDEVINFO set = SetupDiGetClassDevsA(&net, nullptr, nullptr, DIGCF_PRESENT);
  ASSERT_NE(INVALID_HANDLE_VALUE, set);
  SetupDiDestroyDeviceInfoList(set);
  EXPECT_EQ(ENOENT, model::UnreadMachineError());
  model::Clear();
  EXPECT_EQ(0, model::UnreadMachineError());
}

using testing::ScratchTree;

TEST_F(SysfsScanTest, HostileEntriesAreSkippedWithoutHarm) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  t.Pci("0000:00:01.0");  // the one sound device
  // An attribute that is a directory, a pipe, a link out of the root, and a huge one.
  t.Pci("0000:00:02.0");
  fs::remove(t.Path("devices/pci0000:00/0000:00:02.0/vendor"));
  t.Dir("devices/pci0000:00/0000:00:02.0/vendor");
  t.Pci("0000:00:03.0");
  fs::remove(t.Path("devices/pci0000:00/0000:00:03.0/vendor"));
  ASSERT_EQ(0, mkfifo(t.Path("devices/pci0000:00/0000:00:03.0/vendor").c_str(), 0600));
  t.Pci("0000:00:04.0");
  t.Link("devices/pci0000:00/0000:00:04.0/modalias", "/etc/hostname");
  t.File("devices/pci0000:00/0000:00:04.0/label", std::string(1 << 20, 'x'));
  // A link loop, a link out of the root, and a dangling link where devices are listed.
  t.Link("bus/pci/devices/0000:00:05.0", "0000:00:06.0");
  t.Link("bus/pci/devices/0000:00:06.0", "0000:00:05.0");
  t.Link("class/net/escape", "/sys/class/net/lo");
  t.Link("class/net/ghost", "../../devices/virtual/net/ghost");
  t.Link("class/block/outside", "../../..");
  // A name with odd bytes.
  const std::string odd = "eth\xff\x01z";
  t.File("devices/virtual/net/" + odd + "/type", "1\n");
  t.Link("class/net/" + odd, "../../devices/virtual/net/" + odd);
  // A directory that links to itself, below a device.
  t.Link("devices/pci0000:00/0000:00:01.0/virtio9", ".");

  ScanSysfs(t.root());
  std::set<std::string> ids;
  for (const model::Device& d : model::Devices()) ids.insert(d.instanceId);
  EXPECT_EQ(1u, ids.count("PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&08"));
  EXPECT_EQ(1u, ids.count("PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&20"));
  // The functions whose vendor cannot be read keep their place, without the vendor they could not tell.
  EXPECT_EQ(1u, ids.count("PCI\\VEN_FFFF&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&10"));
  EXPECT_EQ(1u, ids.count("PCI\\VEN_FFFF&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&18"));
  EXPECT_EQ(5u, model::Devices().size());  // four functions and the odd interface; nothing else
  const model::Device* labelled = model::FindDevice("PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&20");
  ASSERT_NE(nullptr, labelled);
  EXPECT_EQ(std::string(256, 'x'), TextProperty(*labelled, "Device_DeviceDesc"));  // capped, and not the outside file
  const model::Device* oddNet = model::FindDevice("ROOT\\NET\\0000");
  ASSERT_NE(nullptr, oddNet);
  EXPECT_EQ("Virtual Network Adapter (eth??z)", TextProperty(*oddNet, "NAME"));  // the same "?" in both
  ASSERT_EQ(1u, model::Interfaces().size());
  EXPECT_EQ("/sys/class/net/eth??z", model::Interfaces().front().devicePath);
}

TEST_F(SysfsScanTest, ADeviceThatVanishesDuringTheScanIsLeftOut) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  t.Pci("0000:00:01.0");
  t.Pci("0000:00:02.0");
  t.Pci("0000:00:03.0");
  const std::string doomed = t.Path("devices/pci0000:00/0000:00:02.0");
  SysfsScanOptions options;
  // The device goes away right after the scan found it, before its attributes are read.
  options.beforeRead = [&doomed](const std::string& path) {
    if (path == doomed + "/vendor") fs::remove_all(doomed);
  };
  ScanSysfs(t.root(), options);
  ASSERT_EQ(2u, model::Devices().size());
  EXPECT_NE(nullptr, model::FindDevice("PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&08"));
  EXPECT_NE(nullptr, model::FindDevice("PCI\\VEN_8086&DEV_1533&SUBSYS_00000000&REV_00\\3&95FAC617&0&18"));
}

}  // namespace
}  // namespace devlist
