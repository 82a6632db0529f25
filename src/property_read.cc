#include "property_read.h"

#include <algorithm>
#include <string>
#include <vector>

#include "property_format.h"

namespace devlist {

namespace {

// A type code the formatter has no row for, so that a value whose type was never delivered has no text.
constexpr DEVPROPTYPE kNoPropertyType = 0xFFFFFFFF;

// Large enough for every fixed-size type and every string of up to 127 characters, so that most values take
// a single call instead of asking for the size first.
constexpr DWORD kFirstReadSize = 256;

// Longer than the first buffer: read again into exactly the size the platform asked for. A value that grew
// in between fails this read too, and we do not chase it. Out of line, as few values need it.
bool ReadSized(HDEVINFO set, SP_DEVINFO_DATA* device, const DEVPROPKEY& key, RawDeviceProperty& property,
               DEVPROPTYPE& type, DWORD& requiredSize) {
  property.value.assign(requiredSize, 0);
  if (!SetupDiGetDevicePropertyW(set, device, &key, &type, property.value.data(), requiredSize, &requiredSize, 0)) {
    property.error = GetLastError();
    property.type = kNoPropertyType;
    return false;
  }
  return true;
}

}  // namespace

RawDeviceProperty ReadRawDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DEVPROPKEY key) {
  RawDeviceProperty property;
  property.value.assign(kFirstReadSize, 0);
  ReadRawDeviceProperty(set, device, key, property);
  return property;
}

void ReadRawDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DEVPROPKEY key, RawDeviceProperty& property) {
  property.size = 0;
  property.error = 0;
  // Most properties a device lacks: their buffer is never looked at, so it is zeroed only behind a value.
  property.value.resize(kFirstReadSize);
  DEVPROPTYPE type = kNoPropertyType;
  DWORD requiredSize = 0;
  if (!SetupDiGetDevicePropertyW(set, device, &key, &type, property.value.data(), kFirstReadSize, &requiredSize,
                                 0)) {
    const DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER) {
      // Windows and Wine write DEVPROP_TYPE_EMPTY into the type when the device lacks the property; taking
      // that at its word would print "empty" for every absent key. A failed read delivers no type.
      property.type = kNoPropertyType;
      return;
    }
    if (!ReadSized(set, device, key, property, type, requiredSize)) return;
  }
  property.type = type;
  // The text is made from the whole buffer, zero past the value, so a string that lacks its terminator ends
  // at the value's end; `size` serves what needs the exact length.
  property.size = requiredSize < property.value.size() ? requiredSize : property.value.size();
  std::fill(property.value.begin() + static_cast<std::ptrdiff_t>(property.size), property.value.end(), BYTE{0});
}

void AppendDevicePropertyText(const RawDeviceProperty& property, std::string& out) {
  if (property.error != 0) {
    out += "Error retrieving property: ";
    out += std::to_string(property.error);
    return;
  }
  AppendPropertyValue(property.value.data(), property.value.size(), property.type, out);
}

std::string DevicePropertyText(const RawDeviceProperty& property) {
  std::string text;
  AppendDevicePropertyText(property, text);
  return text;
}

std::string ReadDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DEVPROPKEY key) {
  return DevicePropertyText(ReadRawDeviceProperty(set, device, key));
}

std::string ReadDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DEVPROPKEY key, RawDeviceProperty& scratch) {
  ReadRawDeviceProperty(set, device, key, scratch);
  return DevicePropertyText(scratch);
}

}  // namespace devlist
