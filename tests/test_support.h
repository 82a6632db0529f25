// Shared helpers for tests that run the components over the in-memory device model.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "device_model.h"
#include "platform.h"

namespace devlist::testing {

/// Parses a braced GUID text; fails the test when it does not parse.
inline GUID GuidFrom(const std::string& text) {
  const std::u16string wide = model::Utf8ToUtf16(text);
  GUID guid{};
  EXPECT_EQ(S_OK, IIDFromString(wide.c_str(), &guid)) << text;
  return guid;
}

inline DEVPROPKEY KeyFrom(const std::string& fmtid, DEVPROPID pid) { return DEVPROPKEY{GuidFrom(fmtid), pid}; }

/// Starts every test from an empty model and checks that the test released every device information set.
class DeviceModelTest : public ::testing::Test {
 protected:
  void SetUp() override { model::Clear(); }
  void TearDown() override {
    EXPECT_EQ(0u, model::OpenSetCount()) << "a device information set was not destroyed";
    model::Clear();
  }
};

}  // namespace devlist::testing
