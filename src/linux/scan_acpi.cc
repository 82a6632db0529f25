// ACPI devices (bus/acpi/devices) with a hardware id of their own: the ACPI root, buttons, lid, battery, AC
// adapter, thermal zones, ports, the PCI root and the rest. The firmware's view of a device listed already
// (a PCI function) names that device instead.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

// Windows' names for the ACPI devices it knows.
struct AcpiKind {
  const char* hid;
  const ClassInfo* cls;
  const char* desc;
  bool driverExpected;
  const GUID* itf;
};

constexpr AcpiKind kAcpiKinds[] = {
    {"PNP0303", &kKeyboard, "Standard PS/2 Keyboard", true, nullptr},
    {"PNP030B", &kKeyboard, "Standard PS/2 Keyboard", true, nullptr},
    {"PNP0F03", &kMouse, "PS/2 Compatible Mouse", true, nullptr},
    {"PNP0F13", &kMouse, "PS/2 Compatible Mouse", true, nullptr},
    {"PNP0500", &kPorts, "Communications Port", true, nullptr},
    {"PNP0501", &kPorts, "Communications Port", true, nullptr},
    {"PNP0400", &kPorts, "Printer Port", true, nullptr},
    {"PNP0401", &kPorts, "ECP Printer Port", true, nullptr},
    {"PNP0C0A", &kBattery, "ACPI-Compliant Control Method Battery", true, nullptr},
    {"ACPI0003", &kBattery, "AC Adapter", true, nullptr},
    {"PNP0C0D", &kSystem, "ACPI Lid", true, &kItfLid},
    {"PNP0C0C", &kSystem, "ACPI Power Button", true, &kItfSysButton},
    {"LNXPWRBN", &kSystem, "ACPI Fixed Feature Power Button", true, &kItfSysButton},
    {"PNP0C0E", &kSystem, "ACPI Sleep Button", true, &kItfSysButton},
    {"LNXSLPBN", &kSystem, "ACPI Fixed Feature Sleep Button", true, &kItfSysButton},
    {"LNXTHERM", &kSystem, "ACPI Thermal Zone", false, &kItfThermalZone},
    {"PNP0A08", &kSystem, "PCI Express Root Complex", false, nullptr},
    {"PNP0A03", &kSystem, "PCI Bus", false, nullptr},
    {"PNP0C09", &kSystem, "ACPI Embedded Controller", false, nullptr},
    {"PNP0C14", &kSystem, "Windows Management Interface for ACPI", false, nullptr},
    {"PNP0B00", &kSystem, "System CMOS/real time clock", false, nullptr},
    {"PNP0100", &kSystem, "System timer", false, nullptr},
    {"PNP0103", &kSystem, "High precision event timer", false, nullptr},
    {"PNP0000", &kSystem, "Programmable interrupt controller", false, nullptr},
    {"PNP0200", &kSystem, "Direct memory access controller", false, nullptr},
    {"PNP0C01", &kSystem, "System board", false, nullptr},
    {"PNP0C02", &kSystem, "Motherboard resources", false, nullptr},
    {"PNP0C04", &kSystem, "Numeric data processor", false, nullptr},
    {"PNP0800", &kSystem, "System speaker", false, nullptr},
    {"PNP0C50", &kHid, "I2C HID Device", true, nullptr},
    {"LNXVIDEO", &kSystem, "ACPI Video Bus", false, nullptr},
    {"ACPI0013", &kSystem, "ACPI Generic Event Device", false, nullptr},
    {"VM_GEN_COUNTER", &kSystem, "Virtual Machine Generation Counter", false, nullptr},
    {"VMCLOCK", &kSystem, "Virtual Machine Clock", false, nullptr},
};

const AcpiKind* FindAcpiKind(const std::string& hid) {
  for (const AcpiKind& k : kAcpiKinds) {
    if (hid == k.hid) return &k;
  }
  return nullptr;
}

struct Found {
  std::string acpiPath, hid, place;  // place: the physical node when there is one, else the ACPI device
};

