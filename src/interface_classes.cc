#include "interface_classes.h"

#include <ostream>
#include <string>

#include "interface_listing.h"

namespace devlist {

void SweepInterfaceClasses(bool presentOnly, std::ostream& out) {
  for (const InterfaceClassGroup& group : InterfaceClassCatalogue) {
    // The group's heading goes out with its first class that shows something; a group with none leaves no
    // trace. Each group is flushed as it ends.
    bool any = false;
    for (const InterfaceClassRow& row : group.rows) {
      const std::string opening = any ? std::string() : std::string(group.heading) + '\n';
      if (WriteDeviceInterfaces(row.className, row.guidText, presentOnly, opening, out)) any = true;
    }
    if (any) out << std::endl;
  }
}

}  // namespace devlist
