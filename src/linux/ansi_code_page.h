// The ANSI code page of our Linux platform is UTF-8: the conversions between it and 16-bit text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform.h"

namespace devlist::model {

/// One UTF-8 sequence read at a position of a text: its length in bytes (0 when the bytes there are no
/// sequence: a stray continuation, a lead byte that starts none, a sequence cut short) and its code point,
/// `valid` false for one that is well formed but not allowed (overlong, a surrogate, past U+10FFFF).
struct Utf8Sequence {
  std::size_t length = 0;
  char32_t codePoint = 0;
  bool valid = false;
};
Utf8Sequence ReadUtf8Sequence(std::string_view text, std::size_t at);

/// UTF-8 to UTF-16, as our ANSI code page does it: a byte that starts no sequence, and a sequence that is
/// not allowed (overlong, a surrogate, past U+10FFFF), become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
/// UTF-16 to UTF-8, the one conversion of WideCharToMultiByte for either code page (CP_ACP and CP_UTF8 are
/// both UTF-8 here): a surrogate without its partner becomes U+FFFD, as Windows converts it.
std::string Utf16ToUtf8(std::u16string_view text);
/// The bytes Utf16ToUtf8 gives `text`, counted without making them; and those bytes written to `out`,
/// which has room for that many.
std::size_t Utf8Size(std::u16string_view text);
void EncodeUtf8(std::u16string_view text, char* out);
/// When every unit of `text` is ASCII, its UTF-8 (a byte a unit) written to `out`, which has room for a byte
/// a unit, checked and copied in one pass; false otherwise, with `out` written over but not finished.
bool CopyAscii(std::u16string_view text, char* out);

/// Test hook, run by WideCharToMultiByte before it converts `text` to the ANSI code page (its NUL included
/// when the caller gave none), `sizing` when no buffer was given: a nonzero result makes that call fail with
/// this error code.
using ConversionHook = DWORD (*)(std::u16string_view text, bool sizing);
inline ConversionHook wideToAnsiHook = nullptr;

}  // namespace devlist::model
