#include "device_id_index.h"

#include "device_model.h"
#include "word_hash.h"

namespace devlist::model {
namespace {

// The eight bytes with each ASCII lower-case letter made upper-case, eight at once.
std::uint64_t Folded(std::uint64_t word) {
  const std::uint64_t lower = LowSevenFrom(word, 'a') & ~LowSevenFrom(word, 'z' + 1) & ~word & kTopBits;
  return word ^ (lower >> 2);  // 0x80 >> 2 is the bit between the cases
}

std::uint32_t TagOf(std::uint64_t slot) { return static_cast<std::uint32_t>(slot); }
std::size_t PlaceOf(std::uint64_t slot) { return static_cast<std::size_t>((slot >> 32) - 1); }
std::uint64_t SlotFor(std::uint32_t tag, std::size_t place) {
  return (static_cast<std::uint64_t>(place) + 1) << 32 | tag;
}

}  // namespace

std::size_t HashFoldedId(std::string_view id) {
  std::uint64_t hash = id.size() * kWordHashMultiplier;
  for (std::size_t i = 0; i < id.size(); i += sizeof hash) {
    hash = MixWord(hash, Folded(WordAt(id.data() + i, id.size() - i)));
  }
  return static_cast<std::size_t>(hash ^ (hash >> 32));
}

bool SameFoldedId(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); i += sizeof(std::uint64_t)) {
    const std::uint64_t x = WordAt(a.data() + i, a.size() - i);
    const std::uint64_t y = WordAt(b.data() + i, b.size() - i);
    if (x != y && Folded(x) != Folded(y)) return false;
  }
  return true;
}

std::optional<std::size_t> DeviceIdIndex::Find(std::string_view id, const std::deque<Device>& devices) const {
  if (slots_.empty()) return std::nullopt;
  const std::size_t mask = slots_.size() - 1;
  const auto tag = static_cast<std::uint32_t>(HashFoldedId(id));
  for (std::size_t i = tag & mask;; i = (i + 1) & mask) {
    const std::uint64_t slot = slots_[i];
    if (slot == 0) return std::nullopt;
    if (TagOf(slot) == tag && SameFoldedId(devices[PlaceOf(slot)].instanceId, id)) return PlaceOf(slot);
  }
}

std::size_t DeviceIdIndex::FindOrAdd(std::string_view id, std::size_t index, const std::deque<Device>& devices) {
  if ((count_ + 1) * 2 > slots_.size()) Grow();  // at most half full, so probes stay short
  const std::size_t mask = slots_.size() - 1;
  const auto tag = static_cast<std::uint32_t>(HashFoldedId(id));
  std::size_t i = tag & mask;
  for (; slots_[i] != 0; i = (i + 1) & mask) {
    if (TagOf(slots_[i]) == tag && SameFoldedId(devices[PlaceOf(slots_[i])].instanceId, id)) {
      return PlaceOf(slots_[i]);
    }
  }
  slots_[i] = SlotFor(tag, index);
  ++count_;
  return index;
}

void DeviceIdIndex::Grow() {
  std::vector<std::uint64_t> old = std::move(slots_);
  slots_.assign(old.empty() ? 64 : old.size() * 2, 0);
  const std::size_t mask = slots_.size() - 1;
  for (const std::uint64_t slot : old) {
    if (slot == 0) continue;
    std::size_t i = TagOf(slot) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void DeviceIdIndex::Clear() {
  slots_ = {};
  count_ = 0;
}

}  // namespace devlist::model
