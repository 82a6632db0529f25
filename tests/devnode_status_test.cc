#include "devnode_status.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace devlist {
namespace {

TEST(DescribeDevNodeStatus, OneIndentedLinePerSetBit) {
  const struct {
    std::uint32_t status;
    const char* text;
  } cases[] = {
      {0, ""},
      {0x1, "\n        DN_ROOT_ENUMERATED"},
      {0x80000000u, "\n        DN_BOOT_LOG_PROB"},
      // Bit 19 is a flag of its own, spelled with a doubled E.
      {0x80040u, "\n        DN_NOT_FIRST_TIME\n        DN_NOT_FIRST_TIMEE"},
      // Driver loaded, started, disableable, NT enumerator, NT driver.
      {25174026u,
       "\n        DN_DRIVER_LOADED\n        DN_STARTED\n        DN_DISABLEABLE\n        DN_NT_ENUMERATOR"
       "\n        DN_NT_DRIVER"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, DescribeDevNodeStatus(c.status)) << c.status;
}

TEST(DescribeDevNodeStatus, AllBitsInAscendingOrder) {
  EXPECT_EQ(
      "\n        DN_ROOT_ENUMERATED\n        DN_DRIVER_LOADED\n        DN_ENUM_LOADED\n        DN_STARTED"
      "\n        DN_MANUAL\n        DN_NEED_TO_ENUM\n        DN_NOT_FIRST_TIME\n        DN_HARDWARE_ENUM"
      "\n        DN_LIAR\n        DN_HAS_MARK\n        DN_HAS_PROBLEM\n        DN_FILTERED\n        DN_MOVED"
      "\n        DN_DISABLEABLE\n        DN_REMOVABLE\n        DN_PRIVATE_PROBLEM\n        DN_MF_PARENT"
      "\n        DN_MF_CHILD\n        DN_WILL_BE_REMOVED\n        DN_NOT_FIRST_TIMEE\n        DN_STOP_FREE_RES"
      "\n        DN_REBAL_CANDIDATE\n        DN_BAD_PARTIAL\n        DN_NT_ENUMERATOR\n        DN_NT_DRIVER"
      "\n        DN_NEEDS_LOCKING\n        DN_ARM_WAKEUP\n        DN_APM_ENUMERATOR\n        DN_APM_DRIVER"
      "\n        DN_SILENT_INSTALL\n        DN_NO_SHOW_IN_DM\n        DN_BOOT_LOG_PROB",
      DescribeDevNodeStatus(0xFFFFFFFFu));
}

TEST(DevNodeStatusFlags, NamesOfTheSetBitsInAscendingOrder) {
  EXPECT_TRUE(DevNodeStatusFlags(0).empty());
  const std::vector<std::string> expected = {"DN_DRIVER_LOADED", "DN_STARTED", "DN_DISABLEABLE", "DN_NT_ENUMERATOR",
                                             "DN_NT_DRIVER"};
  const std::vector<const char*> names = DevNodeStatusFlags(25174026u);
  EXPECT_EQ(expected, std::vector<std::string>(names.begin(), names.end()));
  EXPECT_EQ(32u, DevNodeStatusFlags(0xFFFFFFFFu).size());
  EXPECT_STREQ("DN_NOT_FIRST_TIMEE", DevNodeStatusFlags(0x80000u).at(0));
}

TEST(DevNodeStatusFromText, LeadingDigitsOfAUint32) {
  const struct {
    const char* text;
    std::uint32_t status;
  } cases[] = {
      {"", 0}, {"25174026", 25174026u}, {"4294967295", 0xFFFFFFFFu}, {"4294967296", 0},
      {"Error retrieving property: 13", 0}, {"10 apples", 10}, {"-1", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.status, DevNodeStatusFromText(c.text)) << c.text;
}

}  // namespace
}  // namespace devlist
