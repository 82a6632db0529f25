// The facts several scanners read the same way: input capability bitmaps of 64-bit and 32-bit kernels.
#include "scan_context.h"

#include <string>

#include "scratch_tree.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist {
namespace {

using testing::ClassOf;
using testing::ScratchTree;

TEST(HasBit, ReadsWordsOfTheKernelsLong) {
  static const struct {
    const char* bitmap;
    unsigned bit;
    bool set;
  } cases[] = {
      {"", 0, false},
      {"0", 0, false},
      {"1f", 4, true},
      {"1f", 5, false},
      // A 64-bit kernel: every word after the first has 16 digits.
      {"1 0000000000000002", 1, true},
      {"1 0000000000000002", 64, true},
      {"1 0000000000000002", 32, false},
      {"1 0000000000000002", 128, false},
      // A 32-bit kernel: 8 digits a word. Keys Q, A, Z and space of a keyboard.
      {"2001000 40010000", 16, true},
      {"2001000 40010000", 30, true},
      {"2001000 40010000", 44, true},
      {"2001000 40010000", 57, true},
      {"2001000 40010000", 45, false},
      {"1 00000000 00000000", 64, true},
      {"1 00000000 00000000", 32, false},
      // A word longer than 8 digits is a 64-bit kernel's, however many digits the last one has.
      {"20c100b17c000 1f0001 10000002", 80, true},
      {"20c100b17c000 1f0001 10000002", 28, true},
      {"20c100b17c000 1f0001 10000002", 48, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.set, sysfs::HasBit(c.bitmap, c.bit)) << "\"" << c.bitmap << "\" bit " << c.bit;
  }
}

using InputBitmapTest = testing::DeviceModelTest;

TEST_F(InputBitmapTest, KeyboardsAndTouchpadsOfBothWordSizesAreFound) {
  static const struct {
    const char* what;
    const char* ev;
    const char* key;
    const char* abs;
    const char* cls;
  } cases[] = {
      {"64-bit keyboard", "120013", "402000000 3803078f800d001 feffffdfffefffff fffffffffffffffe", "0", "Keyboard"},
      {"32-bit keyboard", "120013", "4 2000000 3803078 f800d001 feffffdf ffefffff ffffffff fffffffe", "0",
       "Keyboard"},
      {"64-bit touchpad", "b", "e520 10000 0 0 0 0", "660800011000003", "Mouse"},
      {"32-bit touchpad", "b", "e520 00000000 00010000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 "
                               "00000000",
       "6608000 11000003", "Mouse"},
  };
  // The bitmaps as the capabilities folder has them, as the kernel's uevent has them (without REL=: the
  // device has no such events), or as a 2.6 kernel's uevent garbled them beside the folder.
  enum Where { folder, uevent, garbledUevent };
  for (const Where where : {folder, uevent, garbledUevent}) {
    const bool inUevent = where != folder;
    const std::string eq = where == garbledUevent ? "==" : "=";
    for (const auto& c : cases) {
      model::Clear();
      ScratchTree t;
      ASSERT_FALSE(t.root().empty());
      const std::string input = "devices/platform/i8042/serio1/input/input3";
      t.ClassDevice("input", input);
      t.File(input + "/name", "Test input\n");
      t.File(input + "/id/vendor", "0002\n");
      t.File(input + "/id/product", "0007\n");
      if (inUevent) {
        t.File(input + "/uevent", "PRODUCT=11/2/7/0\nNAME=\"Test input\"\nEV" + eq + c.ev + "\nKEY" + eq + c.key +
                                      "\nABS" + eq + c.abs + "\nMSC" + eq + "10\n");
      }
      if (where != uevent) {
        t.File(input + "/capabilities/ev", std::string(c.ev) + "\n");
        t.File(input + "/capabilities/key", std::string(c.key) + "\n");
        t.File(input + "/capabilities/rel", "0\n");
        t.File(input + "/capabilities/abs", std::string(c.abs) + "\n");
      }
      t.Dir(input + "/event3");
      ScanSysfs(t.root());
      ASSERT_EQ(1u, model::Devices().size()) << c.what;
      EXPECT_EQ(c.cls, ClassOf(model::Devices().front().instanceId)) << c.what << " " << where;
    }
  }
}

}  // namespace
}  // namespace devlist
