#include "hardware_database.h"

#include <map>
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
  struct State {
    std::optional<HwdbLookup> opened;
    // Answers by modalias: a big machine has hundreds of functions and CPUs of one kind, asked for alike.
    std::map<std::string, HwdbProperties> answers;
  };
  auto state = std::make_shared<State>();
  return [state](const std::string& modalias) {
    const auto known = state->answers.find(modalias);
    if (known != state->answers.end()) return known->second;
    if (!state->opened.has_value()) state->opened = OpenSystemHwdb();
    const HwdbLookup& lookup = *state->opened;
    HwdbProperties answer = lookup ? lookup(modalias) : HwdbProperties{};
    state->answers.emplace(modalias, answer);
    return answer;
  };
}

}  // namespace devlist
