// Our implementation of the OLE, kernel, shell and C runtime calls of platform.h: GUID text, the ANSI code page
// (UTF-8 here), file times, the module path, path names and the low-level write, each with the Windows
// contract the tool relies on.
#include "platform.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "ansi_code_page.h"
#include "executable_path.h"
#include "last_error.h"

namespace {

using devlist::platform::Fail;
using devlist::platform::lastError;

int HexDigit(WCHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads `count` hex digits at text[pos]; false if any is not a digit.
bool ReadHex(LPCOLESTR text, std::size_t pos, int count, unsigned long long& value) {
  value = 0;
  for (int i = 0; i < count; ++i) {
    const int d = HexDigit(text[pos + i]);
    if (d < 0) return false;
    value = (value << 4) | static_cast<unsigned>(d);
  }
  return true;
}

bool KnownCodePage(UINT codePage) { return codePage == CP_ACP || codePage == CP_UTF8; }

}  // namespace

HRESULT IIDFromString(LPCOLESTR text, IID* iid) {
  if (text == nullptr || iid == nullptr) return E_INVALIDARG;
  std::size_t length = 0;
  while (length < 39 && text[length] != 0) ++length;
  if (length != 38) return E_INVALIDARG;
  if (text[0] != u'{' || text[37] != u'}' || text[9] != u'-' || text[14] != u'-' || text[19] != u'-' ||
      text[24] != u'-') {
    return CO_E_IIDSTRING;
  }
  IID parsed{};
  unsigned long long v = 0;
  if (!ReadHex(text, 1, 8, v)) return CO_E_IIDSTRING;
  parsed.Data1 = static_cast<DWORD>(v);
  if (!ReadHex(text, 10, 4, v)) return CO_E_IIDSTRING;
  parsed.Data2 = static_cast<WORD>(v);
  if (!ReadHex(text, 15, 4, v)) return CO_E_IIDSTRING;
  parsed.Data3 = static_cast<WORD>(v);
  static constexpr std::size_t kBytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text, kBytePositions[i], 2, v)) return CO_E_IIDSTRING;
    parsed.Data4[i] = static_cast<BYTE>(v);
  }
  *iid = parsed;
  return S_OK;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH text, int textLength, LPWSTR wide, int wideLength) {
  (void)flags;
  if (!KnownCodePage(codePage) || text == nullptr || textLength == 0 || wideLength < 0 ||
      (wide == nullptr && wideLength != 0)) {
    lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  const std::size_t bytes = textLength < 0 ? std::strlen(text) + 1 : static_cast<std::size_t>(textLength);
  const std::u16string converted = devlist::model::Utf8ToUtf16(std::string_view(text, bytes));
  const int count = static_cast<int>(converted.size());
  if (wideLength == 0) return count;
  if (count > wideLength) {
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  std::copy(converted.begin(), converted.end(), wide);
  return count;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideLength, LPSTR text, int textLength,
                        LPCCH defaultChar, LPBOOL usedDefaultChar) {
  (void)flags;
  (void)defaultChar;
  if (!KnownCodePage(codePage) || wide == nullptr || wideLength == 0 || textLength < 0 ||
      (text == nullptr && textLength != 0)) {
    lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  std::size_t units = 0;
  if (wideLength < 0) {
    while (wide[units] != 0) ++units;
    ++units;  // the NUL is converted too
  } else {
    units = static_cast<std::size_t>(wideLength);
  }
  const std::u16string_view source(wide, units);
  if (codePage == CP_ACP && devlist::model::wideToAnsiHook != nullptr) {
    if (const DWORD error = devlist::model::wideToAnsiHook(source, textLength == 0); error != ERROR_SUCCESS) {
      lastError = error;
      return 0;
    }
  }
  // ASCII text, nearly every id and name, has a byte a unit: where the caller's buffer has room for that
  // many, it is copied and checked in one pass. Other text is counted first, then written straight into
  // the caller's buffer when it has room.
  if (text != nullptr && units <= static_cast<std::size_t>(textLength) && devlist::model::CopyAscii(source, text)) {
    if (usedDefaultChar != nullptr) *usedDefaultChar = FALSE;
    return static_cast<int>(units);
  }
  const std::size_t size = devlist::model::Utf8Size(source);
  if (size > static_cast<std::size_t>(INT_MAX)) {
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  if (usedDefaultChar != nullptr) *usedDefaultChar = FALSE;
  const int count = static_cast<int>(size);
  if (textLength == 0) return count;
  if (count > textLength) {
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  devlist::model::EncodeUtf8(source, text);
  return count;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
  if (fileTime == nullptr || systemTime == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(fileTime->dwHighDateTime) << 32) | fileTime->dwLowDateTime;
  if (ticks >= 0x8000000000000000ULL) return Fail(ERROR_INVALID_PARAMETER);
  const unsigned long long totalMs = ticks / 10000;
  const long long days = static_cast<long long>(totalMs / 86400000ULL);
  const unsigned long long msOfDay = totalMs % 86400000ULL;
  // Civil date from a day count (proleptic Gregorian), counted from 0000-03-01 to keep leap days last.
  const long long z = days + 584694;  // days from 0000-03-01 to 1601-01-01
  const long long era = z / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long day = doy - (153 * mp + 2) / 5 + 1;
  const long long month = mp < 10 ? mp + 3 : mp - 9;
  const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  systemTime->wYear = static_cast<WORD>(year);
  systemTime->wMonth = static_cast<WORD>(month);
  systemTime->wDay = static_cast<WORD>(day);
  systemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  systemTime->wHour = static_cast<WORD>(msOfDay / 3600000);
  systemTime->wMinute = static_cast<WORD>(msOfDay / 60000 % 60);
  systemTime->wSecond = static_cast<WORD>(msOfDay / 1000 % 60);
  systemTime->wMilliseconds = static_cast<WORD>(msOfDay % 1000);
  lastError = ERROR_SUCCESS;
  return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if (module != nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (fileName == nullptr || size == 0) return Fail(ERROR_INSUFFICIENT_BUFFER);
  const std::string path = devlist::ExecutablePath();
  if (path.empty()) return Fail(ERROR_INVALID_HANDLE);
  if (path.size() >= size) {
    // Truncated, terminated, and reported as the buffer's size, as Windows does.
    std::memcpy(fileName, path.data(), size - 1);
    fileName[size - 1] = '\0';
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return size;
  }
  std::memcpy(fileName, path.data(), path.size());
  fileName[path.size()] = '\0';
  lastError = ERROR_SUCCESS;
  return static_cast<DWORD>(path.size());
}

DWORD GetLastError() { return lastError; }

LPSTR PathFindFileNameA(LPCSTR path) {
  LPCSTR last = path;
  for (LPCSTR p = path; p != nullptr && *p != '\0'; ++p) {
    if ((*p == '\\' || *p == '/' || *p == ':') && p[1] != '\0' && p[1] != '\\' && p[1] != '/') last = p + 1;
  }
  return const_cast<LPSTR>(last);
}

LPSTR PathFindExtensionA(LPCSTR path) {
  if (path == nullptr) return nullptr;
  LPCSTR lastDot = nullptr;
  LPCSTR p = path;
  for (; *p != '\0'; ++p) {
    if (*p == '\\' || *p == ' ') {
      lastDot = nullptr;
    } else if (*p == '.') {
      lastDot = p;
    }
  }
  return const_cast<LPSTR>(lastDot != nullptr ? lastDot : p);
}

int _write(int fd, const void* buffer, unsigned int count) {
  // A count beyond INT_MAX would make a result that does not fit; the caller writes the rest next time.
  const unsigned int chunk = count > 0x7FFFF000u ? 0x7FFFF000u : count;
  return static_cast<int>(write(fd, buffer, chunk));
}
