// The owner of a device information set, shared by the two listers.
#pragma once

#include <memory>
#include <type_traits>

#include "platform.h"

namespace devlist {

struct DeviceInfoSetCloser {
  void operator()(HDEVINFO set) const { SetupDiDestroyDeviceInfoList(set); }
};

/// Owns a device information set from SetupDiGetClassDevsA (never INVALID_HANDLE_VALUE): it is destroyed on
/// every path out of the listing.
using ScopedDeviceInfoSet = std::unique_ptr<std::remove_pointer_t<HDEVINFO>, DeviceInfoSetCloser>;

}  // namespace devlist
