#include "device_model.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>

namespace devlist::model {

// Stores value bytes: each value is its 4-byte length, then its bytes, packed one after the other into large
// blocks, so that a value costs no allocation of its own and the values of a device lie side by side. Values
// never move or change, so a Property holds only a pointer; replaced values stay until Clear (the scanner
// sets each property once; only tests replace them).
struct PropertyValueAccess {
  static constexpr std::size_t kBlockSize = 64 * 1024;
  static constexpr std::size_t kLengthSize = sizeof(std::uint32_t);

  // Room for a value of `size` bytes; the caller writes them.
  static BYTE* Allocate(PropertyValue& value, std::size_t size);
  static void Assign(PropertyValue& value, const BYTE* bytes, std::size_t size) {
    BYTE* to = Allocate(value, size);
    if (size != 0) std::memcpy(to, bytes, size);
  }
  static const BYTE* EmptyValue() {
    alignas(std::uint32_t) static const BYTE empty[kLengthSize] = {};
    return empty + kLengthSize;
  }
};

namespace {

struct ValueStore {
  std::vector<std::unique_ptr<BYTE[]>> blocks;
  BYTE* next = nullptr;
  std::size_t left = 0;
};

struct State {
  std::deque<Device> devices;
  std::deque<Interface> interfaces;
  std::vector<std::uint32_t> interfaceOwners;  // index in devices of each interface's device
  // Every instance id, upper-cased as Windows compares them, to its index in devices.
  std::unordered_map<std::string, std::size_t> deviceIndex;
  ValueStore values;
  // Side tables of test hooks and deferred fills: empty, and so free, unless something is set.
  std::unordered_map<const void*, ReadHook::Function> readHooks;  // by the address of Property::beforeRead
  std::unordered_map<std::size_t, std::function<void(Device&)>> deferredFills;  // by index in devices
  std::vector<GUID> failingClasses;
  std::function<void()> loader;
  std::size_t openSets = 0;
  std::size_t generation = 0;
};

State& TheState() {
  static State state;
  return state;
}

std::string UpperCased(const std::string& id) {
  std::string upper = id;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
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

// Each device's property list down to its size, once the model is filled.
void TrimPropertyLists() {
  for (Device& device : TheState().devices) {
    std::vector<Property>& list = device.properties;
    if (list.capacity() == list.size()) continue;
    KeepingHooks(list, [&list] { std::vector<Property>(list.begin(), list.end()).swap(list); });
  }
}

}  // namespace

BYTE* PropertyValueAccess::Allocate(PropertyValue& value, std::size_t size) {
  ValueStore& store = TheState().values;
  const std::size_t needed = kLengthSize + size;
  BYTE* at = nullptr;
  if (needed > kBlockSize / 4) {
    // A large value gets a block of its own; the current block stays open for the small ones.
    store.blocks.push_back(std::make_unique<BYTE[]>(needed));
    at = store.blocks.back().get();
  } else {
    if (needed > store.left) {
      store.blocks.push_back(std::make_unique<BYTE[]>(kBlockSize));
      store.next = store.blocks.back().get();
      store.left = kBlockSize;
    }
    at = store.next;
    store.next += needed;
    store.left -= needed;
  }
  const auto length = static_cast<std::uint32_t>(size);
  std::memcpy(at, &length, kLengthSize);
  value.data_ = at + kLengthSize;
  return at + kLengthSize;
}

PropertyValue::PropertyValue() : data_(PropertyValueAccess::EmptyValue()) {}

std::size_t PropertyValue::size() const {
  std::uint32_t length = 0;
  std::memcpy(&length, data_ - PropertyValueAccess::kLengthSize, sizeof length);
  return length;
}

PropertyValue& PropertyValue::operator=(const std::vector<BYTE>& bytes) {
  PropertyValueAccess::Assign(*this, bytes.data(), bytes.size());
  return *this;
}

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
  s.deviceIndex.clear();
  s.readHooks.clear();
  s.deferredFills.clear();
  s.values = ValueStore();
  s.failingClasses.clear();
  s.loader = nullptr;
  ++s.generation;
}

Device& AddDevice(const std::string& instanceId, const GUID& setupClass, bool present) {
  State& s = TheState();
  const auto [it, added] = s.deviceIndex.try_emplace(UpperCased(instanceId), s.devices.size());
  if (!added) return s.devices[it->second];
  Device& device = s.devices.emplace_back();
  device.instanceId = instanceId;
  device.setupClass = setupClass;
  device.present = present;
  return device;
}

Device* FindDevice(const std::string& instanceId) {
  const std::optional<std::size_t> index = DeviceIndex(instanceId);
  return index ? &TheState().devices[*index] : nullptr;
}

std::optional<std::size_t> DeviceIndex(const std::string& instanceId) {
  const auto& index = TheState().deviceIndex;
  const auto it = index.find(UpperCased(instanceId));
  if (it == index.end()) return std::nullopt;
  return it->second;
}

void SetProperty(Device& device, const DEVPROPKEY& key, DEVPROPTYPE type, const BYTE* value, std::size_t size) {
  Property& p = PropertyFor(device, key);
  p.type = type;
  PropertyValueAccess::Assign(p.value, value, size);
}

void SetProperty(Device& device, const DEVPROPKEY& key, DEVPROPTYPE type, const std::vector<BYTE>& value) {
  SetProperty(device, key, type, value.data(), value.size());
}

void SetStringProperty(Device& device, const DEVPROPKEY& key, const std::u16string& text) {
  Property& p = PropertyFor(device, key);
  p.type = DEVPROP_TYPE_STRING;
  // UTF-16 little-endian with its NUL, written straight into the store.
  BYTE* to = PropertyValueAccess::Allocate(p.value, (text.size() + 1) * 2);
  for (const char16_t c : text) {
    *to++ = static_cast<BYTE>(c & 0xFF);
    *to++ = static_cast<BYTE>(c >> 8);
  }
  to[0] = to[1] = 0;
}

void SetStringListProperty(Device& device, const DEVPROPKEY& key, const std::vector<std::u16string>& items) {
  std::size_t units = 1;  // the list ends with an empty string: one more NUL after the last element's own
  for (const std::u16string& item : items) units += item.size() + 1;
  Property& p = PropertyFor(device, key);
  p.type = DEVPROP_TYPE_STRING_LIST;
  BYTE* to = PropertyValueAccess::Allocate(p.value, units * 2);
  for (const std::u16string& item : items) {
    for (const char16_t c : item) {
      *to++ = static_cast<BYTE>(c & 0xFF);
      *to++ = static_cast<BYTE>(c >> 8);
    }
    *to++ = 0;
    *to++ = 0;
  }
  to[0] = to[1] = 0;
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

void DeferProperties(Device& device, std::function<void(Device&)> fill) {
  const std::optional<std::size_t> index = DeviceIndex(device.instanceId);
  if (!index || &TheState().devices[*index] != &device) return;  // not a device of the model
  if (fill) {
    TheState().deferredFills[*index] = std::move(fill);
  } else {
    TheState().deferredFills.erase(*index);
  }
}

bool AddInterface(const Interface& interface) {
  State& s = TheState();
  const std::optional<std::size_t> owner = DeviceIndex(interface.deviceInstanceId);
  if (!owner) return false;
  s.interfaces.push_back(interface);
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
    }
  }
  return &device;
}

std::size_t InterfaceOwner(std::size_t interfaceIndex) { return TheState().interfaceOwners[interfaceIndex]; }

std::size_t Generation() { return TheState().generation; }

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
