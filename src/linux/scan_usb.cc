// USB devices (bus/usb/devices): hubs, single-function devices, and composite devices with one device per
// function as Windows groups their interfaces.
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

struct UsbInterface {
  std::string path;
  unsigned number = 0, cls = 0, sub = 0, prot = 0;
  std::string name, driver;
  bool hasTty = false, hasNet = false;
  bool fingerprint = false;  // a vendor-specific function that its names or its driver call a fingerprint sensor
};

bool SaysFingerprint(const std::string& text) {
  const std::string upper = Upper(text);
  return upper.find("FINGERPRINT") != std::string::npos || upper.find("BIOMETRIC") != std::string::npos ||
         upper.find("FPRINT") != std::string::npos;
}

// Fingerprint sensors are driven from user space, so their vendor-specific interface has no kernel driver to
// tell them by: the product string, the interface string or the database's model name does ("Swipe
// Fingerprint Sensor", "Biometric Coprocessor"), or a driver named for them where one is bound.
bool FingerprintFunction(const UsbInterface& i, const std::string& productName, const std::string& modelName) {
  return i.cls == 0xFF && (SaysFingerprint(i.name) || SaysFingerprint(i.driver) || SaysFingerprint(productName) ||
                           SaysFingerprint(modelName));
}

// Still image with the PTP protocol: a camera, or a phone when its interface string says MTP; a phone may also
// name a vendor-specific interface "MTP". Both are portable devices to Windows.
bool StillImagePtp(const UsbInterface& i) { return i.cls == 0x06 && i.sub == 0x01 && i.prot == 0x01; }
bool Mtp(const UsbInterface& i) {
  return (StillImagePtp(i) || i.cls == 0xFF) && i.name.find("MTP") != std::string::npos;
}

// Communications functions by subclass: Ethernet, EEM, NCM and MBIM are network functions whether a driver
// holds them or not; abstract control with an AT command protocol is a modem.
bool CdcNetwork(const UsbInterface& i) {
  return i.cls == 0x02 && (i.hasNet || i.sub == 0x06 || i.sub == 0x0C || i.sub == 0x0D || i.sub == 0x0E);
}
bool CdcModem(const UsbInterface& i) { return i.cls == 0x02 && i.sub == 0x02 && i.prot >= 0x01 && i.prot <= 0x06; }

const ClassInfo* UsbFunctionClass(const UsbInterface& i) {
  switch (i.cls) {
    case 0x01: return &kMedia;
    case 0x02: return CdcNetwork(i) ? &kNet : CdcModem(i) ? &kModem : i.hasTty ? &kPorts : &kUsbDevice;
    case 0x03: return &kHid;
    case 0x06: return StillImagePtp(i) ? &kWpd : &kImage;
    case 0x07: return &kPrinter;
    case 0x08: return &kUsb;
    case 0x09: return &kUsb;
    case 0x0B: return &kSmartCard;
    case 0x0E: return &kCamera;
    case 0xE0: return i.sub == 0x01 && i.prot == 0x01 ? &kBluetooth : &kUsbDevice;
    default:
      return i.hasNet ? &kNet : i.hasTty ? &kPorts : i.fingerprint ? &kBiometric : Mtp(i) ? &kWpd : &kUsbDevice;
  }
}

const char* UsbFunctionDesc(const UsbInterface& i) {
  switch (i.cls) {
    case 0x01: return "USB Audio Device";
    case 0x02: return CdcNetwork(i) ? "USB Ethernet Adapter" : CdcModem(i) ? "USB Modem" : "USB Serial Device";
    case 0x03: return "USB Input Device";
    case 0x06: return Mtp(i) ? "MTP USB Device" : StillImagePtp(i) ? "Digital Still Camera" : "USB Imaging Device";
    case 0x07: return "USB Printing Support";
    case 0x08: return "USB Mass Storage Device";
    case 0x09: return "Generic USB Hub";
    case 0x0B: return "USB Smart Card Reader";
    case 0x0E: return "USB Video Device";
    case 0xE0: return "Generic Bluetooth Adapter";
    default:
      return i.hasTty ? "USB Serial Port" : i.hasNet ? "USB Device" : i.fingerprint ? "Fingerprint Reader"
                                                                     : Mtp(i)        ? "MTP USB Device"
                                                                                     : "USB Device";
  }
}

