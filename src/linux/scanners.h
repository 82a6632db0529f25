// The subsystem scanners, each in a file of its own; sysfs_scan.cc runs them in the order of its table.
#pragma once

#include "scan_context.h"

namespace devlist::sysfs {

// Scans that create devices.
void ScanPci(ScanContext& context);
void ScanUsb(ScanContext& context);
void ScanHid(ScanContext& context);
void ScanBlock(ScanContext& context);
void ScanScsiTapesAndChangers(ScanContext& context);
void ScanCpus(ScanContext& context);
void ScanAcpi(ScanContext& context);
void ScanIio(ScanContext& context);
void ScanHwmon(ScanContext& context);
void ScanDrm(ScanContext& context);
void ScanBusDevices(ScanContext& context);
void ScanSerioPorts(ScanContext& context);

// Scans that attach what they find to a device found before, and create one only when there is none.
void ScanNet(ScanContext& context);
void ScanInputs(ScanContext& context);
void ScanPowerSupplies(ScanContext& context);

// Scans that only attach to devices found before.
void ScanTty(ScanContext& context);
void ScanSound(ScanContext& context);
void ScanVideo(ScanContext& context);
void ScanGnss(ScanContext& context);
void ScanBluetooth(ScanContext& context);

// The devices the kernel's record has seen: dates for those present, devices not present for the others.
void ScanHistory(ScanContext& context);

}  // namespace devlist::sysfs
