// PCI functions (bus/pci/devices), named by their ids and classed by their class code.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

struct PciClassName {
  unsigned code;  // base class and subclass
  const char* name;
};

constexpr PciClassName kPciClassNames[] = {
    {0x0000, "Non-VGA unclassified device"}, {0x0100, "SCSI storage controller"},
    {0x0101, "IDE interface"},               {0x0104, "RAID bus controller"},
    {0x0106, "SATA controller"},             {0x0107, "Serial Attached SCSI controller"},
    {0x0108, "Non-Volatile memory controller"}, {0x0180, "Mass storage controller"},
    {0x0200, "Ethernet controller"},         {0x0280, "Network controller"},
    {0x0300, "VGA compatible controller"},   {0x0302, "3D controller"},
    {0x0380, "Display controller"},          {0x0401, "Multimedia audio controller"},
    {0x0403, "Audio device"},                {0x0600, "Host bridge"},
    {0x0601, "ISA bridge"},                  {0x0604, "PCI bridge"},
    {0x0700, "Serial controller"},           {0x0c00, "FireWire (IEEE 1394)"},
    {0x0c03, "USB controller"},              {0x0c05, "SMBus"},
};

const char* PciClassText(unsigned base, unsigned sub) {
  for (const PciClassName& n : kPciClassNames) {
    if (n.code == (base << 8 | sub)) return n.name;
  }
  return nullptr;
}

const ClassInfo* PciSetupClass(unsigned base, unsigned sub) {
  switch (base) {
    case 0x01:
      return sub == 0x01 || sub == 0x06 ? &kHdc : &kScsi;
    case 0x02:
      return &kNet;
    case 0x03:
      return &kDisplay;
    case 0x04:
      return &kMedia;
    case 0x07:
      return sub == 0x00 ? &kPorts : sub == 0x03 ? &kModem : &kSystem;
    case 0x0C:
      return sub == 0x00 ? &k1394 : sub == 0x03 ? &kUsb : &kSystem;
    case 0x0D:
      return sub == 0x11 ? &kBluetooth : &kNet;
    default:
      return &kSystem;
  }
}

// A device that works on Linux without a driver of its own (bridges, system peripherals) has no problem.
bool PciDriverExpected(unsigned base) { return base != 0x05 && base != 0x06 && base != 0x08 && base != 0x11; }

bool ParsePciSlot(const std::string& name, unsigned& bus, unsigned& dev, unsigned& fn) {
  unsigned fields[4] = {};
  if (!ParseSlotName(name, fields)) return false;
  bus = fields[1];
  dev = fields[2];
  fn = fields[3];
  return dev < 32 && fn < 8 && bus < 256;
}

// "PCIROOT(0)#PCI(0100)#PCI(0000)" from the bridges on the way down.
std::string PciLocationPath(const std::string& path) {
  std::string loc;
  for (std::size_t at = 0; at < path.size();) {
    const std::size_t slash = std::min(path.find('/', at), path.size());
    const std::string_view view(path.data() + at, slash - at);
    at = slash + 1;
    // Both forms have a colon; the folders between (usb1, block, host0) are passed over unparsed.
    if (view.find(':') == std::string_view::npos) continue;
    const std::string part(view);
    unsigned b = 0, d = 0, f = 0, dom = 0;
    if (ParsePciSlot(part, b, d, f)) {
      loc += "#PCI(" + Hex(d, 2) + Hex(f, 2) + ")";
    } else if (std::sscanf(part.c_str(), "pci%x:%x", &dom, &b) == 2) {
      loc = "PCIROOT(" + std::to_string(b) + ")";
    }
  }
  return loc;
}

// The ids of a function: from its uevent file (read once for all of them), else each from its own
// attribute, else from the first bytes of the configuration space, so that one file that cannot be read
// costs only what it alone says.
struct PciIds {
  std::string vendor, device, subsystemVendor, subsystemDevice, revision, classCode;
};

std::string ConfigField(const std::optional<std::string>& config, std::size_t at, std::size_t bytes) {
  if (!config || config->size() < at + bytes) return {};
  unsigned long long v = 0;
  for (std::size_t i = bytes; i-- > 0;) v = v << 8 | static_cast<unsigned char>((*config)[at + i]);
  return Hex(v, static_cast<int>(2 * bytes));
}

PciIds PciIdsOf(const SysfsReader& tree, const std::string& path) {
  PciIds ids;
  const auto pair = [](const std::string& text, std::string& first, std::string& second) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return;
    first = HexField(text.substr(0, colon), 4);
    second = HexField(text.substr(colon + 1), 4);
  };
  pair(tree.Uevent(path, "PCI_ID"), ids.vendor, ids.device);
  pair(tree.Uevent(path, "PCI_SUBSYS_ID"), ids.subsystemVendor, ids.subsystemDevice);
  ids.classCode = HexField(tree.Uevent(path, "PCI_CLASS"), 6);
  for (auto [field, name, width] : {std::tuple{&ids.vendor, "vendor", 4}, {&ids.device, "device", 4},
                                    {&ids.subsystemVendor, "subsystem_vendor", 4},
                                    {&ids.subsystemDevice, "subsystem_device", 4}, {&ids.revision, "revision", 2},
                                    {&ids.classCode, "class", 6}}) {
    if (field->empty()) *field = HexField(tree.Attr(path, name), width);
  }
  if (ids.vendor.empty() || ids.device.empty() || ids.revision.empty() || ids.classCode.empty() ||
      ids.subsystemVendor.empty() || ids.subsystemDevice.empty()) {
    const std::optional<std::string> config = tree.ReadFile(JoinPath(path, "config"));
    for (auto [field, at, bytes] : {std::tuple{&ids.vendor, 0, 2}, {&ids.device, 2, 2}, {&ids.revision, 8, 1},
                                    {&ids.classCode, 9, 3}, {&ids.subsystemVendor, 0x2C, 2},
                                    {&ids.subsystemDevice, 0x2E, 2}}) {
      if (field->empty()) *field = ConfigField(config, static_cast<std::size_t>(at), static_cast<std::size_t>(bytes));
    }
    if (ids.vendor == "FFFF") ids.vendor.clear();
  }
  return ids;
}

}  // namespace

