#include "property_value.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "ansi_code_page.h"
#include "device_model.h"
#include "word_hash.h"

namespace devlist::model {
namespace {

// Each value is a 4-byte header (its form in the top two bits, below them the size it is handed out with,
// or the relation), then what the form keeps, packed one after the other into large blocks: a value costs
// no allocation of its own and the values of a device lie side by side. Values never move or change, so a
// property holds only a pointer, and equal values can share their bytes; replaced values stay until the
// store is cleared (the scanner sets each property once; only tests replace them).
enum Form : std::uint32_t {
  kRaw = 0,       // the bytes as they are
  kNarrow = 1,    // UTF-16 units below 256, one byte each: half the size handed out
  kRelation = 2,  // a 4-byte device index; the ids are the model's
};
constexpr unsigned kFormShift = 30;
constexpr std::uint32_t kSizeMask = (std::uint32_t{1} << kFormShift) - 1;
constexpr std::size_t kHeaderSize = sizeof(std::uint32_t);
constexpr std::size_t kBlockSize = 64 * 1024;
// Most values of a large machine come again and again: a class name, true, the local machine's container,
// the same ids on a hundred identical disks. A fixed table of recent values by hash finds an equal one to
// share; a miss only costs a copy, so the table needs no more room than this, however large the model.
constexpr std::size_t kRecentSlots = 4096;
constexpr std::size_t kSharedPayloadMax = 512;

struct ValueStore {
  std::vector<std::unique_ptr<BYTE[]>> blocks;
  BYTE* next = nullptr;
  std::size_t left = 0;
  std::vector<const BYTE*> recent;  // kRecentSlots once a value is shared; null where none is
};

// Never destroyed, like the model that refers to it; ClearValueStore frees it.
ValueStore& TheStore() {
  static ValueStore& store = *new ValueStore;
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

bool AllZero(const BYTE* bytes, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

// A value with these header fields and payload (`size` bytes, then `zeros` zero bytes): an equal one stored
// recently, else a new one.
const BYTE* Store(Form form, std::uint32_t low, const BYTE* payload, std::size_t size, std::size_t zeros = 0) {
  const std::uint32_t header = static_cast<std::uint32_t>(form) << kFormShift | (low & kSizeMask);
  const BYTE** slot = nullptr;
  const std::size_t total = size + zeros;
  if (total <= kSharedPayloadMax) {
    // The header (which holds the size, so the zeros after the payload too) and the payload, a word at a time.
    std::uint64_t hash = (header + 1) * kWordHashMultiplier;
    for (std::size_t i = 0; i < size; i += sizeof hash) hash = MixWord(hash, WordAt(payload + i, size - i));
    std::vector<const BYTE*>& recent = TheStore().recent;
    if (recent.empty()) recent.assign(kRecentSlots, nullptr);
    slot = &recent[(hash ^ (hash >> 32)) % kRecentSlots];
    if (*slot != nullptr && std::memcmp(*slot, &header, kHeaderSize) == 0 &&
        (size == 0 || std::memcmp(*slot + kHeaderSize, payload, size) == 0) &&
        AllZero(*slot + kHeaderSize + size, zeros)) {
      return *slot;
    }
  }
  BYTE* at = Allocate(form, low, total);
  if (size != 0) std::memcpy(at + kHeaderSize, payload, size);
  if (zeros != 0) std::memset(at + kHeaderSize + size, 0, zeros);
  if (slot != nullptr) *slot = at;
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

std::size_t PropertyValue::CopyTo(BYTE* out, std::size_t capacity) const {
  const std::uint32_t header = HeaderOf(header_);
  const BYTE* payload = header_ + kHeaderSize;
  const std::size_t size = header & kSizeMask;
  switch (header >> kFormShift) {
    case kNarrow:
      if (size > capacity) return size;
      for (std::size_t i = 0, units = size / 2; i < units; ++i) {
        out[2 * i] = payload[i];
        out[2 * i + 1] = 0;
      }
      return size;
    case kRelation:
      return CopyRelation(static_cast<Relation>(size), IndexOf(header_), out, capacity);
    default:
      if (size != 0 && size <= capacity) std::memcpy(out, payload, size);
      return size;
  }
}

PropertyValue& PropertyValue::operator=(const std::vector<BYTE>& bytes) {
  SetBytes(bytes.data(), bytes.size());
  return *this;
}

void PropertyValue::SetBytes(const BYTE* bytes, std::size_t size) {
  header_ = Store(kRaw, static_cast<std::uint32_t>(size), bytes, size);
}

void PropertyValue::SetUnits(std::u16string_view units) {
  const std::size_t count = units.size();
  bool narrow = true;
  for (std::size_t i = 0; i < count && narrow; ++i) narrow = units[i] < 0x100;
  // The bytes are copied into the store, so one buffer serves every call.
  static std::vector<BYTE> bytes;
  bytes.resize(narrow ? count : count * 2);
  if (narrow) {
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<BYTE>(units[i]);
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      bytes[2 * i] = static_cast<BYTE>(units[i] & 0xFF);
      bytes[2 * i + 1] = static_cast<BYTE>(units[i] >> 8);
    }
  }
  header_ = Store(narrow ? kNarrow : kRaw, static_cast<std::uint32_t>(count * 2), bytes.data(), bytes.size());
}

void PropertyValue::SetNarrowUnits(std::string_view units, std::size_t zeros) {
  header_ = Store(kNarrow, static_cast<std::uint32_t>((units.size() + zeros) * 2),
                  reinterpret_cast<const BYTE*>(units.data()), units.size(), zeros);
}

void PropertyValue::SetUtf8(std::string_view text, std::size_t nuls) {
  if (IsAscii(text)) {
    SetNarrowUnits(text, nuls);
    return;
  }
  std::u16string units = Utf8ToUtf16(text);
  units.append(nuls, u'\0');
  SetUnits(units);
}

void PropertyValue::SetRelation(Relation relation, std::size_t deviceIndex) {
  BYTE* at = Allocate(kRelation, static_cast<std::uint32_t>(relation), sizeof(std::uint32_t));
  const auto index = static_cast<std::uint32_t>(deviceIndex);
  std::memcpy(at + kHeaderSize, &index, sizeof index);
  header_ = at;
}

void ClearValueStore() { TheStore() = ValueStore(); }

}  // namespace devlist::model
