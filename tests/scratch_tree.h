// Small sysfs trees built inside a test, and the readers of what the scan made of them.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device_model.h"
#include "device_report.h"
#include "interface_classes.h"
#include "platform.h"
#include "sysfs_scan.h"
#include "test_support.h"

namespace devlist::testing {

/// A scratch sysfs tree, removed when the test ends.
class ScratchTree {
 public:
  ScratchTree() {
    char pattern[] = "/tmp/devlist-sysfs-XXXXXX";
    const char* made = mkdtemp(pattern);
    root_ = made != nullptr ? made : "";
  }
  ~ScratchTree() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }
  ScratchTree(const ScratchTree&) = delete;
  ScratchTree& operator=(const ScratchTree&) = delete;

  const std::string& root() const { return root_; }
  std::string Path(const std::string& rel) const { return root_ + "/" + rel; }
  void File(const std::string& rel, const std::string& content) const {
    std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
    std::ofstream(Path(rel), std::ios::binary) << content;
  }
  void Link(const std::string& rel, const std::string& target) const {
    std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
    std::filesystem::create_symlink(target, Path(rel));
  }
  void Dir(const std::string& rel) const { std::filesystem::create_directories(Path(rel)); }
  /// A link from `rel` to the device at `target` (both relative to the root), as sysfs writes it.
  void LinkTo(const std::string& rel, const std::string& target) const {
    std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
    std::filesystem::create_symlink(
        std::filesystem::path(Path(target)).lexically_relative(std::filesystem::path(Path(rel)).parent_path()),
        Path(rel));
  }
  /// A device at `path` on `bus` (listed in bus/<bus>/devices), bound to `driver` when one is given.
  void BusDevice(const std::string& bus, const std::string& path, const std::string& driver = "",
                 const std::string& uevent = "") const {
    File(path + "/uevent", uevent);
    LinkTo("bus/" + bus + "/devices/" + std::filesystem::path(path).filename().string(), path);
    if (!driver.empty()) {
      Dir("bus/" + bus + "/drivers/" + driver);
      LinkTo(path + "/driver", "bus/" + bus + "/drivers/" + driver);
    }
  }
  /// A class device (class/<cls>/<name>) at `path`.
  void ClassDevice(const std::string& cls, const std::string& path, const std::string& uevent = "") const {
    File(path + "/uevent", uevent);
    LinkTo("class/" + cls + "/" + std::filesystem::path(path).filename().string(), path);
  }
  // A PCI function with the attributes the scanner needs.
  void Pci(const std::string& slot, const std::string& vendor = "0x8086", const std::string& cls = "0x020000") const {
    const std::string d = "devices/pci0000:00/" + slot;
    File(d + "/vendor", vendor + "\n");
    File(d + "/device", "0x1533\n");
    File(d + "/class", cls + "\n");
    Link("bus/pci/devices/" + slot, "../../../" + d);
  }

 private:
  std::string root_;
};

/// The name of a device's setup class (Device_Class), or "<none>" when no device has the id.
inline std::string ClassOf(const std::string& id) {
  const model::Device* d = model::FindDevice(id);
  return d == nullptr ? "<none>" : TextProperty(*d, "Device_Class");
}

/// The device paths of every interface of a device, in the model's order.
inline std::vector<std::string> InterfacePathsOf(const std::string& id) {
  std::vector<std::string> paths;
  for (const model::Interface& i : model::Interfaces()) {
    if (i.deviceInstanceId == id) paths.push_back(i.devicePath);
  }
  return paths;
}

/// The instance ids of every device whose id starts with `prefix`.
inline std::vector<std::string> IdsStartingWith(const std::string& prefix) {
  std::vector<std::string> ids;
  for (const model::Device& d : model::Devices()) {
    if (d.instanceId.compare(0, prefix.size(), prefix) == 0) ids.push_back(d.instanceId);
  }
  return ids;
}

}  // namespace devlist::testing
