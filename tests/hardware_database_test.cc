#include "hardware_database.h"

#include <gtest/gtest.h>

#include <string>

namespace devlist {
namespace {

// The lookup opened on first use keeps its answers: asked again, or in another order, it answers exactly
// what the database opened at once answers.
TEST(HardwareDatabase, KeptAnswersAreTheDatabaseAnswers) {
  const HwdbLookup direct = OpenSystemHwdb();
  if (!direct) GTEST_SKIP() << "no hardware database on this machine";
  const char* const modaliases[] = {
      "pci:v00008086d00001533sv00008086sd00000000bc02sc00i00",
      "usb:v1D6Bp0002",
      "acpi:PNP0C0C:",
      "pci:v00001AF4d00001041sv00001AF4sd00001100bc02sc00i00",
      "no such modalias",
      "",
  };
  const HwdbLookup kept = OpenSystemHwdbOnFirstLookup();
  for (int round = 0; round < 2; ++round) {
    for (const char* modalias : modaliases) EXPECT_EQ(direct(modalias), kept(modalias)) << modalias << round;
  }
  EXPECT_FALSE(direct("usb:v1D6Bp0002").empty());
}

}  // namespace
}  // namespace devlist
