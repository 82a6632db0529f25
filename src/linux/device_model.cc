#include "device_model.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "device_links.h"
#include "device_property_keys.h"
#include "folded_id.h"

namespace devlist::model {

namespace {

// Hashes text and string views alike, so a value is looked up by its bytes without a string made for it.
struct BytesHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view bytes) const { return std::hash<std::string_view>()(bytes); }
};

struct KeyedHook {
  std::size_t device;  // place in devices
  DEVPROPKEY key;
  ReadHook hook;
};

struct State {
  std::deque<Device> devices;
  std::deque<Interface> interfaces;
  std::vector<std::uint32_t> interfaceOwners;  // index in devices of each interface's device
  // Every instance id to its index in devices; the keys are views of the devices' own ids, which stay where
  // they are until Clear (a deque never moves its elements when it grows).
  std::unordered_map<std::string_view, std::size_t, FoldedIdHash, FoldedIdEqual> deviceIndex;
  DeviceLinks links;
  // One copy of each distinct value, which the properties of that value point to: most values of a large
  // machine come again and again (a class name, true, the same ids on a hundred identical disks). A set's
  // nodes never move, and values are never dropped before Clear, so a property's bytes stay where they are.
  std::unordered_set<std::string, BytesHash, std::equal_to<>> values;
  // Test hooks and deferred fills: empty, and so free, unless something is set.
  std::vector<KeyedHook> readHooks;  // a few at most, set by tests
  std::unordered_map<std::size_t, std::function<void(Device&)>> deferredFills;  // by index in devices
  std::vector<GUID> failingClasses;
  DWORD loadingError = ERROR_SUCCESS;
  int unreadMachine = 0;
  std::function<void()> loader;
  std::size_t openSets = 0;
};

// Never destroyed: the model is read until the process ends, and taking a large one apart at exit would cost
// more than much of the listing. Clear frees all of it.
State& TheState() {
  static State& state = *new State;
  return state;
}


// The property of this key, added (with no value) when the device has none.
Property& PropertyFor(Device& device, const DEVPROPKEY& key) {
  const std::uint64_t bit = KeyBit(key);
  if ((device.keyBits & bit) != 0) {
    for (Property& p : device.properties) {
      if (SameKey(p.key, key)) return p;
    }
  }
  device.keyBits |= bit;
  device.properties.emplace_back().key = key;
  return device.properties.back();
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

}  // namespace

void Clear() {
  State& s = TheState();
  s.devices.clear();
  s.interfaces.clear();
  s.interfaceOwners.clear();
  s.deviceIndex.clear();
  s.readHooks.clear();
  s.deferredFills.clear();
  s.links.Clear();
  s.values.clear();
  s.failingClasses.clear();
  s.loadingError = ERROR_SUCCESS;
  s.unreadMachine = 0;
  s.loader = nullptr;
  ++detail::generation;
}

Device& AddDevice(const std::string& instanceId, const GUID& setupClass, bool present) {
  State& s = TheState();
  if (const auto found = s.deviceIndex.find(instanceId); found != s.deviceIndex.end()) {
    return s.devices[found->second];
  }
  Device& device = s.devices.emplace_back();
  device.instanceId = instanceId;
  device.setupClass = setupClass;
  device.present = present;
  device.place = s.devices.size() - 1;
  s.deviceIndex.emplace(device.instanceId, device.place);
  return device;
}

Device* FindDevice(const std::string& instanceId) {
  const std::optional<std::size_t> index = DeviceIndex(instanceId);
  return index ? &TheState().devices[*index] : nullptr;
}

std::optional<std::size_t> DeviceIndex(const std::string& instanceId) {
  const auto& index = TheState().deviceIndex;
  const auto found = index.find(instanceId);
  if (found == index.end()) return std::nullopt;
  return found->second;
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

void MoveProperties(Device& device, Device& from) {
  device.properties.reserve(device.properties.size() + from.properties.size());
  for (const Property& p : from.properties) {
    Property& to = PropertyFor(device, p.key);
    to.type = p.type;
    to.value = p.value;
  }
  from.properties.clear();
  from.keyBits = 0;
}

void TrimProperties(Device& device) { device.properties.shrink_to_fit(); }

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

void SetReadHook(const Device& device, const DEVPROPKEY& key, ReadHook hook) {
  const std::optional<std::size_t> place = PlaceOf(device);
  if (!place) return;  // not a device of the model
  auto& hooks = TheState().readHooks;
  std::erase_if(hooks, [&](const KeyedHook& h) { return h.device == *place && SameKey(h.key, key); });
  if (hook) hooks.push_back({*place, key, std::move(hook)});
}

DWORD RunReadHook(std::size_t deviceIndex, Property& property) {
  for (const KeyedHook& h : TheState().readHooks) {
    if (h.device != deviceIndex || !SameKey(h.key, property.key)) continue;
    // A copy, so a hook that replaces itself is not destroyed while it runs.
    const ReadHook hook = h.hook;
    return hook(property);
  }
  return ERROR_SUCCESS;
}

void LinkChild(Device& parent, Device& child) {
  State& s = TheState();
  const std::optional<std::size_t> p = PlaceOf(parent);
  const std::optional<std::size_t> c = PlaceOf(child);
  if (!p || !c || *p == *c || !s.links.Link(s.devices, *p, *c)) return;
  const std::vector<std::uint32_t>& kids = s.links.ChildrenOf(*p);
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

const std::string& KeptValue(std::string_view bytes) {
  auto& values = TheState().values;
  const auto it = values.find(bytes);
  return it != values.end() ? *it : *values.emplace(bytes).first;
}

std::size_t RelationSize(Relation relation, std::size_t deviceIndex) {
  return TheState().links.Size(relation, deviceIndex);
}

std::size_t CopyRelation(Relation relation, std::size_t deviceIndex, BYTE* out, std::size_t capacity) {
  return TheState().links.Copy(TheState().devices, relation, deviceIndex, out, capacity);
}

BYTE RelationByteAt(Relation relation, std::size_t deviceIndex, std::size_t i) {
  return TheState().links.ByteAt(TheState().devices, relation, deviceIndex, i);
}

bool AddInterface(Interface interface) {
  State& s = TheState();
  const std::optional<std::size_t> owner = DeviceIndex(interface.deviceInstanceId);
  if (!owner) return false;
  s.interfaces.push_back(std::move(interface));
  s.interfaceOwners.push_back(static_cast<std::uint32_t>(*owner));
  return true;
}

bool AddInterface(const Device& owner, Interface interface) {
  State& s = TheState();
  const std::optional<std::size_t> place = PlaceOf(owner);
  if (!place) return false;
  interface.deviceInstanceId = owner.instanceId;
  s.interfaces.push_back(std::move(interface));
  s.interfaceOwners.push_back(static_cast<std::uint32_t>(*place));
  return true;
}

void FailClass(const GUID& classGuid) { TheState().failingClasses.push_back(classGuid); }

void FailLoading(DWORD error) { TheState().loadingError = error; }

DWORD LoadingError() { return TheState().loadingError; }

void NoteUnreadMachine(int error) { TheState().unreadMachine = error; }

int UnreadMachineError() { return TheState().unreadMachine; }

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
