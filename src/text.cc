#include "text.h"

#include <cstdio>
#include <vector>

namespace devlist {

std::string UnicodeToAnsi(const WCHAR* text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  // One conversion into a buffer with 128 bytes of slack: enough for any single-byte code page, and the
  // fallback text when a longer multi-byte result would not fit.
  const std::size_t size = length + 128;
  std::vector<char> buffer(size, 0);
  const int written = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer.data(), static_cast<int>(size), nullptr,
                                          nullptr);
  if (written == 0) return "Error converting from unicode.";
  // The NUL was converted too, so the text ends inside the buffer.
  std::size_t end = 0;
  while (end < size && buffer[end] != 0) ++end;
  return std::string(buffer.data(), end);
}

std::string GuidToText(const GUID& guid) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "{%08x-%04x-%04x-%04x-%02x%02x%02x%02x%02x%02x}",
                static_cast<unsigned>(guid.Data1), static_cast<unsigned>(guid.Data2),
                static_cast<unsigned>(guid.Data3), static_cast<unsigned>((guid.Data4[0] << 8) | guid.Data4[1]),
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return std::string(buffer);
}

}  // namespace devlist
