#include "hwdb_file.h"

#include <gtest/gtest.h>
#include <libudev.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace devlist {
namespace {

// Every modalias file under `root`, and the keys of a fixture's recorded database answers.
void CollectModaliases(const std::filesystem::path& root, std::set<std::string>& out) {
  namespace fs = std::filesystem;
  std::error_code error;
  for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
       !error && it != end; it.increment(error)) {
    if (it->path().filename() != "modalias" || !it->is_regular_file(error)) continue;
    std::ifstream file(it->path());
    std::string alias;
    if (std::getline(file, alias)) out.insert(alias);
  }
  std::ifstream answers(root.parent_path() / "hwdb.txt");
  for (std::string line; std::getline(answers, line);) out.insert(line.substr(0, line.find('\t')));
}

HwdbProperties LibraryAnswer(udev_hwdb* hwdb, const std::string& modalias) {
  HwdbProperties properties;
  for (udev_list_entry* e = udev_hwdb_get_properties_list_entry(hwdb, modalias.c_str(), 0); e != nullptr;
       e = udev_list_entry_get_next(e)) {
    properties[udev_list_entry_get_name(e)] = udev_list_entry_get_value(e);
  }
  return properties;
}

// The udev library is the judge: for every modalias of this machine and of the fixtures, and for
// hand-picked ones, our reader answers what it answers from the same file, with a cache of any size.
TEST(HwdbFile, AnswersAsTheUdevLibraryDoes) {
  udev* context = udev_new();
  udev_hwdb* library = context ? udev_hwdb_new(context) : nullptr;
  std::unique_ptr<HwdbFile> ours = HwdbFile::OpenSystem();
  ASSERT_EQ(library != nullptr, ours != nullptr);
  if (library == nullptr) {
    if (context) udev_unref(context);
    GTEST_SKIP() << "no hardware database on this machine";
  }
  std::set<std::string> modaliases = {
      "pci:v00008086d00001533sv00008086sd00000000bc02sc00i00",        // an Intel NIC, vendor and model
      "pci:v000010DEd00001EB8sv000010DEsd000012A2bc03sc02i00",        // a subsystem entry
      "usb:v1D6Bp0002d0515dc09dsc00dp03ic09isc00ip00in00",           // the root hub, a full USB modalias
      "usb:v046DpC52B",                                               // vendor and product only
      "acpi:PNP0C0C:", "acpi:DEL:", "acpi:LNXSYSTM:",                 // ACPI ids and vendors
      "dmi:bvnLENOVO:bvrN2HET59W:bd06/20/2022:br1.38:svnLENOVO:pn20XWCTO1WW:pvrThinkPadX1CarbonGen9:"
      "rvnLENOVO:rn20XWCTO1WW:rvrSDK0J40697WIN:cvnLENOVO:ct10:cvrNone:skuLENOVO_MT_20XW:",
      "evdev:atkbd:dmi:bvnAcer:bvr1.0:bd01/01/2020:svnAcer:pnAspire 5:pvr:",  // globs on every field
      "evdev:input:b0003v049Fp0051e0110-e0,1,4,11,14,k71,72,73,ramlsfw",
      "id-input:modalias:input:b0003v07C0p1125e0100-e0,1,3,k130,ra0,1,mlsfw",
      "mouse:usb:v046dpc52b:name:Logitech USB Receiver:",
      "sensor:modalias:acpi:INVN6500:00:dmi:bvnAcer:svnAcer:pnAspireSW5-012:",
      "pci:*", "*", "?", "[", "usb:v*p*d*dc*",                         // globs in the modalias itself
      "no:such:modalias", "",
  };
  const char* const fixtureRoots[] = {DEVLIST_TEST_DATA "/sysfs/vm/sys", DEVLIST_FIXTURE_TREES "/laptop/sys",
                                      DEVLIST_FIXTURE_TREES "/server/sys", "/sys/devices"};
  for (const char* root : fixtureRoots) CollectModaliases(root, modaliases);
  std::unique_ptr<HwdbFile> tiny = HwdbFile::OpenSystem(2);
  int named = 0;
  for (const std::string& modalias : modaliases) {
    const HwdbProperties expected = LibraryAnswer(library, modalias);
    EXPECT_EQ(expected, ours->Lookup(modalias)) << modalias;
    EXPECT_EQ(expected, tiny->Lookup(modalias)) << modalias << ", two blocks";
    named += !expected.empty();
  }
  EXPECT_GT(named, 20) << "of " << modaliases.size();
  udev_hwdb_unref(library);
  udev_unref(context);
}

