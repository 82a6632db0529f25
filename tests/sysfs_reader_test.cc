#include "sysfs_reader.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace devlist::sysfs {
namespace {

namespace fs = std::filesystem;

// A scratch tree of every kind of entry a reader meets, removed when the test ends.
class ReaderTree : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/devlist-reader-XXXXXX";
    const char* made = mkdtemp(pattern);
    ASSERT_NE(nullptr, made);
    root_ = made;
    File("devices/dev0/vendor", "0x8086\n");
    File("devices/dev0/label", "  padded  \nsecond line\n");
    File("devices/dev0/noline", "no newline");
    File("devices/dev0/long", std::string(5000, 'x') + "\n");
    File("devices/dev0/empty", "");
    File("devices/dev0/uevent", "DRIVER=e1000e\nPCI_ID=8086:1533\n");
    File("devices/dev0/sub/inner", "inner\n");
    fs::create_directories(Path("devices/dev0/subdir"));
    ASSERT_EQ(0, mkfifo(Path("devices/dev0/fifo").c_str(), 0600));
    Link("devices/dev0/alias", "vendor");
    Link("devices/dev0/outside", "/etc/hostname");
    Link("devices/dev0/dangling", "nothing-here");
    Link("devices/dev0/driver", "../../bus/pci/drivers/e1000e");
    fs::create_directories(Path("bus/pci/drivers/e1000e"));
    File("bus/pci/drivers/e1000e/version", "3.2.6-k\n");
    Link("bus/pci/devices/dev0", "../../../devices/dev0");
    Link("devices/dev0/messy", ".//sub/./inner");
    Link("devices/dev0/chain", "alias");
    Link("devices/dev0/above", "../../../x");
    File("top", "at the root\n");
  }
  void TearDown() override {
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(root_, ignored);
  }
  std::string Path(const std::string& rel) const { return root_ + "/" + rel; }
  void File(const std::string& rel, const std::string& content) const {
    fs::create_directories(fs::path(Path(rel)).parent_path());
    std::ofstream(Path(rel), std::ios::binary) << content;
  }
  void Link(const std::string& rel, const std::string& target) const {
    fs::create_directories(fs::path(Path(rel)).parent_path());
    fs::create_symlink(target, Path(rel));
  }

  std::string root_;
};

// Every way of reading one path.
struct Answers {
  std::optional<std::string> file;
  std::string attr;
  bool exists = false;
  bool isDir = false;
  std::string link;
  std::optional<std::string> resolved;
  bool operator==(const Answers&) const = default;
};

Answers AskAll(const SysfsReader& reader, const std::string& rel) {
  const std::string dir = rel.find('/') == std::string::npos ? std::string() : rel.substr(0, rel.rfind('/'));
  const std::string name = rel.substr(rel.find('/') == std::string::npos ? 0 : rel.rfind('/') + 1);
  return {reader.ReadFile(rel), reader.Attr(dir, name), reader.Exists(rel), reader.IsDir(rel), reader.LinkName(rel),
          reader.Resolve(rel)};
}

const char* const kPaths[] = {
    "devices/dev0/vendor",       "devices/dev0/label",      "devices/dev0/noline",       "devices/dev0/long",
    "devices/dev0/empty",        "devices/dev0/uevent",     "devices/dev0/sub/inner",    "devices/dev0/subdir",
    "devices/dev0/fifo",         "devices/dev0/alias",      "devices/dev0/outside",      "devices/dev0/dangling",
    "devices/dev0/driver",       "devices/dev0/missing",    "devices/dev0/vendor/below", "devices/nodev/vendor",
    "bus/pci/devices/dev0/vendor", "bus/pci/devices/dev0/driver", "bus/pci/devices/dev0/driver/version",
    "bus/pci/devices/dev0",      "top",                     "devices",                   "devices/dev0/sub/../vendor",
    "devices/dev0/messy",        "devices/dev0/chain",      "devices/dev0/above",        "devices//dev0/./vendor",
    "bus/pci/devices/dev0/../dev0/vendor",                  "devices/dev0/driver/../e1000e/version",
    "bus/pci/devices/dev0/driver/../../dev0/sub/../label",
};

// Read by name inside kept directory handles, with a hook (which changes nothing of how the reader reads),
// and the older way (realpath and a check, no handles at all): each path gets the same answers, read twice
// over; the second time the kept handles have their listings, and the directories were listed before. The
// hook is told of every path asked for.
TEST_F(ReaderTree, EveryWayOfReadingAgrees) {
  const SysfsReader kept(root_);
  std::set<std::string> told;
  const SysfsReader hooked(root_, [&told](const std::string& path) { told.insert(path); });
  const SysfsReader older(root_, {}, SysfsReader::Resolution::realpathCheck);
  for (int round = 0; round < 2; ++round) {
    for (const char* dir : {"devices/dev0", "bus/pci/devices", ""}) {
      if (round == 1) {
        EXPECT_EQ(older.List(dir), kept.List(dir)) << dir;
      }
    }
    for (const char* rel : kPaths) {
      const Answers expected = AskAll(older, rel);
      EXPECT_TRUE(expected == AskAll(kept, rel)) << rel;
      EXPECT_TRUE(expected == AskAll(hooked, rel)) << rel;
      EXPECT_EQ(1u, told.count(root_ + "/" + rel)) << rel;
    }
  }
}

