// Vendor and model names from the udev hardware database, by modalias.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace devlist {

/// The hardware database's answer for one modalias: ID_VENDOR_FROM_DATABASE, ID_MODEL_FROM_DATABASE, ...
using HwdbProperties = std::map<std::string, std::string>;
/// Looks a modalias up in a hardware database; an empty result when nothing matches.
using HwdbLookup = std::function<HwdbProperties(const std::string& modalias)>;

/// The system's hardware database, opened now; an empty function when there is none or it cannot be opened
/// (names then come from sysfs).
HwdbLookup OpenSystemHwdb();

/// The same, opened on the first lookup instead: a run that looks no name up never opens the database.
/// Every lookup answers nothing when it cannot be opened.
HwdbLookup OpenSystemHwdbOnFirstLookup();

}  // namespace devlist
