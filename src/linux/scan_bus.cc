// Devices on the buses that firmware and drivers describe (platform, SPI, I2C, serial devices, MMC cards,
// SDIO functions) and the PS/2 ports (serio) that no other scan lists: every bound one, under the class its
// function has, below the nearest device listed above it.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "bus_function_class.h"
#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

// In the order they are scanned; each device is on one bus only.
constexpr const char* kBuses[] = {"platform", "spi", "i2c", "serial", "mmc", "sdio"};

// "coretemp.0", "ipmi_bmc.0100.32" and "cros-ec-dev.2.auto" without their instance: "coretemp", "ipmi_bmc",
// "cros-ec-dev".
std::string WithoutInstance(std::string name) {
  if (name.size() > 5 && name.compare(name.size() - 5, 5, ".auto") == 0) name.resize(name.size() - 5);
  for (std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0 && dot + 1 < name.size();
       dot = name.rfind('.')) {
    if (!std::all_of(name.begin() + static_cast<std::ptrdiff_t>(dot) + 1, name.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
      break;
    }
    name.resize(dot);
  }
  return name;
}

// A device named after its driver: the driver's name, or that name and a word more ("ipmi_bmc" of "ipmi").
// Driver and device names spell the parts of a word with "-" and "_" alike.
bool NamedAfter(const std::string& name, const std::string& driver) {
  const auto fold = [](char c) { return c == '-' ? '_' : c; };
  if (name.size() < driver.size() || driver.empty()) return false;
  if (!std::equal(driver.begin(), driver.end(), name.begin(), [&](char x, char y) { return fold(x) == fold(y); })) {
    return false;
  }
  return name.size() == driver.size() || fold(name[driver.size()]) == '_';
}

std::string ModaliasOf(const SysfsReader& tree, const std::string& path) {
  const std::string alias = tree.Attr(path, "modalias");
  return alias.empty() ? tree.Uevent(path, "MODALIAS") : alias;
}

// The listed device a bus device is the same hardware as: its firmware node is a listed device, or the
// firmware's view of one (a driver's cells share their parent's node).
std::optional<NodeId> SameHardwareAs(const ScanContext& context, const std::string& path) {
  const auto fw = context.tree.Resolve(JoinPath(path, "firmware_node"));
  if (!fw) return std::nullopt;
  if (const auto listed = context.graph.At(*fw)) return listed;
  const auto physical = context.tree.Resolve(JoinPath(*fw, "physical_node"));
  if (!physical || *physical == path) return std::nullopt;
  return context.graph.At(*physical);
}

// A device a driver makes for itself to have something to bind to (serial8250, i8042, coretemp.0,
// alarmtimer.0.auto, the IPMI handler's ipmi_bmc.0): named after its driver, described by no firmware, and no cell of a
// device above it (the cells a device's driver adds, a ChromeOS EC's among them, sit below a device of a bus). What
// hardware it stands for, the firmware lists (the serial ports, the keyboard) or a scan of its own does (its sensors).
bool DriversOwnDevice(const SysfsReader& tree, const std::string& path, const std::string& driver) {
  if (!NamedAfter(WithoutInstance(Base(path)), driver)) return false;
  if (tree.Exists(JoinPath(path, "firmware_node")) || tree.Exists(JoinPath(path, "of_node"))) return false;
  const auto above = tree.Resolve(JoinPath(Dir(path), "subsystem"));
  return !above || !StartsWith(*above, "bus/");
}

// A part that the driver of a PCI function, a USB device or an SDIO function adds below it (an LPSS controller's
// I2C and DMA cells, a card reader's SD and Memory Stick hosts, an audio DSP's sound card, the Wi-Fi core an SDIO
// glue driver hands its chip to): Windows lists the function, once, with the driver that holds it.
bool CellOfFunction(const SysfsReader& tree, const std::string& path) {
  const auto above = tree.Resolve(JoinPath(Dir(path), "subsystem"));
  return above && (*above == "bus/pci" || *above == "bus/usb" || *above == "bus/sdio");
}

// The bound cells right below an SDIO function, which hold what its chip does and the driver that does it.
std::vector<std::string> BoundCellsOf(const SysfsReader& tree, const std::string& path) {
  std::vector<std::string> cells;
  for (const std::string& child : tree.List(path)) {
    const std::string cell = JoinPath(path, child);
    const auto bus = tree.IsDir(cell) ? tree.Resolve(JoinPath(cell, "subsystem")) : std::nullopt;
    if (bus && *bus == "bus/platform" && !DriverOf(tree, cell).empty()) cells.push_back(cell);
  }
  return cells;
}

// The listed device that stands for a device: itself, the device it is the same hardware as, or the function
// it is a cell of.
std::optional<NodeId> ListedAs(const ScanContext& context, const std::string& path) {
  if (const auto listed = context.graph.At(path)) return listed;
  if (const auto same = SameHardwareAs(context, path)) return same;
  return CellOfFunction(context.tree, path) ? context.graph.AtOrAbove(Dir(path)) : std::nullopt;
}

// A function of an SDIO card whose driver holds a function of the card numbered lower too (a Wi-Fi chip's
// data function beside its first): one device, listed at the first. Functions of other drivers on the
// same card (Wi-Fi and Bluetooth of a combo chip) are devices of their own.
bool FurtherFunctionOfItsDriver(const SysfsReader& tree, const std::string& path, const std::string& driver) {
  const std::string card = Dir(path);
  for (const std::string& sibling : tree.List(card)) {
    if (sibling >= Base(path)) break;  // listed in order; function numbers have one digit
    if (StartsWith(sibling, Base(card) + ":") && DriverOf(tree, JoinPath(card, sibling)) == driver) return true;
  }
  return false;
}

// The name a bus matches drivers by: the first compatible of a device-tree node (from the uevent, or from an
// "of:N<name>T<type>C<compatible>" modalias), an ACPI id, the name in the modalias ("platform:cros-ec-dev",
// "i2c:ee1004"), else the device's own name without its instance.
std::string MatchName(const SysfsReader& tree, const std::string& path, const std::string& modalias) {
  const std::string compatible = tree.Uevent(path, "OF_COMPATIBLE_0");
  if (!compatible.empty()) return compatible;
  if (StartsWith(modalias, "of:")) {
    const std::size_t type = modalias.find('T', 3);
    const std::size_t first = type == std::string::npos ? type : modalias.find('C', type);
    if (first != std::string::npos && first + 1 < modalias.size()) {
      return modalias.substr(first + 1, modalias.find('C', first + 1) - first - 1);
    }
  } else if (StartsWith(modalias, "acpi:")) {
    return modalias.substr(5, modalias.find(':', 5) - 5);
  } else if (const std::size_t colon = modalias.find(':'); colon != std::string::npos && colon + 1 < modalias.size()) {
    return modalias.substr(colon + 1);
  }
  return WithoutInstance(Base(path));
}

struct BusIds {
  std::string device, instanceTail, desc;
  std::vector<std::string> hardwareIds;
};

// An attribute, else the uevent key the kernel writes the same value under.
std::string AttrOrUevent(const SysfsReader& tree, const std::string& path, const char* attr, const char* key) {
  const std::string value = tree.Attr(path, attr);
  return value.empty() ? tree.Uevent(path, key) : value;
}

BusIds CardIds(const SysfsReader& tree, const std::string& path) {
  const std::string type = Printable(AttrOrUevent(tree, path, "type", "MMC_TYPE"));
  const std::string name = Printable(AttrOrUevent(tree, path, "name", "MMC_NAME"));
  BusIds ids;
  ids.device = type + "&NAME_" + name;
  ids.hardwareIds = {"MMC\\" + HwPart(ids.device), "MMC\\" + HwPart(type)};
  const std::string serial = tree.Attr(path, "serial");
  ids.instanceTail = serial.empty() ? IdPart(Base(path)) : IdPart(serial);
  ids.desc = type == "SD" ? "SD Memory Card" : type == "MMC" ? "MMC Memory Card" : "Memory Card";
  return ids;
}

// An SDIO function's ids, from its attributes or else from its modalias ("sdio:c07v02D0dA9A6").
BusIds SdioIds(const SysfsReader& tree, const std::string& path, const std::string& modalias) {
  unsigned aliasClass = 0, aliasVendor = 0, aliasDevice = 0;
  const bool fromAlias =
      std::sscanf(modalias.c_str(), "sdio:c%2xv%4xd%4x", &aliasClass, &aliasVendor, &aliasDevice) == 3;
  const auto field = [&](const char* attr, unsigned fallback, int width) {
    const std::string value = HexField(tree.Attr(path, attr), width);
    return value.empty() && fromAlias ? Hex(fallback, width) : value;
  };
  const std::string vid = field("vendor", aliasVendor, 4), pid = field("device", aliasDevice, 4);
  const std::string fn = IdPart(Base(path).substr(Base(path).rfind(':') + 1));
  BusIds ids;
  const std::string vp = "VID_" + (vid.empty() ? "0000" : vid) + "&PID_" + (pid.empty() ? "0000" : pid);
  ids.device = vp + "&FN_" + fn;
  ids.hardwareIds = {"SDIO\\" + ids.device, "SDIO\\" + vp};
  const std::string cls = field("class", aliasClass, 2);
  if (!cls.empty()) ids.hardwareIds.push_back("SDIO\\CLASS_" + cls);
  ids.instanceTail = IdPart(Base(path));
  return ids;
}

BusIds GenericIds(const SysfsReader& tree, const std::string& bus, const std::string& path,
                  const std::string& modalias) {
  BusIds ids;
  ids.device = MatchName(tree, path, modalias);
  const std::string enumerator = Upper(bus) + "\\";
  const auto count = ParseNumber(tree.Uevent(path, "OF_COMPATIBLE_N"), 10).value_or(0);
  for (unsigned long long i = 0; i < std::min(count, 8ull); ++i) {
    const std::string compatible = tree.Uevent(path, "OF_COMPATIBLE_" + std::to_string(i));
    if (!compatible.empty()) ids.hardwareIds.push_back(enumerator + HwPart(compatible));
  }
  if (ids.hardwareIds.empty()) ids.hardwareIds.push_back(enumerator + HwPart(ids.device));
  ids.instanceTail = IdPart(Base(path));
  ids.desc = CrosEcDescription(tree, path);
  return ids;
}

void AddBusDevice(ScanContext& context, const std::string& bus, const std::string& path, const std::string& driver,
                  const std::string& modalias) {
  const SysfsReader& tree = context.tree;
  const BusIds ids = bus == "mmc"    ? CardIds(tree, path)
                     : bus == "sdio" ? SdioIds(tree, path, modalias)
                                     : GenericIds(tree, bus, path, modalias);
  const std::vector<std::string> cells = bus == "sdio" ? BoundCellsOf(tree, path) : std::vector<std::string>();
  Node n;
  n.path = path;
  n.cls = FunctionClassOf(context, bus, path, modalias, driver, cells);
  n.id = Upper(bus) + "\\" + IdPart(ids.device) + "\\" + SuffixOf(4, Dir(path), ids.instanceTail);
  n.hardwareIds = ids.hardwareIds;
  const HwdbProperties db = context.Lookup(modalias);
  n.desc = DatabaseName(db, "ID_MODEL_FROM_DATABASE");
  if (n.desc.empty()) n.desc = ids.desc;
  // A port, a network adapter or a sensor of a kind: the class says it best; a sensor chip, by its name.
  if (n.desc.empty() && n.cls != &kSystem && n.cls != &kSensor) n.desc = n.cls->generic;
  if (n.desc.empty()) n.desc = Printable(ids.device);
  const std::string cardName = bus == "mmc" ? AttrOrUevent(tree, path, "name", "MMC_NAME") : std::string();
  if (!cardName.empty()) n.names.push_back(Printable(cardName));
  n.manufacturer = DatabaseName(db, "ID_VENDOR_FROM_DATABASE");
  // A cell's driver holds the chip, above the function's own (its glue to the bus).
  for (const std::string& cell : cells) n.drivers.push_back(DriverOf(tree, cell));
  n.drivers.push_back(driver);
  n.driverVersion = DriverVersionOf(context, cells.empty() ? path : cells.front(), n.drivers.front());
  n.driverExpected = true;
  n.bios = BiosName(FirmwarePathOf(tree, path));
  if (n.cls == &kSensor) {
    for (const std::string& hw : tree.List(JoinPath(path, "hwmon"))) {
      AddInterfaceTo(n, kItfSensor, "/sys/class/hwmon/" + Printable(hw));
    }
  }
  context.graph.Add(std::move(n));
}

}  // namespace

