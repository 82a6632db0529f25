// The in-memory device model behind our Linux implementation of the Win32 calls. Tests and the sysfs
// scanner fill it; the components never see it: they only call the Win32 names of platform.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"
#include "property_value.h"

namespace devlist::model {

/// A typed property exactly as the platform would store it: a type code and raw bytes.
struct Property {
  DEVPROPKEY key{};
  DEVPROPTYPE type = DEVPROP_TYPE_EMPTY;
  PropertyValue value;
};

/// Whether two property keys are the same: the same format and property id.
inline bool SameKey(const DEVPROPKEY& a, const DEVPROPKEY& b) { return a.pid == b.pid && a.fmtid == b.fmtid; }

/// The bit of Device::keyBits for a key: the keys of one property set differ in their ids, mostly small and
/// in a row, so those take distinct bits and the set only shifts them.
inline std::uint64_t KeyBit(const DEVPROPKEY& key) { return std::uint64_t{1} << ((key.pid + key.fmtid.Data1) & 63); }

/// Test hook of one property, run before every read of it. It may change the property (a value that grows
/// between two reads); a nonzero result makes that read fail with this error code.
using ReadHook = std::function<DWORD(Property&)>;

struct Device {
  std::string instanceId;  // set by AddDevice; the model's index of ids relies on it not changing
  GUID setupClass{};
  bool present = true;
  std::vector<Property> properties;  // at most one of each key; changed only through the functions below
  /// A bit for each key of `properties` (KeyBit): a key whose bit is clear is surely not there. A report
  /// asks every device for 185 keys, most of which it lacks, so most reads end at this one test.
  std::uint64_t keyBits = 0;
  /// Test hook: nonzero makes CM_Get_Device_ID_Size and CM_Get_Device_IDA fail with this code.
  CONFIGRET idError = CR_SUCCESS;
  /// Its place in the model, set by AddDevice, so that linking it needs no search by id.
  std::size_t place = SIZE_MAX;
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
void SetProperty(Device& device, const DEVPROPKEY& key, DEVPROPTYPE type, const std::vector<BYTE>& value);
void SetProperty(Device& device, const DEVPROPKEY& key, DEVPROPTYPE type, const BYTE* value, std::size_t size);
/// Helpers that encode common property values the way the platform stores them.
void SetStringProperty(Device& device, const DEVPROPKEY& key, const std::u16string& text);
void SetStringListProperty(Device& device, const DEVPROPKEY& key, const std::vector<std::u16string>& items);
/// The same from UTF-8, our ANSI code page, converted once: a string (its NUL added), and a list given as its
/// elements each followed by a NUL (the list's closing NUL added). Ids and names are nearly always ASCII,
/// which is stored as it is.
void SetUtf8StringProperty(Device& device, const DEVPROPKEY& key, std::string_view text);
void SetUtf8StringListProperty(Device& device, const DEVPROPKEY& key, std::string_view elements);
void SetUint32Property(Device& device, const DEVPROPKEY& key, DWORD value);
void SetBoolProperty(Device& device, const DEVPROPKEY& key, bool value);
void SetGuidProperty(Device& device, const DEVPROPKEY& key, const GUID& value);

/// Sets on the device each property of `from` (a device outside the model, where a scan put together what it
/// adds), as SetProperty would, its list moved at most once; `from` is left with none.
void MoveProperties(Device& device, Device& from);
/// Gives back the room a device's property list keeps for more: a scan calls it once a device is complete,
/// so that the lists of a large model take no more than they hold.
void TrimProperties(Device& device);

/// Sets (or, with an empty function, removes) the read hook of the property `key` of a device of the model.
/// It belongs to the device and the key, whatever happens to the property list; Clear removes it.
void SetReadHook(const Device& device, const DEVPROPKEY& key, ReadHook hook);

/// Makes `parent` the parent of `child`, both devices of the model. From then on the child's Device_Parent,
/// the parent's Device_Children and its children's Device_Siblings name each other by instance id, made from
/// these links when they are read: a list is there once it has an element, children in the order they were
/// linked. A device that has a parent keeps it: linking it again, or to itself, does nothing.
void LinkChild(Device& parent, Device& child);

/// Makes `fill` run once, just before the platform first reads a property of this device, so that work only
/// the property report needs (a hardware database lookup, say) is put off until then, and never done for a
/// run that reads no property (an interface listing). `fill` may set properties of the device; it replaces a
/// fill set before and not yet run.
void DeferProperties(Device& device, std::function<void(Device&)> fill);

/// Adds an interface of an existing device; false (and nothing added) when no device has that instance id.
bool AddInterface(Interface interface);
/// Adds an interface of this device, which names it by its instance id; false (and nothing added) when the
/// device is not one of the model.
bool AddInterface(const Device& owner, Interface interface);

/// Makes SetupDiGetClassDevsA fail for this class GUID (test hook).
void FailClass(const GUID& classGuid);
/// Makes every SetupDiGetClassDevsA from now on fail with this error: a loader that could not read the whole
/// machine says so, rather than hand out a model that silently lacks devices. Clear undoes it.
void FailLoading(DWORD error);
/// The error FailLoading set, or ERROR_SUCCESS.
DWORD LoadingError();
/// Notes why a loader could not read the machine (an errno value; 0 for none) without making any call fail:
/// the listing shows what was found, and the tool reports the reason. Clear undoes it.
void NoteUnreadMachine(int error);
/// The reason NoteUnreadMachine noted last, or 0.
int UnreadMachineError();

/// A function that fills the model; it runs once, on the first SetupDiGetClassDevsA after it was set.
void SetLoader(std::function<void()> loader);

/// Device information sets handed out and not yet destroyed (tests check that every path releases them).
std::size_t OpenSetCount();

/// Read access for the platform implementation.
const std::deque<Device>& Devices();
const std::deque<Interface>& Interfaces();
/// The device at this index of Devices(), for a property read (it runs the device's deferred fill first);
/// null when there is none.
Device* DeviceForPropertyRead(std::size_t index);
/// The index in Devices() of the device with this instance id (case-insensitive), or none.
std::optional<std::size_t> DeviceIndex(const std::string& instanceId);
/// The index in Devices() of the device that owns the interface at this index of Interfaces().
std::size_t InterfaceOwner(std::size_t interfaceIndex);
namespace detail {
// Plain counters beside the model's state, so that a check made on every property read is one load.
inline std::size_t generation = 0;
inline std::size_t deferrals = 0;
}  // namespace detail
/// Counts the calls of Clear, so a set can tell that indices it remembered may have changed meaning.
inline std::size_t Generation() { return detail::generation; }
/// Counts the calls of DeferProperties, so a reader that remembered a device it read can tell when a fill may
/// be waiting for it again.
inline std::size_t DeferralCount() { return detail::deferrals; }
bool ClassFails(const GUID& classGuid);
/// Runs the read hook of this property of the device at `deviceIndex`: its result, or ERROR_SUCCESS when the
/// property has none.
DWORD RunReadHook(std::size_t deviceIndex, Property& property);
/// The model's one copy of these bytes, shared by every value equal to them; it stays until Clear.
const std::string& KeptValue(std::string_view bytes);
/// What a relation value of the device at `deviceIndex` hands out: its size; its bytes written to `out` when
/// they fit in `capacity`, returning the size either way; one of its bytes.
std::size_t RelationSize(Relation relation, std::size_t deviceIndex);
std::size_t CopyRelation(Relation relation, std::size_t deviceIndex, BYTE* out, std::size_t capacity);
BYTE RelationByteAt(Relation relation, std::size_t deviceIndex, std::size_t i);
void RunLoaderOnce();
void NoteSetOpened();
void NoteSetClosed();

}  // namespace devlist::model
