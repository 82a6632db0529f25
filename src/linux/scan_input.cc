// HID devices (bus/hid/devices), classed by what their inputs can do, and the input devices (class/input)
// that no HID device claims: attached to the device they belong to, or listed as a keyboard or mouse.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

// Whether an input (.../serio1/input/input12) is the input of a serio port.
bool OnSerioPort(const SysfsReader& tree, const std::string& inputPath) {
  const auto bus = tree.Resolve(JoinPath(Dir(Dir(inputPath)), "subsystem"));
  return bus && *bus == "bus/serio";
}

}  // namespace

void ScanHid(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  DeviceGraph& graph = context.graph;
  for (const auto& [name, path] : DevicesListedIn(tree, "bus/hid/devices")) {
    if (graph.At(path)) continue;
    unsigned fields[4] = {};
    if (!ParseSlotName(Base(path), fields) || fields[1] > 0xFFFF || fields[2] > 0xFFFF) continue;
    const unsigned vid = fields[1], pid = fields[2], inst = fields[3];
    // On a USB interface, the number the USB scan read already (from the same descriptor field).
    const std::string usbInterface = Dir(path);
    const auto known = context.usbInterfaceNumbers.find(usbInterface);
    // Its inputs are below it; older kernels put a USB HID device's inputs beside it, below the interface.
    std::string inputDir = JoinPath(path, "input");
    std::vector<std::string> inputNames = tree.List(inputDir);
    if (inputNames.empty() &&
        (known != context.usbInterfaceNumbers.end() || tree.Uevent(usbInterface, "DEVTYPE") == "usb_interface")) {
      inputDir = JoinPath(usbInterface, "input");
      inputNames = tree.List(inputDir);
    }
    std::vector<std::pair<std::string, InputKind>> inputs;
    for (const std::string& in : inputNames) {
      const std::string ip = JoinPath(inputDir, in);
      if (!graph.InputHandled(ip)) inputs.emplace_back(ip, InputKindOf(tree, ip));
    }
    InputKind kind = InputKind::other;
    for (const auto& [ip, k] : inputs) {
      if (k != InputKind::other) {
        kind = k;
        break;
      }
    }
    Node n;
    n.path = path;
    const std::optional<unsigned long long> mi = known != context.usbInterfaceNumbers.end()
                                                     ? std::optional(known->second)
                                                     : ParseNumber(tree.Attr(usbInterface, "bInterfaceNumber"), 16);
    const std::string vp = "HID\\VID_" + Hex(vid, 4) + "&PID_" + Hex(pid, 4);
    const std::string miText = mi ? "&MI_" + Hex(*mi & 0xFF, 2) : std::string();
    n.id = vp + miText + "\\" + SuffixOf(8, Dir(path), Hex(inst & 0xFFFF, 4));
    n.cls = kind == InputKind::keyboard ? &kKeyboard : kind == InputKind::mouse ? &kMouse : &kHid;
    if (!miText.empty()) n.hardwareIds.push_back(vp + miText);
    n.hardwareIds.push_back(vp);
    if (kind == InputKind::keyboard) {
      n.hardwareIds.insert(n.hardwareIds.end(), {"HID_DEVICE_SYSTEM_KEYBOARD", "HID_DEVICE_UP:0001_U:0006"});
    } else if (kind == InputKind::mouse) {
      n.hardwareIds.insert(n.hardwareIds.end(), {"HID_DEVICE_SYSTEM_MOUSE", "HID_DEVICE_UP:0001_U:0002"});
    }
    n.hardwareIds.push_back("HID_DEVICE");
    for (const auto& [ip, k] : inputs) {
      if (n.desc.empty()) n.desc = Printable(tree.Attr(ip, "name"));
    }
    if (n.desc.empty()) n.desc = n.cls->generic;
    const std::string drv = DriverOf(tree, path);
    if (!drv.empty()) n.drivers.push_back(drv);
    n.driverVersion = DriverVersionOf(context, path, drv);
    n.driverExpected = true;
    n.busType = kBusHid;
    for (const std::string& raw : tree.List(JoinPath(path, "hidraw"))) {
      if (StartsWith(raw, "hidraw") && raw.size() > 6) AddInterfaceTo(n, kItfHid, "/dev/hidraw" + IdPart(raw.substr(6)));
    }
    for (const auto& [ip, k] : inputs) {
      graph.MarkInputHandled(ip);
      NodeInterface itf;
      if (InputInterfaceOf(tree, ip, k, itf)) AddInterfaceTo(n, itf.guid, itf.path);
    }
    graph.Add(std::move(n));
  }
}

void ScanInputs(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  DeviceGraph& graph = context.graph;
  std::size_t created = 0;
  for (const auto& [name, path] : DevicesListedIn(tree, "class/input", "input")) {
    if (graph.InputHandled(path)) continue;
    const InputKind kind = InputKindOf(tree, path);
    NodeInterface itf;
    // A keyboard or pointing device on a serio port is a device of its own, whatever is listed above the
    // port (the keyboard controller's platform device, a port it passes through).
    const bool onSerioPort = kind != InputKind::other && OnSerioPort(tree, path);
    if (const std::optional<NodeId> owner = onSerioPort ? std::nullopt : graph.Above(path)) {
      graph.MarkInputHandled(path);
      if (InputInterfaceOf(tree, path, kind, itf)) graph.AddInterface(*owner, itf.guid, itf.path);
      continue;
    }
    if (kind == InputKind::other) continue;
    // A PS/2 keyboard or mouse behind the keyboard controller is, on Windows, the ACPI device itself.
    if (StartsWith(tree.Attr(path, "phys"), "isa0060/serio")) {
      const auto target = graph.FirstAcpiDeviceOf(kind == InputKind::keyboard ? kKeyboard : kMouse);
      if (target) {
        graph.MarkInputHandled(path);
        if (InputInterfaceOf(tree, path, kind, itf)) graph.AddInterface(*target, itf.guid, itf.path);
        continue;
      }
    }
    const std::string vid = HexField(tree.Attr(path, "id/vendor"), 4);
    const std::string pid = HexField(tree.Attr(path, "id/product"), 4);
    Node n;
    n.path = path;
    n.cls = kind == InputKind::keyboard ? &kKeyboard : &kMouse;
    const std::string vp = "HID\\VID_" + (vid.empty() ? "0000" : vid) + "&PID_" + (pid.empty() ? "0000" : pid);
    n.id = vp + "\\" + SuffixOf(1, Dir(path), Hex(created++, 4));
    n.hardwareIds = {vp, kind == InputKind::keyboard ? "HID_DEVICE_SYSTEM_KEYBOARD" : "HID_DEVICE_SYSTEM_MOUSE"};
    n.desc = Printable(tree.Attr(path, "name"));
    if (n.desc.empty()) n.desc = n.cls->generic;
    n.rootEnumerated = StartsWith(path, "devices/virtual/");
    graph.MarkInputHandled(path);
    if (InputInterfaceOf(tree, path, kind, itf)) AddInterfaceTo(n, itf.guid, itf.path);
    graph.Add(std::move(n));
  }
}

}  // namespace devlist::sysfs
