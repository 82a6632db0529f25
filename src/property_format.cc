#include "property_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include "text.h"

namespace devlist {

namespace {

// A fixed-size value taken from the front of the bytes (little-endian, as the platform stores it), or none
// when the platform handed over fewer bytes than the type needs.
template <typename T>
std::optional<T> ReadFixed(const BYTE* value, std::size_t size) {
  if (size < sizeof(T)) return std::nullopt;
  T result;
  std::memcpy(&result, value, sizeof(T));
  return result;
}

// `Shown` widens the byte types, which a stream would otherwise write as characters, and FLOAT to double.
template <typename T, typename Shown = T>
std::string NumberText(const BYTE* value, std::size_t size) {
  const std::optional<T> number = ReadFixed<T>(value, size);
  if (!number) return std::string();
  // Whole numbers as a stream writes them, without the cost of a stream; the rest through one.
  if constexpr (std::is_integral_v<Shown>) {
    return std::to_string(static_cast<Shown>(*number));
  } else {
    std::ostringstream text;
    text << static_cast<Shown>(*number);
    return text.str();
  }
}

// One 16-bit string starting at `units[at]`, ending at its NUL or at the end of the value when no NUL comes;
// `at` is left just past the NUL (or at the end).
WideText TakeWideString(const BYTE* value, std::size_t unitCount, std::size_t& at) {
  const std::size_t start = at;
  std::size_t end = start;
  while (end < unitCount && (value[end * sizeof(WCHAR)] != 0 || value[end * sizeof(WCHAR) + 1] != 0)) ++end;
  WideText text(end - start, WCHAR{0});
  if (end > start) std::memcpy(text.data(), value + start * sizeof(WCHAR), (end - start) * sizeof(WCHAR));
  at = end < unitCount ? end + 1 : end;
  return text;
}

std::string StringText(const BYTE* value, std::size_t size) {
  return UnicodeToAnsi(WideStringOf(value, size).c_str());
}

// Elements joined by a newline and a tab.
std::string StringListText(const BYTE* value, std::size_t size) {
  std::string text;
  bool first = true;
  for (const WideText& element : WideStringListOf(value, size)) {
    if (!first) text += "\n\t";
    text += UnicodeToAnsi(element.c_str());
    first = false;
  }
  return text;
}

// The stored time as it is, with no time-zone conversion; empty when the count is beyond what the system
// converts (0x8000000000000000 and up).
std::string FileTimeText(const BYTE* value, std::size_t size) {
  const std::optional<FILETIME> fileTime = ReadFixed<FILETIME>(value, size);
  if (!fileTime) return std::string();
  SYSTEMTIME time{};
  if (!FileTimeToSystemTime(&*fileTime, &time)) return std::string();
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d %02d:%02d:%02d.%03d", time.wYear, time.wMonth, time.wDay,
                time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
  return std::string(buffer);
}

std::string BooleanText(const BYTE* value, std::size_t size) {
  if (size < 1) return std::string();
  return value[0] != 0 ? "true" : "false";
}

std::string PrefixedCodeText(const char* prefix, const BYTE* value, std::size_t size) {
  const std::optional<std::uint32_t> code = ReadFixed<std::uint32_t>(value, size);
  if (!code) return std::string();
  return prefix + std::to_string(*code);
}

}  // namespace

std::string FormatPropertyValue(const BYTE* value, std::size_t size, DEVPROPTYPE type) {
  // The whole code is compared: only BINARY and STRING_LIST of the modified codes are known; every other
  // array or list has no text.
  switch (type) {
    case DEVPROP_TYPE_EMPTY:
      return "empty";
    case DEVPROP_TYPE_NULL:
      return "null";
    case DEVPROP_TYPE_SBYTE:
      return NumberText<std::int8_t, int>(value, size);
    case DEVPROP_TYPE_BYTE:
      return NumberText<std::uint8_t, unsigned>(value, size);
    case DEVPROP_TYPE_INT16:
      return NumberText<std::int16_t>(value, size);
    case DEVPROP_TYPE_UINT16:
      return NumberText<std::uint16_t>(value, size);
    case DEVPROP_TYPE_INT32:
      return NumberText<std::int32_t>(value, size);
    case DEVPROP_TYPE_UINT32:
      return NumberText<std::uint32_t>(value, size);
    case DEVPROP_TYPE_INT64:
      return NumberText<std::int64_t>(value, size);
    case DEVPROP_TYPE_UINT64:
      return NumberText<std::uint64_t>(value, size);
    case DEVPROP_TYPE_FLOAT:
      return NumberText<float, double>(value, size);
    case DEVPROP_TYPE_DOUBLE:
      return NumberText<double>(value, size);
    case DEVPROP_TYPE_DECIMAL:
      return "DECIMAL not supported";
    case DEVPROP_TYPE_GUID: {
      const std::optional<GUID> guid = ReadFixed<GUID>(value, size);
      return guid ? GuidToText(*guid) : std::string();
    }
    case DEVPROP_TYPE_CURRENCY:
      return "CURRENCY not supported";
    case DEVPROP_TYPE_DATE:
      return "DATE not supported";
    case DEVPROP_TYPE_FILETIME:
      return FileTimeText(value, size);
    case DEVPROP_TYPE_BOOLEAN:
      return BooleanText(value, size);
    case DEVPROP_TYPE_STRING:
    case DEVPROP_TYPE_SECURITY_DESCRIPTOR_STRING:
    case DEVPROP_TYPE_STRING_INDIRECT:  // shown as stored; the reference is not resolved
      return StringText(value, size);
    case DEVPROP_TYPE_SECURITY_DESCRIPTOR:
      return "SECURITY_DESCRIPTOR not supported";
    case DEVPROP_TYPE_DEVPROPKEY:
      return "DEVPROPKEY not supported";
    case DEVPROP_TYPE_DEVPROPTYPE:
      return "DEVPROPTYPE not supported";
    case DEVPROP_TYPE_ERROR:
      return PrefixedCodeText("ERROR: ", value, size);
    case DEVPROP_TYPE_NTSTATUS:
      return PrefixedCodeText("NTSTATUS: ", value, size);
    case DEVPROP_TYPE_BINARY:
      return "BINARY not supported";
    case DEVPROP_TYPE_STRING_LIST:
      return StringListText(value, size);
    default:
      return std::string();
  }
}

std::string FormatPropertyValue(const std::vector<BYTE>& value, DEVPROPTYPE type) {
  return FormatPropertyValue(value.data(), value.size(), type);
}

WideText WideStringOf(const BYTE* value, std::size_t size) {
  std::size_t at = 0;
  return TakeWideString(value, size / sizeof(WCHAR), at);
}

std::vector<WideText> WideStringListOf(const BYTE* value, std::size_t size) {
  const std::size_t unitCount = size / sizeof(WCHAR);
  std::vector<WideText> elements;
  std::size_t at = 0;
  while (at < unitCount) {
    WideText element = TakeWideString(value, unitCount, at);
    if (element.empty()) break;
    elements.push_back(std::move(element));
  }
  return elements;
}

}  // namespace devlist
