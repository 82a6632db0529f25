#include "device_model.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>

#include "ansi_code_page.h"
#include "device_id_index.h"
#include "device_property_keys.h"

namespace devlist::model {

namespace {

struct State {
  std::deque<Device> devices;
  std::deque<Interface> interfaces;
  std::vector<std::uint32_t> interfaceOwners;  // index in devices of each interface's device
  DeviceIdIndex deviceIndex;  // every instance id to its index in devices
  // The links between devices, by index in devices; sized on the first link. Relation values are made
  // from them when read, so a device's siblings cost nothing per device.
  std::vector<std::uint32_t> parents;  // kNoParent when a device has none
  std::vector<std::vector<std::uint32_t>> children;
  // Side tables of test hooks and deferred fills: empty, and so free, unless something is set.
  std::unordered_map<const void*, ReadHook::Function> readHooks;  // by the address of Property::beforeRead
  std::unordered_map<std::size_t, std::function<void(Device&)>> deferredFills;  // by index in devices
  std::vector<GUID> failingClasses;
  std::function<void()> loader;
  std::size_t openSets = 0;
};

constexpr std::uint32_t kNoParent = UINT32_MAX;

State& TheState() {
  static State state;
  return state;
}

bool SameKey(const DEVPROPKEY& a, const DEVPROPKEY& b) { return a.pid == b.pid && a.fmtid == b.fmtid; }

// Runs `change`, which may move the properties of `list` to new places; their hooks follow them there.
template <typename F>
void KeepingHooks(std::vector<Property>& list, F change) {
  auto& hooks = TheState().readHooks;
  std::vector<std::pair<std::size_t, ReadHook::Function>> held;
  for (std::size_t i = 0; i < list.size() && !hooks.empty(); ++i) {
    const auto it = hooks.find(&list[i].beforeRead);
    if (it == hooks.end()) continue;
    held.emplace_back(i, std::move(it->second));
    hooks.erase(it);
  }
  change();
  for (auto& [i, hook] : held) hooks[&list[i].beforeRead] = std::move(hook);
}

// The property of this key, added (with no value) when the device has none.
Property& PropertyFor(Device& device, const DEVPROPKEY& key) {
  for (Property& p : device.properties) {
    if (SameKey(p.key, key)) return p;
  }
  std::vector<Property>& list = device.properties;
  if (list.size() == list.capacity() && !TheState().readHooks.empty()) {
    KeepingHooks(list, [&list] { list.emplace_back(); });
  } else {
    list.emplace_back();
  }
  list.back().key = key;
  return list.back();
}

// The index of a device of the model; none for a device that is not one (a copy of one, say).
std::optional<std::size_t> PlaceOf(const Device& device) {
  const std::deque<Device>& devices = TheState().devices;
  if (device.place >= devices.size() || &devices[device.place] != &device) return std::nullopt;
  return device.place;
}

// Each device's property list down to its size, once the model is filled.
void TrimPropertyLists() {
  for (Device& device : TheState().devices) TrimProperties(device);
}

// Calls `visit` with the instance id of each device the relation of the device at `index` names, in order.
template <typename F>
void ForEachRelated(Relation relation, std::size_t index, F visit) {
  const State& s = TheState();
  if (index >= s.parents.size()) return;
  if (relation == Relation::children) {
    for (const std::uint32_t c : s.children[index]) visit(s.devices[c].instanceId);
    return;
  }
  const std::uint32_t parent = s.parents[index];
  if (parent == kNoParent) return;
  if (relation == Relation::parent) {
    visit(s.devices[parent].instanceId);
    return;
  }
  for (const std::uint32_t c : s.children[parent]) {
    if (c != index) visit(s.devices[c].instanceId);
  }
}

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

ReadHook& ReadHook::operator=(Function hook) {
  auto& hooks = TheState().readHooks;
  if (hook) {
    hooks[this] = std::move(hook);
  } else {
    hooks.erase(this);
  }
  return *this;
}

ReadHook::operator bool() const {
  const auto& hooks = TheState().readHooks;
  return !hooks.empty() && hooks.count(this) != 0;
}

DWORD ReadHook::operator()(Property& property) const {
  const auto& hooks = TheState().readHooks;
  const auto it = hooks.find(this);
  if (it == hooks.end()) return ERROR_SUCCESS;
  // A copy, so a hook that replaces itself is not destroyed while it runs.
  const ReadHook::Function hook = it->second;
  return hook(property);
}

void Clear() {
  State& s = TheState();
  s.devices.clear();
  s.interfaces.clear();
  s.interfaceOwners.clear();
  s.deviceIndex.Clear();
  s.readHooks.clear();
  s.deferredFills.clear();
  s.parents.clear();
  s.children.clear();
  ClearValueStore();
  s.failingClasses.clear();
  s.loader = nullptr;
  ++detail::generation;
}

Device& AddDevice(const std::string& instanceId, const GUID& setupClass, bool present) {
  State& s = TheState();
  if (const std::optional<std::size_t> known = s.deviceIndex.Find(instanceId, s.devices)) return s.devices[*known];
  Device& device = s.devices.emplace_back();
  device.instanceId = instanceId;
  device.setupClass = setupClass;
  device.present = present;
  device.place = s.devices.size() - 1;
  s.deviceIndex.Insert(device.place, s.devices);
  return device;
}

Device* FindDevice(const std::string& instanceId) {
  const std::optional<std::size_t> index = DeviceIndex(instanceId);
  return index ? &TheState().devices[*index] : nullptr;
}

std::optional<std::size_t> DeviceIndex(const std::string& instanceId) {
  return TheState().deviceIndex.Find(instanceId, TheState().devices);
}

void SetProperty(Device& device, const DEVPROPKEY& key, DEVPROPTYPE type, const BYTE* value, std::size_t size) {
  Property& p = PropertyFor(device, key);
  p.type = type;
  p.value.SetBytes(value, size);
}

void SetProperty(Device& device, const DEVPROPKEY& key, DEVPROPTYPE type, const std::vector<BYTE>& value) {
  SetProperty(device, key, type, value.data(), value.size());
}

void SetStringProperty(Device& device, const DEVPROPKEY& key, const std::u16string& text) {
  Property& p = PropertyFor(device, key);
  p.type = DEVPROP_TYPE_STRING;
  std::u16string units = text;
  units.push_back(u'\0');
  p.value.SetUnits(units);
}

void SetStringListProperty(Device& device, const DEVPROPKEY& key, const std::vector<std::u16string>& items) {
  std::u16string units;
  for (const std::u16string& item : items) {
    units += item;
    units.push_back(u'\0');
  }
  units.push_back(u'\0');  // the list ends with an empty string: one more NUL after the last element's own
  Property& p = PropertyFor(device, key);
  p.type = DEVPROP_TYPE_STRING_LIST;
  p.value.SetUnits(units);
}

void SetUtf8StringProperty(Device& device, const DEVPROPKEY& key, std::string_view text) {
  Property& p = PropertyFor(device, key);
  p.type = DEVPROP_TYPE_STRING;
  p.value.SetUtf8(text, 1);
}

void SetUtf8StringListProperty(Device& device, const DEVPROPKEY& key, std::string_view elements) {
  Property& p = PropertyFor(device, key);
  p.type = DEVPROP_TYPE_STRING_LIST;
  p.value.SetUtf8(elements, 1);
}

void SetUint32Property(Device& device, const DEVPROPKEY& key, DWORD value) {
  BYTE bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
  SetProperty(device, key, DEVPROP_TYPE_UINT32, bytes, sizeof bytes);
}

void SetBoolProperty(Device& device, const DEVPROPKEY& key, bool value) {
  const BYTE byte = value ? 0xFF : 0x00;
  SetProperty(device, key, DEVPROP_TYPE_BOOLEAN, &byte, 1);
}

void SetGuidProperty(Device& device, const DEVPROPKEY& key, const GUID& value) {
  BYTE bytes[sizeof(GUID)];
  std::memcpy(bytes, &value, sizeof(GUID));
  SetProperty(device, key, DEVPROP_TYPE_GUID, bytes, sizeof bytes);
}

void TrimProperties(Device& device) {
  std::vector<Property>& list = device.properties;
  if (list.capacity() == list.size()) return;
  KeepingHooks(list, [&list] { std::vector<Property>(list.begin(), list.end()).swap(list); });
}

void DeferProperties(Device& device, std::function<void(Device&)> fill) {
  const std::optional<std::size_t> index = PlaceOf(device);
  if (!index) return;  // not a device of the model
  ++detail::deferrals;
  if (fill) {
    TheState().deferredFills[*index] = std::move(fill);
  } else {
    TheState().deferredFills.erase(*index);
  }
}

void LinkChild(Device& parent, Device& child) {
  State& s = TheState();
  const std::optional<std::size_t> p = PlaceOf(parent);
  const std::optional<std::size_t> c = PlaceOf(child);
  if (!p || !c || *p == *c) return;
  if (s.parents.size() < s.devices.size()) {
    s.parents.resize(s.devices.size(), kNoParent);
    s.children.resize(s.devices.size());
  }
  if (s.parents[*c] != kNoParent) return;
  s.parents[*c] = static_cast<std::uint32_t>(*p);
  std::vector<std::uint32_t>& kids = s.children[*p];
  kids.push_back(static_cast<std::uint32_t>(*c));
  Property& up = PropertyFor(child, DEVPKEY_Device_Parent);
  up.type = DEVPROP_TYPE_STRING;
  up.value.SetRelation(Relation::parent, *c);
  if (kids.size() == 1) {
    Property& list = PropertyFor(parent, DEVPKEY_Device_Children);
    list.type = DEVPROP_TYPE_STRING_LIST;
    list.value.SetRelation(Relation::children, *p);
    return;
  }
  // With a second child the first has a sibling, and each child from then on has them from the start.
  for (const std::uint32_t k : kids) {
    if (kids.size() > 2 && k != *c) continue;
    Property& list = PropertyFor(s.devices[k], DEVPKEY_Device_Siblings);
    list.type = DEVPROP_TYPE_STRING_LIST;
    list.value.SetRelation(Relation::siblings, k);
  }
}

std::size_t RelationSize(Relation relation, std::size_t deviceIndex) {
  std::size_t units = relation == Relation::parent ? 0 : 1;  // a list ends with one more NUL
  ForEachRelated(relation, deviceIndex, [&units](const std::string& id) { units += UnitsOf(id) + 1; });
  return units * 2;
}

namespace {

// Writes the relation's ids as UTF-16, each then its NUL, a list then its closing NUL; returns the bytes
// written. With `room` the caller knows there is space for two bytes per byte of the ids (never fewer than
// their units need), so each id is widened while it is checked for ASCII and only redone when it is not.
std::size_t WriteRelation(Relation relation, std::size_t deviceIndex, BYTE* out, bool room) {
  BYTE* const begin = out;
  auto put = [&out](char16_t unit) {
    *out++ = static_cast<BYTE>(unit & 0xFF);
    *out++ = static_cast<BYTE>(unit >> 8);
  };
  ForEachRelated(relation, deviceIndex, [&put, &out, room](const std::string& id) {
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

}  // namespace

std::size_t CopyRelation(Relation relation, std::size_t deviceIndex, BYTE* out, std::size_t capacity) {
  // No id has more UTF-16 units than bytes, so when the bytes fit twice over the list is measured as it is
  // written; otherwise it is measured first, and written only when it fits.
  std::size_t bound = relation == Relation::parent ? 0 : 1;
  ForEachRelated(relation, deviceIndex, [&bound](const std::string& id) { bound += id.size() + 1; });
  if (bound * 2 <= capacity) return WriteRelation(relation, deviceIndex, out, true);
  const std::size_t size = RelationSize(relation, deviceIndex);
  if (size <= capacity) WriteRelation(relation, deviceIndex, out, false);
  return size;
}

BYTE RelationByteAt(Relation relation, std::size_t deviceIndex, std::size_t i) {
  // Found by walking the ids, so a test that reads a list byte by byte needs no copy of it.
  std::size_t start = 0;
  BYTE byte = 0;
  bool found = false;
  ForEachRelated(relation, deviceIndex, [&](const std::string& id) {
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

bool AddInterface(Interface interface) {
  State& s = TheState();
  const std::optional<std::size_t> owner = DeviceIndex(interface.deviceInstanceId);
  if (!owner) return false;
  s.interfaces.push_back(std::move(interface));
  s.interfaceOwners.push_back(static_cast<std::uint32_t>(*owner));
  return true;
}

void FailClass(const GUID& classGuid) { TheState().failingClasses.push_back(classGuid); }

void SetLoader(std::function<void()> loader) { TheState().loader = std::move(loader); }

std::size_t OpenSetCount() { return TheState().openSets; }

const std::deque<Device>& Devices() { return TheState().devices; }
const std::deque<Interface>& Interfaces() { return TheState().interfaces; }

Device* DeviceForPropertyRead(std::size_t index) {
  State& s = TheState();
  if (index >= s.devices.size()) return nullptr;
  Device& device = s.devices[index];
  if (!s.deferredFills.empty()) {
    const auto it = s.deferredFills.find(index);
    if (it != s.deferredFills.end()) {
      // Taken out before it runs, so it runs once even if it reads the device itself.
      const std::function<void(Device&)> fill = std::move(it->second);
      s.deferredFills.erase(it);
      fill(device);
      TrimProperties(device);
    }
  }
  return &device;
}

std::size_t InterfaceOwner(std::size_t interfaceIndex) { return TheState().interfaceOwners[interfaceIndex]; }

bool ClassFails(const GUID& classGuid) {
  const auto& failing = TheState().failingClasses;
  return std::find(failing.begin(), failing.end(), classGuid) != failing.end();
}

void RunLoaderOnce() {
  // Taken out before it runs, so a loader that opens sets itself cannot recurse.
  std::function<void()> loader = std::move(TheState().loader);
  TheState().loader = nullptr;
  if (!loader) return;
  loader();
  TrimPropertyLists();
}

void NoteSetOpened() { ++TheState().openSets; }
void NoteSetClosed() { --TheState().openSets; }

}  // namespace devlist::model
