// Discovery on Linux: fills the device model from a sysfs tree, so that the Win32-shaped calls list the
// machine's real devices, each as the device Windows would show for it.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace devlist {

/// The hardware database's answer for one modalias: ID_VENDOR_FROM_DATABASE, ID_MODEL_FROM_DATABASE, ...
using HwdbProperties = std::map<std::string, std::string>;
/// Looks a modalias up in a hardware database; an empty result when nothing matches.
using HwdbLookup = std::function<HwdbProperties(const std::string& modalias)>;

struct SysfsScanOptions {
  /// A file in the form of /proc/cpuinfo, for processor names; empty reads none.
  std::string cpuinfoPath;
  /// Vendor and model names by modalias; empty falls back to the strings sysfs holds.
  HwdbLookup hwdb;
  /// Test hook, run before each file, directory or link under the root is read (given its absolute path),
  /// so a test can make a device vanish between the scan and the read.
  std::function<void(const std::string& path)> beforeRead;
};

/// The system's hardware database through libudev; an empty function when the build has no libudev or the
/// database cannot be opened (names then come from sysfs).
HwdbLookup OpenSystemHwdb();

/// Adds to the device model every device found under `root` (a sysfs tree: `/sys` on the live machine).
/// Only reads, only inside `root`; what is missing or unreadable is left out without a message.
void ScanSysfs(const std::string& root, const SysfsScanOptions& options = {});

/// Makes the first SetupDiGetClassDevsA scan `root`, with /proc/cpuinfo and the system's hardware database.
void InstallSysfsLoader(std::string root);
/// The same with options of the caller's.
void InstallSysfsLoader(std::string root, SysfsScanOptions options);

}  // namespace devlist
