#include "device_id_index.h"

#include "device_model.h"

namespace devlist::model {
namespace {

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::size_t HashFolded(std::string_view id) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a over the upper-cased bytes
  for (const char c : id) {
    hash ^= static_cast<unsigned char>(Folded(c));
    hash *= 1099511628211ull;
  }
  return static_cast<std::size_t>(hash ^ (hash >> 32));
}

bool SameFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Folded(a[i]) != Folded(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::size_t> DeviceIdIndex::Find(std::string_view id, const std::deque<Device>& devices) const {
  if (slots_.empty()) return std::nullopt;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = HashFolded(id) & mask;; i = (i + 1) & mask) {
    const std::uint32_t slot = slots_[i];
    if (slot == 0) return std::nullopt;
    if (SameFolded(devices[slot - 1].instanceId, id)) return slot - 1;
  }
}

void DeviceIdIndex::Insert(std::size_t index, const std::deque<Device>& devices) {
  if ((count_ + 1) * 2 > slots_.size()) Grow(devices);  // at most half full, so probes stay short
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = HashFolded(devices[index].instanceId) & mask;
  while (slots_[i] != 0) i = (i + 1) & mask;
  slots_[i] = static_cast<std::uint32_t>(index + 1);
  ++count_;
}

void DeviceIdIndex::Grow(const std::deque<Device>& devices) {
  std::vector<std::uint32_t> old = std::move(slots_);
  slots_.assign(old.empty() ? 64 : old.size() * 2, 0);
  const std::size_t mask = slots_.size() - 1;
  for (const std::uint32_t slot : old) {
    if (slot == 0) continue;
    std::size_t i = HashFolded(devices[slot - 1].instanceId) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

void DeviceIdIndex::Clear() {
  slots_ = {};
  count_ = 0;
}

}  // namespace devlist::model