// The ACPI devices to list, parents first; the others' firmware names go to the devices they describe.
std::vector<Found> FindAcpiDevices(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  std::vector<Found> found;
  for (const std::string& name : tree.List("bus/acpi/devices")) {
    const auto path = tree.Resolve(JoinPath("bus/acpi/devices", name));
    if (!path) continue;
    const std::string hid = IdPart(tree.Attr(*path, "hid"));
    const auto status = ParseNumber(tree.Attr(*path, "status"), 10);
    if (status && (*status & 1) == 0) continue;  // not present
    const auto physical = tree.Resolve(JoinPath(*path, "physical_node"));
    if (physical) {
      if (const auto listed = context.graph.At(*physical)) {
        // Devices below it in the firmware's tree (a serial port below the LPC bridge) are its children.
        context.graph.AttachAcpiCompanion(*listed, *path, BiosName(tree.Attr(*path, "path")));
        continue;
      }
    }
    if (hid.empty() || hid == "LNXSYBUS" || hid == "LNXCPU" || hid == "ACPI0007") continue;
    found.push_back({*path, hid, physical ? *physical : *path});
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    const auto depth = [](const std::string& s) { return std::count(s.begin(), s.end(), '/'); };
    return depth(a.acpiPath) != depth(b.acpiPath) ? depth(a.acpiPath) < depth(b.acpiPath) : a.acpiPath < b.acpiPath;
  });
  return found;
}

