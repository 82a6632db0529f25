#include "hardware_database.h"

#include <memory>
#include <optional>

#ifdef DEVLIST_HAVE_LIBUDEV
#include <libudev.h>
#endif

namespace devlist {

HwdbLookup OpenSystemHwdb() {
#ifdef DEVLIST_HAVE_LIBUDEV
  struct Handles {
    udev* context = nullptr;
    udev_hwdb* hwdb = nullptr;
    ~Handles() {
      if (hwdb != nullptr) udev_hwdb_unref(hwdb);
      if (context != nullptr) udev_unref(context);
    }
  };
  auto handles = std::make_shared<Handles>();
  handles->context = udev_new();
  if (handles->context == nullptr) return {};
  handles->hwdb = udev_hwdb_new(handles->context);
  if (handles->hwdb == nullptr) return {};
  return [handles](const std::string& modalias) {
    HwdbProperties properties;
    udev_list_entry* entry = udev_hwdb_get_properties_list_entry(handles->hwdb, modalias.c_str(), 0);
    for (; entry != nullptr; entry = udev_list_entry_get_next(entry)) {
      const char* name = udev_list_entry_get_name(entry);
      const char* value = udev_list_entry_get_value(entry);
      if (name != nullptr && value != nullptr) properties[name] = value;
    }
    return properties;
  };
#else
  return {};
#endif
}

HwdbLookup OpenSystemHwdbOnFirstLookup() {
  auto opened = std::make_shared<std::optional<HwdbLookup>>();
  return [opened](const std::string& modalias) {
    if (!opened->has_value()) *opened = OpenSystemHwdb();
    const HwdbLookup& lookup = **opened;
    return lookup ? lookup(modalias) : HwdbProperties{};
  };
}

}  // namespace devlist
