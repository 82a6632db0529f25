#include "property_json.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "devnode_status.h"
#include "property_format.h"
#include "text.h"

namespace devlist {

namespace {

using nlohmann::ordered_json;

template <typename T>
std::optional<T> ReadFixed(const std::vector<BYTE>& value) {
  if (value.size() < sizeof(T)) return std::nullopt;
  T result;
  std::memcpy(&result, value.data(), sizeof(T));
  return result;
}

// The text formatter already said a value has text, so a fixed-size value is long enough; the fallback to
// the text only guards that agreement.
template <typename T>
ordered_json Number(const RawDeviceProperty& property, const std::string& text) {
  const std::optional<T> number = ReadFixed<T>(property.value);
  if (!number) return text;
  if constexpr (std::is_floating_point_v<T>) {
    // JSON has no NaN or infinity: those keep the text ("nan", "inf").
    if (!std::isfinite(*number)) return text;
    return static_cast<double>(*number);
  } else {
    return *number;
  }
}

// The same calendar as the text (the system's conversion), with the 100-nanosecond units the text leaves out.
ordered_json FileTime(const RawDeviceProperty& property, const std::string& text) {
  const std::optional<FILETIME> fileTime = ReadFixed<FILETIME>(property.value);
  SYSTEMTIME time{};
  if (!fileTime || !FileTimeToSystemTime(&*fileTime, &time)) return text;
  const std::uint64_t ticks = (static_cast<std::uint64_t>(fileTime->dwHighDateTime) << 32) | fileTime->dwLowDateTime;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%07uZ", time.wYear, time.wMonth, time.wDay,
                time.wHour, time.wMinute, time.wSecond, static_cast<unsigned>(ticks % 10000000u));
  return std::string(buffer);
}

ordered_json Hex(const RawDeviceProperty& property) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(property.size * 2);
  for (std::size_t i = 0; i < property.size && i < property.value.size(); ++i) {
    hex.push_back(kDigits[property.value[i] >> 4]);
    hex.push_back(kDigits[property.value[i] & 0xF]);
  }
  return hex;
}

ordered_json StringList(const RawDeviceProperty& property) {
  ordered_json list = ordered_json::array();
  for (const WideText& element : WideStringListOf(property.value.data(), property.value.size())) {
    list.push_back(Utf16ToUtf8(element));
  }
  return list;
}

}  // namespace

ordered_json PropertyValueJson(const RawDeviceProperty& property, const std::string& text) {
  if (property.error != 0) return text;
  switch (property.type) {
    case DEVPROP_TYPE_EMPTY:
    case DEVPROP_TYPE_NULL:
      return nullptr;
    case DEVPROP_TYPE_SBYTE:
      return Number<std::int8_t>(property, text);
    case DEVPROP_TYPE_BYTE:
      return Number<std::uint8_t>(property, text);
    case DEVPROP_TYPE_INT16:
      return Number<std::int16_t>(property, text);
    case DEVPROP_TYPE_UINT16:
      return Number<std::uint16_t>(property, text);
    case DEVPROP_TYPE_INT32:
      return Number<std::int32_t>(property, text);
    case DEVPROP_TYPE_UINT32:
      return Number<std::uint32_t>(property, text);
    case DEVPROP_TYPE_INT64:
      return Number<std::int64_t>(property, text);
    case DEVPROP_TYPE_UINT64:
      return Number<std::uint64_t>(property, text);
    case DEVPROP_TYPE_FLOAT:
      return Number<float>(property, text);
    case DEVPROP_TYPE_DOUBLE:
      return Number<double>(property, text);
    case DEVPROP_TYPE_FILETIME:
      return FileTime(property, text);
    case DEVPROP_TYPE_BOOLEAN:
      if (property.value.empty()) return text;
      return property.value[0] != 0;
    case DEVPROP_TYPE_STRING:
    case DEVPROP_TYPE_SECURITY_DESCRIPTOR_STRING:
    case DEVPROP_TYPE_STRING_INDIRECT:
      return Utf16ToUtf8(WideStringOf(property.value.data(), property.value.size()));
    case DEVPROP_TYPE_STRING_LIST:
      return StringList(property);
    case DEVPROP_TYPE_BINARY:
      return Hex(property);
    default:
      // GUIDs (their text is the braced form already), error codes and the types without a rendering.
      return text;
  }
}

ordered_json DevNodeStatusJson(std::uint32_t status) {
  ordered_json flags = ordered_json::array();
  for (const char* name : DevNodeStatusFlags(status)) flags.push_back(name);
  return ordered_json{{"value", status}, {"flags", std::move(flags)}};
}

}  // namespace devlist
