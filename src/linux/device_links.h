// The links between the model's devices (parent and children, by index in the model's list) and the
// relation values made from them when they are read: a device's Device_Parent, Device_Children and
// Device_Siblings as UTF-16 ids, so a device's siblings cost nothing per device until someone reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform.h"
#include "property_value.h"

namespace devlist::model {

struct Device;

class DeviceLinks {
 public:
  /// Makes the device at `child` a child of the one at `parent` (`count` devices in the model); false, and
  /// nothing changed, when the child has a parent already.
  bool Link(std::size_t parent, std::size_t child, std::size_t count);
  /// The children of the device at `index`, in the order they were linked.
  const std::vector<std::uint32_t>& ChildrenOf(std::size_t index) const { return children_[index]; }
  void Clear();

  /// What a relation value of the device at `index` hands out: its size in bytes; its bytes, written only
  /// when they fit `capacity` (the size is returned either way); one of its bytes.
  std::size_t Size(const std::deque<Device>& devices, Relation relation, std::size_t index) const;
  std::size_t Copy(const std::deque<Device>& devices, Relation relation, std::size_t index, BYTE* out,
                   std::size_t capacity) const;
  BYTE ByteAt(const std::deque<Device>& devices, Relation relation, std::size_t index, std::size_t i) const;

 private:
  static constexpr std::uint32_t kNoParent = UINT32_MAX;

  template <typename F>
  void ForEachRelated(const std::deque<Device>& devices, Relation relation, std::size_t index, F visit) const;
  std::size_t Write(const std::deque<Device>& devices, Relation relation, std::size_t index, BYTE* out,
                    bool room) const;

  // Sized on the first link.
  std::vector<std::uint32_t> parents_;  // kNoParent when a device has none
  std::vector<std::vector<std::uint32_t>> children_;
};

}  // namespace devlist::model
