// Batteries (class/power_supply), IIO sensors (bus/iio/devices) and hwmon chips (class/hwmon) that belong to
// no other device.
#include <algorithm>
#include <string>

#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {

void ScanPowerSupplies(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  DeviceGraph& graph = context.graph;
  for (const auto& [name, path] : DevicesListedIn(tree, "class/power_supply")) {
    if (tree.Attr(path, "type") != "Battery") continue;
    const std::optional<NodeId> owner = graph.Above(path);
    const std::string itfPath = "/sys/class/power_supply/" + Printable(name);
    const std::string maker = Printable(tree.Attr(path, "manufacturer"));
    const std::string model = Printable(tree.Attr(path, "model_name"));
    if (owner && graph.node(*owner).cls == &kBattery) {
      graph.AttachBatteryReport(*owner, itfPath, maker, model);
      continue;
    }
    Node n;
    n.path = path;
    n.cls = &kBattery;
    n.id = "POWER_SUPPLY\\BATTERY\\" + IdPart(name);
    n.hardwareIds = {"POWER_SUPPLY\\BATTERY"};
    n.desc = model.empty() ? std::string("Battery") : model;
    n.manufacturer = maker;
    n.model = model;
    AddInterfaceTo(n, kItfBattery, itfPath);
    graph.Add(std::move(n));
  }
}

void ScanIio(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  for (const auto& [name, path] : DevicesListedIn(tree, "bus/iio/devices", "iio:device")) {
    if (context.graph.At(path)) continue;
    const std::string sensor = Printable(tree.Attr(path, "name"));
    Node n;
    n.path = path;
    n.cls = &kSensor;
    n.id = "IIO\\" + (sensor.empty() ? std::string("SENSOR") : IdPart(sensor)) + "\\" + IdPart(name.substr(10));
    n.hardwareIds = {"IIO\\" + HwPart(sensor.empty() ? "Sensor" : sensor)};
    n.desc = sensor.empty() ? kSensor.generic : sensor;
    // The driver is bound to the sensor's own device, of which the IIO device is a view.
    std::string drv = DriverOf(tree, path);
    if (drv.empty()) drv = DriverOf(tree, Dir(path));
    if (!drv.empty()) n.drivers.push_back(drv);
    AddInterfaceTo(n, kItfSensor, "/dev/" + Printable(name));
    context.graph.Add(std::move(n));
  }
}

void ScanHwmon(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  for (const auto& [name, path] : DevicesListedIn(tree, "class/hwmon")) {
    // A sensor of a device listed already, or of a thermal zone, is not a device of its own.
    if (context.graph.Above(path) || StartsWith(path, "devices/virtual/")) continue;
    const std::string chip = Printable(tree.Attr(path, "name"));
    if (chip.empty()) continue;
    Node n;
    n.path = path;
    n.cls = &kSensor;
    n.id = "HWMON\\" + IdPart(chip) + "\\" + IdPart(name.substr(std::min<std::size_t>(5, name.size())));
    n.hardwareIds = {"HWMON\\" + HwPart(chip)};
    n.desc = chip;
    const auto device = tree.Resolve(JoinPath(path, "device"));
    const std::string drv = device ? DriverOf(tree, *device) : std::string();
    if (!drv.empty()) n.drivers.push_back(drv);
    AddInterfaceTo(n, kItfSensor, "/sys/class/hwmon/" + Printable(name));
    context.graph.Add(std::move(n));
  }
}

}  // namespace devlist::sysfs
