// Our implementation of the Win32 subset of platform.h, over the in-memory device model. Each call keeps
// the Windows contract the tool relies on: return values, GetLastError codes, two-call sizing, cbSize checks.
#include "platform.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
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

// The device a set read a property of last. A report reads every key of its catalogue from one device in a
// row: this spares each read the model's lookup of the device and of a fill it may still have to run.
class LastDeviceRead {
 public:
  // The device behind a Reserved value, its deferred fill run; null when there is none.
  devlist::model::Device* DeviceFor(ULONG_PTR reserved) {
    if (device_ == nullptr || reserved != reserved_ || generation_ != devlist::model::Generation() ||
        deferrals_ != devlist::model::DeferralCount()) {
      device_ = devlist::model::DeviceForPropertyRead(reserved - 1);
      reserved_ = reserved;
      generation_ = devlist::model::Generation();
      deferrals_ = devlist::model::DeferralCount();
    }
    return device_;
  }

 private:
  devlist::model::Device* device_ = nullptr;
  ULONG_PTR reserved_ = 0;
  std::size_t generation_ = 0;
  std::size_t deferrals_ = 0;
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
  LastDeviceRead lastRead;

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

DeviceInfoSet* FindLiveSet(DeviceInfoSet* set) {
  if (LiveSets().count(set) == 0) return nullptr;
  lastFoundSet = set;
  return set;
}

inline DeviceInfoSet* FindSet(HDEVINFO handle) {
  auto* set = static_cast<DeviceInfoSet*>(handle);
  if (set != nullptr && set == lastFoundSet) return set;
  return FindLiveSet(set);
}

// Device instance handles and the Reserved fields are model indices plus one, so 0 is never valid.
const devlist::model::Device* DeviceAt(std::size_t handle) {
  const auto& devices = devlist::model::Devices();
  if (handle == 0 || handle > devices.size()) return nullptr;
  return &devices[handle - 1];
}

// What Windows hands back for a device of a set: its class, and the model index plus one as both its
// instance handle and its Reserved value.
void FillDeviceInfo(SP_DEVINFO_DATA& data, std::size_t handle, const devlist::model::Device& device) {
  data.ClassGuid = device.setupClass;
  data.DevInst = static_cast<DWORD>(handle);
  data.Reserved = handle;
}

}  // namespace

HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, PCSTR enumerator, HWND parent, DWORD flags) {
  (void)parent;
  devlist::model::RunLoaderOnce();
  if (const DWORD failed = devlist::model::LoadingError(); failed != ERROR_SUCCESS) {
    lastError = failed;
    return INVALID_HANDLE_VALUE;
  }
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
    // Walked with an iterator, not by index: a sweep opens a set for each of its classes, each a walk over
    // every interface of the model, and the class test alone rejects nearly all of them.
    std::size_t i = 0;
    for (auto it = interfaces.begin(); it != interfaces.end(); ++it, ++i) {
      const auto& itf = *it;
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
    std::size_t i = 0;
    for (auto it = devices.begin(); it != devices.end(); ++it, ++i) {
      const auto& device = *it;
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
  FillDeviceInfo(*data, index, *device);
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
    FillDeviceInfo(*deviceInfoData, owner, *device);
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
  devlist::model::Device* device = set->lastRead.DeviceFor(data->Reserved);
  if (device == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  // Most keys of a report the device lacks, and its key bits say so without a search.
  if ((device->keyBits & devlist::model::KeyBit(*key)) != 0) {
    for (devlist::model::Property& p : device->properties) {
      if (!devlist::model::SameKey(p.key, *key)) continue;
      const DWORD forced = devlist::model::RunReadHook(data->Reserved - 1, p);
      if (forced != ERROR_SUCCESS) return Fail(forced);
      // Written only when it fits, so a buffer too small is left as it was.
      const auto size = static_cast<DWORD>(p.value.CopyTo(buffer, bufferSize));
      *type = p.type;
      if (requiredSize != nullptr) *requiredSize = size;
      if (size > bufferSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
      lastError = ERROR_SUCCESS;
      return TRUE;
    }
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
