// What every subsystem scanner works with: the confined reader, the device graph, the names of the hardware
// database and the facts of sysfs that several scanners read the same way (drivers, firmware nodes, inputs).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "device_graph.h"
#include "device_history.h"
#include "hardware_database.h"
#include "sysfs_reader.h"

namespace devlist::sysfs {

struct ScanContext {
  const SysfsReader& tree;
  DeviceGraph& graph;
  /// A file in the form of /proc/cpuinfo, for processor names; empty reads none.
  const std::string& cpuinfoPath;
  const HwdbLookup& hwdb;
  /// Whether the listing shows names; when it does not, a lookup for a name alone answers nothing.
  bool names = true;
  /// Reads the USB devices the kernel's record holds (`usbDevicesOnly`: only what dates the USB devices
  /// themselves); empty reads none.
  std::function<history::DeviceHistory(bool usbDevicesOnly)> readHistory{};
  /// Whether the listing shows devices that are not present now.
  bool absentListed = true;
  /// The module version of each driver asked so far, by the path its links lead to and its name.
  std::map<std::string, std::string> driverVersions{};
  /// The number of each USB interface the USB scan took, by the interface's path: a HID device on one is
  /// given it without the interface's folder being opened again.
  std::unordered_map<std::string, unsigned long long> usbInterfaceNumbers{};

  /// The hardware database's answer for a modalias, for names: every name lookup of the scan comes through
  /// here, and nothing is asked for an empty modalias, nor for any when the listing shows no names.
  HwdbProperties Lookup(const std::string& modalias) const;
  /// The same for an answer that decides more than a name (a device's class): asked whatever the listing.
  HwdbProperties LookupDeciding(const std::string& modalias) const;
};

/// An entry of a bus or class folder and the device folder it leads to.
struct ListedDevice {
  std::string name, path;
};

/// The entries of `dir` (bus/hid/devices, class/hwmon, ...) whose names start with `prefix` and that lead to
/// a folder inside the tree, in the listing's order; the others are left out. Each is resolved only when a
/// loop comes to it, so the folder it leads to is opened once, as it is read, rather than once to be found
/// and again, many folders later, to be read.
class DevicesListedIn {
 public:
  DevicesListedIn(const SysfsReader& tree, const std::string& dir, const std::string& prefix = "");

  class Iterator {
   public:
    const ListedDevice& operator*() const { return current_; }
    Iterator& operator++();
    bool operator==(const Iterator& other) const { return at_ == other.at_; }

   private:
    friend class DevicesListedIn;
    Iterator(const DevicesListedIn& list, std::size_t at) : list_(&list), at_(at) {}
    /// Moves on from `at_` to the first entry that matches and resolves.
    void Settle();
    const DevicesListedIn* list_;
    std::size_t at_;
    ListedDevice current_;
  };

  Iterator begin() const;
  Iterator end() const { return Iterator(*this, names_.size()); }

 private:
  const SysfsReader& tree_;
  std::string dir_, prefix_;
  std::vector<std::string> names_;
};

/// A scanner: finds the devices of one subsystem, or attaches what it finds to devices found before.
using Scanner = void (*)(ScanContext& context);

/// One entry of a hardware database answer, printable; empty when it is not there.
std::string DatabaseName(const HwdbProperties& answer, const char* key);

/// The driver bound to a device, and the module version it reports; empty when there is none.
std::string DriverOf(const SysfsReader& tree, const std::string& path);
/// The version is read once a driver, however many devices it drives.
std::string DriverVersionOf(ScanContext& context, const std::string& path, const std::string& driver);

/// The ACPI path ("\_SB_.PCI0.S18") of a device's firmware node; empty when it has none.
std::string FirmwarePathOf(const SysfsReader& tree, const std::string& path);

enum class InputKind { other, keyboard, mouse };

/// What an input device (class/input/inputN) is, by what its capability bitmaps say it can do.
InputKind InputKindOf(const SysfsReader& tree, const std::string& inputPath);

/// The event node of an input device: "/dev/input/event3", or empty.
std::string EventNodeOf(const SysfsReader& tree, const std::string& inputPath);

/// Whether bit `bit` is set in a bitmap written as hexadecimal words of the kernel's long, the most
/// significant first; 32-bit words when the later words are padded to 8 digits, else 64-bit ones.
bool HasBit(const std::string& words, unsigned bit);

/// The keyboard or mouse interface of an input; false when it is neither or has no event node.
bool InputInterfaceOf(const SysfsReader& tree, const std::string& inputPath, InputKind kind, NodeInterface& out);

}  // namespace devlist::sysfs
