// The device a device information set read a property of last, and that device's properties by key: what
// makes the many reads of one report cheap in our Linux SetupDiGetDevicePropertyW.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "device_model.h"
#include "platform.h"

namespace devlist::platform {

// The GUIDs compared as two words each rather than field by field: the check a report makes on every read.
inline bool SameKey(const DEVPROPKEY& a, const DEVPROPKEY& b) {
  std::uint64_t x[2];
  std::uint64_t y[2];
  static_assert(sizeof x == sizeof a.fmtid);
  std::memcpy(x, &a.fmtid, sizeof x);
  std::memcpy(y, &b.fmtid, sizeof y);
  return a.pid == b.pid && x[0] == y[0] && x[1] == y[1];
}

// The device a set read a property of last, and its properties by key. A report reads every key of its
// catalogue from one device in a row, most of them keys the device lacks: without this each read would look
// the device up again and walk its whole list.
class PropertyLookup {
 public:
  // The device behind a Reserved value, its deferred fill run; null when there is none.
  model::Device* DeviceFor(ULONG_PTR reserved) {
    if (device_ != nullptr && reserved == reserved_ && generation_ == model::Generation() &&
        deferrals_ == model::DeferralCount()) {
      return device_;
    }
    device_ = model::DeviceForPropertyRead(reserved - 1);
    reserved_ = reserved;
    generation_ = model::Generation();
    deferrals_ = model::DeferralCount();
    indexed_ = nullptr;
    return device_;
  }

  // True only when the device behind `reserved` is the one DeviceFor returned last, nothing has changed since,
  // and its index has no property with this key: a report's usual read, told without the full checks.
  bool SurelyLacks(ULONG_PTR reserved, const DEVPROPKEY& key) const {
    if (device_ == nullptr || reserved != reserved_ || generation_ != model::Generation() ||
        deferrals_ != model::DeferralCount()) {
      return false;
    }
    const std::vector<model::Property>& list = device_->properties;
    if (indexed_ != list.data() || indexedCount_ != list.size() || list.size() > kSlots / 2) return false;
    for (std::size_t slot = SlotOf(key); slots_[slot] != 0; slot = (slot + 1) % kSlots) {
      if (SameKey(list[slots_[slot] - 1u].key, key)) return false;
    }
    return true;
  }

  // The property with this key of the device DeviceFor returned last, or null.
  model::Property* Find(const DEVPROPKEY& key) {
    std::vector<model::Property>& list = device_->properties;
    if (list.size() > kSlots / 2) {
      for (model::Property& p : list) {
        if (SameKey(p.key, key)) return &p;
      }
      return nullptr;
    }
    // Properties are only ever added, so a list at the same place with the same length has the same keys.
    if (indexed_ != list.data() || indexedCount_ != list.size()) Index(list);
    for (std::size_t slot = SlotOf(key); slots_[slot] != 0; slot = (slot + 1) % kSlots) {
      model::Property& p = list[slots_[slot] - 1u];
      if (SameKey(p.key, key)) return &p;
    }
    return nullptr;
  }

 private:
  // Open addressing, at most half full; a slot holds a position in the list plus one, 0 when free.
  static constexpr unsigned kSlotBits = 8;
  static constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;

  static std::size_t SlotOf(const DEVPROPKEY& key) {
    const std::uint64_t mixed = (std::uint64_t{key.fmtid.Data1} << 32 | key.pid) * 0x9E3779B97F4A7C15u;
    return static_cast<std::size_t>(mixed >> (64 - kSlotBits));
  }

  void Index(const std::vector<model::Property>& list) {
    slots_.fill(0);
    for (std::size_t i = 0; i < list.size(); ++i) {
      std::size_t slot = SlotOf(list[i].key);
      while (slots_[slot] != 0) slot = (slot + 1) % kSlots;
      slots_[slot] = static_cast<std::uint16_t>(i + 1);
    }
    indexed_ = list.data();
    indexedCount_ = list.size();
  }

  model::Device* device_ = nullptr;
  ULONG_PTR reserved_ = 0;
  std::size_t generation_ = 0;
  std::size_t deferrals_ = 0;
  const model::Property* indexed_ = nullptr;
  std::size_t indexedCount_ = 0;
  std::array<std::uint16_t, kSlots> slots_{};
};

}  // namespace devlist::platform
