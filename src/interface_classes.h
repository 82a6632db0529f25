// The built-in catalogue of device interface classes, in 15 groups, and the sweep over it.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <span>

#include "platform.h"

namespace devlist {

struct InterfaceClassRow {
  const char* className;   // symbolic name, printed in the class heading line
  const WCHAR* guidText;   // braced GUID text, letter case as written: it is printed as stored
};

struct InterfaceClassGroup {
  const char* heading;
  std::span<const InterfaceClassRow> rows;
};

inline constexpr std::size_t kInterfaceClassGroupCount = 15;

/// Groups and rows in sweep order.
extern const InterfaceClassGroup InterfaceClassCatalogue[kInterfaceClassGroupCount];

/// Lists every catalogued interface class to `out`, group by group; a group with no text leaves no trace.
void SweepInterfaceClasses(bool presentOnly, std::ostream& out);

}  // namespace devlist
