// Our implementation of the Win32 subset of platform.h, over the in-memory device model. Each call keeps
// the Windows contract the tool relies on: return values, GetLastError codes, two-call sizing, cbSize checks.
#include "platform.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "device_model.h"
#include "last_error.h"

namespace {

using devlist::platform::Fail;
using devlist::platform::lastError;

// Where the last SetupDiEnumDeviceInterfaces of a set stopped, so that the usual walk (member 0, 1, 2, ...
// under one filter) resumes there instead of counting again from the start.
struct InterfaceWalk {
  bool valid = false;
  std::size_t generation = 0;  // of the model when it was taken
  GUID interfaceClass{};
  bool forDevice = false;
  ULONG_PTR device = 0;
  DWORD member = 0;       // the member index returned last...
  std::size_t position = 0;  // ...and where it stands in the set's interfaces
};

bool SameKey(const DEVPROPKEY& a, const DEVPROPKEY& b) { return a.pid == b.pid && a.fmtid == b.fmtid; }

// The device a set read a property of last, and its properties by key. A report reads every key of its
// catalogue from one device in a row, most of them keys the device lacks: without this each read would look
// the device up again and walk its whole list.
class PropertyLookup {
 public:
  // The device behind a Reserved value, its deferred fill run; null when there is none.
  devlist::model::Device* DeviceFor(ULONG_PTR reserved) {
    if (device_ != nullptr && reserved == reserved_ && generation_ == devlist::model::Generation() &&
        deferrals_ == devlist::model::DeferralCount()) {
      return device_;
    }
    device_ = devlist::model::DeviceForPropertyRead(reserved - 1);
    reserved_ = reserved;
    generation_ = devlist::model::Generation();
    deferrals_ = devlist::model::DeferralCount();
    indexed_ = nullptr;
    return device_;
  }

