// The runs of `json`: the same listings as one JSON document, written device by device (interface by
// interface), so that no more than one device's object is held at a time.
#pragma once

#include <iosfwd>

#include "run_options.h"

namespace devlist {

/// The document's first fields, then "classes": every catalogue class that the text sweep shows, with its
/// devices; each device object is built, written and released before the next is read.
void RunJsonSetupSweep(const RunOptions& options, std::ostream& out);

/// One class, "name" "setup" and "guid" as typed, always present, with "error" when the class cannot be
/// listed.
void RunJsonSetupSingle(const RunOptions& options, std::ostream& out);

/// "groups" of "classes" of "interfaces": what the text sweep shows, in its order.
void RunJsonInterfaceSweep(const RunOptions& options, std::ostream& out);

/// One group with a null name holding the one class, always present.
void RunJsonInterfaceSingle(const RunOptions& options, std::ostream& out);

}  // namespace devlist
