// The ANSI code page of our Linux platform is UTF-8: the conversions between it and 16-bit text.
#pragma once

#include <string>

namespace devlist::model {

/// UTF-8 to UTF-16 and back, as our ANSI code page does it (unpaired surrogates become "?").
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace devlist::model
