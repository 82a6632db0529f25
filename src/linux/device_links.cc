#include "device_links.h"

#include <algorithm>
#include <string>

#include "ansi_code_page.h"
#include "device_model.h"

namespace devlist::model {
namespace {

// The UTF-16 of an id, which instance ids made from sysfs never need: theirs is ASCII, one unit a byte.
std::u16string WideId(const std::string& id) { return Utf8ToUtf16(id); }

}  // namespace

bool DeviceLinks::Link(const std::deque<Device>& devices, std::size_t parent, std::size_t child) {
  if (parents_.size() < devices.size()) {
    parents_.resize(devices.size(), kNoParent);
    children_.resize(devices.size());
    units_.resize(devices.size(), 0);
    childUnits_.resize(devices.size(), 0);
  }
  if (parents_[child] != kNoParent) return false;
  parents_[child] = static_cast<std::uint32_t>(parent);
  children_[parent].push_back(static_cast<std::uint32_t>(child));
  // An id never changes, so it is measured once, by whichever link names it first.
  for (const std::size_t linked : {parent, child}) {
    if (units_[linked] != 0) continue;
    const std::string& id = devices[linked].instanceId;
    const bool ascii = std::all_of(id.begin(), id.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    units_[linked] = ascii ? static_cast<std::uint32_t>(id.size())
                                 : static_cast<std::uint32_t>(WideId(id).size()) | kNotAscii;
  }
  childUnits_[parent] += UnitsOf(child) + 1;
  return true;
}

void DeviceLinks::Clear() {
  parents_.clear();
  children_.clear();
  units_.clear();
  childUnits_.clear();
}

// Calls `visit` with the place of each device the relation of the device at `index` names, in order.
template <typename F>
void DeviceLinks::ForEachRelated(Relation relation, std::size_t index, F visit) const {
  if (index >= parents_.size()) return;
  if (relation == Relation::children) {
    for (const std::uint32_t c : children_[index]) visit(c);
    return;
  }
  const std::uint32_t parent = parents_[index];
  if (parent == kNoParent) return;
  if (relation == Relation::parent) {
    visit(parent);
    return;
  }
  for (const std::uint32_t c : children_[parent]) {
    if (c != index) visit(c);
  }
}

std::size_t DeviceLinks::Size(Relation relation, std::size_t index) const {
  std::size_t units = relation == Relation::parent ? 0 : 1;  // a list ends with one more NUL
  if (index < parents_.size()) {
    const std::uint32_t parent = parents_[index];
    if (relation == Relation::children) {
      units += childUnits_[index];
    } else if (parent != kNoParent && relation == Relation::parent) {
      units += UnitsOf(parent) + 1;
    } else if (parent != kNoParent) {  // the parent's children but this one
      units += childUnits_[parent] - (UnitsOf(index) + 1);
    }
  }
  return units * 2;
}

// Writes the relation's ids as UTF-16, each then its NUL, a list then its closing NUL; returns the bytes
// written.
std::size_t DeviceLinks::Write(const std::deque<Device>& devices, Relation relation, std::size_t index,
                               BYTE* out) const {
  BYTE* const begin = out;
  auto put = [&out](char16_t unit) {
    *out++ = static_cast<BYTE>(unit & 0xFF);
    *out++ = static_cast<BYTE>(unit >> 8);
  };
  ForEachRelated(relation, index, [&](std::uint32_t related) {
    const std::string& id = devices[related].instanceId;
    if ((units_[related] & kNotAscii) == 0) {
      for (const char c : id) {
        *out++ = static_cast<BYTE>(c);
        *out++ = 0;
      }
    } else {
      for (const char16_t unit : WideId(id)) put(unit);
    }
    put(u'\0');
  });
  if (relation != Relation::parent) put(u'\0');
  return static_cast<std::size_t>(out - begin);
}

std::size_t DeviceLinks::Copy(const std::deque<Device>& devices, Relation relation, std::size_t index, BYTE* out,
                              std::size_t capacity) const {
  const std::size_t size = Size(relation, index);
  if (size <= capacity) Write(devices, relation, index, out);
  return size;
}

BYTE DeviceLinks::ByteAt(const std::deque<Device>& devices, Relation relation, std::size_t index,
                         std::size_t i) const {
  // Found by walking the ids, so a test that reads a list byte by byte needs no copy of it.
  std::size_t start = 0;
  BYTE byte = 0;
  bool found = false;
  ForEachRelated(relation, index, [&](std::uint32_t related) {
    if (found) return;
    const std::string& id = devices[related].instanceId;
    const std::size_t units = UnitsOf(related);  // measured when it was linked
    if (i < start + (units + 1) * 2) {
      const std::size_t unit = (i - start) / 2;
      char16_t value = 0;
      if (unit < units) value = (units_[related] & kNotAscii) == 0 ? static_cast<char16_t>(id[unit]) : WideId(id)[unit];
      byte = static_cast<BYTE>((i - start) % 2 == 0 ? value & 0xFF : value >> 8);
      found = true;
    }
    start += (units + 1) * 2;
  });
  return byte;  // past the ids: the list's closing NUL
}

}  // namespace devlist::model
