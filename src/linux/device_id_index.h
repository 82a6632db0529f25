// The devices of the model by instance id, compared without regard to case as Windows compares them. The ids
// stay the devices' own: the index keeps only their places, each beside its id's hash, eight bytes a slot, so
// a large model holds each id once and growing the index reads no id again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

namespace devlist::model {

struct Device;

/// A hash of an id with its ASCII letters taken as upper case: ids equal without regard to case hash alike.
std::size_t HashFoldedId(std::string_view id);
/// Whether two ids are equal without regard to the case of their ASCII letters.
bool SameFoldedId(std::string_view a, std::string_view b);

class DeviceIdIndex {
 public:
  /// The place in `devices` of the device with this id, or none.
  std::optional<std::size_t> Find(std::string_view id, const std::deque<Device>& devices) const;
  /// The place of the device with this id; when no device of the index has it, `index` is added under it
  /// and returned (the caller puts a device with this id there).
  std::size_t FindOrAdd(std::string_view id, std::size_t index, const std::deque<Device>& devices);
  void Clear();

 private:
  void Grow();

  // The low half the id's hash, the high half its place plus one; 0 is an empty slot.
  std::vector<std::uint64_t> slots_;
  std::size_t count_ = 0;
};

}  // namespace devlist::model