void ScanPci(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  for (const auto& [name, path] : DevicesListedIn(tree, "bus/pci/devices")) {
    if (context.graph.At(path)) continue;
    unsigned bus = 0, dev = 0, fn = 0;
    if (!ParsePciSlot(Base(path), bus, dev, fn)) continue;
    const PciIds ids = PciIdsOf(tree, path);
    // A folder gone by now is no device; one that is there keeps its place whatever of it cannot be read.
    if (!tree.IsDir(path)) continue;
    const std::string ven = ids.vendor.empty() ? "FFFF" : ids.vendor;  // what a read of no function returns
    const std::string did = ids.device.empty() ? "FFFF" : ids.device;
    std::string sub = ids.subsystemDevice + ids.subsystemVendor;
    if (sub.size() != 8) sub = "00000000";
    const std::string rev = ids.revision.empty() ? "00" : ids.revision;
    const std::string& cc = ids.classCode;
    // Without its class code a function is classed by what it carries: a network interface makes it one.
    const unsigned base = cc.empty() ? (tree.IsDir(JoinPath(path, "net")) ? 0x02u : 0xFFu)
                                     : static_cast<unsigned>(std::stoul(cc.substr(0, 2), nullptr, 16));
    const unsigned subclass = cc.empty() ? 0x80u : static_cast<unsigned>(std::stoul(cc.substr(2, 2), nullptr, 16));

    Node n;
    n.path = path;
    const std::string vd = "PCI\\VEN_" + ven + "&DEV_" + did;
    n.id = vd + "&SUBSYS_" + sub + "&REV_" + rev + "\\" + SuffixOf(3, Dir(path), Hex(dev << 3 | fn, 2));
    n.cls = PciSetupClass(base, subclass);
    n.hardwareIds = {vd + "&SUBSYS_" + sub + "&REV_" + rev, vd + "&SUBSYS_" + sub};
    n.compatibleIds = {vd + "&REV_" + rev, vd};
    if (!cc.empty()) {
      n.hardwareIds.insert(n.hardwareIds.end(), {vd + "&CC_" + cc, vd + "&CC_" + cc.substr(0, 4)});
      n.compatibleIds.insert(n.compatibleIds.end(),
                             {"PCI\\VEN_" + ven + "&CC_" + cc, "PCI\\VEN_" + ven + "&CC_" + cc.substr(0, 4),
                              "PCI\\VEN_" + ven, "PCI\\CC_" + cc, "PCI\\CC_" + cc.substr(0, 4)});
    } else {
      n.compatibleIds.push_back("PCI\\VEN_" + ven);
    }
    std::string modalias = tree.Uevent(path, "MODALIAS");
    if (modalias.empty()) modalias = tree.Attr(path, "modalias");
    const HwdbProperties db = context.Lookup(modalias);
    n.desc = DatabaseName(db, "ID_MODEL_FROM_DATABASE");
    if (n.desc.empty()) n.desc = Printable(tree.Attr(path, "label"));
    if (n.desc.empty() && PciClassText(base, subclass) != nullptr) n.desc = PciClassText(base, subclass);
    if (n.desc.empty()) n.desc = n.cls->generic;
    n.manufacturer = DatabaseName(db, "ID_VENDOR_FROM_DATABASE");
    // Transport drivers (virtio) hand the function to a driver of a child device: that one is on top.
    for (const std::string& child : tree.List(path)) {
      if (StartsWith(child, "virtio") && tree.IsDir(JoinPath(path, child))) {
        const std::string top = DriverOf(tree, JoinPath(path, child));
        if (top.empty()) continue;
        if (n.drivers.empty()) n.driverVersion = DriverVersionOf(context, JoinPath(path, child), top);
        n.drivers.push_back(top);
      }
    }
    const std::string own = DriverOf(tree, path);
    if (!own.empty() && n.drivers.empty()) n.driverVersion = DriverVersionOf(context, path, own);
    if (!own.empty()) n.drivers.push_back(own);
    n.busDriver = "pci";
    n.driverExpected = PciDriverExpected(base);
    n.locationInfo =
        "PCI bus " + std::to_string(bus) + ", device " + std::to_string(dev) + ", function " + std::to_string(fn);
    n.busType = kBusPci;
    n.legacyBus = kLegacyBusPci;
    n.busNumber = bus;
    n.address = dev << 16 | fn;
    const auto numa = ParseNumber(tree.Attr(path, "numa_node"), 10);
    if (numa && *numa < 1024) n.numa = static_cast<DWORD>(*numa);
    const std::string acpi = FirmwarePathOf(tree, path);
    n.bios = BiosName(acpi);
    const std::string loc = PciLocationPath(path);
    if (!loc.empty()) n.locationPaths.push_back(loc);
    if (!AcpiLocationPath(acpi).empty()) n.locationPaths.push_back(AcpiLocationPath(acpi));
    if (base == 0x0C && subclass == 0x03) n.interfaces.push_back({kItfUsbHost, "/sys/bus/pci/devices/" + Base(path)});
    context.graph.Add(std::move(n));
  }
}

}  // namespace devlist::sysfs
