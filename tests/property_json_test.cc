#include "property_json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform.h"
#include "property_bytes.h"
#include "property_read.h"

namespace devlist {
namespace {

using testing::Raw;
using testing::Units;

// A property as the first read leaves it: `size` bytes written, zeros after them up to 256.
RawDeviceProperty FirstRead(DEVPROPTYPE type, std::vector<BYTE> bytes) {
  RawDeviceProperty property;
  property.type = type;
  property.size = bytes.size();
  bytes.resize(256, 0);
  property.value = std::move(bytes);
  return property;
}

std::string JsonOf(const RawDeviceProperty& property) {
  return PropertyValueJson(property, DevicePropertyText(property)).dump();
}

TEST(PropertyValueJson, EachTypeInItsJsonForm) {
  const GUID guid = {0x4d36e96d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
  // 2024-05-01 12:00:00 UTC and 1234567 units of 100 ns.
  const std::uint64_t ticks = 133590384000000000ull + 1234567;
  const struct {
    const char* what;
    DEVPROPTYPE type;
    std::vector<BYTE> bytes;
    const char* json;
  } cases[] = {
      {"empty", DEVPROP_TYPE_EMPTY, {}, "null"},
      {"null", DEVPROP_TYPE_NULL, {}, "null"},
      {"sbyte", DEVPROP_TYPE_SBYTE, Raw<std::int8_t>(-128), "-128"},
      {"byte", DEVPROP_TYPE_BYTE, Raw<std::uint8_t>(255), "255"},
      {"int16", DEVPROP_TYPE_INT16, Raw<std::int16_t>(-32768), "-32768"},
      {"uint16", DEVPROP_TYPE_UINT16, Raw<std::uint16_t>(65535), "65535"},
      {"int32", DEVPROP_TYPE_INT32, Raw<std::int32_t>(-2147483647 - 1), "-2147483648"},
      {"uint32", DEVPROP_TYPE_UINT32, Raw<std::uint32_t>(4294967295u), "4294967295"},
      {"int64", DEVPROP_TYPE_INT64, Raw<std::int64_t>(std::numeric_limits<std::int64_t>::min()),
       "-9223372036854775808"},
      {"uint64 beyond a double", DEVPROP_TYPE_UINT64, Raw<std::uint64_t>(18446744073709551615ull),
       "18446744073709551615"},
      {"float", DEVPROP_TYPE_FLOAT, Raw<float>(0.5f), "0.5"},
      {"double", DEVPROP_TYPE_DOUBLE, Raw<double>(1234567.25), "1234567.25"},
      {"double not finite", DEVPROP_TYPE_DOUBLE, Raw<double>(std::numeric_limits<double>::infinity()), "\"inf\""},
      {"nan", DEVPROP_TYPE_FLOAT, Raw<float>(std::nanf("")), "\"nan\""},
      {"guid", DEVPROP_TYPE_GUID, Raw(guid), "\"{4d36e96d-e325-11ce-bfc1-08002be10318}\""},
      {"filetime", DEVPROP_TYPE_FILETIME, Raw(ticks), "\"2024-05-01T12:00:00.1234567Z\""},
      {"filetime epoch", DEVPROP_TYPE_FILETIME, Raw<std::uint64_t>(0), "\"1601-01-01T00:00:00.0000000Z\""},
      {"true", DEVPROP_TYPE_BOOLEAN, {0xFF}, "true"},
      {"false", DEVPROP_TYPE_BOOLEAN, {0x00}, "false"},
      {"string", DEVPROP_TYPE_STRING, Units(u"M\u00fcller \u4e2d"), "\"M\u00fcller \u4e2d\""},
      {"string with quote and control", DEVPROP_TYPE_STRING, Units(u"a\"b\\c\td"), "\"a\\\"b\\\\c\\td\""},
      {"lone surrogate", DEVPROP_TYPE_STRING, Units(std::u16string{u'x', char16_t(0xDC01), u'y'}),
       "\"x\ufffdy\""},
      {"indirect string as stored", DEVPROP_TYPE_STRING_INDIRECT, Units(u"@x.inf,%d%;D"), "\"@x.inf,%d%;D\""},
      {"security descriptor string", DEVPROP_TYPE_SECURITY_DESCRIPTOR_STRING, Units(u"D:P"), "\"D:P\""},
      {"string list", DEVPROP_TYPE_STRING_LIST, Units(std::u16string(u"a\0\u00e9\0\0", 5)), "[\"a\",\"\u00e9\"]"},
      {"string list ends at an empty one", DEVPROP_TYPE_STRING_LIST, Units(std::u16string(u"a\0\0b\0", 5)),
       "[\"a\"]"},
      {"binary", DEVPROP_TYPE_BINARY, {0x00, 0xAB, 0x0F, 0xF0}, "\"00ab0ff0\""},
      {"error code keeps its text", DEVPROP_TYPE_ERROR, Raw<std::uint32_t>(5), "\"ERROR: 5\""},
      {"ntstatus keeps its text", DEVPROP_TYPE_NTSTATUS, Raw<std::uint32_t>(3221225485u),
       "\"NTSTATUS: 3221225485\""},
      {"decimal keeps its text", DEVPROP_TYPE_DECIMAL, std::vector<BYTE>(16, 0), "\"DECIMAL not supported\""},
      {"security descriptor keeps its text", DEVPROP_TYPE_SECURITY_DESCRIPTOR, {1, 2},
       "\"SECURITY_DESCRIPTOR not supported\""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.json, JsonOf(FirstRead(c.type, c.bytes))) << c.what;
}

TEST(PropertyValueJson, FailedReadKeepsItsText) {
  RawDeviceProperty property;
  property.error = 13;
  EXPECT_EQ("\"Error retrieving property: 13\"", JsonOf(property));
}

// A sized second read leaves exactly the value's bytes: a long string and binary value are whole.
TEST(PropertyValueJson, LongValuesAreWhole) {
  const std::u16string longText(400, u'\u00e9');
  RawDeviceProperty property;
  property.type = DEVPROP_TYPE_STRING;
  property.value = Units(longText);
  property.size = property.value.size();
  EXPECT_EQ(2 + 800u, JsonOf(property).size());

  RawDeviceProperty binary;
  binary.type = DEVPROP_TYPE_BINARY;
  binary.value.assign(300, 0xA5);
  binary.size = binary.value.size();
  std::string hex;
  for (int i = 0; i < 300; ++i) hex += "a5";
  EXPECT_EQ("\"" + hex + "\"", JsonOf(binary));
}

TEST(DevNodeStatusJson, ValueAndFlagNames) {
  EXPECT_EQ(R"({"value":25174026,"flags":["DN_DRIVER_LOADED","DN_STARTED","DN_DISABLEABLE","DN_NT_ENUMERATOR","DN_NT_DRIVER"]})",
            DevNodeStatusJson(25174026u).dump());
  EXPECT_EQ(R"({"value":1024,"flags":["DN_HAS_PROBLEM"]})", DevNodeStatusJson(0x400u).dump());
}

}  // namespace
}  // namespace devlist
