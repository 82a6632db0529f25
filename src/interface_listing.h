// The device interfaces of one interface class, and the single interface class run.
#pragma once

#include <iosfwd>
#include <string>

#include "command_line.h"
#include "text.h"

namespace devlist {

/// A heading line naming the class, then five labelled lines and an empty line per interface. Empty when the
/// class cannot be opened or has no interface under the filter; "Unable to convert to guid." after the
/// heading when `classGuidText` does not parse.
std::string ListDeviceInterfaces(const std::string& className, const WideText& classGuidText, bool presentOnly);

/// The run for `interface {guid}`: the listing of that class, or a heading and an empty line when it is empty.
void RunSingleInterfaceClass(const RunOptions& options, std::ostream& out);

}  // namespace devlist
