#include "path_index.h"

#include <utility>

#include "word_hash.h"

namespace devlist::sysfs {
namespace {

constexpr std::size_t kFirstSlots = 64;

// Eight bytes at a time, the last word filled with zeros; the length goes in first, so that a path and the
// same path with NULs after it hash apart.
std::uint64_t HashOf(std::string_view path) {
  std::uint64_t hash = (path.size() + 1) * kWordHashMultiplier;
  for (std::size_t i = 0; i < path.size(); i += sizeof hash) {
    hash = MixWord(hash, WordAt(path.data() + i, path.size() - i));
  }
  return hash ^ (hash >> 32);
}

}  // namespace

std::optional<std::size_t> PathIndex::Find(std::string_view path) const {
  if (slots_.empty()) return std::nullopt;
  const std::size_t mask = slots_.size() - 1;
  const std::uint64_t hash = HashOf(path);
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (!slot.used) return std::nullopt;
    if (slot.hash == hash && slot.path == path) return slot.id;
  }
}

void PathIndex::Insert(std::string_view path, std::size_t id) {
  if ((count_ + 1) * 4 > slots_.size() * 3) Grow();  // at most three quarters full, so probes stay short
  const std::size_t mask = slots_.size() - 1;
  const std::uint64_t hash = HashOf(path);
  std::size_t i = hash & mask;
  for (; slots_[i].used; i = (i + 1) & mask) {
    if (slots_[i].hash == hash && slots_[i].path == path) return;
  }
  slots_[i] = Slot{std::string(path), hash, id, true};
  ++count_;
}

void PathIndex::Grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_ = std::vector<Slot>(old.empty() ? kFirstSlots : old.size() * 2);
  const std::size_t mask = slots_.size() - 1;
  for (Slot& slot : old) {
    if (!slot.used) continue;
    std::size_t i = slot.hash & mask;
    while (slots_[i].used) i = (i + 1) & mask;
    slots_[i] = std::move(slot);
  }
}

void PathIndex::Clear() {
  slots_.clear();
  slots_.shrink_to_fit();
  count_ = 0;
}

}  // namespace devlist::sysfs