std::vector<std::string> UsbClassIds(const UsbInterface& i) {
  const std::string c = "USB\\Class_" + Hex(i.cls, 2);
  return {c + "&SubClass_" + Hex(i.sub, 2) + "&Prot_" + Hex(i.prot, 2), c + "&SubClass_" + Hex(i.sub, 2), c};
}

// Interfaces that Windows joins into one function through an association descriptor: audio and video
// streaming after their control interface, CDC data after its control interface, a radio's second one.
bool JoinsPrevious(const UsbInterface& prev, const UsbInterface& cur) {
  if (cur.cls == 0x01 && prev.cls == 0x01 && cur.sub != 0x01) return true;
  if (cur.cls == 0x0E && prev.cls == 0x0E && cur.sub != 0x01) return true;
  if (cur.cls == 0x0A && prev.cls == 0x02) return true;
  if (cur.cls == 0xE0 && prev.cls == 0xE0) return true;
  return false;
}

unsigned Byte(const SysfsReader& tree, const std::string& dir, const char* name) {
  return static_cast<unsigned>(ParseNumber(tree.Attr(dir, name), 16).value_or(0) & 0xFF);
}

// The three numbers of a uevent key written "a/b/c" (PRODUCT in hexadecimal, TYPE and INTERFACE in decimal);
// none when the key is missing or not so written.
std::optional<std::array<unsigned long long, 3>> UeventTriple(const SysfsReader& tree, const std::string& dir,
                                                              const char* key, int base) {
  const std::string text = tree.Uevent(dir, key);
  const std::size_t first = text.find('/'), second = first == std::string::npos ? first : text.find('/', first + 1);
  if (second == std::string::npos) return std::nullopt;
  const auto a = ParseNumber(text.substr(0, first), base),
             b = ParseNumber(text.substr(first + 1, second - first - 1), base),
             c = ParseNumber(text.substr(second + 1), base);
  if (!a || !b || !c) return std::nullopt;
  return std::array<unsigned long long, 3>{*a, *b, *c};
}

// An interface's number: the last field of its modalias ("...ip01in02"), which older kernels lack.
std::optional<unsigned long long> InterfaceNumberOf(const SysfsReader& tree, const std::string& ip) {
  const std::string alias = tree.Uevent(ip, "MODALIAS");
  const std::size_t at = alias.rfind("in");
  if (StartsWith(alias, "usb:") && at != std::string::npos && at + 4 == alias.size() && alias.rfind("ip") < at) {
    if (auto number = ParseNumber(alias.substr(at + 2), 16)) return number;
  }
  return ParseNumber(tree.Attr(ip, "bInterfaceNumber"), 16);
}

std::vector<UsbInterface> ReadUsbInterfaces(ScanContext& context, const std::string& path, const std::string& name) {
  const SysfsReader& tree = context.tree;
  std::vector<UsbInterface> out;
  for (const std::string& entry : tree.List(path)) {
    if (!StartsWith(entry, name + ":")) continue;
    const std::string ip = JoinPath(path, entry);
    // Number and class triple from the uevent file, read once for them, else from their attributes.
    const auto number = InterfaceNumberOf(tree, ip);
    const auto triple = UeventTriple(tree, ip, "INTERFACE", 10);
    const auto cls = triple ? std::optional((*triple)[0]) : ParseNumber(tree.Attr(ip, "bInterfaceClass"), 16);
    if (number) context.usbInterfaceNumbers.emplace(ip, *number);
    if (!number || !cls) continue;
    UsbInterface i;
    i.path = ip;
    i.number = static_cast<unsigned>(*number & 0xFF);
    i.cls = static_cast<unsigned>(*cls & 0xFF);
    i.sub = triple ? static_cast<unsigned>((*triple)[1] & 0xFF) : Byte(tree, ip, "bInterfaceSubClass");
    i.prot = triple ? static_cast<unsigned>((*triple)[2] & 0xFF) : Byte(tree, ip, "bInterfaceProtocol");
    i.name = Printable(tree.Attr(ip, "interface"));
    i.driver = DriverOf(tree, ip);
    for (const std::string& child : tree.List(ip)) {
      if (child == "tty" || StartsWith(child, "ttyUSB")) i.hasTty = true;
      if (child == "net") i.hasNet = true;
    }
    out.push_back(std::move(i));
  }
  std::sort(out.begin(), out.end(), [](const UsbInterface& a, const UsbInterface& b) { return a.number < b.number; });
  return out;
}

