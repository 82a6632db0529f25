#include "setup_classes.h"

#include <ostream>
#include <string>

#include "setup_listing.h"
#include "text.h"

namespace devlist {

void SweepSetupClasses(bool presentOnly, std::ostream& out) {
  for (const SetupClassRow& row : SetupClassCatalogue) {
    // Written device by device under its heading, never held whole; a class without devices leaves no
    // trace. Each class is flushed as it ends, so output reaches a pipe class by class while the sweep goes on.
    const std::string heading = std::string("*** ") + row.displayName + ' ' + row.guidText + '\n';
    if (WriteSetupClassDevices(WidenAscii(row.guidText), presentOnly, heading, out)) out << std::endl;
  }
}

}  // namespace devlist
