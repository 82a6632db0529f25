// The device interfaces of one interface class, and the single interface class run.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "run_options.h"
#include "platform.h"
#include "setup_listing.h"
#include "text.h"

namespace devlist {

/// What the listing shows of one interface. The texts are 8-bit, in the ANSI code page, as the A functions
/// hand them out; the device id is empty when it cannot be read.
struct DeviceInterfaceEntry {
  std::string deviceId;
  GUID interfaceClass{};
  DWORD flags = 0;
  GUID setupClass{};
  std::string devicePath;
};

using InterfaceVisitor = std::function<void(const DeviceInterfaceEntry& entry)>;

/// Calls `visit` for every interface of the class under the filter whose detail can be read, in enumeration
/// order. badGuid when the text does not parse, cannotOpen when the class cannot be opened: then nothing is
/// visited.
ListingOutcome VisitDeviceInterfaces(const WideText& classGuidText, bool presentOnly, const InterfaceVisitor& visit);

/// The catalogue name of the first row with this GUID, compared as GUIDs; "interface" when none matches.
std::string InterfaceClassName(const WideText& guidText);

/// A heading line naming the class, then five labelled lines and an empty line per interface. Empty when the
/// class cannot be opened or has no interface under the filter; "Unable to convert to guid." after the
/// heading when `classGuidText` does not parse.
std::string ListDeviceInterfaces(const std::string& className, const WideText& classGuidText, bool presentOnly);

/// Writes that same text to `out` as it is made, after `opening`; nothing at all, not even `opening`, when the
/// text is empty. True when something was written.
bool WriteDeviceInterfaces(const std::string& className, const WideText& classGuidText, bool presentOnly,
                           const std::string& opening, std::ostream& out);

/// The run for `interface {guid}`: the listing of that class, or a heading and an empty line when it is empty.
void RunSingleInterfaceClass(const RunOptions& options, std::ostream& out);

}  // namespace devlist
