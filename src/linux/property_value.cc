#include "property_value.h"

#include <cstring>
#include <memory>

#include "device_model.h"

namespace devlist::model {
namespace {

// Each value is a 4-byte header (its form in the top two bits, below them the size it is handed out with,
// or the relation), then what the form keeps, packed one after the other into large blocks: a value costs
// no allocation of its own and the values of a device lie side by side. Values never move or change, so a
// property holds only a pointer; replaced values stay until the store is cleared (the scanner sets each
// property once; only tests replace them).
enum Form : std::uint32_t {
  kRaw = 0,       // the bytes as they are
  kNarrow = 1,    // UTF-16 units below 256, one byte each: half the size handed out
  kRelation = 2,  // a 4-byte device index; the ids are the model's
};
constexpr unsigned kFormShift = 30;
constexpr std::uint32_t kSizeMask = (std::uint32_t{1} << kFormShift) - 1;
constexpr std::size_t kHeaderSize = sizeof(std::uint32_t);
constexpr std::size_t kBlockSize = 64 * 1024;

struct ValueStore {
  std::vector<std::unique_ptr<BYTE[]>> blocks;
  BYTE* next = nullptr;
  std::size_t left = 0;
};

ValueStore& TheStore() {
  static ValueStore store;
  return store;
}

// Room for a header and `payload` bytes; the header is written, the caller writes the payload after it.
BYTE* Allocate(Form form, std::uint32_t low, std::size_t payload) {
  ValueStore& store = TheStore();
  const std::size_t needed = kHeaderSize + payload;
  BYTE* at = nullptr;
  if (needed > kBlockSize / 4) {
    // A large value gets a block of its own; the current block stays open for the small ones.
    store.blocks.push_back(std::make_unique<BYTE[]>(needed));
    at = store.blocks.back().get();
  } else {
    if (needed > store.left) {
      store.blocks.push_back(std::make_unique<BYTE[]>(kBlockSize));
      store.next = store.blocks.back().get();
      store.left = kBlockSize;
    }
    at = store.next;
    store.next += needed;
    store.left -= needed;
  }
  const std::uint32_t header = static_cast<std::uint32_t>(form) << kFormShift | (low & kSizeMask);
  std::memcpy(at, &header, kHeaderSize);
  return at;
}

std::uint32_t HeaderOf(const BYTE* at) {
  std::uint32_t header = 0;
  std::memcpy(&header, at, kHeaderSize);
  return header;
}

std::size_t IndexOf(const BYTE* at) {
  std::uint32_t index = 0;
  std::memcpy(&index, at + kHeaderSize, sizeof index);
  return index;
}

const BYTE* EmptyValue() {
  static const BYTE empty[kHeaderSize] = {};  // raw, size 0
  return empty;
}

}  // namespace

PropertyValue::PropertyValue() : header_(EmptyValue()) {}

std::size_t PropertyValue::size() const {
  const std::uint32_t header = HeaderOf(header_);
  if (header >> kFormShift == kRelation) {
    return RelationSize(static_cast<Relation>(header & kSizeMask), IndexOf(header_));
  }
  return header & kSizeMask;
}

BYTE PropertyValue::operator[](std::size_t i) const {
  const std::uint32_t header = HeaderOf(header_);
  const BYTE* payload = header_ + kHeaderSize;
  switch (header >> kFormShift) {
    case kNarrow:
      return i % 2 == 0 ? payload[i / 2] : BYTE{0};
    case kRelation:
      return RelationByteAt(static_cast<Relation>(header & kSizeMask), IndexOf(header_), i);
    default:
      return payload[i];
  }
}

void PropertyValue::CopyTo(BYTE* out) const {
  const std::uint32_t header = HeaderOf(header_);
  const BYTE* payload = header_ + kHeaderSize;
  switch (header >> kFormShift) {
    case kNarrow:
      for (std::size_t i = 0, units = (header & kSizeMask) / 2; i < units; ++i) {
        *out++ = payload[i];
        *out++ = 0;
      }
      break;
    case kRelation:
      WriteRelation(static_cast<Relation>(header & kSizeMask), IndexOf(header_), out);
      break;
    default:
      if ((header & kSizeMask) != 0) std::memcpy(out, payload, header & kSizeMask);
      break;
  }
}

PropertyValue& PropertyValue::operator=(const std::vector<BYTE>& bytes) {
  SetBytes(bytes.data(), bytes.size());
  return *this;
}

void PropertyValue::SetBytes(const BYTE* bytes, std::size_t size) {
  BYTE* at = Allocate(kRaw, static_cast<std::uint32_t>(size), size);
  if (size != 0) std::memcpy(at + kHeaderSize, bytes, size);
  header_ = at;
}

void PropertyValue::SetUnits(std::u16string_view units) {
  const std::size_t count = units.size();
  bool narrow = true;
  for (std::size_t i = 0; i < count && narrow; ++i) narrow = units[i] < 0x100;
  const auto size = static_cast<std::uint32_t>(count * 2);
  BYTE* at = Allocate(narrow ? kNarrow : kRaw, size, narrow ? count : count * 2);
  BYTE* to = at + kHeaderSize;
  for (std::size_t i = 0; i < count; ++i) {
    *to++ = static_cast<BYTE>(units[i] & 0xFF);
    if (!narrow) *to++ = static_cast<BYTE>(units[i] >> 8);
  }
  header_ = at;
}

void PropertyValue::SetRelation(Relation relation, std::size_t deviceIndex) {
  BYTE* at = Allocate(kRelation, static_cast<std::uint32_t>(relation), sizeof(std::uint32_t));
  const auto index = static_cast<std::uint32_t>(deviceIndex);
  std::memcpy(at + kHeaderSize, &index, sizeof index);
  header_ = at;
}

void ClearValueStore() { TheStore() = ValueStore(); }

}  // namespace devlist::model
