#include "interface_classes.h"

#include <ostream>
#include <string>

#include "interface_listing.h"

namespace devlist {

void SweepInterfaceClasses(bool presentOnly, std::ostream& out) {
  std::string text;
  for (const InterfaceClassGroup& group : InterfaceClassCatalogue) {
    for (const InterfaceClassRow& row : group.rows) {
      text += ListDeviceInterfaces(row.className, row.guidText, presentOnly);
    }
    // A group is held until its last class is listed, then written at once, or not at all.
    if (text.empty()) continue;
    out << group.heading << std::endl;
    out << text << std::endl;
    text.clear();
  }
}

}  // namespace devlist
