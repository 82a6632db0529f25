// What a device on a firmware-described bus is, from what it holds: a ChromeOS EC's kind, a fingerprint
// sensor, its class devices, a serial port, an input or HID devices below it.
#include "bus_function_class.h"

#include <cctype>

#include "sysfs_path.h"
#include "sysfs_text.h"

namespace devlist::sysfs {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The ChromeOS EC nodes, by what the EC is: in class chromeos, and the character device of the same name
// (class misc) that some kernels put beside it or in its place.
struct CrosEcKind {
  const char* node;
  const char* desc;
};
constexpr CrosEcKind kCrosEcKinds[] = {
    {"cros_ec", "ChromeOS Embedded Controller"},       {"cros_fp", "ChromeOS Fingerprint Sensor"},
    {"cros_pd", "ChromeOS Power Delivery Controller"}, {"cros_ish", "ChromeOS Integrated Sensor Hub"},
    {"cros_scp", "ChromeOS System Control Processor"}, {"cros_tp", "ChromeOS Touchpad Controller"},
};

bool HasEcNode(const SysfsReader& tree, const std::string& path, const char* node) {
  return tree.IsDir(JoinPath(path, std::string("chromeos/") + node)) ||
         tree.IsDir(JoinPath(path, std::string("misc/") + node));
}

}  // namespace

std::string CrosEcDescription(const SysfsReader& tree, const std::string& path) {
  for (const CrosEcKind& k : kCrosEcKinds) {
    if (HasEcNode(tree, path, k.node)) return k.desc;
  }
  return {};
}

namespace {

// Fingerprint sensors on SPI and I2C have no class of their own in Linux: a driver or firmware id that says
// so, the id of a sensor driven from user space through spidev, or the cros_fp node of a ChromeOS EC that
// is a fingerprint MCU tells them.
constexpr const char* kFingerprintAliases[] = {"acpi:ELAN7001:"};

}  // namespace

bool IsFingerprintSensor(const SysfsReader& tree, const std::string& path, const std::string& modalias,
                         const std::string& driver) {
  if (Lower(modalias + " " + driver).find("fingerprint") != std::string::npos) return true;
  for (const char* alias : kFingerprintAliases) {
    if (StartsWith(modalias, alias)) return true;
  }
  return HasEcNode(tree, path, "cros_fp");
}

namespace {

// The class devices that say what a device does, in the order they decide.
struct FunctionFolder {
  const char* folder;
  const ClassInfo* cls;
};
constexpr FunctionFolder kFunctionFolders[] = {
    {"mmc_host", &kSdHost},     {"net", &kNet},      {"drm", &kDisplay}, {"sound", &kMedia},
    {"bluetooth", &kBluetooth}, {"hwmon", &kSensor},
};

// A serial port of the device (on newer kernels behind the serial core's controller and port devices) that
// has a UART behind it, as the tty scan counts them.
bool HasSerialPort(const SysfsReader& tree, const std::string& path) {
  const std::string name = Base(path);
  for (const std::string& dir : {JoinPath(path, "tty"), JoinPath(path, name + ":0/" + name + ":0.0/tty")}) {
    for (const std::string& tty : tree.List(dir)) {
      if (tree.Attr(JoinPath(dir, tty), "type") != "0") return true;
    }
  }
  return false;
}

// The class of what a device holds: its class devices, a serial port, an input, HID devices below it.
const ClassInfo* HeldClassOf(const ScanContext& context, const std::string& path) {
  const SysfsReader& tree = context.tree;
  for (const FunctionFolder& f : kFunctionFolders) {
    if (!tree.List(JoinPath(path, f.folder)).empty()) return f.cls;
  }
  if (HasSerialPort(tree, path)) return &kPorts;
  for (const std::string& in : tree.List(JoinPath(path, "input"))) {
    const InputKind kind = InputKindOf(tree, JoinPath(JoinPath(path, "input"), in));
    if (kind != InputKind::other) return kind == InputKind::keyboard ? &kKeyboard : &kMouse;
  }
  // The transport of HID devices listed below it (I2C HID without firmware of its own).
  for (const std::string& child : tree.List(path)) {
    const auto id = context.graph.At(JoinPath(path, child));
    if (id && context.graph.node(*id).busType == kBusHid) return &kHid;
  }
  return &kSystem;
}

}  // namespace

const ClassInfo* FunctionClassOf(const ScanContext& context, const std::string& bus, const std::string& path,
                                 const std::string& modalias, const std::string& driver,
                                 const std::vector<std::string>& cells) {
  if (IsFingerprintSensor(context.tree, path, modalias, driver)) return &kBiometric;
  if (bus == "mmc") return &kSdHost;  // a memory card, of its host's class as on Windows; its disk is a disk
  const ClassInfo* cls = HeldClassOf(context, path);
  for (auto cell = cells.begin(); cls == &kSystem && cell != cells.end(); ++cell) cls = HeldClassOf(context, *cell);
  return cls;
}

}  // namespace devlist::sysfs
