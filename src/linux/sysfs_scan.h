// Discovery on Linux: fills the device model from a sysfs tree, so that the Win32-shaped calls list the
// machine's real devices, each as the device Windows would show for it.
#pragma once

#include <functional>
#include <string>

#include "device_history.h"
#include "hardware_database.h"
#include "platform.h"

namespace devlist {

struct SysfsScanOptions {
  /// A file in the form of /proc/cpuinfo, for processor names; empty reads none.
  std::string cpuinfoPath;
  /// Vendor and model names by modalias; empty falls back to the strings sysfs holds.
  HwdbLookup hwdb;
  /// False when the listing shows no names (an interface listing): the database is then asked only where its
  /// answer decides more than a name (a device's class), so a run that needs no such answer never opens it.
  bool names = true;
  /// The USB devices the kernel's record holds, read when the scan needs them (`usbDevicesOnly`: only what
  /// dates the USB devices themselves, no function of theirs); none when empty.
  std::function<history::DeviceHistory(bool usbDevicesOnly)> history;
  /// Whether the listing shows devices that are not present now. When it does not, the record is read only
  /// where a USB device is present, and only for the dates of such devices.
  bool absentListed = true;
  /// Test hook, run before each file, directory or link under the root is read (given its absolute path),
  /// so a test can make a device vanish between the scan and the read.
  std::function<void(const std::string& path)> beforeRead;
};

/// Adds to the device model every device found under `root` (a sysfs tree: `/sys` on the live machine).
/// Only reads, only inside `root`; what is missing or unreadable is left out without a message. Returns 0,
/// or why the machine could not be read, as an errno value: `root` or its `devices` directory missing or
/// unreadable (the model then holds what could be found), or too few descriptors (every SetupDiGetClassDevsA
/// then fails, see model::FailLoading). A tree that holds few devices is no failure.
int ScanSysfs(const std::string& root, const SysfsScanOptions& options = {});

/// Makes the first SetupDiGetClassDevsA scan `root`, with /proc/cpuinfo, the system's hardware database
/// (opened on the first name looked up, and only looked up for what the listing shows) and the kernel's
/// record of USB devices (as much of it as `shows` needs). The scan's failure is noted for
/// model::UnreadMachineError.
void InstallSysfsLoader(std::string root, const ListingShows& shows);
/// The same with options of the caller's.
void InstallSysfsLoader(std::string root, SysfsScanOptions options);

}  // namespace devlist
