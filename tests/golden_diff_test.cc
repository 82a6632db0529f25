#include "golden_diff.h"

#include <gtest/gtest.h>

#include <string>

namespace devlist::testing {
namespace {

constexpr const char* kSetup =
    "*** Ports {4d36e978}\n\nNAME : COM1\nDevice_InstanceId : ACPI\\PNP0501\\0\n\n"
    "NAME : COM2\nDevice_InstanceId : ACPI\\PNP0501\\1\n\n*** Mouse {4d36e96f}\n\n"
    "NAME : Pad\nDevice_InstanceId : ACPI\\PNP0F13\\0\n";
constexpr const char* kInterface = "*** GUID_DEVINTERFACE_COMPORT {86e0d1e0}\nDeviceID: ACPI\\PNP0501\\0\nFlags: 1\n";

TEST(DescribeListingDifference, NamesTheClassAndDeviceOfEachChange) {
  const struct {
    const char* row;
    std::string expected, actual;
    const char* description;
  } cases[] = {
      {"equal", kSetup, kSetup, ""},
      {"a line of the second device",
       kSetup,
       std::string(kSetup).replace(std::string(kSetup).find("COM2"), 4, "COM9"),
       "line 6 (*** Ports {4d36e978}, device ACPI\\PNP0501\\1): expected \"NAME : COM2\", got \"NAME : COM9\"\n"
       "  changed: *** Ports {4d36e978}, device ACPI\\PNP0501\\1\n"},
      {"a device gone at the end",
       kSetup,
       std::string(kSetup).substr(0, std::string(kSetup).find("\n\n*** Mouse") + 1),
       "line 8 (*** Ports {4d36e978}): expected \"\", got \"<end>\"\n"
       "  gone: *** Mouse {4d36e96f}, device ACPI\\PNP0F13\\0\n"},
      {"an interface added",
       kInterface,
       std::string(kInterface) + "\nDeviceID: ACPI\\PNP0501\\1\nFlags: 1\n",
       "line 4 (*** GUID_DEVINTERFACE_COMPORT {86e0d1e0}): expected \"<end>\", got \"\"\n"
       "  added: *** GUID_DEVINTERFACE_COMPORT {86e0d1e0}, device ACPI\\PNP0501\\1\n"},
      {"only the last line end", "NAME : x\n", "NAME : x", "the texts differ only in their last line end\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.description, DescribeListingDifference(c.expected, c.actual)) << c.row;
}

}  // namespace
}  // namespace devlist::testing
