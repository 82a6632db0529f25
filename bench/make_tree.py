#!/usr/bin/env python3
"""Writes a synthetic sysfs tree of about N devices, for timing the scanner on machines far bigger than ours.

    make_tree.py N DIR        -> DIR/sys (the tree) and DIR/cpuinfo

N counts the devices the default listing shows: branches are added until at least N of them are in the tree.
The tree holds more sysfs device nodes than that (USB interfaces, hubs and host controllers, which are not in
the default listing, hidraw and input nodes, network interfaces, DRM cards and disconnected connectors, SCSI
units, NVMe controllers); the script prints how many nodes it wrote, then how many devices the default
listing must show, so that a listing that loses devices can be told from a tree that has fewer.

The tree is built like a large server: PCI root complexes whose root ports each lead to one endpoint (NVMe
drives with partitions, dual-port NICs with their interfaces, SAS controllers with disks, GPUs with DRM
connectors and EDID, xHCI controllers with USB hubs, keyboards and mice), plus CPUs, ACPI devices and hwmon
sensors. Fan-out stays bounded the way real hardware bounds it (at most 31 ports a root complex, as a bus has
32 device numbers and the host bridge takes the first; 16 disks a controller, 7 ports a hub), so a bigger N means more of the same branches, not one huge directory. The files
and links follow the conventions of the fixture builder in tests/sysfs, which this reuses.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "sysfs"))
from make_fixtures import Tree, edid  # noqa: E402

PORTS_PER_ROOT = 31  # device numbers 1 to 31 of the root bus; 0 is the host bridge
DISKS_PER_HBA = 16
HUB_PORTS = 7
USB_BUSES = 64  # the kernel numbers at most 64 USB buses


def disk_name(n):
    """sda, sdb, ... sdz, sdaa, ... as the kernel names them."""
    s = ""
    n += 1
    while n:
        n, r = divmod(n - 1, 26)
        s = chr(ord("a") + r) + s
    return "sd" + s


class Machine:
    def __init__(self, root):
        self.t = Tree(os.path.join(root, "sys"))
        self.root = root
        self.nodes = 0   # sysfs device nodes written
        self.listed = 0  # of them, the devices the default listing shows
        self.n = {}

    def next(self, kind):
        v = self.n.get(kind, 0)
        self.n[kind] = v + 1
        return v

    def add(self, listed, nodes):
        self.listed += listed
        self.nodes += nodes

    # --- endpoints behind a root port, each returns nothing but counts what it made ---------------------

    def nvme(self, port, slot):
        t = self.t
        d = t.pci(port, slot, 0x144d, 0xa80a, 0x010802, 0x144d, 0xa801, 0, "nvme", numa=0)
        n = self.next("nvme")
        ctrl = t.dir(d + "/nvme/nvme%d" % n, model="Samsung SSD 980 PRO 1TB", serial="S5GXNF0R%06d" % n,
                     firmware_rev="5B2QGXA7")
        t.block(ctrl + "/nvme%dn1" % n, 1953525168, nsid=1, device=ctrl,
                parts=((1, 2048, 532480, "EFI system partition"), (2, 534528, 1952990640, "")))
        self.add(4, 5)  # the function, the disk and its volumes; the controller is not listed

    def nic(self, port, slot):
        t = self.t
        bus = slot[:-1]
        for fn in (0, 1):
            d = t.pci(port, bus + str(fn), 0x8086, 0x1572, 0x020000, 0x15d9, 0x0000, 2, "i40e", numa=0)
            name = "enp%ds0f%d" % (int(slot.split(":")[1], 16) + 256 * int(slot.split(":")[0], 16), fn)
            t.net(d, name, address="3c:fd:fe:%02x:%02x:%02x" % (self.nodes >> 16 & 255, self.nodes >> 8 & 255,
                                                                 self.nodes & 255))
            t.link(d + "/net/%s/device" % name, d)
            self.add(1, 2)  # the interface belongs to the function's device

    def hba(self, port, slot):
        t = self.t
        d = t.pci(port, slot, 0x1000, 0x0097, 0x010700, 0x15d9, 0x0808, 2, "mpt3sas", numa=0)
        self.add(1, 1)
        host = self.next("scsihost")
        for target in range(DISKS_PER_HBA):
            unit = t.scsi(d + "/host%d/port-%d:%d/end_device-%d:%d/target%d:0:%d" % (
                host, host, target, host, target, host, target), "%d:0:%d:0" % (host, target),
                "SEAGATE ", "ST4000NM0025    ", "E002", 0, "sd")
            name = disk_name(self.next("sd"))
            t.block(unit + "/block/" + name, 7814037168, device=unit,
                    parts=((1, 2048, 7814035120, "data"),))
            self.add(2, 3)  # the disk and its volume; the SCSI unit is the disk's device

    def gpu(self, port, slot):
        t = self.t
        d = t.pci(port, slot, 0x10de, 0x1eb8, 0x030000, 0x10de, 0x12a2, 0xa1, "nvidia", numa=0)
        t.pci(port, slot[:-1] + "1", 0x10de, 0x10f8, 0x040300, 0x10de, 0x12a2, 0xa1, "snd_hda_intel", numa=0)
        self.add(2, 3)  # and the DRM card
        card = self.next("card")
        t.dir(d + "/drm/card%d" % card, dev="226:%d" % card)
        t.link("class/drm/card%d" % card, d + "/drm/card%d" % card)
        for i, conn in enumerate(("DP-1", "DP-2", "HDMI-A-1", "DP-3")):
            on = i < 2
            c = t.dir(d + "/drm/card%d/card%d-%s" % (card, card, conn),
                      status="connected" if on else "disconnected")
            t.file(c + "/edid", edid("DEL", 0xA0C4 + i, card * 8 + i, "DELL U2719D") if on else b"")
            t.link("class/drm/card%d-%s" % (card, conn), c)
            self.add(1 if on else 0, 1)  # a monitor where one is connected

    def xhci(self, port, slot):
        if self.n.get("usbbus", 0) >= USB_BUSES:
            return self.nvme(port, slot)
        t = self.t
        d = t.pci(port, slot, 0x8086, 0xa1af, 0x0c0330, 0x15d9, 0x1b58, 9, "xhci_hcd", numa=0)
        # The controller, its root hub and hubs are of the USB class, which the default listing leaves out.
        self.add(0, 1)
        b = self.next("usbbus") + 1
        root = t.usb(d, "usb%d" % b, 0x1d6b, 0x0002, 0x0515, 9, b, 1, "xHCI Host Controller",
                     "Linux xhci-hcd", slot, removable="unknown")
        t.usb_interface(root, "%d-0:1.0" % b, 0, 9, 0, 0, "hub")
        self.add(0, 2)
        dev = 2
        for p in range(1, 3):
            hub = t.usb(root, "%d-%d" % (b, p), 0x05e3, 0x0610, 0x9226, 9, b, dev, "USB2.0 Hub",
                        "GenesysLogic")
            t.usb_interface(hub, "%d-%d:1.0" % (b, p), 0, 9, 0, 0, "hub")
            dev += 1
            self.add(0, 2)
            for q in range(1, HUB_PORTS + 1):
                name = "%d-%d.%d" % (b, p, q)
                kind = "keyboard" if q % 2 else "mouse"
                u = t.usb(hub, name, 0x046d, 0xc31c if kind == "keyboard" else 0xc077, 0x6400, 0, b, dev,
                          "USB Keyboard" if kind == "keyboard" else "USB Optical Mouse", "Logitech",
                          removable="removable")
                dev += 1
                itf = t.usb_interface(u, name + ":1.0", 0, 3, 1, 1 if kind == "keyboard" else 2, "usbhid")
                h = t.hid(itf, "0003:046D:%04X.%04X" % (0xc31c if kind == "keyboard" else 0xc077,
                                                         self.next("hid") + 1))
                t.hidraw(h, self.next("hidraw"))
                ev = self.next("input")
                t.input(h, ev, "Logitech " + ("USB Keyboard" if kind == "keyboard" else "USB Optical Mouse"),
                        kind, phys="usb-%s-%d.%d/input0" % (slot, p, q), vendor=0x046d,
                        product=0xc31c if kind == "keyboard" else 0xc077, event=ev)
                self.add(2, 5)  # the USB input device and the keyboard or mouse on it

    # --- the machine ---------------------------------------------------------------------------------------

    def build(self, listed):
        t = self.t
        n = listed
        t.acpi("devices", "LNXSYSTM:00", "LNXSYSTM", "\\")
        sb = t.acpi("devices/LNXSYSTM:00", "LNXSYBUS:00", "LNXSYBUS", "\\_SB_")
        t.acpi(sb, "PNP0C0C:00", "PNP0C0C", "\\_SB_.PWRB", driver="button")
        self.add(2, 3)  # the ACPI root and the button; the system bus is not listed
        cpus = max(2, min(512, n // 24))
        sockets = max(1, cpus // 64)
        for c in range(cpus):
            t.cpu(c, "cpu:type:x86,ven0000fam0006mod0055:feature:,0000,0001", node=c * sockets // cpus)
            t.acpi(sb, "ACPI0007:%02X" % c, "ACPI0007", "\\_SB_.SCK%d.C%03X" % (c * sockets // cpus, c),
                   uid=c, driver="processor")
            self.add(1, 2)  # the processor object is the CPU's own
        for s in range(max(1, sockets)):
            h = t.dir("devices/platform/coretemp.%d/hwmon/hwmon%d" % (s, s), name="coretemp")
            t.link("class/hwmon/hwmon%d" % s, h)
            t.link(h + "/device", "devices/platform/coretemp.%d" % s)
            t.driver("devices/platform/coretemp.%d" % s, "platform", "coretemp")
            self.add(1, 2)
        with open(os.path.join(self.root, "cpuinfo"), "w") as f:
            for c in range(cpus):
                f.write("processor\t: %d\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\n"
                        "model name\t: Intel(R) Xeon(R) Gold 6226R CPU @ 2.90GHz\nstepping\t: 7\n\n" % c)

        kinds = (self.nvme, self.nic, self.nvme, self.hba, self.nic, self.gpu, self.nvme, self.xhci)
        k = 0
        rootc = 0
        while self.listed < n:
            # 256 buses a PCI domain: each root complex takes the buses of its 32 ports plus its own.
            domain, base = divmod(rootc * (PORTS_PER_ROOT + 1), 256 - (256 % (PORTS_PER_ROOT + 1)))
            r = "devices/pci%04x:%02x" % (domain, base)
            t.dir(r)
            t.acpi(sb, "PNP0A08:%02X" % rootc, "PNP0A08", "\\_SB_.PC%02X" % rootc, uid=rootc,
                   cids=("PNP0A03",), physical=r)
            t.pci(r, "%04x:%02x:00.0" % (domain, base), 0x8086, 0x2020, 0x060000, 0x15d9, 0x1b58, 7, numa=0)
            self.add(2, 2)
            for p in range(PORTS_PER_ROOT):
                if self.listed >= n:
                    break
                bus = base + 1 + p
                rp = t.pci(r, "%04x:%02x:%02x.0" % (domain, base, p + 1), 0x8086, 0x2030, 0x060400, 0x15d9,
                           0x1b58, 7, "pcieport", numa=0)
                self.add(1, 1)
                kinds[k % len(kinds)](rp, "%04x:%02x:00.0" % (domain, bus))
                k += 1
                # A hwmon sensor on every eighth endpoint (drive and NIC temperature sensors).
                if k % 8 == 1:
                    hw = self.next("hwmon") + 64
                    h = t.dir(rp + "/hwmon/hwmon%d" % hw, name="nvme")
                    t.link("class/hwmon/hwmon%d" % hw, h)
                    self.add(0, 1)  # a sensor of the port's own device
            rootc += 1
        t.net(None, "lo", type=772)
        self.add(1, 1)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_tree.py N DIR")
    m = Machine(sys.argv[2])
    m.build(int(sys.argv[1]))
    print(m.nodes, m.listed)


if __name__ == "__main__":
    main()
