// Property values as bytes, built the way the platform stores them, for the formatters' table tests.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform.h"

namespace devlist::testing {

/// The bytes of a fixed-size value as the platform stores it (little-endian).
template <typename T>
std::vector<BYTE> Raw(T value) {
  std::vector<BYTE> bytes(sizeof(T));
  std::memcpy(bytes.data(), &value, sizeof(T));
  return bytes;
}

/// 16-bit code units exactly as given (embedded NULs included), with no NUL added at the end.
inline std::vector<BYTE> Units(const std::u16string& text) {
  std::vector<BYTE> bytes(text.size() * 2);
  std::memcpy(bytes.data(), text.data(), bytes.size());
  return bytes;
}

}  // namespace devlist::testing
