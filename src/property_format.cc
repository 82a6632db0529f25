#include "property_format.h"

#include <charconv>
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

// Appends the decimal digits of a whole number, as a stream writes them.
template <typename T>
void AppendInteger(T number, std::string& out) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, number);
  out.append(digits, end.ptr);
}

// `Shown` widens the byte types, which a stream would otherwise write as characters, and FLOAT to double.
template <typename T, typename Shown = T>
void AppendNumber(const BYTE* value, std::size_t size, std::string& out) {
  const std::optional<T> number = ReadFixed<T>(value, size);
  if (!number) return;
  if constexpr (std::is_integral_v<Shown>) {
    AppendInteger(static_cast<Shown>(*number), out);
  } else {
    std::ostringstream text;
    text << static_cast<Shown>(*number);
    out += std::move(text).str();
  }
}

// Where the 16-bit string starting at unit `at` ends: at its NUL, or at the end of the value when no NUL comes.
std::size_t WideStringEnd(const BYTE* value, std::size_t unitCount, std::size_t at) {
  while (at < unitCount && (value[at * sizeof(WCHAR)] != 0 || value[at * sizeof(WCHAR) + 1] != 0)) ++at;
  return at;
}

// One 16-bit string starting at `units[at]`, ending at its NUL or at the end of the value when no NUL comes;
// `at` is left just past the NUL (or at the end).
WideText TakeWideString(const BYTE* value, std::size_t unitCount, std::size_t& at) {
  const std::size_t start = at;
  const std::size_t end = WideStringEnd(value, unitCount, start);
  WideText text(end - start, WCHAR{0});
  if (end > start) std::memcpy(text.data(), value + start * sizeof(WCHAR), (end - start) * sizeof(WCHAR));
  at = end < unitCount ? end + 1 : end;
  return text;
}

// Appends the string of units [start, end) in the code page. A string whose NUL lies inside the value is
// converted where it stands; one cut off by the end of the value, or at an odd address, is copied first.
void AppendWideString(const BYTE* value, std::size_t unitCount, std::size_t start, std::size_t end,
                      std::string& out) {
  const BYTE* first = value + start * sizeof(WCHAR);
  if (end < unitCount && reinterpret_cast<std::uintptr_t>(first) % alignof(WCHAR) == 0) {
    AppendUnicodeAsAnsi(reinterpret_cast<const WCHAR*>(first), end - start, out);
    return;
  }
  std::size_t at = start;
  const WideText copy = TakeWideString(value, unitCount, at);
  AppendUnicodeAsAnsi(copy.c_str(), copy.size(), out);
}

void AppendString(const BYTE* value, std::size_t size, std::string& out) {
  const std::size_t unitCount = size / sizeof(WCHAR);
  AppendWideString(value, unitCount, 0, WideStringEnd(value, unitCount, 0), out);
}

// Elements joined by a newline and a tab, up to the first empty one or the end of the value.
void AppendStringList(const BYTE* value, std::size_t size, std::string& out) {
  const std::size_t unitCount = size / sizeof(WCHAR);
  for (std::size_t at = 0; at < unitCount;) {
    const std::size_t end = WideStringEnd(value, unitCount, at);
    if (end == at) break;
    if (at != 0) out += "\n\t";
    AppendWideString(value, unitCount, at, end, out);
    at = end < unitCount ? end + 1 : end;
  }
}

// The stored time as it is, with no time-zone conversion; nothing when the count is beyond what the system
// converts (0x8000000000000000 and up).
void AppendFileTime(const BYTE* value, std::size_t size, std::string& out) {
  const std::optional<FILETIME> fileTime = ReadFixed<FILETIME>(value, size);
  if (!fileTime) return;
  SYSTEMTIME time{};
  if (!FileTimeToSystemTime(&*fileTime, &time)) return;
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d %02d:%02d:%02d.%03d", time.wYear, time.wMonth, time.wDay,
                time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
  out += buffer;
}