// A small database laid out as the compiler lays it out: the header, the nodes with their children and
// values, then the strings. Node 0 is the root.
struct TrieNode {
  std::string prefix;
  std::vector<std::pair<char, int>> children;  // sorted by character
  std::vector<std::tuple<std::string, std::string, std::uint16_t, std::uint32_t>> values;  // key, value, priority, line
};

struct Built {
  std::string bytes;
  std::vector<std::size_t> nodeAt;
};

void Put(std::string& bytes, std::size_t at, std::uint64_t v, int width = 8) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

Built Build(const std::vector<TrieNode>& nodes, std::uint64_t valueSize = 32) {
  Built b;
  std::size_t at = 80;
  for (const TrieNode& n : nodes) {
    b.nodeAt.push_back(at);
    at += 24 + 16 * n.children.size() + valueSize * n.values.size();
  }
  const std::size_t stringsAt = at;
  std::string strings(1, '\0');  // offset 0 of the section: the file name of every value
  const auto intern = [&](const std::string& s) {
    strings += s + '\0';
    return stringsAt + strings.size() - s.size() - 1;
  };
  b.bytes.assign(stringsAt, '\0');
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    std::size_t p = b.nodeAt[i];
    Put(b.bytes, p, intern(nodes[i].prefix));
    Put(b.bytes, p + 8, nodes[i].children.size(), 1);
    Put(b.bytes, p + 16, nodes[i].values.size());
    p += 24;
    for (const auto& [c, child] : nodes[i].children) {
      b.bytes[p] = c;
      Put(b.bytes, p + 8, b.nodeAt[child]);
      p += 16;
    }
    for (const auto& [key, value, priority, line] : nodes[i].values) {
      Put(b.bytes, p, intern(key));
      Put(b.bytes, p + 8, intern(value));
      if (valueSize >= 32) Put(b.bytes, p + 16, stringsAt), Put(b.bytes, p + 24, line, 4), Put(b.bytes, p + 28, priority, 2);
      p += valueSize;
    }
  }
  b.bytes += strings;
  const std::uint64_t header[] = {252, b.bytes.size(), 80, 24, 16, valueSize, b.nodeAt[0], stringsAt - 80,
                                  strings.size()};
  b.bytes.replace(0, 8, "KSLPHHRH");
  for (std::size_t i = 0; i < std::size(header); ++i) Put(b.bytes, 8 + 8 * i, header[i]);
  return b;
}