std::string FirstLocation(const DeviceGraph& graph, std::optional<NodeId> id) {
  if (!id || graph.node(*id).locationPaths.empty()) return {};
  return graph.node(*id).locationPaths.front();
}

// The devices of bus/usb/devices (not their interfaces), hubs before the devices behind them.
std::vector<std::pair<std::string, std::string>> UsbDevicesInOrder(const SysfsReader& tree) {
  std::vector<std::pair<std::string, std::string>> found;
  for (const std::string& name : tree.List("bus/usb/devices")) {
    if (name.find(':') != std::string::npos) continue;
    const auto path = tree.Resolve(JoinPath("bus/usb/devices", name));
    if (path) found.emplace_back(*path, name);
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    const auto depth = [](const std::string& s) { return std::count(s.begin(), s.end(), '/'); };
    return depth(a.first) != depth(b.first) ? depth(a.first) < depth(b.first) : a.second < b.second;
  });
  return found;
}

// One device per function of a composite device.
void AddFunctions(ScanContext& context, NodeId deviceId, const std::string& devicePath, const std::string& vp,
                  const std::string& rev, const std::string& deviceNode,
                  const std::vector<std::vector<const UsbInterface*>>& functions) {
  DeviceGraph& graph = context.graph;
  for (const auto& function : functions) {
    const UsbInterface& i = *function.front();
    Node f;
    f.path = i.path;
    const std::string mi = "&MI_" + Hex(i.number, 2);
    f.id = vp + mi + "\\" + SuffixOf(7, devicePath, Hex(i.number, 4));
    f.cls = UsbFunctionClass(i);
    f.hardwareIds = {vp + "&REV_" + rev + mi, vp + mi};
    f.compatibleIds = UsbClassIds(i);
    f.desc = i.name.empty() ? UsbFunctionDesc(i) : i.name;
    f.busDesc = i.name;
    f.manufacturer = graph.node(deviceId).manufacturer;
    if (!i.driver.empty()) f.drivers.push_back(i.driver);
    f.driverVersion = DriverVersionOf(context, i.path, i.driver);
    f.busType = kBusUsb;
    f.driverExpected = true;
    f.address = i.number;
    const std::string location = FirstLocation(graph, deviceId);
    if (!location.empty()) f.locationPaths.push_back(location + "#USBMI(" + std::to_string(i.number) + ")");
    if (!deviceNode.empty() && f.cls == &kWpd) AddInterfaceTo(f, kItfWpd, deviceNode);
    const NodeId fi = graph.Add(std::move(f));
    for (const UsbInterface* member : function) graph.Alias(member->path, fi);
  }
}

}  // namespace

