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
    const std::string listing = ListSetupClassDevices(WidenAscii(row.guidText), presentOnly);
    if (listing.empty()) continue;
    // Every line is flushed as it ends, so output reaches a pipe class by class while the sweep goes on.
    out << "*** " << row.displayName << ' ' << row.guidText << std::endl;
    out << listing << std::endl;
  }
}

}  // namespace devlist