  // The property with this key of the device DeviceFor returned last, or null.
  devlist::model::Property* Find(const DEVPROPKEY& key) {
    std::vector<devlist::model::Property>& list = device_->properties;
    if (list.size() > kSlots / 2) {
      for (devlist::model::Property& p : list) {
        if (SameKey(p.key, key)) return &p;
      }
      return nullptr;
    }
    // Properties are only ever added, so a list at the same place with the same length has the same keys.
    if (indexed_ != list.data() || indexedCount_ != list.size()) Index(list);
    for (std::size_t slot = SlotOf(key); slots_[slot] != 0; slot = (slot + 1) % kSlots) {
      devlist::model::Property& p = list[slots_[slot] - 1u];
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

  void Index(const std::vector<devlist::model::Property>& list) {
    slots_.fill(0);
    for (std::size_t i = 0; i < list.size(); ++i) {
      std::size_t slot = SlotOf(list[i].key);
      while (slots_[slot] != 0) slot = (slot + 1) % kSlots;
      slots_[slot] = static_cast<std::uint16_t>(i + 1);
    }
    indexed_ = list.data();
    indexedCount_ = list.size();
  }

  devlist::model::Device* device_ = nullptr;
  ULONG_PTR reserved_ = 0;
  std::size_t generation_ = 0;
  std::size_t deferrals_ = 0;
  const devlist::model::Property* indexed_ = nullptr;
  std::size_t indexedCount_ = 0;
  std::array<std::uint16_t, kSlots> slots_{};
};

// A device information set: a snapshot of which devices (and, for interface sets, which interfaces) it
// holds, as model indices plus one (the values of Reserved), in enumeration order, with a bitmap of each
// for membership tests.
struct DeviceInfoSet {
  std::vector<std::size_t> devices;
  std::vector<std::size_t> interfaces;
  std::vector<bool> hasDevice;  // by model index
  std::vector<bool> hasInterface;
  InterfaceWalk walk;
  PropertyLookup properties;

  bool HoldsDevice(ULONG_PTR reserved) const {
    return reserved != 0 && reserved <= hasDevice.size() && hasDevice[reserved - 1];
  }
  bool HoldsInterface(ULONG_PTR reserved) const {
    return reserved != 0 && reserved <= hasInterface.size() && hasInterface[reserved - 1];
  }
};

std::set<DeviceInfoSet*>& LiveSets() {
  static std::set<DeviceInfoSet*> sets;
  return sets;
}

// The set found last, so that the many calls on one set in a row skip the search; null once it is destroyed.
DeviceInfoSet* lastFoundSet = nullptr;

DeviceInfoSet* FindSet(HDEVINFO handle) {
  auto* set = static_cast<DeviceInfoSet*>(handle);
  if (set != nullptr && set == lastFoundSet) return set;
  if (LiveSets().count(set) == 0) return nullptr;
  lastFoundSet = set;
  return set;
}

// Device instance handles and the Reserved fields are model indices plus one, so 0 is never valid.
const devlist::model::Device* DeviceAt(std::size_t handle) {
  const auto& devices = devlist::model::Devices();
  if (handle == 0 || handle > devices.size()) return nullptr;
  return &devices[handle - 1];
}

}  // namespace

HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND parent, DWORD flags) {
  (void)parent;
  devlist::model::RunLoaderOnce();
  if (classGuid == nullptr && (flags & DIGCF_ALLCLASSES) == 0) {
    lastError = ERROR_INVALID_PARAMETER;
    return INVALID_HANDLE_VALUE;
  }
  if (classGuid != nullptr && devlist::model::ClassFails(*classGuid)) {
    lastError = ERROR_INVALID_CLASS;
    return INVALID_HANDLE_VALUE;
  }
  const bool presentOnly = (flags & DIGCF_PRESENT) != 0;
  const bool allClasses = (flags & DIGCF_ALLCLASSES) != 0;
  auto matchesEnumerator = [enumerator](const std::string& id) {
    if (enumerator == nullptr) return true;
    const std::string prefix = id.substr(0, id.find('\\'));
    return strcasecmp(prefix.c_str(), enumerator) == 0;
  };

  auto set = std::make_unique<DeviceInfoSet>();
  const auto& devices = devlist::model::Devices();
  set->hasDevice.assign(devices.size(), false);
  if ((flags & DIGCF_DEVICEINTERFACE) != 0) {
    const auto& interfaces = devlist::model::Interfaces();
    set->hasInterface.assign(interfaces.size(), false);
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
      const auto& itf = interfaces[i];
      if (!allClasses && !(itf.interfaceClass == *classGuid)) continue;
      const std::size_t owner = devlist::model::InterfaceOwner(i);
      const auto& device = devices[owner];
      if (!matchesEnumerator(device.instanceId)) continue;
      // Present means the device is there and its interface is enabled, as Windows reports it.
      if (presentOnly && (!device.present || (itf.flags & SPINT_ACTIVE) == 0)) continue;
      set->interfaces.push_back(i + 1);
      set->hasInterface[i] = true;
      if (!set->hasDevice[owner]) {
        set->devices.push_back(owner + 1);
        set->hasDevice[owner] = true;
      }
    }
  } else {
    for (std::size_t i = 0; i < devices.size(); ++i) {
      const auto& device = devices[i];
      if (!allClasses && !(device.setupClass == *classGuid)) continue;
      if (presentOnly && !device.present) continue;
      if (!matchesEnumerator(device.instanceId)) continue;
      set->devices.push_back(i + 1);
      set->hasDevice[i] = true;
    }
  }
  DeviceInfoSet* raw = set.release();
  LiveSets().insert(raw);
  devlist::model::NoteSetOpened();
  lastError = ERROR_SUCCESS;
  return raw;
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO handle, DWORD memberIndex, PSP_DEVINFO_DATA data) {
  DeviceInfoSet* set = FindSet(handle);
  if (set == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (data == nullptr || data->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
  if (memberIndex >= set->devices.size()) return Fail(ERROR_NO_MORE_ITEMS);
  const std::size_t index = set->devices[memberIndex];
  const devlist::model::Device* device = DeviceAt(index);
  if (device == nullptr) return Fail(ERROR_NO_MORE_ITEMS);
  data->ClassGuid = device->setupClass;
  data->DevInst = static_cast<DWORD>(index);
  data->Reserved = index;
  lastError = ERROR_SUCCESS;
  return TRUE;
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO handle, PSP_DEVINFO_DATA deviceInfoData, const GUID* interfaceClassGuid,
                                 DWORD memberIndex, PSP_DEVICE_INTERFACE_DATA data) {
  DeviceInfoSet* set = FindSet(handle);
  if (set == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (interfaceClassGuid == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (data == nullptr || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
  const auto& interfaces = devlist::model::Interfaces();
  const bool forDevice = deviceInfoData != nullptr;
  const ULONG_PTR device = forDevice ? deviceInfoData->Reserved : 0;
  // Members are counted among the interfaces that pass the filter, skipping those the model no longer has.
  // Resuming from the last answer under the same filter and model gives the count a restart would give.
  InterfaceWalk& walk = set->walk;
  std::size_t position = 0;
  DWORD seen = 0;
  if (walk.valid && walk.generation == devlist::model::Generation() && walk.interfaceClass == *interfaceClassGuid &&
      walk.forDevice == forDevice && walk.device == device && walk.member <= memberIndex) {
    position = walk.position;
    seen = walk.member;
  }
  for (; position < set->interfaces.size(); ++position) {
    const std::size_t index = set->interfaces[position];
    if (index == 0 || index > interfaces.size()) continue;
    const auto& itf = interfaces[index - 1];
    if (!(itf.interfaceClass == *interfaceClassGuid)) continue;
    if (forDevice && devlist::model::InterfaceOwner(index - 1) + 1 != device) continue;
    if (seen++ != memberIndex) continue;
    walk = {true, devlist::model::Generation(), *interfaceClassGuid, forDevice, device, memberIndex, position};
    data->InterfaceClassGuid = itf.interfaceClass;
    data->Flags = itf.flags;
    data->Reserved = index;
    lastError = ERROR_SUCCESS;
    return TRUE;
  }
  return Fail(ERROR_NO_MORE_ITEMS);
}

BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO handle, PSP_DEVICE_INTERFACE_DATA data,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD detailSize,
                                      PDWORD requiredSize, PSP_DEVINFO_DATA deviceInfoData) {
  DeviceInfoSet* set = FindSet(handle);
  if (set == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (data == nullptr || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return Fail(ERROR_INVALID_PARAMETER);
  const auto& interfaces = devlist::model::Interfaces();
  const std::size_t index = data->Reserved;
  if (index == 0 || index > interfaces.size() || !set->HoldsInterface(index)) return Fail(ERROR_INVALID_PARAMETER);
  const auto& itf = interfaces[index - 1];
  if (detail == nullptr && itf.sizingError != ERROR_SUCCESS) return Fail(itf.sizingError);
  if (detail != nullptr && itf.fillingError != ERROR_SUCCESS) return Fail(itf.fillingError);
  if (detail != nullptr && detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
    return Fail(ERROR_INVALID_USER_BUFFER);
  }
  if (detail == nullptr && detailSize != 0) return Fail(ERROR_INVALID_USER_BUFFER);
  if (deviceInfoData != nullptr && deviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) {
    return Fail(ERROR_INVALID_USER_BUFFER);
  }
  const DWORD needed = std::max<DWORD>(
      static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + itf.devicePath.size() + 1),
      sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
  if (requiredSize != nullptr) *requiredSize = needed;
  if (detail == nullptr || detailSize < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(detail->DevicePath, itf.devicePath.c_str(), itf.devicePath.size() + 1);
  if (deviceInfoData != nullptr) {
    const std::size_t owner = devlist::model::InterfaceOwner(index - 1) + 1;
    const devlist::model::Device* device = DeviceAt(owner);
    if (device == nullptr) return Fail(ERROR_NO_SUCH_DEVICE_INTERFACE);
    deviceInfoData->ClassGuid = device->setupClass;
    deviceInfoData->DevInst = static_cast<DWORD>(owner);
    deviceInfoData->Reserved = owner;
  }
  lastError = ERROR_SUCCESS;
  return TRUE;
}

BOOL SetupDiGetDevicePropertyW(HDEVINFO handle, PSP_DEVINFO_DATA data, const DEVPROPKEY* key,
                               DEVPROPTYPE* type, PBYTE buffer, DWORD bufferSize, PDWORD requiredSize,
                               DWORD flags) {
  DeviceInfoSet* set = FindSet(handle);
  if (set == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (data == nullptr || data->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_PARAMETER);
  if (key == nullptr || type == nullptr) return Fail(ERROR_INVALID_DATA);
  if (buffer == nullptr && bufferSize != 0) return Fail(ERROR_INVALID_USER_BUFFER);
  if (flags != 0) return Fail(ERROR_INVALID_FLAGS);
  if (!set->HoldsDevice(data->Reserved)) return Fail(ERROR_INVALID_PARAMETER);
  // The mutable device, because its deferred fill or a test hook on a property may change it.
  if (set->properties.DeviceFor(data->Reserved) == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (devlist::model::Property* found = set->properties.Find(*key)) {
    devlist::model::Property& p = *found;
    if (p.beforeRead) {
      const DWORD forced = p.beforeRead(p);
      if (forced != ERROR_SUCCESS) return Fail(forced);
    }
    const auto size = static_cast<DWORD>(p.value.size());
    *type = p.type;
    if (requiredSize != nullptr) *requiredSize = size;
    if (size > bufferSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (size != 0) p.value.CopyTo(buffer);
    lastError = ERROR_SUCCESS;
    return TRUE;
  }
  // Windows writes DEVPROP_TYPE_EMPTY and a size of 0 for a property the device does not have.
  *type = DEVPROP_TYPE_EMPTY;
  if (requiredSize != nullptr) *requiredSize = 0;
  return Fail(ERROR_NOT_FOUND);
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
  DeviceInfoSet* set = FindSet(handle);
  if (set == nullptr) return Fail(ERROR_INVALID_HANDLE);
  LiveSets().erase(set);
  if (lastFoundSet == set) lastFoundSet = nullptr;
  delete set;
  devlist::model::NoteSetClosed();
  lastError = ERROR_SUCCESS;
  return TRUE;
}

CONFIGRET CM_Get_Device_ID_Size(PULONG length, DEVINST devInst, ULONG flags) {
  if (length == nullptr) return CR_INVALID_POINTER;
  if (flags != 0) return CR_INVALID_FLAG;
  const devlist::model::Device* device = DeviceAt(devInst);
  if (device == nullptr) return CR_INVALID_DEVNODE;
  if (device->idError != CR_SUCCESS) return device->idError;
  *length = static_cast<ULONG>(device->instanceId.size());
  return CR_SUCCESS;
}

CONFIGRET CM_Get_Device_IDA(DEVINST devInst, PSTR buffer, ULONG bufferLength, ULONG flags) {
  if (buffer == nullptr) return CR_INVALID_POINTER;
  if (flags != 0) return CR_INVALID_FLAG;
  const devlist::model::Device* device = DeviceAt(devInst);
  if (device == nullptr) return CR_INVALID_DEVNODE;
  if (device->idError != CR_SUCCESS) return device->idError;
  const std::string& id = device->instanceId;
  if (bufferLength < id.size()) return CR_BUFFER_SMALL;
  std::memcpy(buffer, id.data(), id.size());
  // Like Windows, the terminator is written only when there is room for it.
  if (bufferLength > id.size()) buffer[id.size()] = '\0';
  return CR_SUCCESS;
}
