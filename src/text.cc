#include "text.h"

#include <climits>
#include <vector>

namespace devlist {

namespace {

constexpr std::string_view kConversionFailed = "Error converting from unicode.";

// `units` is -1 for text the call measures itself, or its length with the NUL: the same conversion.
void AppendConverted(const WCHAR* text, int units, std::string& out) {
  // Asked first how many bytes the text takes in the code page (its NUL included), so that a long multi-byte
  // result converts in full; a failure of either call is the only reason for the fallback text. The bytes go
  // straight into `out`, whose room a long listing keeps from line to line.
  const int size = WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    out += kConversionFailed;
    return;
  }
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(size));
  const int written = WideCharToMultiByte(CP_ACP, 0, text, units, out.data() + start, size, nullptr, nullptr);
  if (written <= 0) {
    out.resize(start);
    out += kConversionFailed;
    return;
  }
  // The NUL was converted too, so the text ends inside the room it was given.
  const std::size_t end = out.find('\0', start);
  if (end != std::string::npos) out.resize(end);
}

}  // namespace

void AppendUnicodeAsAnsi(const WCHAR* text, std::string& out) { AppendConverted(text, -1, out); }

void AppendUnicodeAsAnsi(const WCHAR* text, std::size_t length, std::string& out) {
  if (length >= static_cast<std::size_t>(INT_MAX)) return AppendConverted(text, -1, out);
  AppendConverted(text, static_cast<int>(length + 1), out);
}

std::string UnicodeToAnsi(const WCHAR* text) {
  std::string converted;
  AppendUnicodeAsAnsi(text, converted);
  return converted;
}

std::string Utf16ToUtf8(std::basic_string_view<WCHAR> text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int units = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, text.data(), units, utf8.data(), size, nullptr, nullptr) != size) return {};
  return utf8;
}

WideText AnsiToUnicode(const std::string& text) {
  if (text.empty()) return WideText();
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return WideText();
  std::vector<WCHAR> buffer(static_cast<std::size_t>(units), 0);
  if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, buffer.data(), units) != units) return WideText();
  return WideText(buffer.data(), buffer.size());
}

void AppendGuidText(const GUID& guid, std::string& out) {
  // Made in a buffer of its fixed length and appended once: a report shows a GUID in many lines.
  static constexpr char kDigits[] = "0123456789abcdef";
  char text[38];
  char* at = text;
  auto hex = [&at](unsigned long value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) *at++ = kDigits[(value >> shift) & 0xF];
  };
  *at++ = '{';
  hex(guid.Data1, 8);
  *at++ = '-';
  hex(guid.Data2, 4);
  *at++ = '-';
  hex(guid.Data3, 4);
  *at++ = '-';
  hex(guid.Data4[0], 2);
  hex(guid.Data4[1], 2);
  *at++ = '-';
  for (int i = 2; i < 8; ++i) hex(guid.Data4[i], 2);
  *at++ = '}';
  out.append(text, sizeof text);
}

std::string GuidToText(const GUID& guid) {
  std::string text;
  text.reserve(38);
  AppendGuidText(guid, text);
  return text;
}

WideText WidenGuidArgument(const std::string& classGuid) {
  const std::size_t size = classGuid.size() + 128;
  std::vector<WCHAR> buffer(size, 0);
  const int converted =
      MultiByteToWideChar(CP_ACP, 0, classGuid.c_str(), -1, buffer.data(), static_cast<int>(size));
  if (converted == 0) return TEXT16("Error converting from ansi.");
  std::size_t end = 0;
  while (end < size && buffer[end] != 0) ++end;
  return WideText(buffer.data(), end);
}

WideText WidenAscii(const char* text) {
  WideText wide;
  for (; *text != '\0'; ++text) wide.push_back(static_cast<WCHAR>(static_cast<unsigned char>(*text)));
  return wide;
}

}  // namespace devlist