void ScanUsb(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  DeviceGraph& graph = context.graph;
  // The device numbers of the hubs scanned so far, for the devices behind them.
  std::map<std::string, std::optional<unsigned long long>> devnums;
  for (const auto& [devicePath, name] : UsbDevicesInOrder(tree)) {
    // Named for the lambdas below, which clang 14 does not let capture a structured binding.
    const std::string& path = devicePath;
    if (graph.At(path)) continue;
    // The ids from the uevent file, read once for all of them, else each from its attribute.
    const auto ids = UeventTriple(tree, path, "PRODUCT", 16);
    const auto type = UeventTriple(tree, path, "TYPE", 10);
    const auto ueventNumber = [&](const char* key) { return ParseNumber(tree.Uevent(path, key), 10); };
    std::optional<unsigned long long> busnum = ueventNumber("BUSNUM"), devnum = ueventNumber("DEVNUM");
    const auto id = [&](std::size_t at, const char* attr) {
      if (ids && (*ids)[at] <= 0xFFFF) return Hex((*ids)[at], 4);
      return HexField(tree.Attr(path, attr), 4);
    };
    const std::string vid = id(0, "idVendor");
    const std::string pid = id(1, "idProduct");
    if (vid.empty() || pid.empty()) continue;
    std::string rev = id(2, "bcdDevice");
    if (rev.empty()) rev = "0000";
    const unsigned devClass = type ? static_cast<unsigned>((*type)[0] & 0xFF) : Byte(tree, path, "bDeviceClass");
    if (!busnum) busnum = ParseNumber(tree.Attr(path, "busnum"), 10);
    if (!devnum) devnum = ParseNumber(tree.Attr(path, "devnum"), 10);
    devnums[path] = devnum;
    const bool rootHub = StartsWith(name, "usb");
    const std::string product = Printable(tree.Attr(path, "product"));
    const std::string maker = Printable(tree.Attr(path, "manufacturer"));
    const std::string serial = tree.Attr(path, "serial");
    std::vector<UsbInterface> interfaces = ReadUsbInterfaces(context, path, name);
    // The database's model name can make a vendor-specific function a fingerprint sensor: asked for that
    // whatever the listing, where the function's own strings do not tell already.
    const bool modelDecides = std::any_of(interfaces.begin(), interfaces.end(), [&product](const UsbInterface& i) {
      return i.cls == 0xFF && !FingerprintFunction(i, product, "");
    });
    const std::string alias = "usb:v" + vid + "p" + pid;
    const HwdbProperties db = modelDecides ? context.LookupDeciding(alias) : context.Lookup(alias);
    for (UsbInterface& i : interfaces) {
      i.fingerprint = FingerprintFunction(i, product, DatabaseName(db, "ID_MODEL_FROM_DATABASE"));
    }
    const std::optional<NodeId> above = graph.Above(path);
    char nodeBuf[64] = {0};
    if (busnum && devnum && *busnum < 1000 && *devnum < 1000) {
      std::snprintf(nodeBuf, sizeof nodeBuf, "/dev/bus/usb/%03llu/%03llu", *busnum, *devnum);
    }
    const std::string port = name.find('.') != std::string::npos   ? name.substr(name.rfind('.') + 1)
                             : name.find('-') != std::string::npos ? name.substr(name.find('-') + 1)
                                                                   : std::string("0");
    const unsigned portNumber = static_cast<unsigned>(ParseNumber(port, 10).value_or(0) & 0xFFFF);

    // Functions: the interfaces as Windows groups them.
    std::vector<std::vector<const UsbInterface*>> functions;
    for (const UsbInterface& i : interfaces) {
      if (!functions.empty() && JoinsPrevious(*functions.back().back(), i)) {
        functions.back().push_back(&i);
      } else {
        functions.push_back({&i});
      }
    }
    const bool hub = rootHub || devClass == 0x09;
    const bool composite = !hub && functions.size() > 1;

    Node n;
    n.path = path;
    n.busType = kBusUsb;
    n.legacyBus = kLegacyBusPnp;
    n.driverExpected = true;
    n.manufacturer = DatabaseName(db, "ID_VENDOR_FROM_DATABASE");
    if (n.manufacturer.empty()) n.manufacturer = maker;
    n.busDesc = product;
    const std::string vp = "USB\\VID_" + vid + "&PID_" + pid;
    const std::string aboveLocation = FirstLocation(graph, above);
    if (rootHub) {
      const std::string version = Trim(tree.Attr(path, "version"));
      const std::string kind = StartsWith(version, "3")   ? "ROOT_HUB30"
                               : StartsWith(version, "2") ? "ROOT_HUB20"
                                                          : "ROOT_HUB";
      n.id = "USB\\" + kind + "\\" + SuffixOf(4, path, "0");
      n.hardwareIds = {"USB\\" + kind + "&VID" + vid + "&PID" + pid + "&REV" + rev,
                       "USB\\" + kind + "&VID" + vid + "&PID" + pid, "USB\\" + kind};
      n.desc = kind == "ROOT_HUB30" ? "USB Root Hub (USB 3.0)" : "USB Root Hub";
      n.cls = &kUsb;
      n.locationPaths.push_back(aboveLocation.empty() ? std::string() : aboveLocation + "#USBROOT(0)");
    } else {
      std::string suffix = IdPart(serial);
      const bool serialUsable =
          !suffix.empty() && suffix == Upper(Trim(serial)) && suffix.find('&') == std::string::npos;
      if (!serialUsable) suffix = SuffixOf(5, Dir(path), std::to_string(portNumber));
      n.id = vp + "\\" + suffix;
      n.hardwareIds = {vp + "&REV_" + rev, vp};
      n.address = portNumber;
      std::optional<unsigned long long> hubNumber;
      if (above) {
        const std::string& hubPath = graph.node(*above).path;
        const auto known = devnums.find(hubPath);
        hubNumber = known != devnums.end() ? known->second : ParseNumber(tree.Attr(hubPath, "devnum"), 10);
      }
      char info[64];
      std::snprintf(info, sizeof info, "Port_#%04u.Hub_#%04llu", portNumber, hubNumber.value_or(0) % 10000);
      n.locationInfo = info;
      if (!aboveLocation.empty()) n.locationPaths.push_back(aboveLocation + "#USB(" + std::to_string(portNumber) + ")");
      n.removable = tree.Attr(path, "removable") != "fixed";
      if (n.removable) n.container = GuidFromText(n.id);
    }
    if (hub) {
      n.cls = &kUsb;
      if (!rootHub) {
        n.desc = DatabaseName(db, "ID_MODEL_FROM_DATABASE");
        if (n.desc.empty()) n.desc = "Generic USB Hub";
        n.compatibleIds = {"USB\\Class_09&SubClass_00&Prot_00", "USB\\Class_09&SubClass_00", "USB\\Class_09"};
      }
      if (!interfaces.empty() && !interfaces.front().driver.empty()) n.drivers.push_back(interfaces.front().driver);
      for (const UsbInterface& i : interfaces) graph.Alias(i.path, graph.NextId());
      if (nodeBuf[0] != '\0') AddInterfaceTo(n, kItfUsbHub, nodeBuf);
    } else if (!composite) {
      const UsbInterface* first = functions.empty() ? nullptr : functions.front().front();
      n.cls = first ? UsbFunctionClass(*first) : &kUsbDevice;
      n.desc = DatabaseName(db, "ID_MODEL_FROM_DATABASE");
      if (n.desc.empty()) n.desc = product;
      if (n.desc.empty()) n.desc = first ? UsbFunctionDesc(*first) : "USB Device";
      if (first) {
        n.compatibleIds = UsbClassIds(*first);
        if (!first->driver.empty()) n.drivers.push_back(first->driver);
      }
      const std::string own = DriverOf(tree, path);
      if (!own.empty()) n.drivers.push_back(own);
      for (const UsbInterface& i : interfaces) graph.Alias(i.path, graph.NextId());
      if (nodeBuf[0] != '\0') AddInterfaceTo(n, kItfUsbDevice, nodeBuf);
      // A portable device is opened through the device's node, as libmtp and libgphoto2 do.
      if (nodeBuf[0] != '\0' && n.cls == &kWpd) AddInterfaceTo(n, kItfWpd, nodeBuf);
    } else {
      n.cls = &kUsb;
      n.desc = "USB Composite Device";
      const std::string dc = "USB\\DevClass_" + Hex(devClass, 2);
      n.compatibleIds = {dc + "&SubClass_00&Prot_00", dc + "&SubClass_00", dc, "USB\\COMPOSITE"};
      const std::string own = DriverOf(tree, path);
      if (!own.empty()) n.drivers.push_back(own);
      if (nodeBuf[0] != '\0') AddInterfaceTo(n, kItfUsbDevice, nodeBuf);
    }
    n.driverVersion = n.drivers.empty() ? std::string() : DriverVersionOf(context, path, n.drivers.back());
    const NodeId deviceId = graph.Add(std::move(n));
    if (composite) AddFunctions(context, deviceId, path, vp, rev, nodeBuf, functions);
  }
}

}  // namespace devlist::sysfs
