// Shared helpers for tests that run the components over the in-memory device model.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ansi_code_page.h"
#include "device_model.h"
#include "device_report.h"
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

// Classes and keys many tests set, from their published GUIDs rather than from the catalogues under test.
inline const char* const kDiskClass = "{4d36e967-e325-11ce-bfc1-08002be10318}";
inline const char* const kKeyboardClass = "{4d36e96b-e325-11ce-bfc1-08002be10318}";
inline const DEVPROPKEY kDeviceDesc = KeyFrom("{a45c254e-df1c-4efd-8020-67d146a850e0}", 2);
inline const DEVPROPKEY kHardwareIds = KeyFrom("{a45c254e-df1c-4efd-8020-67d146a850e0}", 3);
inline const DEVPROPKEY kInstanceId = KeyFrom("{78c34fc8-104a-4aca-9ea4-524d52996e57}", 256);

/// The raw UTF-16 of a property as UTF-8; a list keeps its NULs.
inline std::string RawProperty(const model::Device& d, const char* name) {
  const DEVPROPKEY* key = FindDevicePropertyKey(name);
  for (const model::Property& p : d.properties) {
    if (key == nullptr || p.key.pid != key->pid || !(p.key.fmtid == key->fmtid)) continue;
    std::u16string s;
    for (std::size_t i = 0; i + 1 < p.value.size(); i += 2) {
      s.push_back(static_cast<char16_t>(p.value[i] | p.value[i + 1] << 8));
    }
    return model::Utf16ToUtf8(s);
  }
  return {};
}

/// A text property without its terminating NULs.
inline std::string TextProperty(const model::Device& d, const char* name) {
  std::string s = RawProperty(d, name);
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

/// Where a fixture machine's tree (sys/) and processor list (cpuinfo) are: the captured vm's in the sources, the
/// laptop's and the server's where the build made them. Its hwdb.txt and goldens are in the sources for all.
inline std::string FixtureTreeDir(const std::string& machine) {
  return std::string(machine == "vm" ? DEVLIST_TEST_DATA "/sysfs/" : DEVLIST_FIXTURE_TREES "/") + machine;
}

/// Starts every test from an empty model and checks that the test released every device information set.
class DeviceModelTest : public ::testing::Test {
 protected:
  void SetUp() override { model::Clear(); }
  void TearDown() override {
    EXPECT_EQ(0u, model::OpenSetCount()) << "a device information set was not destroyed";
    model::Clear();
  }
};

/// One present device of the disk drive class, read back the way the listers read a device: through a
/// device information set opened for its class and the element that enumeration hands out.
class OneDeviceTest : public DeviceModelTest {
 protected:
  void SetUp() override {
    DeviceModelTest::SetUp();
    device_ = &model::AddDevice("SCSI\\DISK&VEN_TEST\\0", GuidFrom(kDiskClass));
  }

  /// Calls `read(set, element)` for the device and returns its text; the set is destroyed afterwards.
  template <typename F>
  std::string ReadThroughSet(F read) {
    const GUID classGuid = GuidFrom(kDiskClass);
    const HDEVINFO set = SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, DIGCF_PRESENT);
    EXPECT_NE(INVALID_HANDLE_VALUE, set);
    SP_DEVINFO_DATA element{};
    element.cbSize = sizeof(SP_DEVINFO_DATA);
    EXPECT_TRUE(SetupDiEnumDeviceInfo(set, 0, &element));
    std::string text = read(set, &element);
    SetupDiDestroyDeviceInfoList(set);
    return text;
  }

  static constexpr const char* kDiskClass = "{4d36e967-e325-11ce-bfc1-08002be10318}";
  model::Device* device_ = nullptr;
};

}  // namespace devlist::testing
