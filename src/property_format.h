// Rendering a raw device property value as text, by its property type.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform.h"
#include "text.h"

namespace devlist {

/// The value as 8-bit text: numbers in plain decimal, GUIDs braced, file times as "Y-MM-DD hh:mm:ss.mmm",
/// strings converted, string lists joined by a newline and a tab, a fixed "<TYPE> not supported" for the
/// types not rendered. Empty for type codes it does not know, for a file time it cannot convert, and for a
/// value shorter than its type needs. Never reads past the bytes given.
std::string FormatPropertyValue(const BYTE* value, std::size_t size, DEVPROPTYPE type);
std::string FormatPropertyValue(const std::vector<BYTE>& value, DEVPROPTYPE type);
/// That text appended to `out`, which a caller that renders many values in a row keeps from one to the next.
void AppendPropertyValue(const BYTE* value, std::size_t size, DEVPROPTYPE type, std::string& out);

/// The 16-bit string a STRING value holds: up to its NUL, or to the end of the value when none comes.
WideText WideStringOf(const BYTE* value, std::size_t size);

/// The elements a STRING_LIST value holds: up to its first empty string or to the end of the value.
std::vector<WideText> WideStringListOf(const BYTE* value, std::size_t size);

}  // namespace devlist
