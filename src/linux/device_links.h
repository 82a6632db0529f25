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
  bool Link(const std::deque<Device>& devices, std::size_t parent, std::size_t child);
  /// The children of the device at `index`, in the order they were linked.
  const std::vector<std::uint32_t>& ChildrenOf(std::size_t index) const { return children_[index]; }
  void Clear();

  /// What a relation value of the device at `index` hands out: its size in bytes (known without reading an
  /// id); its bytes, written only when they fit `capacity` (the size is returned either way); one of its bytes.
  std::size_t Size(Relation relation, std::size_t index) const;
  std::size_t Copy(const std::deque<Device>& devices, Relation relation, std::size_t index, BYTE* out,
                   std::size_t capacity) const;
  BYTE ByteAt(const std::deque<Device>& devices, Relation relation, std::size_t index, std::size_t i) const;

 private:
  static constexpr std::uint32_t kNoParent = UINT32_MAX;
  static constexpr std::uint32_t kNotAscii = std::uint32_t{1} << 31;  // in units_: the id needs widening

  template <typename F>
  void ForEachRelated(Relation relation, std::size_t index, F visit) const;
  std::size_t Write(const std::deque<Device>& devices, Relation relation, std::size_t index, BYTE* out) const;
  std::size_t UnitsOf(std::size_t index) const { return units_[index] & ~kNotAscii; }

  // Sized on the first link, grown with the model.
  std::vector<std::uint32_t> parents_;  // kNoParent when a device has none
  std::vector<std::vector<std::uint32_t>> children_;
  // What sizes a list without reading its ids: each linked device's id in UTF-16 units (kNotAscii added when
  // it is not ASCII), and the units of each device's children, every id with its NUL.
  std::vector<std::uint32_t> units_;
  std::vector<std::size_t> childUnits_;
};

}  // namespace devlist::model
