// The devices of one setup class, and the single setup class run.
#pragma once

#include <iosfwd>
#include <string>

#include "command_line.h"
#include "text.h"

namespace devlist {

/// For every device of the class, in enumeration order: a line end, its device report, a line end. Empty when
/// the class has no device under the filter; "Unable to convert to guid." or "Unable to retrieve device
/// info." and a line end when the GUID does not parse or the class cannot be opened.
std::string ListSetupClassDevices(const WideText& classGuidText, bool presentOnly);

/// The run for `setup {guid}`: the line "*** setup <guid as typed>", the class's listing, and a line end.
void RunSingleSetupClass(const RunOptions& options, std::ostream& out);

}  // namespace devlist
