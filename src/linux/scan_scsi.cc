// SCSI tape drives (class/scsi_tape) and media changers (class/scsi_changer): devices of their own, named
// from the SCSI device's inquiry data as Windows names them.
#include <cstdio>
#include <optional>
#include <string>

#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

struct ScsiKind {
  const char* classDir;
  const char* prefix;  // the device nodes of interest: "st0", not the "nst0" and "st0a" modes of one drive
  const char* idKind;  // SCSI\<kind>&VEN_...
  const char* generic;
  const ClassInfo* cls;
  const GUID* itf;
};

void ScanScsiKind(ScanContext& context, const ScsiKind& kind) {
  const SysfsReader& tree = context.tree;
  DeviceGraph& graph = context.graph;
  for (const std::string& name : tree.List(kind.classDir)) {
    unsigned index = 0;
    char tail = 0;
    const std::string format = std::string(kind.prefix) + "%u%c";
    if (std::sscanf(name.c_str(), format.c_str(), &index, &tail) != 1) continue;
    const auto itfPath = tree.Resolve(JoinPath(kind.classDir, name));
    if (!itfPath) continue;
    const auto device = tree.Resolve(JoinPath(*itfPath, "device"));
    if (!device || graph.At(*device)) continue;
    const std::string vendor = Printable(Trim(tree.Attr(*device, "vendor")));
    const std::string model = Printable(Trim(tree.Attr(*device, "model")));
    const std::string rev = Printable(Trim(tree.Attr(*device, "rev")));
    Node n;
    n.path = *device;
    n.cls = kind.cls;
    const std::string base = std::string("SCSI\\") + kind.idKind;
    n.id = Upper(base) + "&VEN_" + IdPart(vendor.substr(0, 8)) + "&PROD_" + IdPart(model.substr(0, 16)) + "\\" +
           SuffixOf(4, Dir(*device), IdPart(Base(*device)));
    const std::string pv = Padded(HwPart(vendor.substr(0, 8)), 8), pp = Padded(HwPart(model.substr(0, 16)), 16);
    n.hardwareIds = {base + pv + pp + Padded(HwPart(rev.substr(0, 4)), 4), base + pv + pp, base + pv};
    n.compatibleIds = {base, "SCSI\\RAW"};
    n.desc = kind.generic;
    n.friendly = Trim(vendor + " " + model);
    n.firmware = rev;
    const std::string driver = DriverOf(tree, *device);
    if (!driver.empty()) n.drivers.push_back(driver);
    n.driverExpected = true;
    AddInterfaceTo(n, *kind.itf, "/dev/" + Printable(name));
    graph.Add(std::move(n));
  }
}

}  // namespace

void ScanScsiTapesAndChangers(ScanContext& context) {
  static const ScsiKind kinds[] = {
      {"class/scsi_tape", "st", "Sequential", "Tape drive", &kTape, &kItfTape},
      {"class/scsi_changer", "sch", "Changer", "Medium changer", &kMediaChanger, &kItfMediumChanger},
  };
  for (const ScsiKind& kind : kinds) ScanScsiKind(context, kind);
}

}  // namespace devlist::sysfs
