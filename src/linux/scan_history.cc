// The USB devices the kernel's record (the journal, or the text logs) says this machine has seen: a device
// present now gets its dates; one that is not becomes a device that is not present, with its functions (a
// stick's disk, a receiver's keyboard and mouse) under their own classes, named by the same instance ids
// the USB, block and HID scans give them while they are plugged in.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "folded_id.h"
#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

using history::UsbDeviceRecord;

// Devices by instance id, compared without regard to case as the model compares them.
template <typename Value>
using ById = std::unordered_map<std::string, Value, model::FoldedIdHash, model::FoldedIdEqual>;

// A port as the kernel names it ("1-1.2") is a safe path element only when it holds nothing but digits,
// dashes and dots; the parser keeps only such ports, and this check keeps a lying record out of the paths.
bool PlainPort(std::string_view port) {
  if (port.empty() || port.size() > 32) return false;
  return std::all_of(port.begin(), port.end(),
                     [](char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.'; });
}

// The port a device hangs on, one level up: "1-1.2" → "1-1", "1-1" → "usb1".
std::string HubOf(std::string_view port) {
  const std::size_t dot = port.rfind('.');
  if (dot != std::string_view::npos) return std::string(port.substr(0, dot));
  return "usb" + std::string(port.substr(0, port.find('-')));
}

// The folder a USB device on a port has while it is plugged in, relative to the root: its hub's folder, found
// through the bus while the hub is there, else made from the hub's own hub in the same way. A record holds
// the same few ports many times over, and each is looked up in the tree once.
class DeviceFolders {
 public:
  explicit DeviceFolders(const SysfsReader& tree) : tree_(tree) {}

  const std::string& Of(const std::string& port, int depth = 0) {
    if (const auto known = folders_.find(port); known != folders_.end()) return known->second;
    std::string folder;
    if (const auto path = tree_.Resolve(JoinPath("bus/usb/devices", port))) {
      folder = *path;
    } else if (depth > 16 || StartsWith(port, "usb")) {
      folder = JoinPath("bus/usb/devices", port);
    } else {
      folder = JoinPath(Of(HubOf(port), depth + 1), port);
    }
    return folders_.emplace(port, std::move(folder)).first->second;
  }

 private:
  const SysfsReader& tree_;
  std::unordered_map<std::string, std::string> folders_;
};

unsigned PortNumberOf(const std::string& port) {
  const std::size_t at = port.find('.') != std::string::npos ? port.rfind('.') + 1 : port.find('-') + 1;
  return static_cast<unsigned>(ParseNumber(port.substr(at), 10).value_or(0) & 0xFFFF);
}

// The id part a serial number gives, when the USB scan would use it: printable, already upper case and
// without the separator of id parts.
std::string UsableSerial(const std::string& serial) {
  const std::string part = IdPart(serial);
  return !part.empty() && part == Upper(Trim(serial)) && part.find('&') == std::string::npos ? part : std::string();
}

struct Identity {
  std::string vp;      // "USB\VID_0781&PID_5567"
  std::string id;      // the USB device's instance id
  std::string folder;  // its folder while plugged in
};

Identity IdentityOf(DeviceFolders& folders, const UsbDeviceRecord& r) {
  Identity out;
  out.vp = "USB\\VID_" + Hex(r.vendorId, 4) + "&PID_" + Hex(r.productId, 4);
  out.folder = folders.Of(r.port);
  std::string suffix = UsableSerial(r.serialNumber);
  if (suffix.empty()) suffix = SuffixOf(5, Dir(out.folder), std::to_string(PortNumberOf(r.port)));
  out.id = out.vp + "\\" + suffix;
  return out;
}

void Merge(DeviceDates& into, const UsbDeviceRecord& r) {
  const auto earliest = [](std::uint64_t a, std::uint64_t b) { return a == 0 ? b : b == 0 ? a : std::min(a, b); };
  into.install = earliest(into.install, r.firstArrival);
  into.firstInstall = into.install;
  into.lastArrival = std::max(into.lastArrival, r.lastArrival);
  into.lastRemoval = std::max(into.lastRemoval, r.removal);
}

// One device the record knows and the machine does not have now: its latest record, the dates of all.
struct Absent {
  const UsbDeviceRecord* latest = nullptr;
  Identity identity;
  DeviceDates dates;
};

void AddStorage(DeviceGraph& graph, const Absent& a, const DeviceDates& dates) {
  const UsbDeviceRecord& r = *a.latest;
  const std::string serial = UsableSerial(r.serialNumber);
  for (const history::StorageFunction& s : r.storage) {
    if (s.vendor.empty() && s.model.empty()) continue;
    const bool cdrom = s.type == "CD-ROM";
    const std::string kind = cdrom ? "CdRom" : "Disk";
    unsigned lun = 0;
    const std::size_t colon = s.scsiAddress.rfind(':');
    if (colon != std::string::npos) lun = static_cast<unsigned>(ParseNumber(s.scsiAddress.substr(colon + 1), 10).value_or(0));
    Node n;
    n.present = false;
    n.dates = dates;
    n.cls = cdrom ? &kCdrom : &kDisk;
    n.id = "USBSTOR\\" + Upper(kind) + "&VEN_" + IdPart(s.vendor.substr(0, 8)) + "&PROD_" +
           IdPart(s.model.substr(0, 16)) + "&REV_" + IdPart(s.revision.substr(0, 4)) + "\\" +
           (serial.empty() ? SuffixOf(7, a.identity.folder, "0") : serial) + "&" + std::to_string(lun % 256);
    const std::string pv = Padded(HwPart(Trim(s.vendor.substr(0, 8))), 8);
    const std::string pp = Padded(HwPart(Trim(s.model.substr(0, 16))), 16);
    const std::string pr = Padded(HwPart(Trim(s.revision.substr(0, 4))), 4);
    n.hardwareIds = {"USBSTOR\\" + kind + pv + pp + pr, "USBSTOR\\" + kind + pv + pp, "USBSTOR\\" + kind + pv,
                     "USBSTOR\\" + pv + pp + pr.substr(0, 1), pv + pp + pr.substr(0, 1), cdrom ? "GenCdRom" : "GenDisk"};
    n.compatibleIds = {"USBSTOR\\" + kind, "USBSTOR\\RAW"};
    n.desc = cdrom ? "CD-ROM Drive" : "Disk drive";
    n.friendly = Trim(s.vendor + " " + s.model);
    if (n.friendly.empty()) n.friendly = n.desc;
    n.manufacturer = cdrom ? "(Standard CD-ROM drives)" : "(Standard disk drives)";
    n.firmware = s.revision;
    n.removable = true;
    n.container = GuidFromText(a.identity.id);  // the stick's own, as a present disk has it from its USB device
    graph.Add(std::move(n));
  }
}

void AddHid(DeviceGraph& graph, const Absent& a, const DeviceDates& dates) {
  const UsbDeviceRecord& r = *a.latest;
  const std::string vp = "HID\\VID_" + Hex(r.vendorId, 4) + "&PID_" + Hex(r.productId, 4);
  const bool composite = r.hid.size() > 1;
  for (const history::HidFunction& h : r.hid) {
    const unsigned mi = h.interfaceNumber & 0xFF;
    const std::string miText = composite ? "&MI_" + Hex(mi, 2) : std::string();
    const std::string usbInterface = a.identity.folder + "/" + r.port + ":1." + std::to_string(mi);
    Node n;
    n.present = false;
    n.dates = dates;
    n.cls = h.kind == history::HidKind::kKeyboard ? &kKeyboard : h.kind == history::HidKind::kMouse ? &kMouse : &kHid;
    n.id = vp + miText + "\\" + SuffixOf(8, usbInterface, Hex(h.instance & 0xFFFF, 4));
    if (!miText.empty()) n.hardwareIds.push_back(vp + miText);
    n.hardwareIds.push_back(vp);
    if (n.cls == &kKeyboard) {
      n.hardwareIds.insert(n.hardwareIds.end(), {"HID_DEVICE_SYSTEM_KEYBOARD", "HID_DEVICE_UP:0001_U:0006"});
    } else if (n.cls == &kMouse) {
      n.hardwareIds.insert(n.hardwareIds.end(), {"HID_DEVICE_SYSTEM_MOUSE", "HID_DEVICE_UP:0001_U:0002"});
    }
    n.hardwareIds.push_back("HID_DEVICE");
    n.desc = h.name.empty() ? n.cls->generic : h.name;
    n.busType = kBusHid;
    n.container = GuidFromText(a.identity.id);  // the USB device's, as a present one has it from its parent
    graph.Add(std::move(n));
  }
}

// The USB device itself, of the class its functions give, as the USB scan would class it.
void AddUsbDevice(ScanContext& context, const Absent& a) {
  const UsbDeviceRecord& r = *a.latest;
  Node n;
  n.present = false;
  n.dates = a.dates;
  n.id = a.identity.id;
  const std::string rev = r.bcdDevice ? Hex(*r.bcdDevice, 4) : "0000";
  n.hardwareIds = {a.identity.vp + "&REV_" + rev, a.identity.vp};
  const std::string alias = "usb:v" + Hex(r.vendorId, 4) + "p" + Hex(r.productId, 4);
  const HwdbProperties db = context.Lookup(alias);
  const char* functionDesc = "USB Device";
  n.cls = &kUsbDevice;
  if (r.hub) {
    n.cls = &kUsb, functionDesc = "Generic USB Hub";
    n.compatibleIds = {"USB\\Class_09&SubClass_00&Prot_00", "USB\\Class_09&SubClass_00", "USB\\Class_09"};
  } else if (!r.storage.empty()) {
    n.cls = &kUsb, functionDesc = "USB Mass Storage Device";
    n.compatibleIds = {"USB\\Class_08"};
  } else if (!r.hid.empty()) {
    n.cls = &kHid, functionDesc = "USB Input Device";
    n.compatibleIds = {"USB\\Class_03"};
  } else if (!r.net.empty()) {
    n.cls = &kNet, functionDesc = "USB Ethernet Adapter";
    for (const history::NetFunction& f : r.net) {
      if (!f.interface.empty()) n.names.push_back(f.interface);
    }
  } else if (!r.serial.empty()) {
    n.cls = &kPorts, functionDesc = "USB Serial Port";
    for (const history::SerialFunction& f : r.serial) {
      if (!f.tty.empty()) n.names.push_back(f.tty);
    }
  } else if (!r.camera.empty()) {
    n.cls = &kCamera, functionDesc = "USB Video Device";
    n.compatibleIds = {"USB\\Class_0E"};
  }
  n.desc = r.product;
  if (n.desc.empty()) n.desc = DatabaseName(db, "ID_MODEL_FROM_DATABASE");
  if (n.desc.empty() && !r.camera.empty()) n.desc = r.camera.front().name;
  if (n.desc.empty()) n.desc = functionDesc;
  n.busDesc = r.product;
  n.manufacturer = r.manufacturer;
  if (n.manufacturer.empty()) n.manufacturer = DatabaseName(db, "ID_VENDOR_FROM_DATABASE");
  n.busType = kBusUsb;
  n.legacyBus = kLegacyBusPnp;
  n.address = PortNumberOf(r.port);
  n.removable = true;
  n.container = GuidFromText(n.id);
  context.graph.Add(std::move(n));
}

}  // namespace

void ScanHistory(ScanContext& context) {
  if (!context.readHistory) return;
  DeviceGraph& graph = context.graph;
  // A listing of present devices takes from the record only the dates of the USB devices present (and of
  // what hangs below them): with none, there is nothing to read, and else only the USB devices' own
  // messages, which give every date, and never their functions' (disks, HID devices).
  constexpr std::string_view kUsbIdStart = "USB\\VID_";
  bool usbPresent = false;
  for (NodeId id = 0; id < graph.size() && !usbPresent; ++id) {
    usbPresent = model::FoldedIdEqual{}(std::string_view(graph.node(id).id).substr(0, kUsbIdStart.size()), kUsbIdStart);
  }
  if (!context.absentListed && !usbPresent) return;
  const history::DeviceHistory recorded = context.readHistory(!context.absentListed);
  if (recorded.devices.empty()) return;
  // The devices found so far by id, for the record's devices that are present now.
  ById<NodeId> present;
  present.reserve(graph.size());
  for (NodeId id = 0; id < graph.size(); ++id) present.emplace(graph.node(id).id, id);

  std::unordered_map<std::string, DeviceDates> presentDates;  // by the present device's folder
  ById<std::size_t> absentById;
  std::vector<Absent> absent;
  DeviceFolders folders(context.tree);
  for (const UsbDeviceRecord& r : recorded.devices) {
    if (!PlainPort(r.port) || r.firstArrival == 0) continue;
    Identity identity = IdentityOf(folders, r);
    if (const auto found = present.find(identity.id); found != present.end()) {
      Merge(presentDates[graph.node(found->second).path], r);
      continue;
    }
    if (!context.absentListed) continue;
    auto [at, added] = absentById.emplace(identity.id, absent.size());
    if (added) absent.push_back(Absent{&r, std::move(identity), {}});
    Absent& a = absent[at->second];
    // Records come oldest boot first: the latest one says what the device was last time.
    if (r.lastArrival >= a.latest->lastArrival) {
      a.latest = &r;
    }
    Merge(a.dates, r);
  }
  // A present USB device's dates go to it and to every device found below it (its functions, its disk).
  if (!presentDates.empty()) {
    for (NodeId id = 0; id < graph.size(); ++id) {
      for (std::string up = graph.node(id).path; !up.empty(); up = Dir(up)) {
        const auto found = presentDates.find(up);
        if (found != presentDates.end()) {
          graph.NoteDates(id, found->second);
          break;
        }
      }
    }
  }
  for (const Absent& a : absent) {
    AddUsbDevice(context, a);
    AddStorage(graph, a, a.dates);
    AddHid(graph, a, a.dates);
  }
}

}  // namespace devlist::sysfs
