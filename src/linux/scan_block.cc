// Block devices (class/block): disks and optical drives, named as Windows names SCSI, USB storage, NVMe and
// virtual disks, and the partitions on them as storage volumes.
#include <cstdio>
#include <optional>
#include <string>

#include "scanners.h"
#include "sysfs_path.h"
#include "sysfs_text.h"
#include "text.h"

namespace devlist::sysfs {
namespace {

// What a disk's device says about it.
struct DiskFacts {
  std::string vendor, product, rev, driver, host, tail = "000000";
  bool cdrom = false;
  int depth = 4;
};

bool ParseScsiAddress(const std::string& name, unsigned& h, unsigned& c, unsigned& t, unsigned& l) {
  return std::sscanf(name.c_str(), "%u:%u:%u:%u", &h, &c, &t, &l) == 4;
}

bool IsPartition(const SysfsReader& tree, const std::string& path) {
  // The uevent, read once for all of a device's keys, says what the device is (older kernels have no
  // partition attribute); without the type there, the attribute tells.
  const std::string type = tree.Uevent(path, "DEVTYPE");
  if (!type.empty()) return type == "partition";
  return !tree.Attr(path, "partition").empty();
}

// nvmeXcYnZ: one controller's path to a namespace of a multipath subsystem. It has no device node; the
// disk users open is the subsystem's nvmeXnZ.
bool IsNvmePathNode(const std::string& name) {
  unsigned x = 0, y = 0, z = 0;
  char tail = 0;
  return std::sscanf(name.c_str(), "nvme%uc%un%u%c", &x, &y, &z, &tail) == 3;
}

// An eMMC's boot areas (mmcblk0boot0, mmcblk0boot1) and, on older kernels, its replay-protected area
// (mmcblk0rpmb) are block devices of their own, but they are parts of the one chip whose disk is mmcblk0:
// listing them would show one card as three disks.
bool IsEmmcFixedArea(const std::string& name) {
  unsigned card = 0, area = 0;
  int used = 0;
  if (std::sscanf(name.c_str(), "mmcblk%uboot%u%n", &card, &area, &used) == 2 &&
      static_cast<std::size_t>(used) == name.size()) {
    return true;
  }
  used = 0;
  return std::sscanf(name.c_str(), "mmcblk%urpmb%n", &card, &used) == 1 && used > 0 &&
         static_cast<std::size_t>(used) == name.size();
}

// The first controller of a multipath NVMe subsystem (devices/virtual/nvme-subsystem/nvme-subsysN), whose
// links nvmeX lead to its controllers; none when the subsystem links none.
std::optional<std::string> SubsystemController(const SysfsReader& tree, const std::string& subsystem) {
  for (const std::string& name : tree.List(subsystem)) {
    unsigned x = 0;
    char tail = 0;
    if (std::sscanf(name.c_str(), "nvme%u%c", &x, &tail) != 1) continue;
    const auto ctrl = tree.Resolve(JoinPath(subsystem, name));
    if (ctrl && !StartsWith(*ctrl, "devices/virtual/")) return ctrl;
  }
  return std::nullopt;
}

// A disk's place, as the scan sees it: its own path, or for a multipath NVMe disk the path its controller
// would give it, so it is named and parented as the same disk without multipath would be.
DiskFacts ReadDiskFacts(ScanContext& context, const std::string& path, const std::string& place,
                        const std::string& devName, bool loop, const std::optional<std::string>& devicePath) {
  const SysfsReader& tree = context.tree;
  DiskFacts f;
  f.cdrom = StartsWith(devName, "sr");
  if (loop) {
    f.vendor = "Linux";
    f.product = "Loop";
    return f;
  }
  const std::string model = devicePath ? tree.Attr(*devicePath, "model") : std::string();
  if (devicePath && !model.empty() && tree.Exists(JoinPath(*devicePath, "vendor")) &&
      tree.Exists(JoinPath(*devicePath, "rev"))) {
    // A SCSI device (SATA and SAS disks, USB storage, optical drives).
    f.vendor = Printable(tree.Attr(*devicePath, "vendor"));
    f.product = Printable(model);
    f.rev = Printable(tree.Attr(*devicePath, "rev"));
    if (tree.Attr(*devicePath, "type") == "5") f.cdrom = true;
    unsigned h = 0, c = 0, t = 0, l = 0;
    if (ParseScsiAddress(Base(*devicePath), h, c, t, l)) {
      f.tail = Hex(c & 0xFF, 2) + Hex(t & 0xFF, 2) + Hex(l & 0xFF, 2);
      f.host = "/host" + std::to_string(h);  // two ports of one controller are two SCSI buses
    }
    // ATA drives report "ATA" as their vendor; Windows takes the model's first word instead.
    if (f.vendor == "ATA") {
      const std::size_t space = f.product.find(' ');
      f.vendor = space == std::string::npos ? std::string() : f.product.substr(0, space);
      f.product = space == std::string::npos ? f.product : Trim(f.product.substr(space + 1));
    }
    f.driver = DriverOf(tree, *devicePath);
  } else if (devicePath && StartsWith(Base(*devicePath), "nvme")) {
    f.vendor = "NVMe";
    f.product = Printable(model);
    f.rev = Printable(tree.Attr(*devicePath, "firmware_rev"));
    const auto nsid = ParseNumber(tree.Attr(path, "nsid"), 10);
    f.tail = Hex(nsid && *nsid > 0 ? (*nsid - 1) & 0xFFFFFF : 0, 6);
    f.depth = 5;
    const std::optional<NodeId> ctrl = context.graph.Above(place);
    const auto& drivers = ctrl ? context.graph.node(*ctrl).drivers : std::vector<std::string>{};
    f.driver = drivers.empty() ? std::string() : drivers.back();
  } else if (devicePath && StartsWith(Base(*devicePath), "virtio")) {
    f.vendor = "VirtIO";
    f.product = "Block Device";
    f.driver = DriverOf(tree, *devicePath);
  } else if (devicePath && StartsWith(Base(*devicePath), "mmc")) {
    f.vendor = Printable(tree.Attr(*devicePath, "type"));
    f.product = Printable(tree.Attr(*devicePath, "name"));
    f.driver = DriverOf(tree, *devicePath);
  } else {
    f.product = devName;
    if (devicePath) f.driver = DriverOf(tree, *devicePath);
  }
  return f;
}

// The partitions of a disk, as volumes named after the disk and their offset. The kernel names a partition
// after its disk (sda1, nvme0n1p1), in a folder of the disk's: the disk's other folders (queue, power,
// holders) and its links are not asked what they are.
void AddVolumes(ScanContext& context, const std::string& path, const std::string& diskId) {
  const SysfsReader& tree = context.tree;
  const std::string disk = Base(path);
  for (const std::string& part : tree.List(path)) {
    const std::string pp = JoinPath(path, part);
    if (part.size() <= disk.size() || !StartsWith(part, disk) || !tree.IsDir(pp) || !IsPartition(tree, pp)) continue;
    const auto start = ParseNumber(tree.Attr(pp, "start"), 10);
    Node v;
    v.path = pp;
    v.cls = &kVolume;
    v.id = "STORAGE\\VOLUME\\" + GuidToText(GuidFromText(diskId)) + "#" +
           Hex(start.value_or(0) * 512 & 0xFFFFFFFFFFFFFFFFull, 16);
    v.hardwareIds = {"STORAGE\\Volume"};
    v.desc = kVolume.generic;
    v.friendly = Printable(tree.Uevent(pp, "PARTNAME"));
    AddInterfaceTo(v, kItfVolume, "/dev/" + Base(pp));
    AddInterfaceTo(v, kItfPartition, "/dev/" + Base(pp));
    context.graph.Add(std::move(v));
  }
}

void AddDisk(ScanContext& context, const std::string& path, const std::string& devName, bool loop,
             const std::string& backing, const std::optional<std::string>& controller = std::nullopt) {
  const SysfsReader& tree = context.tree;
  DeviceGraph& graph = context.graph;
  const auto devicePath = controller ? controller : tree.Resolve(JoinPath(path, "device"));
  const std::string place = controller ? JoinPath(*controller, devName) : path;
  const DiskFacts f = ReadDiskFacts(context, path, place, devName, loop, devicePath);

  const std::optional<NodeId> above = graph.Above(place);
  const bool usb = above && graph.node(*above).busType && *graph.node(*above).busType == kBusUsb;
  const std::string bus = usb ? "USBSTOR" : "SCSI";
  const std::string kind = f.cdrom ? "CdRom" : "Disk";
  const std::string ven = HwPart(Trim(f.vendor.substr(0, 8)));
  const std::string prod = HwPart(Trim(f.product.substr(0, 16)));
  const std::string revision = HwPart(Trim(f.rev.substr(0, 4)));

  Node n;
  n.path = path;
  n.cls = f.cdrom ? &kCdrom : &kDisk;
  std::string suffix = SuffixOf(f.depth, (above ? graph.node(*above).path : Dir(place)) + f.host, f.tail);
  if (controller) n.parentPath = *controller;
  if (usb) {
    // USB storage is named by the device's serial number and the unit's LUN, as Windows does.
    std::string usbDevice = graph.node(*above).path;
    if (Base(usbDevice).find(':') != std::string::npos) usbDevice = Dir(usbDevice);  // an interface's device
    const std::string usbSerial = IdPart(tree.Attr(usbDevice, "serial"));
    unsigned h = 0, c = 0, t = 0, l = 0;
    if (devicePath) ParseScsiAddress(Base(*devicePath), h, c, t, l);
    suffix = (usbSerial.empty() ? SuffixOf(7, graph.node(*above).path, "0") : usbSerial) + "&" + std::to_string(l);
  }
  if (loop) {
    suffix = SuffixOf(1, "loop", IdPart(devName));
    n.rootEnumerated = true;
  }
  // Cut to the sizes of the inquiry data first, so no blank at the cut becomes a "_".
  n.id = bus + "\\" + Upper(kind) + "&VEN_" + IdPart(f.vendor.substr(0, 8)) + "&PROD_" +
         IdPart(f.product.substr(0, 16)) + (usb ? "&REV_" + IdPart(f.rev.substr(0, 4)) : std::string()) + "\\" +
         suffix;
  const std::string pv = Padded(ven, 8), pp = Padded(prod, 16), pr = Padded(revision, 4);
  n.hardwareIds = {bus + "\\" + kind + pv + pp + pr,    bus + "\\" + kind + pv + pp, bus + "\\" + kind + pv,
                   bus + "\\" + pv + pp + pr.substr(0, 1), pv + pp + pr.substr(0, 1),
                   f.cdrom ? "GenCdRom" : "GenDisk"};
  n.compatibleIds = {bus + "\\" + kind, bus + "\\RAW"};
  n.desc = f.cdrom ? "CD-ROM Drive" : "Disk drive";
  n.friendly = f.vendor == "NVMe" ? f.product : Trim(f.vendor + " " + f.product);
  if (loop) n.friendly = "Loop device (" + backing + ")";
  if (n.friendly.empty()) n.friendly = n.desc;
  n.manufacturer = f.cdrom ? "(Standard CD-ROM drives)" : "(Standard disk drives)";
  n.firmware = f.rev;
  if (!f.driver.empty()) n.drivers.push_back(f.driver);
  n.driverExpected = !loop;
  if (f.tail.size() == 6 && !usb && !loop && devicePath && !StartsWith(Base(*devicePath), "nvme") &&
      !StartsWith(Base(*devicePath), "virtio")) {
    unsigned h = 0, c = 0, t = 0, l = 0;
    if (ParseScsiAddress(Base(*devicePath), h, c, t, l)) {
      n.locationInfo =
          "Bus Number " + std::to_string(c) + ", Target Id " + std::to_string(t) + ", LUN " + std::to_string(l);
      n.address = t;
    }
  }
  n.removable = usb;
  AddInterfaceTo(n, f.cdrom ? kItfCdrom : kItfDisk, "/dev/" + devName);
  const NodeId disk = graph.Add(std::move(n));
  // A copy: adding the volumes grows the graph, which moves its nodes.
  const std::string diskId = graph.node(disk).id;
  AddVolumes(context, path, diskId);
}

}  // namespace

void ScanBlock(ScanContext& context) {
  const SysfsReader& tree = context.tree;
  for (const auto& [name, path] : DevicesListedIn(tree, "class/block")) {
    if (context.graph.At(path)) continue;
    if (IsPartition(tree, path)) continue;  // with its disk, below
    const std::string devName = Base(path);
    if (IsNvmePathNode(devName)) continue;
    if (IsEmmcFixedArea(devName)) continue;
    if (StartsWith(devName, "ram") || StartsWith(devName, "zram")) continue;
    const bool loop = StartsWith(devName, "loop");
    std::string backing;
    if (loop) {
      backing = Printable(tree.Attr(path, "loop/backing_file"));
      if (backing.empty()) continue;
    } else if (StartsWith(path, "devices/virtual/nvme-subsystem/")) {
      const auto controller = SubsystemController(tree, Dir(path));
      if (controller) AddDisk(context, path, devName, false, backing, controller);
      continue;
    } else if (StartsWith(path, "devices/virtual/")) {
      continue;  // device-mapper and md arrays are volumes of other disks, not drives
    }
    AddDisk(context, path, devName, loop, backing);
  }
}

}  // namespace devlist::sysfs
