#include "device_links.h"

#include <cstring>
#include <string>

#include "ansi_code_page.h"
#include "device_model.h"

namespace devlist::model {
namespace {

// Eight bytes at a time: an id is ASCII when no byte of it has its top bit set.
bool IsAscii(const std::string& id) {
  const char* bytes = id.data();
  const std::size_t n = id.size();
  std::uint64_t seen = 0;
  std::size_t i = 0;
  for (; i + sizeof seen <= n; i += sizeof seen) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes + i, sizeof word);
    seen |= word;
  }
  for (; i < n; ++i) seen |= static_cast<unsigned char>(bytes[i]);
  return (seen & 0x8080808080808080u) == 0;
}

// The UTF-16 of an id, which instance ids made from sysfs never need: theirs is ASCII, one unit a byte.
std::u16string WideId(const std::string& id) { return Utf8ToUtf16(id); }

std::size_t UnitsOf(const std::string& id) { return IsAscii(id) ? id.size() : WideId(id).size(); }

}  // namespace

bool DeviceLinks::Link(std::size_t parent, std::size_t child, std::size_t count) {
  if (parents_.size() < count) {
    parents_.resize(count, kNoParent);
    children_.resize(count);
  }
  if (parents_[child] != kNoParent) return false;
  parents_[child] = static_cast<std::uint32_t>(parent);
  children_[parent].push_back(static_cast<std::uint32_t>(child));
  return true;
}

void DeviceLinks::Clear() {
  parents_.clear();
  children_.clear();
}

// Calls `visit` with the instance id of each device the relation of the device at `index` names, in order.
template <typename F>
void DeviceLinks::ForEachRelated(const std::deque<Device>& devices, Relation relation, std::size_t index,
                                 F visit) const {
  if (index >= parents_.size()) return;
  if (relation == Relation::children) {
    for (const std::uint32_t c : children_[index]) visit(devices[c].instanceId);
    return;
  }
  const std::uint32_t parent = parents_[index];
  if (parent == kNoParent) return;
  if (relation == Relation::parent) {
    visit(devices[parent].instanceId);
    return;
  }
  for (const std::uint32_t c : children_[parent]) {
    if (c != index) visit(devices[c].instanceId);
  }
}

std::size_t DeviceLinks::Size(const std::deque<Device>& devices, Relation relation, std::size_t index) const {
  std::size_t units = relation == Relation::parent ? 0 : 1;  // a list ends with one more NUL
  ForEachRelated(devices, relation, index, [&units](const std::string& id) { units += UnitsOf(id) + 1; });
  return units * 2;
}

// Writes the relation's ids as UTF-16, each then its NUL, a list then its closing NUL; returns the bytes
// written. With `room` the caller knows there is space for two bytes per byte of the ids (never fewer than
// their units need), so each id is widened while it is checked for ASCII and only redone when it is not.
std::size_t DeviceLinks::Write(const std::deque<Device>& devices, Relation relation, std::size_t index, BYTE* out,
                               bool room) const {
  BYTE* const begin = out;
  auto put = [&out](char16_t unit) {
    *out++ = static_cast<BYTE>(unit & 0xFF);
    *out++ = static_cast<BYTE>(unit >> 8);
  };
  ForEachRelated(devices, relation, index, [&put, &out, room](const std::string& id) {
    BYTE* const start = out;
    bool ascii = room || IsAscii(id);
    if (ascii) {
      unsigned char seen = 0;
      for (const char c : id) {
        seen |= static_cast<unsigned char>(c);
        *out++ = static_cast<BYTE>(c);
        *out++ = 0;
      }
      ascii = seen < 0x80;
    }
    if (!ascii) {
      out = start;
      for (const char16_t unit : WideId(id)) put(unit);
    }
    put(u'\0');
  });
  if (relation != Relation::parent) put(u'\0');
  return static_cast<std::size_t>(out - begin);
}

std::size_t DeviceLinks::Copy(const std::deque<Device>& devices, Relation relation, std::size_t index, BYTE* out,
                              std::size_t capacity) const {
  // No id has more UTF-16 units than bytes, so when the bytes fit twice over the list is measured as it is
  // written; otherwise it is measured first, and written only when it fits.
  std::size_t bound = relation == Relation::parent ? 0 : 1;
  ForEachRelated(devices, relation, index, [&bound](const std::string& id) { bound += id.size() + 1; });
  if (bound * 2 <= capacity) return Write(devices, relation, index, out, true);
  const std::size_t size = Size(devices, relation, index);
  if (size <= capacity) Write(devices, relation, index, out, false);
  return size;
}

BYTE DeviceLinks::ByteAt(const std::deque<Device>& devices, Relation relation, std::size_t index,
                         std::size_t i) const {
  // Found by walking the ids, so a test that reads a list byte by byte needs no copy of it.
  std::size_t start = 0;
  BYTE byte = 0;
  bool found = false;
  ForEachRelated(devices, relation, index, [&](const std::string& id) {
    if (found) return;
    const std::size_t units = UnitsOf(id);
    if (i < start + (units + 1) * 2) {
      const std::size_t unit = (i - start) / 2;
      char16_t value = 0;
      if (unit < units) value = IsAscii(id) ? static_cast<char16_t>(id[unit]) : WideId(id)[unit];
      byte = static_cast<BYTE>((i - start) % 2 == 0 ? value & 0xFF : value >> 8);
      found = true;
    }
    start += (units + 1) * 2;
  });
  return byte;  // past the ids: the list's closing NUL
}

}  // namespace devlist::model
