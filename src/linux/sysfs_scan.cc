#include "sysfs_scan.h"

#include <utility>

#include "device_model.h"
#include "property_emission.h"
#include "scanners.h"

namespace devlist {
namespace {

// Which scans create devices and which attach to devices already found.
enum class ScanRole { creates, attachesOrCreates, attaches };

struct ScanStep {
  const char* subsystem;
  sysfs::Scanner scan;
  ScanRole role;
};

// The order of the scans, stated once. Buses come first, so that class devices find the device they belong
// to above them: PCI and USB before HID, block and net; ACPI after PCI, whose functions it names; the other
// buses after ACPI, which lists the devices it describes on them, and before net, so a network interface
// of a platform or SDIO device is that device's; the input scan after HID, ACPI and those buses, which
// claim their inputs; the PS/2 ports after the input scan, which gives their inputs to the firmware's
// keyboard and mouse; every scan that only attaches after all that create.
constexpr ScanStep kScanSteps[] = {
    {"pci", sysfs::ScanPci, ScanRole::creates},
    {"usb", sysfs::ScanUsb, ScanRole::creates},
    {"hid", sysfs::ScanHid, ScanRole::creates},
    {"block", sysfs::ScanBlock, ScanRole::creates},
    {"scsi_tape, scsi_changer", sysfs::ScanScsiTapesAndChangers, ScanRole::creates},
    {"cpu", sysfs::ScanCpus, ScanRole::creates},
    {"acpi", sysfs::ScanAcpi, ScanRole::creates},
    {"platform, spi, i2c, serial, mmc, sdio", sysfs::ScanBusDevices, ScanRole::creates},
    {"net", sysfs::ScanNet, ScanRole::attachesOrCreates},
    {"input", sysfs::ScanInputs, ScanRole::attachesOrCreates},
    {"serio", sysfs::ScanSerioPorts, ScanRole::creates},
    {"tty", sysfs::ScanTty, ScanRole::attaches},
    {"sound", sysfs::ScanSound, ScanRole::attaches},
    {"video4linux", sysfs::ScanVideo, ScanRole::attaches},
    {"gnss", sysfs::ScanGnss, ScanRole::attaches},
    {"bluetooth", sysfs::ScanBluetooth, ScanRole::attaches},
    {"power_supply", sysfs::ScanPowerSupplies, ScanRole::attachesOrCreates},
    {"drm", sysfs::ScanDrm, ScanRole::creates},
    {"iio", sysfs::ScanIio, ScanRole::creates},
    {"hwmon", sysfs::ScanHwmon, ScanRole::creates},
    {"history", sysfs::ScanHistory, ScanRole::attachesOrCreates},
};

}  // namespace

void ScanSysfs(const std::string& root, const SysfsScanOptions& options) {
  // The graph lives only for this scan: once its nodes are in the model, nothing of it is kept.
  sysfs::DeviceGraph graph;
  {
    const sysfs::SysfsReader tree(root, options.beforeRead);
    if (tree.Usable()) {
      const history::DeviceHistory recorded = options.history ? options.history() : history::DeviceHistory{};
      sysfs::ScanContext context{tree, graph, options.cpuinfoPath, options.hwdb, options.names};
      context.history = &recorded;
      for (const ScanStep& step : kScanSteps) step.scan(context);
    }
    // A file the reader could not open for want of a descriptor reads as missing: the devices it would have
    // shown, or shown so, would be lost without a word. The listing fails instead.
    if (tree.RanOutOfDescriptors()) {
      model::FailLoading(ERROR_TOO_MANY_OPEN_FILES);
      return;
    }
    if (!tree.Usable()) return;  // no sysfs here: nothing to list
  }  // the reader's kept directories go before the model is filled
  sysfs::EmitIntoModel(graph);
}

void InstallSysfsLoader(std::string root, NamesShown names) {
  SysfsScanOptions options;
  options.cpuinfoPath = "/proc/cpuinfo";
  options.hwdb = OpenSystemHwdbOnFirstLookup();
  options.names = names == NamesShown::yes;
  // The record only adds to what a device report shows (dates, devices no longer there), so a listing of
  // interfaces leaves it unread.
  if (options.names) options.history = [] { return history::ReadDeviceHistory(); };
  InstallSysfsLoader(std::move(root), std::move(options));
}

void InstallSysfsLoader(std::string root, SysfsScanOptions options) {
  model::SetLoader([root = std::move(root), options = std::move(options)]() { ScanSysfs(root, options); });
}

}  // namespace devlist
