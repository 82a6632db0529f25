#include "property_value.h"

#include <cstring>

#include "ansi_code_page.h"
#include "device_model.h"

namespace devlist::model {
namespace {

// UTF-16 units as little-endian bytes, appended to `out`.
void AppendUnits(std::u16string_view units, std::string& out) {
  for (const char16_t unit : units) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
}

}  // namespace

std::size_t PropertyValue::size() const {
  if (relation_) return RelationSize(*relation_, device_);
  return bytes_ != nullptr ? bytes_->size() : 0;
}

BYTE PropertyValue::operator[](std::size_t i) const {
  return relation_ ? RelationByteAt(*relation_, device_, i) : static_cast<BYTE>((*bytes_)[i]);
}

std::size_t PropertyValue::CopyTo(BYTE* out, std::size_t capacity) const {
  if (relation_) return CopyRelation(*relation_, device_, out, capacity);
  if (bytes_ == nullptr) return 0;
  if (bytes_->size() <= capacity) std::memcpy(out, bytes_->data(), bytes_->size());
  return bytes_->size();
}

PropertyValue& PropertyValue::operator=(const std::vector<BYTE>& bytes) {
  SetBytes(bytes.data(), bytes.size());
  return *this;
}

void PropertyValue::Keep(std::string_view bytes) {
  relation_.reset();
  bytes_ = bytes.empty() ? nullptr : &KeptValue(bytes);
}

void PropertyValue::SetBytes(const BYTE* bytes, std::size_t size) {
  Keep(std::string_view(reinterpret_cast<const char*>(bytes), size));
}

void PropertyValue::SetUnits(std::u16string_view units) {
  std::string bytes;
  bytes.reserve(units.size() * 2);
  AppendUnits(units, bytes);
  Keep(bytes);
}

void PropertyValue::SetUtf8(std::string_view text, std::size_t nuls) {
  // Ids and names are nearly always ASCII, whose units are its bytes: widened as they are, the rest converted.
  std::size_t ascii = 0;
  while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) ++ascii;
  std::string bytes((ascii + nuls) * 2, '\0');
  for (std::size_t i = 0; i < ascii; ++i) bytes[2 * i] = text[i];
  if (ascii < text.size()) {
    bytes.resize(ascii * 2);
    AppendUnits(Utf8ToUtf16(text.substr(ascii)), bytes);
    bytes.append(nuls * 2, '\0');
  }
  Keep(bytes);
}

void PropertyValue::SetRelation(Relation relation, std::size_t deviceIndex) {
  bytes_ = nullptr;
  relation_ = relation;
  device_ = static_cast<std::uint32_t>(deviceIndex);
}

}  // namespace devlist::model
