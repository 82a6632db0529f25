#include "text.h"

#include <cstdio>
#include <vector>

namespace devlist {

std::string UnicodeToAnsi(const WCHAR* text) {
  // Asked first how many bytes the text takes in the code page (its NUL included), so that a long multi-byte
  // result converts in full; a failure of either call is the only reason for the fallback text.
  const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return "Error converting from unicode.";
  std::string converted(static_cast<std::size_t>(size), '\0');
  const int written = WideCharToMultiByte(CP_ACP, 0, text, -1, converted.data(), size, nullptr, nullptr);
  if (written <= 0) return "Error converting from unicode.";
  // The NUL was converted too, so the text ends inside the buffer.
  const std::size_t end = converted.find('\0');
  if (end != std::string::npos) converted.resize(end);
  return converted;
}

std::string Utf16ToUtf8(std::basic_string_view<WCHAR> text) {
  std::string utf8;
  utf8.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char16_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(text[i + 1]) - 0xDC00u);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // half of a pair whose other half is missing
    }
    if (c < 0x80) {
      utf8.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      utf8.push_back(static_cast<char>(0xC0 | (c >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      utf8.push_back(static_cast<char>(0xE0 | (c >> 12)));
      utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      utf8.push_back(static_cast<char>(0xF0 | (c >> 18)));
      utf8.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
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

std::string GuidToText(const GUID& guid) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "{%08x-%04x-%04x-%04x-%02x%02x%02x%02x%02x%02x}",
                static_cast<unsigned>(guid.Data1), static_cast<unsigned>(guid.Data2),
                static_cast<unsigned>(guid.Data3), static_cast<unsigned>((guid.Data4[0] << 8) | guid.Data4[1]),
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return std::string(buffer);
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