void AppendBoolean(const BYTE* value, std::size_t size, std::string& out) {
  if (size < 1) return;
  out += value[0] != 0 ? "true" : "false";
}

void AppendPrefixedCode(const char* prefix, const BYTE* value, std::size_t size, std::string& out) {
  const std::optional<std::uint32_t> code = ReadFixed<std::uint32_t>(value, size);
  if (!code) return;
  out += prefix;
  AppendInteger(*code, out);
}

}  // namespace

void AppendPropertyValue(const BYTE* value, std::size_t size, DEVPROPTYPE type, std::string& out) {
  // The whole code is compared: only BINARY and STRING_LIST of the modified codes are known; every other
  // array or list has no text.
  switch (type) {
    case DEVPROP_TYPE_EMPTY:
      out += "empty";
      return;
    case DEVPROP_TYPE_NULL:
      out += "null";
      return;
    case DEVPROP_TYPE_SBYTE:
      return AppendNumber<std::int8_t, int>(value, size, out);
    case DEVPROP_TYPE_BYTE:
      return AppendNumber<std::uint8_t, unsigned>(value, size, out);
    case DEVPROP_TYPE_INT16:
      return AppendNumber<std::int16_t>(value, size, out);
    case DEVPROP_TYPE_UINT16:
      return AppendNumber<std::uint16_t>(value, size, out);
    case DEVPROP_TYPE_INT32:
      return AppendNumber<std::int32_t>(value, size, out);
    case DEVPROP_TYPE_UINT32:
      return AppendNumber<std::uint32_t>(value, size, out);
    case DEVPROP_TYPE_INT64:
      return AppendNumber<std::int64_t>(value, size, out);
    case DEVPROP_TYPE_UINT64:
      return AppendNumber<std::uint64_t>(value, size, out);
    case DEVPROP_TYPE_FLOAT:
      return AppendNumber<float, double>(value, size, out);
    case DEVPROP_TYPE_DOUBLE:
      return AppendNumber<double>(value, size, out);
    case DEVPROP_TYPE_DECIMAL:
      out += "DECIMAL not supported";
      return;
    case DEVPROP_TYPE_GUID:
      if (const std::optional<GUID> guid = ReadFixed<GUID>(value, size)) AppendGuidText(*guid, out);
      return;
    case DEVPROP_TYPE_CURRENCY:
      out += "CURRENCY not supported";
      return;
    case DEVPROP_TYPE_DATE:
      out += "DATE not supported";
      return;
    case DEVPROP_TYPE_FILETIME:
      return AppendFileTime(value, size, out);
    case DEVPROP_TYPE_BOOLEAN:
      return AppendBoolean(value, size, out);
    case DEVPROP_TYPE_STRING:
    case DEVPROP_TYPE_SECURITY_DESCRIPTOR_STRING:
    case DEVPROP_TYPE_STRING_INDIRECT:  // shown as stored; the reference is not resolved
      return AppendString(value, size, out);
    case DEVPROP_TYPE_SECURITY_DESCRIPTOR:
      out += "SECURITY_DESCRIPTOR not supported";
      return;
    case DEVPROP_TYPE_DEVPROPKEY:
      out += "DEVPROPKEY not supported";
      return;
    case DEVPROP_TYPE_DEVPROPTYPE:
      out += "DEVPROPTYPE not supported";
      return;
    case DEVPROP_TYPE_ERROR:
      return AppendPrefixedCode("ERROR: ", value, size, out);
    case DEVPROP_TYPE_NTSTATUS:
      return AppendPrefixedCode("NTSTATUS: ", value, size, out);
    case DEVPROP_TYPE_BINARY:
      out += "BINARY not supported";
      return;
    case DEVPROP_TYPE_STRING_LIST:
      return AppendStringList(value, size, out);
    default:
      return;
  }
}

std::string FormatPropertyValue(const BYTE* value, std::size_t size, DEVPROPTYPE type) {
  std::string text;
  AppendPropertyValue(value, size, type, text);
  return text;
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
