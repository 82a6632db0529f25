// The devices of the model by instance id, compared without regard to case as Windows compares them. The ids
// stay the devices' own: the index keeps only their places, four bytes a slot, so a large model holds each id
// once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

namespace devlist::model {

struct Device;

class DeviceIdIndex {
 public:
  /// The place in `devices` of the device with this id, or none.
  std::optional<std::size_t> Find(std::string_view id, const std::deque<Device>& devices) const;
  /// Adds the device at `index` of `devices` under its id, which no device of the index has yet.
  void Insert(std::size_t index, const std::deque<Device>& devices);
  void Clear();

 private:
  void Grow(const std::deque<Device>& devices);

  std::vector<std::uint32_t> slots_;  // a place plus one; 0 is an empty slot
  std::size_t count_ = 0;
};

}  // namespace devlist::model