void ScanBusDevices(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  DeviceGraph& graph = context.graph;
  // Without ACPI or a device tree (a board of old kernels), the board's own devices are the only account
  // of its hardware, so none of them stands for something the firmware lists.
  const bool firmwareLists = tree.IsDir("bus/acpi/devices") || tree.IsDir("firmware/devicetree");
  for (const std::string bus : kBuses) {
    const std::string dir = "bus/" + bus + "/devices";
    for (const std::string& name : tree.List(dir)) {
      const auto path = tree.Resolve(JoinPath(dir, name));
      if (!path) continue;
      // Most devices of a bus are unbound, and a device listed already has its driver read: a look at the
      // link is cheaper than reading it again.
      if (!tree.Exists(JoinPath(*path, "driver"))) continue;
      const std::string modalias = ModaliasOf(tree, *path);
      if (const auto listed = graph.At(*path)) {
        const std::vector<std::string>& drivers = graph.node(*listed).drivers;
        if (IsFingerprintSensor(tree, *path, modalias, drivers.empty() ? std::string() : drivers.front())) {
          graph.AttachFunctionClass(*listed, kBiometric);
        }
        continue;
      }
      const std::string driver = DriverOf(tree, *path);
      if (driver.empty()) continue;
      if (const auto same = SameHardwareAs(context, *path)) {
        graph.AttachFunctionDriver(*same, driver, DriverVersionOf(context, *path, driver));
        if (IsFingerprintSensor(tree, *path, modalias, driver)) graph.AttachFunctionClass(*same, kBiometric);
        continue;
      }
      if (bus == "platform" &&
          ((firmwareLists && DriversOwnDevice(tree, *path, driver)) || CellOfFunction(tree, *path))) {
        continue;
      }
      if (bus == "i2c" && driver == "dummy") continue;  // a further address of a chip listed at its first
      if (bus == "sdio" && FurtherFunctionOfItsDriver(tree, *path, driver)) continue;
      const std::vector<std::string> children = tree.List(*path);
      // A sensor the IIO scan lists by its IIO device.
      if (std::any_of(children.begin(), children.end(),
                      [](const std::string& c) { return StartsWith(c, "iio:device"); })) {
        continue;
      }
      AddBusDevice(context, bus, *path, driver, modalias);
    }
  }
  // SD hosts that other scans list: PCI SD host controllers, ACPI ones, and the functions a host is a cell of.
  for (const std::string& name : tree.List("class/mmc_host")) {
    const auto path = tree.Resolve(JoinPath("class/mmc_host", name));
    if (!path) continue;
    if (const auto owner = ListedAs(context, Dir(Dir(*path)))) graph.AttachFunctionClass(*owner, kSdHost);
  }
}