// "PNP0501" and "ACPI0013" are a vendor prefix and a hexadecimal product number.
bool PnpStyle(const std::string& hid) {
  return (hid.size() == 7 || hid.size() == 8) && !StartsWith(hid, "LNX") &&
         std::all_of(hid.end() - 4, hid.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

// The modalias names the compatible ids after the hardware id: "acpi:PNP0501:PNP0500:".
void AddCompatibleIds(const std::string& alias, Node& n, const AcpiKind*& kind) {
  if (!StartsWith(alias, "acpi:")) return;
  std::size_t pos = 5;
  bool first = true;
  while (pos < alias.size()) {
    std::size_t end = alias.find(':', pos);
    if (end == std::string::npos) end = alias.size();
    const std::string cid = IdPart(alias.substr(pos, end - pos));
    if (!first && !cid.empty()) {
      n.compatibleIds.push_back("ACPI\\" + cid);
      n.compatibleIds.push_back("*" + cid);
      if (kind == nullptr) kind = FindAcpiKind(cid);
    }
    first = false;
    pos = end + 1;
  }
}

// The path of the interface a button, lid or thermal zone gets: its event node, its thermal zone, or itself.
std::string AcpiInterfacePath(const SysfsReader& tree, const Found& f, const std::string& kernelName) {
  std::string itfPath = "/sys/bus/acpi/devices/" + Printable(kernelName);
  for (const std::string& in : tree.List(JoinPath(f.acpiPath, "input"))) {
    const std::string event = EventNodeOf(tree, JoinPath(JoinPath(f.acpiPath, "input"), in));
    if (!event.empty()) {
      itfPath = event;
      break;
    }
  }
  if (f.hid == "LNXTHERM") {
    // The kernel links thermal_zone to the zone itself; listing through the link would name what is inside
    // the zone's folder. A folder holding the zone's link is read as well.
    std::string zone = tree.LinkName(JoinPath(f.acpiPath, "thermal_zone"));
    if (zone.empty()) {
      for (const std::string& tz : tree.List(JoinPath(f.acpiPath, "thermal_zone"))) {
        zone = Printable(tz);
        break;
      }
    }
    if (!zone.empty()) itfPath = "/sys/class/thermal/" + zone;
  }
  return itfPath;
}

}  // namespace

void ScanAcpi(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  DeviceGraph& graph = context.graph;
  for (const Found& f : FindAcpiDevices(context)) {
    const std::string acpiName = tree.Attr(f.acpiPath, "path");
    const std::string alias = tree.Attr(f.acpiPath, "modalias");
    const AcpiKind* kind = FindAcpiKind(f.hid);
    Node n;
    n.path = f.place;
    const std::string kernelName = Base(f.acpiPath);
    const std::size_t colon = kernelName.rfind(':');
    const auto instance = colon == std::string::npos ? std::nullopt : ParseNumber(kernelName.substr(colon + 1), 16);
    std::string uid = IdPart(tree.Attr(f.acpiPath, "uid"));
    if (uid.empty()) uid = std::to_string(instance.value_or(0));
    const bool root = f.hid == "LNXSYSTM";
    if (root) {
      n.id = "ACPI_HAL\\PNP0C08\\0";
      n.hardwareIds = {"ACPI_HAL\\PNP0C08", "*PNP0C08"};
      n.desc = "ACPI-Compliant System";
    } else if (f.hid == "LNXTHERM") {
      const std::size_t dot = acpiName.rfind('.');
      const std::string zone = IdPart(acpiName.substr(dot == std::string::npos ? 0 : dot + 1));
      n.id = "ACPI\\THERMALZONE\\" + (zone.empty() ? uid : zone);
      n.hardwareIds = {"ACPI\\ThermalZone"};
    } else {
      n.id = "ACPI\\" + f.hid + "\\" + uid;
      if (PnpStyle(f.hid)) {
        const std::size_t split = f.hid.size() - 4;
        n.hardwareIds.push_back("ACPI\\VEN_" + f.hid.substr(0, split) + "&DEV_" + f.hid.substr(split));
      }
      n.hardwareIds.push_back("ACPI\\" + f.hid);
      n.hardwareIds.push_back("*" + f.hid);
    }
    AddCompatibleIds(alias, n, kind);
    n.cls = kind ? kind->cls : &kSystem;
    const HwdbProperties db = context.Lookup("acpi:" + f.hid + ":");
    if (n.desc.empty()) n.desc = DatabaseName(db, "ID_MODEL_FROM_DATABASE");
    if (n.desc.empty()) n.desc = Printable(tree.Attr(f.acpiPath, "description"));
    if (n.desc.empty() && kind) n.desc = kind->desc;
    if (n.desc.empty()) n.desc = n.cls->generic;
    n.manufacturer = DatabaseName(db, "ID_VENDOR_FROM_DATABASE");
    const std::string placeDriver = f.place != f.acpiPath ? DriverOf(tree, f.place) : std::string();
    const std::string drv = placeDriver.empty() ? DriverOf(tree, f.acpiPath) : placeDriver;
    if (!drv.empty()) n.drivers.push_back(drv);
    n.driverVersion = DriverVersionOf(context, placeDriver.empty() ? f.acpiPath : f.place, drv);
    n.driverExpected = kind && kind->driverExpected;
    n.bios = acpiName == "\\" ? std::string() : BiosName(acpiName);
    if (!AcpiLocationPath(acpiName).empty() && acpiName != "\\") n.locationPaths.push_back(AcpiLocationPath(acpiName));
    const auto adr = ParseNumber(tree.Attr(f.acpiPath, "adr"), 16);
    if (adr && *adr <= 0xFFFFFFFFull) n.address = static_cast<DWORD>(*adr);
    if (!root) n.busType = kBusAcpi;
    n.parentAcpiPath = f.acpiPath;
    if (kind && kind->itf) AddInterfaceTo(n, *kind->itf, AcpiInterfacePath(tree, f, kernelName));
    for (const std::string& in : tree.List(JoinPath(f.acpiPath, "input"))) {
      graph.MarkInputHandled(JoinPath(JoinPath(f.acpiPath, "input"), in));
    }
    const NodeId id = graph.Add(std::move(n));
    if (root) graph.SetAcpiRoot(id);
    graph.RegisterAcpiNode(f.acpiPath, id);
    graph.Alias(f.acpiPath, id);
  }
}

}  // namespace devlist::sysfs
