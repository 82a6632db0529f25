// The bytes of a property value in the device model, kept compactly: text that fits in 8 bits one byte a
// character, relations between devices not at all (they are made from the model's links when read). What the
// platform hands out is always the value's UTF-16 (or raw) bytes; how they are kept never shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"

namespace devlist::model {

/// A list of ids a device's value names other devices by, taken from the model's links when read.
enum class Relation : std::uint8_t { parent, children, siblings };

/// A property value. Its bytes live in the model's value store, side by side with the other values of the
/// device, and never change: assigning gives the property new bytes, so a copy of a property keeps the bytes
/// it had.
class PropertyValue {
 public:
  PropertyValue();
  /// The size in bytes of the value as the platform hands it out.
  std::size_t size() const;
  bool empty() const { return size() == 0; }
  /// Byte `i` (below size()) of the value as handed out.
  BYTE operator[](std::size_t i) const;
  /// Writes the size() bytes of the value to `out` when they fit in `capacity`, and returns size() either
  /// way: one walk of a relation's ids where size() and a copy would take two.
  std::size_t CopyTo(BYTE* out, std::size_t capacity) const;
  /// Gives the property these bytes (a test hook may do this between two reads).
  PropertyValue& operator=(const std::vector<BYTE>& bytes);

  /// These bytes, as they are.
  void SetBytes(const BYTE* bytes, std::size_t size);
  /// These UTF-16 code units (terminators included), handed out little-endian; kept one byte a unit when
  /// every unit is below 256.
  void SetUnits(std::u16string_view units);
  /// Code units below 256 given one byte each (Latin-1, so ASCII as it is), then `zeros` NUL units: the same
  /// value SetUnits keeps for them, without a UTF-16 copy made first.
  void SetNarrowUnits(std::string_view units, std::size_t zeros = 0);
  /// UTF-8 text (our ANSI code page), then `nuls` NUL units, converted once; ASCII is kept as it is.
  void SetUtf8(std::string_view text, std::size_t nuls);
  /// The list `relation` of the device at `deviceIndex` of the model, as UTF-16 ids.
  void SetRelation(Relation relation, std::size_t deviceIndex);

 private:
  const BYTE* header_;  // the value's 4-byte header in the store: its form and size
};

/// Frees every stored value (the model's Clear: the properties that held them are gone with their devices).
void ClearValueStore();

}  // namespace devlist::model