void ScanSerioPorts(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  DeviceGraph& graph = context.graph;
  for (const std::string& name : tree.List("bus/serio/devices")) {
    const auto path = tree.Resolve(JoinPath("bus/serio/devices", name));
    if (!path || graph.At(*path)) continue;
    const std::string driver = DriverOf(tree, *path);
    if (driver.empty()) continue;
    // A port the firmware names (the keyboard controller's, found through its PNP0303 or PNP0F13 device) is
    // the keyboard or mouse listed with the firmware's devices; a port whose input a device has claimed (as
    // the input scan does for the keyboard controller's ports) is that device.
    if (!tree.Attr(*path, "firmware_id").empty()) continue;
    const std::vector<std::string> inputs = tree.List(JoinPath(*path, "input"));
    if (std::any_of(inputs.begin(), inputs.end(), [&](const std::string& in) {
          return graph.InputHandled(JoinPath(JoinPath(*path, "input"), in));
        })) {
      continue;
    }
    const std::string modalias = ModaliasOf(tree, *path);
    Node n;
    n.path = *path;
    const std::string device = StartsWith(modalias, "serio:") ? modalias.substr(6) : std::string("PORT");
    n.id = "SERIO\\" + IdPart(device) + "\\" + SuffixOf(4, Dir(*path), IdPart(Base(*path)));
    n.hardwareIds = {"SERIO\\" + HwPart(device)};
    n.desc = Printable(tree.Attr(*path, "description"));
    if (n.desc.empty()) n.desc = "PS/2 port";
    n.drivers.push_back(driver);
    n.driverVersion = DriverVersionOf(context, *path, driver);
    n.driverExpected = true;
    graph.Add(std::move(n));
  }
}

}  // namespace devlist::sysfs
