#include "sysfs_scan.h"

#include <dirent.h>
#include <fcntl.h>

#include <cerrno>
#include <utility>

#include "device_model.h"
#include "file_reads.h"
#include "property_emission.h"
#include "scanners.h"

namespace devlist {
namespace {

// Why the sysfs tree at `root` cannot be read, as an errno value; 0 when its devices directory can be listed.
// The reader takes a directory it cannot open or list for one without entries, so this is asked apart.
int UnreadableReason(const std::string& root) {
  const sysfs::UniqueFd dir(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.valid()) return errno;
  sysfs::UniqueFd devices(openat(dir.get(), "devices", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!devices.valid()) return errno;
  DIR* listing = fdopendir(devices.get());
  if (listing == nullptr) return errno;
  devices.Release();  // the listing owns it now
  errno = 0;
  const int error = readdir(listing) == nullptr ? errno : 0;
  closedir(listing);
  return error;
}

// The order of the scans, stated once. Buses come first, so that class devices find the device they belong
// to above them: PCI and USB before HID, block and net; ACPI after PCI, whose functions it names; the other
// buses after ACPI, which lists the devices it describes on them, and before net, so a network interface
// of a platform or SDIO device is that device's; the input scan after HID, ACPI and those buses, which
// claim their inputs; the PS/2 ports after the input scan, which gives their inputs to the firmware's
// keyboard and mouse; every scan that only attaches after all that create.
constexpr sysfs::Scanner kScanSteps[] = {
    sysfs::ScanPci,
    sysfs::ScanUsb,
    sysfs::ScanHid,
    sysfs::ScanBlock,
    sysfs::ScanScsiTapesAndChangers,
    sysfs::ScanCpus,
    sysfs::ScanAcpi,
    sysfs::ScanBusDevices,
    sysfs::ScanNet,
    sysfs::ScanInputs,
    sysfs::ScanSerioPorts,
    sysfs::ScanTty,
    sysfs::ScanSound,
    sysfs::ScanVideo,
    sysfs::ScanGnss,
    sysfs::ScanBluetooth,
    sysfs::ScanPowerSupplies,
    sysfs::ScanDrm,
    sysfs::ScanIio,
    sysfs::ScanHwmon,
    sysfs::ScanHistory,
};

}  // namespace

int ScanSysfs(const std::string& root, const SysfsScanOptions& options) {
  // The graph lives only for this scan: once its nodes are in the model, nothing of it is kept.
  sysfs::DeviceGraph graph;
  {
    const sysfs::SysfsReader tree(root, options.beforeRead);
    if (tree.Usable()) {
      sysfs::ScanContext context{tree, graph, options.cpuinfoPath, options.hwdb, options.names};
      context.readHistory = options.history;
      context.absentListed = options.absentListed;
      for (const sysfs::Scanner scan : kScanSteps) scan(context);
    }
    // A file the reader could not open for want of a descriptor reads as missing: the devices it would have
    // shown, or shown so, would be lost without a word. The listing fails instead.
    if (tree.RanOutOfDescriptors()) {
      model::FailLoading(ERROR_TOO_MANY_OPEN_FILES);
      return EMFILE;
    }
    if (!tree.Usable()) {
      const int reason = UnreadableReason(root);
      return reason != 0 ? reason : ENOENT;
    }
  }  // the reader's kept directories go before the model is filled
  sysfs::EmitIntoModel(graph);
  // Asked once the reader's descriptors are closed, so that it has as many as the scan had.
  return UnreadableReason(root);
}

void InstallSysfsLoader(std::string root, const ListingShows& shows) {
  SysfsScanOptions options;
  options.cpuinfoPath = "/proc/cpuinfo";
  options.hwdb = OpenSystemHwdbOnFirstLookup();
  options.names = shows.names;
  options.absentListed = shows.absentDevices;
  // What the record adds (dates, devices no longer there) shows only in device reports, and the listings
  // with names are the setup listings that print them: an interface listing has no use for the record.
  if (options.names) {
    options.history = [](bool usbDevicesOnly) {
      history::HistoryOptions system;  // the system's journal, else its text logs
      system.journal.usbDevicesOnly = usbDevicesOnly;
      return history::ReadDeviceHistory(system);
    };
  }
  InstallSysfsLoader(std::move(root), std::move(options));
}

void InstallSysfsLoader(std::string root, SysfsScanOptions options) {
  model::SetLoader([root = std::move(root), options = std::move(options)]() {
    model::NoteUnreadMachine(ScanSysfs(root, options));
  });
}

void ReadMachineDevices(const ListingShows& shows) { InstallSysfsLoader("/sys", shows); }

int MachineReadError() { return model::UnreadMachineError(); }

}  // namespace devlist
