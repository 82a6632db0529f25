#include "path_index.h"

#include <gtest/gtest.h>

#include <string>

namespace devlist::sysfs {
namespace {

TEST(PathIndex, FindsWhatWasInsertedFirstAndNothingElse) {
  PathIndex index;
  EXPECT_FALSE(index.Find("devices/pci0000:00"));  // an empty index
  // Enough paths to grow the table several times, with long shared beginnings as sysfs paths have.
  std::string path = "devices/pci0000:00";
  for (std::size_t i = 0; i < 1000; ++i) index.Insert(path + "/" + std::to_string(i), i);
  index.Insert(path + "/7", 99);  // taken already: the first stays
  index.Insert(std::string("devices\0x", 9), 1001);
  for (std::size_t i = 0; i < 1000; ++i) ASSERT_EQ(i, index.Find(path + "/" + std::to_string(i))) << i;
  const struct {
    std::string path;
    bool found;
  } cases[] = {{path, false}, {path + "/", false}, {path + "/1000", false}, {"devices", false},
                {std::string("devices\0", 8), false}, {std::string("devices\0x", 9), true}, {"", false}};
  for (const auto& c : cases) EXPECT_EQ(c.found, index.Find(c.path).has_value()) << c.path;
  index.Clear();
  EXPECT_FALSE(index.Find(path + "/1"));
  index.Insert(path, 5);
  EXPECT_EQ(5u, index.Find(path));
}

}  // namespace
}  // namespace devlist::sysfs
