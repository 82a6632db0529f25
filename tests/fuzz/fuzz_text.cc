// The text converters, both ways, for any code units: odd byte counts, lone surrogates, bytes that are no
// UTF-8. Results are valid where they must be, round trips give back what can come back, and every sizing
// call agrees with the length the conversion then writes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ansi_code_page.h"
#include "command_line.h"
#include "platform.h"
#include "property_format.h"
#include "text.h"

namespace {

using namespace devlist;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_text: %s\n", what);
  std::abort();
}

// Strict UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool ValidUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    char32_t c = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      n = 1, c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      n = 2, c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      n = 3, c = b & 0x07;
    } else {
      return false;
    }
    for (std::size_t k = 1; k <= n; ++k) {
      if (i + k >= s.size()) return false;
      const auto cont = static_cast<unsigned char>(s[i + k]);
      if ((cont & 0xC0) != 0x80) return false;
      c = c << 6 | (cont & 0x3F);
    }
    if ((n == 2 && c < 0x800) || (n == 3 && c < 0x10000) || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      return false;
    }
    i += n + 1;
  }
  return true;
}

bool HasLoneSurrogate(const std::u16string& w) {
  for (std::size_t i = 0; i < w.size(); ++i) {
    if (w[i] >= 0xD800 && w[i] <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
      ++i;
    } else if (w[i] >= 0xD800 && w[i] <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

// WideCharToMultiByte: the sizing call, the conversion into exactly that size, and one byte too few.
void CheckWideToAnsi(const std::u16string& w, int length) {
  const auto* units = reinterpret_cast<const WCHAR*>(w.c_str());
  const int size = WideCharToMultiByte(CP_ACP, 0, units, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) Fail("WideCharToMultiByte cannot size a text");
  std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(size)]);
  if (WideCharToMultiByte(CP_ACP, 0, units, length, buffer.get(), size, nullptr, nullptr) != size) {
    Fail("WideCharToMultiByte wrote another length than its sizing call said");
  }
  const std::u16string source = length < 0 ? std::u16string(w.c_str()) + u'\0' : w.substr(0, std::size_t(length));
  if (std::string(buffer.get(), static_cast<std::size_t>(size)) != model::Utf16ToUtf8(source)) {
    Fail("WideCharToMultiByte and the code page disagree");
  }
  if (size > 1) {
    std::unique_ptr<char[]> small(new char[static_cast<std::size_t>(size - 1)]);
    if (WideCharToMultiByte(CP_ACP, 0, units, length, small.get(), size - 1, nullptr, nullptr) != 0 ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      Fail("WideCharToMultiByte did not refuse a buffer one byte short");
    }
  }
}

void CheckAnsiToWide(const std::string& s) {
  const int length = static_cast<int>(s.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, s.data(), length, nullptr, 0);
  if (units <= 0) Fail("MultiByteToWideChar cannot size a text");
  std::unique_ptr<WCHAR[]> buffer(new WCHAR[static_cast<std::size_t>(units)]);
  if (MultiByteToWideChar(CP_ACP, 0, s.data(), length, buffer.get(), units) != units) {
    Fail("MultiByteToWideChar wrote another length than its sizing call said");
  }
  const std::u16string wide(reinterpret_cast<const char16_t*>(buffer.get()), static_cast<std::size_t>(units));
  if (wide != model::Utf8ToUtf16(s)) Fail("MultiByteToWideChar and the code page disagree");
  if (AnsiToUnicode(s) != WideText(buffer.get(), static_cast<std::size_t>(units))) Fail("AnsiToUnicode differs");
  if (units > 1 && MultiByteToWideChar(CP_ACP, 0, s.data(), length, buffer.get(), units - 1) != 0) {
    Fail("MultiByteToWideChar did not refuse a buffer one unit short");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // As 8-bit text, through the code page to 16 bits and back.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string widened = model::Utf8ToUtf16(bytes);
  if (HasLoneSurrogate(widened)) Fail("UTF-8 to UTF-16 made a lone surrogate");
  if (ValidUtf8(bytes) && model::Utf16ToUtf8(widened) != bytes) Fail("valid UTF-8 did not come back");
  if (!bytes.empty()) CheckAnsiToWide(bytes);

  // As UTF-16 code units (an odd last byte left over, as a value of odd size has).
  std::u16string wide(size / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  const std::string direct = Utf16ToUtf8(std::basic_string_view<WCHAR>(reinterpret_cast<const WCHAR*>(wide.data()), wide.size()));
  if (!ValidUtf8(direct)) Fail("Utf16ToUtf8 made invalid UTF-8");
  const std::string paged = model::Utf16ToUtf8(wide);
  if (!ValidUtf8(paged)) Fail("the code page made invalid UTF-8");
  if (direct != paged) Fail("Utf16ToUtf8 differs from the code page");
  if (!HasLoneSurrogate(wide) && model::Utf8ToUtf16(direct) != wide) Fail("UTF-16 did not come back");
  if (!wide.empty()) CheckWideToAnsi(wide, static_cast<int>(wide.size()));
  CheckWideToAnsi(wide, -1);
  const std::string ansi = UnicodeToAnsi(reinterpret_cast<const WCHAR*>(wide.c_str()));
  if (ansi != model::Utf16ToUtf8(std::u16string(wide.c_str()))) Fail("UnicodeToAnsi differs from the code page");

  // The same bytes as a STRING value of exactly their size, odd or even.
  std::unique_ptr<BYTE[]> exact(new BYTE[size == 0 ? 1 : size]);
  if (size != 0) std::memcpy(exact.get(), data, size);
  const WideText value = WideStringOf(exact.get(), size);
  if (value.size() > size / 2) Fail("a string value longer than its bytes");
  (void)WidenGuidArgument(bytes.substr(0, bytes.find('\0')));
  return 0;
}
