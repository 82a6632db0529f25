// The in-memory device model behind our Linux implementation of the Win32 calls. Tests and the sysfs
// scanner fill it; the components never see it: they only call the Win32 names of platform.h.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform.h"

namespace devlist::model {

/// A typed property exactly as the platform would store it: a type code and raw bytes.
struct Property {
  DEVPROPKEY key{};
  DEVPROPTYPE type = DEVPROP_TYPE_EMPTY;
  std::vector<BYTE> value;
  /// Test hook, run before every read of this property. It may change the property (a value that grows
  /// between two reads); a nonzero result makes that read fail with this error code.
  std::function<DWORD(Property&)> beforeRead;
};

struct Device {
  std::string instanceId;
  GUID setupClass{};
  bool present = true;
  std::vector<Property> properties;
  /// Test hook: nonzero makes CM_Get_Device_ID_Size and CM_Get_Device_IDA fail with this code.
  CONFIGRET idError = CR_SUCCESS;
};

struct Interface {
  GUID interfaceClass{};
  std::string devicePath;
  std::string deviceInstanceId;  // the owning device
  DWORD flags = SPINT_ACTIVE;
  /// Test hooks: nonzero makes the sizing, or the filling, detail call fail with this code.
  DWORD sizingError = ERROR_SUCCESS;
  DWORD fillingError = ERROR_SUCCESS;
};

/// Drops every device, interface, failing class and loader; open device information sets stay valid.
void Clear();

/// Adds a device and returns it for its properties; the reference stays valid until Clear. Instance ids
/// are unique, compared without regard to case as on Windows: adding one that exists returns that device.
Device& AddDevice(const std::string& instanceId, const GUID& setupClass, bool present = true);

/// The device with this instance id (case-insensitive), or null.
Device* FindDevice(const std::string& instanceId);

/// Sets (adds or replaces) a property of a device.
void SetProperty(Device& device, const DEVPROPKEY& key, DEVPROPTYPE type, std::vector<BYTE> value);
/// Helpers that encode common property values the way the platform stores them.
void SetStringProperty(Device& device, const DEVPROPKEY& key, const std::u16string& text);
void SetStringListProperty(Device& device, const DEVPROPKEY& key, const std::vector<std::u16string>& items);
void SetUint32Property(Device& device, const DEVPROPKEY& key, DWORD value);
void SetBoolProperty(Device& device, const DEVPROPKEY& key, bool value);
void SetGuidProperty(Device& device, const DEVPROPKEY& key, const GUID& value);

/// Adds an interface of an existing device; false (and nothing added) when no device has that instance id.
bool AddInterface(const Interface& interface);

/// Makes SetupDiGetClassDevsA fail for this class GUID (test hook).
void FailClass(const GUID& classGuid);

/// A function that fills the model; it runs once, on the first SetupDiGetClassDevsA after it was set.
void SetLoader(std::function<void()> loader);

/// Device information sets handed out and not yet destroyed (tests check that every path releases them).
std::size_t OpenSetCount();

/// Read access for the platform implementation.
const std::deque<Device>& Devices();
const std::deque<Interface>& Interfaces();
bool ClassFails(const GUID& classGuid);
void RunLoaderOnce();
void NoteSetOpened();
void NoteSetClosed();

/// UTF-8 to UTF-16 and back, as our ANSI code page does it (unpaired surrogates become "?").
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace devlist::model
