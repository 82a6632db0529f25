#include "ansi_code_page.h"

namespace devlist::model {

Utf8Sequence ReadUtf8Sequence(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return {1, lead, true};
  std::size_t length = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07, min = 0x10000;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, min = 0x80;
  } else {
    return {};  // a stray continuation byte or a lead byte that starts no sequence
  }
  if (text.size() - at < length) return {};
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return {};
    cp = (cp << 6) | (next & 0x3F);
  }
  return {length, cp, cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)};
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());  // never more units than bytes
  // An ASCII run, the usual whole of a name, widens unit for unit.
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  out.assign(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(i));
  while (i < text.size()) {
    const Utf8Sequence seq = ReadUtf8Sequence(text, i);
    if (seq.length == 0) {
      // Malformed input becomes one replacement character per byte, so nothing valid after it is lost.
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    i += seq.length;
    char32_t cp = seq.valid ? seq.codePoint : 0xFFFD;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

namespace {

// Walks the code points of UTF-16 text, handing each UTF-8 byte to `put`: a pair of surrogates is one
// character, and a surrogate without its partner is U+FFFD, as Windows converts it.
template <typename Put>
void EachUtf8Byte(std::u16string_view text, Put put) {
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      put(static_cast<char>(cp));
    } else if (cp < 0x800) {
      put(static_cast<char>(0xC0 | (cp >> 6)));
      put(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      put(static_cast<char>(0xE0 | (cp >> 12)));
      put(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      put(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      put(static_cast<char>(0xF0 | (cp >> 18)));
      put(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      put(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      put(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
}

// Whether every unit is below 0x80, as in nearly every id and name: then each is its own UTF-8 byte. One OR
// over the whole text, without a branch per unit, which the compiler turns into a few wide instructions.
bool AllAscii(std::u16string_view text) {
  char16_t bits = 0;
  for (const char16_t unit : text) bits = static_cast<char16_t>(bits | unit);
  return bits < 0x80;
}

}  // namespace

std::size_t Utf8Size(std::u16string_view text) {
  if (AllAscii(text)) return text.size();
  std::size_t size = 0;
  EachUtf8Byte(text, [&size](char) { ++size; });
  return size;
}

void EncodeUtf8(std::u16string_view text, char* out) {
  if (CopyAscii(text, out)) return;
  EachUtf8Byte(text, [&out](char c) { *out++ = c; });
}

bool CopyAscii(std::u16string_view text, char* out) {
  char16_t bits = 0;
  for (const char16_t unit : text) {
    bits = static_cast<char16_t>(bits | unit);
    *out++ = static_cast<char>(unit);
  }
  return bits < 0x80;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out(Utf8Size(text), '\0');
  EncodeUtf8(text, out.data());
  return out;
}

}  // namespace devlist::model
