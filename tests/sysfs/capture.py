#!/usr/bin/env python3
"""Copies the parts of a live sysfs that the scanner reads into a fixture tree.

    capture.py /sys tests/sysfs/vm/sys

Only the attributes named below are copied, symlinks are recreated with their (relative) targets, and
nothing is followed, so the copy stays small and describes only what the machine has.
"""
import os
import sys

ATTRIBUTES = {
    "vendor", "device", "class", "subsystem_vendor", "subsystem_device", "revision", "modalias", "numa_node",
    "label", "uevent", "path", "hid", "uid", "status", "adr", "type", "online", "serial", "model", "rev",
    "firmware_rev", "nsid", "partition", "start", "size", "removable", "idVendor", "idProduct", "bcdDevice",
    "bDeviceClass", "busnum", "devnum", "product", "manufacturer", "version", "bInterfaceNumber",
    "bInterfaceClass", "bInterfaceSubClass", "bInterfaceProtocol", "interface", "name", "phys", "index",
    "edid", "connector_id", "model_name", "description", "dev", "backing_file", "tun_flags", "ev", "key",
    "rel", "abs", "id",
}
LINKS = {"driver", "firmware_node", "physical_node", "physical_node1", "physical_node2", "device", "module"}
SKIP_DIRS = {"power", "statistics", "queues", "queue", "mq", "trace", "holders", "slaves", "cache", "cpuidle",
             "topology", "hotplug", "msi_irqs", "bdi", "integrity", "wakeup", "parameters", "sections",
             "notes", "holders", "drivers", "link", "cpufreq", "thermal_throttle", "crash_notes"}

# What to copy: directories walked in full, and single entries.
TREES = [
    "devices/pci0000:00", "devices/LNXSYSTM:00", "devices/pnp0", "devices/platform/ACPI0013:00",
    "devices/platform/AMZNC10C:00", "devices/platform/VMGENCTR:00", "devices/virtual/net",
    "devices/virtual/block/loop0", "devices/virtual/block/zram0", "devices/system/cpu/cpu0",
    "devices/system/cpu/cpu1", "devices/virtual/tty/tty0", "devices/virtual/tty/console",
]
ENTRIES = ["bus/pci/devices", "bus/acpi/devices", "bus/pnp/devices", "class/net", "class/block"]
SINGLE = ["class/tty/ttyS0", "class/tty/tty0", "class/tty/console", "module/virtio_pci/version"]


def copy_entry(src_root, dst_root, rel):
    src = os.path.join(src_root, rel)
    dst = os.path.join(dst_root, rel)
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    if os.path.islink(src):
        if not os.path.lexists(dst):
            os.symlink(os.readlink(src), dst)
        return
    try:
        with open(src, "rb") as f:
            data = f.read(65536)
    except OSError:
        return
    with open(dst, "wb") as f:
        f.write(data)


def walk(src_root, dst_root, rel, depth=0):
    if depth > 12:
        return
    src = os.path.join(src_root, rel)
    os.makedirs(os.path.join(dst_root, rel), exist_ok=True)
    for name in sorted(os.listdir(src)):
        path = os.path.join(src, name)
        child = os.path.join(rel, name)
        if os.path.islink(path):
            if name in LINKS or name.startswith("node"):
                copy_entry(src_root, dst_root, child)
        elif os.path.isdir(path):
            if name not in SKIP_DIRS:
                walk(src_root, dst_root, child, depth + 1)
        elif name in ATTRIBUTES and os.access(path, os.R_OK):
            copy_entry(src_root, dst_root, child)


def main():
    src_root, dst_root = sys.argv[1], sys.argv[2]
    for rel in TREES:
        walk(src_root, dst_root, rel)
    for rel in ENTRIES:
        for name in sorted(os.listdir(os.path.join(src_root, rel))):
            copy_entry(src_root, dst_root, os.path.join(rel, name))
    for rel in SINGLE:
        copy_entry(src_root, dst_root, rel)


if __name__ == "__main__":
    main()
