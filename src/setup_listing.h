// The devices of one setup class, and the single setup class run.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "run_options.h"
#include "platform.h"
#include "text.h"

namespace devlist {

/// How opening a class for a listing went.
enum class ListingOutcome { listed, badGuid, cannotOpen };

/// Called once per device with the opened set and the device's element; neither may be kept.
using DeviceVisitor = std::function<void(HDEVINFO set, SP_DEVINFO_DATA* device)>;

/// Calls `visit` for every device of the class under the filter, in enumeration order, and destroys the set
/// afterwards. badGuid when the text does not parse, cannotOpen when the class cannot be opened: then
/// nothing is visited.
ListingOutcome VisitSetupClassDevices(const WideText& classGuidText, bool presentOnly, const DeviceVisitor& visit);

/// The fixed text of an outcome other than `listed`: "Unable to convert to guid." or "Unable to retrieve
/// device info.".
const char* SetupListingFailureText(ListingOutcome outcome);

/// For every device of the class, in enumeration order: a line end, its device report, a line end. Empty when
/// the class has no device under the filter; "Unable to convert to guid." or "Unable to retrieve device
/// info." and a line end when the GUID does not parse or the class cannot be opened.
std::string ListSetupClassDevices(const WideText& classGuidText, bool presentOnly);

/// Writes that same text to `out` as it is made, device by device, after `opening`; nothing at all, not even
/// `opening`, when the text is empty. True when something was written.
bool WriteSetupClassDevices(const WideText& classGuidText, bool presentOnly, const std::string& opening,
                            std::ostream& out);

/// The run for `setup {guid}`: the line "*** setup <guid as typed>", the class's listing, and a line end.
void RunSingleSetupClass(const RunOptions& options, std::ostream& out);

}  // namespace devlist
