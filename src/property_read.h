// Reading one device property from the system and rendering it as text.
#pragma once

#include <string>
#include <vector>

#include "platform.h"

namespace devlist {

/// A property's value as the platform handed it out. `type` is 0xFFFFFFFF (a code with no text) when the
/// device lacks the property or the first read failed; `error` is the code of a failed sized second read,
/// 0 when there was none. `value` may hold zero bytes past the `size` bytes the platform said it wrote.
struct RawDeviceProperty {
  std::vector<BYTE> value;
  std::size_t size = 0;
  DEVPROPTYPE type = 0xFFFFFFFF;
  DWORD error = 0;

  /// Nothing came back: the device lacks the property or the first read failed, so the value has no text.
  bool Absent() const { return type == 0xFFFFFFFF && error == 0; }
};

/// One read of the property (at most one sized re-read); see RawDeviceProperty for what a failure leaves.
RawDeviceProperty ReadRawDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DEVPROPKEY key);
/// The same into `property`, whose buffer is used again (a report reads many properties in a row); after a
/// failed read the bytes of `value` mean nothing.
void ReadRawDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DEVPROPKEY key, RawDeviceProperty& property);

/// The text of a value read: FormatPropertyValue of it, or "Error retrieving property: <code>" when the sized
/// second read failed.
std::string DevicePropertyText(const RawDeviceProperty& property);
/// That text appended to `out`.
void AppendDevicePropertyText(const RawDeviceProperty& property, std::string& out);

/// The property's value as text (see FormatPropertyValue). Empty when the device does not have the property
/// or its value has no text; "Error retrieving property: <code>" when the sized second read fails.
std::string ReadDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DEVPROPKEY key);
/// The same, reading through `scratch`.
std::string ReadDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DEVPROPKEY key, RawDeviceProperty& scratch);

}  // namespace devlist
