#include "directory_handles.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace devlist::sysfs {
namespace {

namespace fs = std::filesystem;

// The descriptors this process has open, counted in /proc/self/fd.
std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// A scratch folder of `kDirs` directories, each holding files named after it, removed when the test ends.
class DirectoryHandlesTest : public ::testing::Test {
 protected:
  static constexpr int kDirs = 40;

  void SetUp() override {
    char pattern[] = "/tmp/devlist-handles-XXXXXX";
    const char* made = mkdtemp(pattern);
    ASSERT_NE(nullptr, made);
    root_ = made;
    for (int i = 0; i < kDirs; ++i) {
      fs::create_directories(Dir(i) + "/sub");
      for (const char* name : {"a", "b"}) std::ofstream(Dir(i) + "/" + name + std::to_string(i)) << i;
    }
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Dir(int i) const { return root_ + "/d" + std::to_string(i); }
  static int OpenDir(const std::string& path) { return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

  // The names the kept handle of directory `i` lists, opening and keeping one when none is kept.
  std::vector<std::string> NamesOf(DirectoryHandles& handles, int i) {
    DirectoryHandles::Handle* handle = handles.Find(Dir(i));
    if (handle == nullptr) handle = handles.Keep(Dir(i), OpenDir(Dir(i)), true);
    std::vector<std::string> names;
    if (handle == nullptr) return names;
    if (const DirectoryListing* listing = handles.Listing(*handle)) {
      for (const ListedEntry& e : listing->entries) names.emplace_back(listing->Name(e));
    }
    return names;
  }

  std::string root_;
};

// More directories than the limit: the least recently used goes, its descriptor closed, and one asked for
// again is opened anew and lists what it did before.
TEST_F(DirectoryHandlesTest, KeepsAtMostItsLimitAndAnEvictedOneListsTheSameAgain) {
  const std::size_t before = OpenDescriptors();
  {
    DirectoryHandles handles(8);
    std::vector<std::vector<std::string>> first;
    for (int i = 0; i < kDirs; ++i) {
      first.push_back(NamesOf(handles, i));
      EXPECT_LE(OpenDescriptors(), before + 8) << "after directory " << i;
    }
    EXPECT_EQ(before + 8, OpenDescriptors());
    // The last eight are kept, the rest were closed.
    for (int i = 0; i < kDirs; ++i) EXPECT_EQ(i >= kDirs - 8, handles.Find(Dir(i)) != nullptr) << i;
    for (int i = 0; i < kDirs; ++i) {
      const std::vector<std::string> expected = {"a" + std::to_string(i), "b" + std::to_string(i), "sub"};
      EXPECT_EQ(expected, first[i]) << i;
      EXPECT_EQ(expected, NamesOf(handles, i)) << "asked again: " << i;
    }
    EXPECT_EQ(before + 8, OpenDescriptors());
  }
  EXPECT_EQ(before, OpenDescriptors()) << "every kept handle is closed with the table";
}

// A handle found moves to the front, so the one not asked for longest is the one that makes room.
TEST_F(DirectoryHandlesTest, TheLeastRecentlyFoundIsEvictedFirst) {
  DirectoryHandles handles(3);
  for (int i = 0; i < 3; ++i) ASSERT_NE(nullptr, handles.Keep(Dir(i), OpenDir(Dir(i)), true));
  ASSERT_NE(nullptr, handles.Find(Dir(0)));                      // 0 is now the most recent; 1 the oldest
  ASSERT_NE(nullptr, handles.Keep(Dir(3), OpenDir(Dir(3)), true));  // makes room: 1 goes
  EXPECT_NE(nullptr, handles.Find(Dir(0)));
  EXPECT_EQ(nullptr, handles.Find(Dir(1)));
  EXPECT_NE(nullptr, handles.Find(Dir(2)));
  EXPECT_NE(nullptr, handles.Find(Dir(3)));
}

// The same directory kept twice holds one handle, with the newer descriptor; the older one is closed.
// A descriptor that is none is refused.
TEST_F(DirectoryHandlesTest, KeepingADirectoryAgainReplacesItsDescriptor) {
  const std::size_t before = OpenDescriptors();
  DirectoryHandles handles(4);
  const int first = OpenDir(Dir(0));
  ASSERT_NE(nullptr, handles.Keep(Dir(0), first, true));
  NamesOf(handles, 0);  // listed, so the listing must be forgotten with the old descriptor
  const int second = OpenDir(Dir(0));
  DirectoryHandles::Handle* handle = handles.Keep(Dir(0), second, false);
  ASSERT_NE(nullptr, handle);
  EXPECT_EQ(second, handle->fd);
  EXPECT_FALSE(handle->linkFree);
  EXPECT_FALSE(handle->listed);
  EXPECT_EQ(-1, fcntl(first, F_GETFD)) << "the older descriptor is closed";
  EXPECT_EQ(before + 1, OpenDescriptors());
  EXPECT_EQ(nullptr, handles.Keep(Dir(1), -1, true));
  EXPECT_EQ(nullptr, handles.Find(Dir(1)));
  handles.Clear();
  EXPECT_EQ(before, OpenDescriptors());
  EXPECT_EQ(nullptr, handles.Find(Dir(0)));
}

// A listing forgotten as out of date is read again from the first entry: it shows what the directory holds
// now, not what is left after the end of the first listing.
TEST_F(DirectoryHandlesTest, AForgottenListingIsReadAgainWhole) {
  DirectoryHandles handles(4);
  const std::vector<std::string> all = {"a0", "b0", "sub"};
  ASSERT_EQ(all, NamesOf(handles, 0));
  fs::remove(Dir(0) + "/b0");
  EXPECT_EQ(all, NamesOf(handles, 0)) << "kept until forgotten";
  DirectoryHandles::Forget(*handles.Find(Dir(0)));
  EXPECT_EQ((std::vector<std::string>{"a0", "sub"}), NamesOf(handles, 0));
}

// The nearest kept directory above a path, opened without following a link, and the rest of the path.
TEST_F(DirectoryHandlesTest, NearestAboveSkipsWhatIsNotKeptOrWasOpenedThroughALink) {
  DirectoryHandles handles(4);
  ASSERT_NE(nullptr, handles.Keep(root_, OpenDir(root_), true));
  ASSERT_NE(nullptr, handles.Keep(Dir(1), OpenDir(Dir(1)), false));
  std::string_view rest;
  const std::string below = Dir(1) + "/sub/a1";
  const DirectoryHandles::Handle* above = handles.NearestAbove(below, rest);
  ASSERT_NE(nullptr, above);
  EXPECT_EQ(root_, above->dir);
  EXPECT_EQ("d1/sub/a1", rest);
  ASSERT_NE(nullptr, handles.Keep(Dir(1) + "/sub", OpenDir(Dir(1) + "/sub"), true));
  above = handles.NearestAbove(below, rest);
  ASSERT_NE(nullptr, above);
  EXPECT_EQ(Dir(1) + "/sub", above->dir);
  EXPECT_EQ("a1", rest);
  EXPECT_EQ(nullptr, handles.NearestAbove("/elsewhere/x", rest));
}

}  // namespace
}  // namespace devlist::sysfs
