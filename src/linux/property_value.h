// The bytes of a property value in the device model, as the platform hands them out (UTF-16 text
// little-endian, numbers as they are). The model keeps one copy of each distinct value, which every property
// of that value refers to; a relation between devices holds only the device whose list it is, and its ids
// are made from the model's links when read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"

namespace devlist::model {

/// A list of ids a device's value names other devices by, taken from the model's links when read.
enum class Relation : std::uint8_t { parent, children, siblings };

/// A property value: bytes the model keeps, or a relation of one device of the model. Its bytes never
/// change: assigning gives the property other bytes, so a copy of a property keeps the bytes it had.
class PropertyValue {
 public:
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
  /// These UTF-16 code units (terminators included), handed out little-endian.
  void SetUnits(std::u16string_view units);
  /// UTF-8 text (our ANSI code page), then `nuls` NUL units, as UTF-16.
  void SetUtf8(std::string_view text, std::size_t nuls);
  /// The list `relation` of the device at `deviceIndex` of the model, as UTF-16 ids.
  void SetRelation(Relation relation, std::size_t deviceIndex);

 private:
  void Keep(std::string_view bytes);

  const std::string* bytes_ = nullptr;  // the model's copy of the bytes; null when empty or a relation
  std::uint32_t device_ = 0;            // the device a relation belongs to
  std::optional<Relation> relation_;    // set for a relation, whose ids are read from the model's links
};

}  // namespace devlist::model
