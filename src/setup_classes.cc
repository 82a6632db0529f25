#include "setup_classes.h"

#include <ostream>
#include <string>

#include "setup_listing.h"
#include "text.h"

namespace devlist {

namespace {

// The catalogue's GUID texts are plain ASCII, so each character widens to the same code unit.
WideText WidenAscii(const char* text) {
  WideText wide;
  for (; *text != '\0'; ++text) wide.push_back(static_cast<WCHAR>(static_cast<unsigned char>(*text)));
  return wide;
}

}  // namespace

void SweepSetupClasses(bool presentOnly, std::ostream& out) {
  for (const SetupClassRow& row : SetupClassCatalogue) {
    // Written device by device under its heading, never held whole; a class without devices leaves no
    // trace. Each class is flushed as it ends, so output reaches a pipe class by class while the sweep goes on.
    const std::string heading = std::string("*** ") + row.displayName + ' ' + row.guidText + '\n';
    if (WriteSetupClassDevices(WidenAscii(row.guidText), presentOnly, heading, out)) out << std::endl;
  }
}

}  // namespace devlist