sysfs::UniqueFd MemoryFile(const std::string& bytes) {
  sysfs::UniqueFd fd(memfd_create("hwdb", MFD_CLOEXEC));
  if (write(fd.get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return {};
  return fd;
}

// usb:v then '1' to "D6Bp0002" (its model, and a vendor of line 5) or '*' (a vendor of line 9, a key
// without the blank); the root hub's vendor comes from the later line, though the glob's is seen first.
std::vector<TrieNode> Sample(std::uint16_t modelPriority = 1) {
  return {{"usb:v", {{'*', 2}, {'1', 1}}, {}},
          {"D6Bp0002", {}, {{" ID_MODEL", "Root hub", 1, 4}, {" ID_VENDOR", "Linux", modelPriority, 5}}},
          {"", {}, {{" ID_VENDOR", "Any", 1, 9}, {"ID_HIDDEN", "x", 1, 10}}}};
}

TEST(HwdbFile, SoundDamagedAndHostileFiles) {
  using Patch = std::function<void(Built&)>;
  const HwdbProperties rootHub = {{"ID_MODEL", "Root hub"}, {"ID_VENDOR", "Any"}};
  const struct {
    const char* what;
    Built file;
    Patch patch;
    const char* modalias;
    HwdbProperties expected;
  } cases[] = {
      {"sound", Build(Sample()), nullptr, "usb:v1D6Bp0002", rootHub},
      {"only the glob", Build(Sample()), nullptr, "usb:vFFFF", {{"ID_VENDOR", "Any"}}},
      {"no match", Build(Sample()), nullptr, "pci:v1", {}},
      {"higher file priority", Build(Sample(2)), nullptr, "usb:v1D6Bp0002",
       {{"ID_MODEL", "Root hub"}, {"ID_VENDOR", "Linux"}}},
      {"no origins: the last seen", Build(Sample(), 16), nullptr, "usb:v1D6Bp0002",
       {{"ID_MODEL", "Root hub"}, {"ID_VENDOR", "Linux"}}},
      {"truncated header", Build(Sample()), [](Built& b) { b.bytes.resize(40); }, "usb:v1D6Bp0002", {}},
      {"truncated, size kept", Build(Sample()), [](Built& b) { b.bytes.resize(b.bytes.size() - 20); },
       "usb:v1D6Bp0002", {}},
      {"truncated, size told",
       Build(Sample()), [](Built& b) { b.bytes.resize(b.bytes.size() - 20), Put(b.bytes, 16, b.bytes.size()); },
       "usb:v1D6Bp0002", {}},
      {"node records too small", Build(Sample()), [](Built& b) { Put(b.bytes, 32, 8); }, "usb:v1D6Bp0002", {}},
      {"root past the end", Build(Sample()), [](Built& b) { Put(b.bytes, 56, 1u << 30); }, "usb:v1D6Bp0002", {}},
      {"prefix past the end", Build(Sample()), [](Built& b) { Put(b.bytes, b.nodeAt[1], ~0ull); },
       "usb:v1D6Bp0002", {}},
      {"key past the end", Build(Sample()), [](Built& b) { Put(b.bytes, b.nodeAt[2] + 24, 1ull << 40); },
       "usb:v1D6Bp0002", {}},
      {"child past the end", Build(Sample()), [](Built& b) { Put(b.bytes, b.nodeAt[0] + 24 + 8, 1ull << 62); },
       "usb:v1D6Bp0002", {}},
      {"huge children count", Build(Sample()), [](Built& b) { Put(b.bytes, b.nodeAt[0] + 8, 255, 1); },
       "usb:v1D6Bp0002", {}},
      {"huge values count", Build(Sample()), [](Built& b) { Put(b.bytes, b.nodeAt[1] + 16, 1ull << 60); },
       "usb:v1D6Bp0002", {}},
      // The glob node's children lead back to itself, twice over: without a bound, 2^2047 paths.
      {"child loop", Build({{"usb:v", {{'*', 1}}, {}}, {"", {{'*', 1}, {'a', 1}}, {{" K", "v", 1, 1}}}}), nullptr,
       "usb:v1", {}},
  };
  for (const auto& c : cases) {
    Built file = c.file;
    if (c.patch) c.patch(file);
    for (const std::size_t blocks : {1, 64}) {
      std::unique_ptr<HwdbFile> hwdb = HwdbFile::FromDescriptor(MemoryFile(file.bytes), blocks);
      const HwdbProperties got = hwdb ? hwdb->Lookup(c.modalias) : HwdbProperties{};
      EXPECT_EQ(c.expected, got) << c.what << ", " << blocks << " blocks";
      if (hwdb) {
        EXPECT_EQ(got, hwdb->Lookup(c.modalias)) << c.what << ", asked again";
      }
    }
  }
}

}  // namespace
}  // namespace devlist
