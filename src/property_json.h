// Rendering a device property value as JSON, beside its text rendering: the value in its JSON-native form.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "property_read.h"

namespace devlist {

/// The JSON value of a property read, given its text (DevicePropertyText, not empty): integers as numbers,
/// booleans, strings as UTF-8 straight from the 16-bit text, string lists as arrays of strings, GUIDs in
/// their braced text, file times as ISO 8601 UTC with all seven fractional digits, binary as lower-case hex,
/// EMPTY and NULL as null. Every other type, a failed read and a float that is not finite keep `text`.
nlohmann::ordered_json PropertyValueJson(const RawDeviceProperty& property, const std::string& text);

/// {"value": <status word>, "flags": ["DN_...", ...]}, the flags from bit 0 up.
nlohmann::ordered_json DevNodeStatusJson(std::uint32_t status);

}  // namespace devlist
