// The confined reader on hostile trees, under both ways of resolving paths: nothing escapes the root,
// blocks, crashes or is dropped without a word.
#include "sysfs_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "scratch_tree.h"

namespace devlist {
namespace {

using sysfs::SysfsReader;
using testing::ScratchTree;

constexpr SysfsReader::Resolution kResolutions[] = {SysfsReader::Resolution::confinedOpen,
                                                    SysfsReader::Resolution::realpathCheck};

const char* NameOf(SysfsReader::Resolution r) {
  return r == SysfsReader::Resolution::confinedOpen ? "confined open" : "realpath check";
}

TEST(SysfsReader, LinksNeverLeadOutOfTheRoot) {
  ScratchTree outside;
  outside.File("secret", "outside\n");
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  t.File("devices/a/attr", "inside\n");
  t.Link("devices/a/absolute", outside.Path("secret"));
  t.Link("devices/a/relative", "../../../" + std::filesystem::path(outside.root()).filename().string() + "/secret");
  t.Link("devices/a/up", "../../..");
  t.Link("devices/a/loop1", "loop2");
  t.Link("devices/a/loop2", "loop1");
  t.Link("devices/a/self", "self");
  // Directories below one the reader keeps, reached through links to a folder outside.
  t.Link("devices/a/outdir", outside.root());
  t.Link("devices/a/sub/outdir", outside.root());
  for (const auto resolution : kResolutions) {
    const SysfsReader reader(t.root(), {}, resolution);
    ASSERT_TRUE(reader.Usable());
    EXPECT_EQ("inside", reader.Attr("devices/a", "attr")) << NameOf(resolution);
    for (const char* name : {"absolute", "relative", "loop1", "loop2", "self"}) {
      const std::string rel = std::string("devices/a/") + name;
      EXPECT_FALSE(reader.ReadFile(rel).has_value()) << NameOf(resolution) << " " << name;
      EXPECT_EQ("", reader.Attr("devices/a", name)) << NameOf(resolution) << " " << name;
      EXPECT_FALSE(reader.Resolve(rel).has_value() && reader.Resolve(rel)->find("..") != std::string::npos)
          << NameOf(resolution) << " " << name;
    }
    for (const char* dir : {"devices/a/outdir", "devices/a/sub/outdir"}) {
      EXPECT_EQ("", reader.Attr(dir, "secret")) << NameOf(resolution) << " " << dir;
      EXPECT_TRUE(reader.List(dir).empty()) << NameOf(resolution) << " " << dir;
    }
    // A link up past the root resolves, if at all, to the root itself, never above it.
    const auto up = reader.Resolve("devices/a/up");
    if (up) {
      EXPECT_EQ("", *up) << NameOf(resolution);
    }
    const std::string through = "devices/a/up/" + std::filesystem::path(outside.root()).filename().string() + "/secret";
    EXPECT_FALSE(reader.ReadFile(through).has_value()) << NameOf(resolution);
  }
}

TEST(SysfsReader, SpecialAndHugeFilesAreNeitherWaitedOnNorReadWhole) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  t.Dir("devices/a");
  ASSERT_EQ(0, mkfifo(t.Path("devices/a/fifo").c_str(), 0600));  // opening it to read would block
  t.File("devices/a/huge", std::string(1 << 20, 'x'));
  t.Dir("devices/a/folder");
  for (const auto resolution : kResolutions) {
    const SysfsReader reader(t.root(), {}, resolution);
    // Asked first of the directory, then again once its listing is kept (the types come from there).
    for (int round = 0; round < 2; ++round) {
      if (round == 1) {
        EXPECT_EQ(3u, reader.List("devices/a").size()) << NameOf(resolution);
      }
      EXPECT_FALSE(reader.ReadFile("devices/a/fifo").has_value()) << NameOf(resolution) << round;
      EXPECT_FALSE(reader.ReadFile("devices/a/folder").has_value()) << NameOf(resolution) << round;
      EXPECT_EQ("", reader.Attr("devices/a", "fifo")) << NameOf(resolution) << round;
      const auto huge = reader.ReadFile("devices/a/huge");
      ASSERT_TRUE(huge.has_value()) << NameOf(resolution) << round;
      EXPECT_EQ(sysfs::kMaxFileBytes, huge->size()) << NameOf(resolution) << round;
    }
  }
}

TEST(SysfsReader, ADirectoryOfTenThousandEntriesIsListedWhole) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  t.Dir("bus/x/devices");
  for (int i = 0; i < 10000; ++i) t.File("bus/x/devices/d" + std::to_string(i), "");
  for (const auto resolution : kResolutions) {
    const SysfsReader reader(t.root(), {}, resolution);
    const auto names = reader.List("bus/x/devices");
    EXPECT_EQ(10000u, names.size()) << NameOf(resolution);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end())) << NameOf(resolution);
  }
}

TEST(SysfsReader, AFileThatVanishesBetweenListingAndOpeningIsLeftOut) {
  ScratchTree t;
  ASSERT_FALSE(t.root().empty());
  for (const auto resolution : kResolutions) {
    t.File("devices/a/keep", "1\n");
    t.File("devices/a/doomed", "2\n");
    const std::string doomed = t.Path("devices/a/doomed");
    const SysfsReader reader(
        t.root(), [&doomed](const std::string& path) { if (path == doomed) std::filesystem::remove(doomed); },
        resolution);
    const auto names = reader.List("devices/a");
    ASSERT_EQ(2u, names.size()) << NameOf(resolution);
    EXPECT_EQ("", reader.Attr("devices/a", "doomed")) << NameOf(resolution);
    EXPECT_EQ("1", reader.Attr("devices/a", "keep")) << NameOf(resolution);
    EXPECT_EQ(1u, reader.List("devices/a").size()) << NameOf(resolution);
  }
}

}  // namespace
}  // namespace devlist
