// Reading one device property from the system and rendering it as text.
#pragma once

#include <string>

#include "platform.h"

namespace devlist {

/// The property's value as text (see FormatPropertyValue). Empty when the device does not have the property
/// or its value has no text; "Error retrieving property: <code>" when the sized second read fails.
std::string ReadDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DEVPROPKEY key);

}  // namespace devlist
