// What a device on a firmware-described bus (platform, SPI, I2C, serial, MMC, SDIO) is: the class and kind
// its function shows, for the bus scan.
#pragma once

#include <string>
#include <vector>

#include "scan_context.h"

namespace devlist::sysfs {

/// The kind of ChromeOS EC a device is ("ChromeOS Fingerprint Sensor", ...), by the EC node it holds; empty
/// when it holds none.
std::string CrosEcDescription(const SysfsReader& tree, const std::string& path);

/// A fingerprint sensor on SPI or I2C: Linux gives them no class of their own.
bool IsFingerprintSensor(const SysfsReader& tree, const std::string& path, const std::string& modalias,
                         const std::string& driver);

/// The class of a bus device: a fingerprint sensor's, a memory card's host class, else what it holds or,
/// for an SDIO function, what its bound `cells` hold.
const ClassInfo* FunctionClassOf(const ScanContext& context, const std::string& bus, const std::string& path,
                                 const std::string& modalias, const std::string& driver,
                                 const std::vector<std::string>& cells);

}  // namespace devlist::sysfs
