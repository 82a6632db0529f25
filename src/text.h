// Bridges between the system's 16-bit text and binary GUIDs and the tool's 8-bit output text.
#pragma once

#include <string>
#include <string_view>

#include "platform.h"

namespace devlist {

/// 16-bit text as the system hands it out (WCHAR is 16 bits on every platform we build for).
using WideText = std::basic_string<WCHAR>;

/// Converts NUL-terminated 16-bit text to 8-bit text in the ANSI code page, whatever length the result has.
/// When the platform conversion fails returns "Error converting from unicode.".
std::string UnicodeToAnsi(const WCHAR* text);
/// The same text appended to `out` (the fallback text in its place when the conversion fails).
void AppendUnicodeAsAnsi(const WCHAR* text, std::string& out);
/// The same for text whose NUL stands at text[length], which then need not be looked for.
void AppendUnicodeAsAnsi(const WCHAR* text, std::size_t length, std::string& out);

/// 16-bit text as UTF-8, whatever the ANSI code page (the platform's CP_UTF8 conversion): pairs of surrogates
/// join into one character, and a surrogate without its partner becomes U+FFFD. Empty only for empty text or
/// text of 2^31 units or more, which the platform cannot take in one call.
std::string Utf16ToUtf8(std::basic_string_view<WCHAR> text);

/// 8-bit text in the ANSI code page (as the A functions hand it out) as 16-bit text; empty when it cannot be
/// converted.
WideText AnsiToUnicode(const std::string& text);

/// The GUID argument as 16-bit text; "Error converting from ansi." when it cannot be converted.
WideText WidenGuidArgument(const std::string& classGuid);

/// Plain ASCII text (the catalogues' GUID texts) as 16-bit text, each character to the same code unit.
WideText WidenAscii(const char* text);

/// The 38-character braced form of a GUID, lower-case hexadecimal, every group zero-padded.
std::string GuidToText(const GUID& guid);
/// The same 38 characters appended to `out`.
void AppendGuidText(const GUID& guid, std::string& out);

}  // namespace devlist