TEST_F(ReaderTree, AnswersAreThoseOfTheTree) {
  const SysfsReader reader(root_);
  struct Row {
    const char* rel;
    std::optional<std::string> file;
    const char* attr;
    bool exists, isDir;
    const char* link;
  };
  const Row rows[] = {
      {"devices/dev0/vendor", "0x8086\n", "0x8086", true, false, ""},
      {"devices/dev0/label", "  padded  \nsecond line\n", "padded", true, false, ""},
      {"devices/dev0/noline", "no newline", "no newline", true, false, ""},
      {"devices/dev0/empty", "", "", true, false, ""},
      {"devices/dev0/subdir", std::nullopt, "", true, true, ""},
      {"devices/dev0/fifo", std::nullopt, "", true, false, ""},
      {"devices/dev0/alias", "0x8086\n", "0x8086", true, false, "vendor"},
      {"devices/dev0/dangling", std::nullopt, "", false, false, "nothing-here"},
      {"devices/dev0/driver", std::nullopt, "", true, true, "e1000e"},
      {"devices/dev0/missing", std::nullopt, "", false, false, ""},
      {"devices/dev0/vendor/below", std::nullopt, "", false, false, ""},
      {"bus/pci/devices/dev0/driver/version", "3.2.6-k\n", "3.2.6-k", true, false, ""},
      {"top", "at the root\n", "at the root", true, false, ""},
  };
  for (const Row& row : rows) {
    const Answers got = AskAll(reader, row.rel);
    EXPECT_EQ(row.file, got.file) << row.rel;
    EXPECT_EQ(row.attr, got.attr) << row.rel;
    EXPECT_EQ(row.exists, got.exists) << row.rel;
    EXPECT_EQ(row.isDir, got.isDir) << row.rel;
    EXPECT_EQ(row.link, got.link) << row.rel;
  }
  // An attribute is its first line, capped; the whole file is there for those who read it whole.
  EXPECT_EQ(std::string(256, 'x'), reader.Attr("devices/dev0", "long"));
  EXPECT_EQ(5001u, reader.ReadFile("devices/dev0/long").value_or("").size());
  // A link out of the root is never read through.
  EXPECT_EQ(std::nullopt, reader.ReadFile("devices/dev0/outside"));
}

// Where a link leads by the letter of its target, without following it.
TEST_F(ReaderTree, LinkPathsFollowTheTargetsText) {
  const SysfsReader reader(root_);
  const std::pair<const char*, std::optional<std::string>> rows[] = {
      {"devices/dev0/driver", "bus/pci/drivers/e1000e"},
      {"devices/dev0/alias", "devices/dev0/vendor"},
      {"devices/dev0/messy", "devices/dev0/sub/inner"},
      {"bus/pci/devices/dev0", "devices/dev0"},
      {"devices/dev0/above", std::nullopt},               // above the root
      {"devices/dev0/outside", std::nullopt},             // absolute
      {"devices/dev0/vendor", std::nullopt},              // no link
      {"bus/pci/devices/dev0/driver", std::nullopt},      // its folder is reached through a link
  };
  for (int round = 0; round < 2; ++round) {
    for (const auto& [rel, expected] : rows) EXPECT_EQ(expected, reader.LinkPath(rel)) << rel << " " << round;
  }
}

// A kept handle must not outlive what it stands for in a way that reads a wrong tree: a directory removed
// between two reads reads as missing, and many directories in turn never run out of handles.
TEST_F(ReaderTree, KeptHandlesFollowTheTree) {
  const SysfsReader reader(root_);
  EXPECT_EQ("inner", reader.Attr("devices/dev0/sub", "inner"));
  fs::remove_all(Path("devices/dev0/sub"));
  EXPECT_EQ("", reader.Attr("devices/dev0/sub", "inner"));
  EXPECT_FALSE(reader.Exists("devices/dev0/sub/inner"));
  for (int i = 0; i < 300; ++i) File("many/d" + std::to_string(i) + "/a", std::to_string(i) + "\n");
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 300; ++i) {
      ASSERT_EQ(std::to_string(i), reader.Attr("many/d" + std::to_string(i), "a")) << i;
    }
  }
}

// Under a low limit of open descriptors the kept handles leave room for the files read inside them.
TEST_F(ReaderTree, KeptHandlesLeaveRoomUnderALowDescriptorLimit) {
  for (int i = 0; i < 300; ++i) File("many/d" + std::to_string(i) + "/a", std::to_string(i) + "\n");
  rlimit before{};
  ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &before));
  rlimit low = before;
  low.rlim_cur = 32;
  ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &low));
  const SysfsReader limited(root_);
  std::size_t read = 0;
  for (int i = 0; i < 300; ++i) read += limited.Attr("many/d" + std::to_string(i), "a") == std::to_string(i);
  ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &before));
  EXPECT_EQ(300u, read);
}

}  // namespace
}  // namespace devlist::sysfs
