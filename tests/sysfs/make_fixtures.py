#!/usr/bin/env python3
"""Builds the hand-made sysfs fixture trees (a laptop and a server) in the kernel's layout, or refreshes the
hardware database answers of every fixture (hwdb.txt), so the fixture tests never depend on the machine's
database.

    make_fixtures.py OUT            the trees: OUT/laptop and OUT/server, each a sys/ folder and a cpuinfo
    make_fixtures.py --hwdb [DIR]   the hwdb.txt of every machine in DIR (default: this script's folder)

The build runs the first form into its own folder before the tests; the trees are not kept in the sources,
while their hwdb.txt and goldens are. Building is deterministic: the same script makes the same files, links
and modes. The trees follow what the kernel shows on such machines: devices under devices/, bus/ and class/
entries as relative symlinks, driver links into bus/*/drivers/. The vm tree is captured from a real machine
with capture.py instead; this script only refreshes its hwdb.txt.
"""
import os
import shutil
import subprocess
import sys
import tempfile


class Tree:
    def __init__(self, root):
        self.root = root
        self.lookups = set()
        self.usb_devices = {}  # a USB device's folder: its PRODUCT and TYPE keys and the start of its modalias
        if os.path.exists(root):
            shutil.rmtree(root)
        os.makedirs(root)

    def path(self, rel):
        return os.path.join(self.root, rel)

    def file(self, rel, content):
        p = self.path(rel)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        mode = "wb" if isinstance(content, bytes) else "w"
        with open(p, mode) as f:
            f.write(content if isinstance(content, bytes) else str(content) + "\n")

    def dir(self, rel, **attrs):
        os.makedirs(self.path(rel), exist_ok=True)
        for name, value in attrs.items():
            if value is not None:
                self.file(rel + "/" + name.replace("__", "/"), value)
        return rel

    def link(self, rel, target):
        p = self.path(rel)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        os.symlink(os.path.relpath(target, os.path.dirname(rel)), p)

    def driver(self, dev, bus, name):
        self.dir("bus/%s/drivers/%s" % (bus, name))
        self.link(dev + "/driver", "bus/%s/drivers/%s" % (bus, name))

    # --- buses -----------------------------------------------------------------------------------------

    def pci(self, parent, slot, ven, dev, cls, sv=0, sd=0, rev=0, driver=None, numa=-1, fw=None):
        d = self.dir("%s/%s" % (parent, slot), vendor="0x%04x" % ven, device="0x%04x" % dev,
                     subsystem_vendor="0x%04x" % sv, subsystem_device="0x%04x" % sd, revision="0x%02x" % rev,
                     numa_node=numa, **{"class": "0x%06x" % cls})
        alias = "pci:v%08Xd%08Xsv%08Xsd%08Xbc%02Xsc%02Xi%02X" % (
            ven, dev, sv, sd, cls >> 16, (cls >> 8) & 0xFF, cls & 0xFF)
        self.file(d + "/modalias", alias)
        # As the kernel writes it: the class in at least four digits, the ids upper-case.
        self.file(d + "/uevent", "%sPCI_CLASS=%04X\nPCI_ID=%04X:%04X\nPCI_SUBSYS_ID=%04X:%04X\nPCI_SLOT_NAME=%s\nMODALIAS=%s"
                  % ("DRIVER=%s\n" % driver if driver else "", cls, ven, dev, sv, sd, slot, alias))
        self.lookups.add(alias)
        self.link("bus/pci/devices/" + slot, d)
        if driver:
            self.driver(d, "pci", driver)
        if fw:
            self.link(d + "/firmware_node", fw)
        return d

    def acpi(self, parent, name, hid, path, uid=None, status=None, driver=None, physical=None, cids=(),
             adr=None):
        d = self.dir("%s/%s" % (parent, name), path=path, uid=uid, status=status, adr=adr)
        if hid:
            self.file(d + "/hid", hid)
            self.file(d + "/modalias", "acpi:" + ":".join((hid,) + tuple(cids)) + ":")
            self.lookups.add("acpi:%s:" % hid)
        self.link("bus/acpi/devices/" + name, d)
        if driver:
            self.driver(d, "acpi", driver)
        if physical:
            self.link(d + "/physical_node", physical)
            self.link(physical + "/firmware_node", d)
        return d

    def usb(self, parent, name, vid, pid, bcd, devclass=0, busnum=1, devnum=1, product=None,
            manufacturer=None, serial=None, version=" 2.00", removable="removable"):
        d = self.dir("%s/%s" % (parent, name), idVendor="%04x" % vid, idProduct="%04x" % pid,
                     bcdDevice="%04x" % bcd, bDeviceClass="%02x" % devclass, busnum=busnum, devnum=devnum,
                     product=product, manufacturer=manufacturer, serial=serial, version=version,
                     removable=removable)
        self.driver(d, "usb", "usb")
        # The ids as the kernel writes them: hexadecimal without padding, the class triple in decimal.
        product = "%x/%x/%x" % (vid, pid, bcd)
        self.usb_devices[d] = (product, "%d/0/0" % devclass, "usb:v%04Xp%04Xd%04Xdc%02Xdsc00dp00" % (vid, pid, bcd, devclass))
        self.file(d + "/uevent", "DEVTYPE=usb_device\nDRIVER=usb\nPRODUCT=%s\nTYPE=%d/0/0\nBUSNUM=%03d\nDEVNUM=%03d"
                  % (product, devclass, busnum, devnum))
        self.link("bus/usb/devices/" + name, d)
        self.lookups.add("usb:v%04Xp%04X" % (vid, pid))
        return d

    def usb_interface(self, dev, name, number, cls, sub, prot, driver=None, interface=None):
        d = self.dir("%s/%s" % (dev, name), bInterfaceNumber="%02x" % number, bInterfaceClass="%02x" % cls,
                     bInterfaceSubClass="%02x" % sub, bInterfaceProtocol="%02x" % prot, interface=interface)
        product, kind, alias = self.usb_devices.get(dev, ("0/0/0", "0/0/0", "usb:v0000p0000d0000dc00dsc00dp00"))
        self.file(d + "/uevent", "DEVTYPE=usb_interface\n%sPRODUCT=%s\nTYPE=%s\nINTERFACE=%d/%d/%d\nMODALIAS=%sic%02Xisc%02Xip%02Xin%02X"
                  % ("DRIVER=%s\n" % driver if driver else "", product, kind, cls, sub, prot, alias, cls, sub, prot,
                     number))
        self.link("bus/usb/devices/" + name, d)
        if driver:
            self.driver(d, "usb", driver)
        return d

    def hid(self, parent, name, driver="hid-generic"):
        d = self.dir("%s/%s" % (parent, name))
        self.link("bus/hid/devices/" + name, d)
        self.driver(d, "hid", driver)
        return d

    def input(self, parent, number, name, kind, phys="", vendor=0, product=0, event=None):
        d = self.dir("%s/input/input%d" % (parent, number), name=name, phys=phys,
                     id__vendor="%04x" % vendor, id__product="%04x" % product)
        caps = {
            # EV_SYN, EV_KEY, EV_MSC, EV_LED, EV_REP; the letter keys and the space bar
            "keyboard": ("120013", "402000000 3803078f800d001 feffffdfffefffff fffffffffffffffe", "0", "0"),
            # EV_SYN, EV_KEY, EV_REL, EV_MSC; BTN_LEFT, RIGHT, MIDDLE, SIDE, EXTRA; REL_X, Y, WHEEL
            "mouse": ("17", "1f0000 0 0 0 0", "903", "0"),
            "button": ("3", "10000000000000 0", "0", "0"),
            "switch": ("21", "0", "0", "0"),
        }[kind]
        for attr, value in zip(("ev", "key", "rel", "abs"), caps):
            self.file(d + "/capabilities/" + attr, value)
        # As the kernel writes it: the bitmap of each kind of event the device has (EV_KEY, EV_REL, EV_ABS).
        ev = int(caps[0], 16)
        uevent = 'PRODUCT=3/%x/%x/110\nNAME="%s"\nPHYS="%s"\nPROP=0\nEV=%s' % (vendor, product, name, phys, caps[0])
        for bit, key, value in ((1, "KEY", caps[1]), (2, "REL", caps[2]), (3, "ABS", caps[3])):
            if ev >> bit & 1:
                uevent += "\n%s=%s" % (key, value)
        self.file(d + "/uevent", uevent)
        self.link("class/input/input%d" % number, d)
        if event is not None:
            self.dir(d + "/event%d" % event, dev="13:%d" % (64 + event))
            self.link("class/input/event%d" % event, d + "/event%d" % event)
        return d

    def hidraw(self, hid, number):
        d = self.dir("%s/hidraw/hidraw%d" % (hid, number), dev="241:%d" % number)
        self.link("class/hidraw/hidraw%d" % number, d)

    def scsi(self, host_path, hctl, vendor, model, rev, kind, driver):
        d = self.dir("%s/%s" % (host_path, hctl), vendor=vendor, model=model, rev=rev, type=kind)
        self.driver(d, "scsi", driver)
        return d

    def block(self, d, size, removable=0, serial=None, nsid=None, device=None, parts=()):
        """A disk at `d`; `device` is what its device link names (none for a virtual disk)."""
        name = os.path.basename(d)
        self.dir(d, size=size, removable=removable, serial=serial, nsid=nsid,
                 uevent="MAJOR=8\nMINOR=0\nDEVNAME=%s\nDEVTYPE=disk" % name)
        self.link("class/block/" + name, d)
        if device is not None:
            self.link(d + "/device", device)
        for number, start, length, label in parts:
            pname = name + ("p%d" % number if name[-1].isdigit() else "%d" % number)
            uevent = "MAJOR=8\nMINOR=%d\nDEVNAME=%s\nDEVTYPE=partition\nPARTN=%d" % (number, pname, number)
            if label:
                uevent += "\nPARTNAME=" + label
            p = self.dir(d + "/" + pname, partition=number, start=start, size=length, uevent=uevent)
            self.link("class/block/" + pname, p)
        return d

    def net(self, parent, name, kind=None, uevent=None, **attrs):
        d = self.dir("%s/net/%s" % (parent, name) if parent else "devices/virtual/net/" + name,
                     type=attrs.pop("type", 1), uevent=uevent or "INTERFACE=%s" % name, **attrs)
        if kind == "bridge":
            self.dir(d + "/bridge", stp_state=0)
        if kind == "bonding":
            self.dir(d + "/bonding", mode="802.3ad 4")
        if kind == "tun":
            self.file(d + "/tun_flags", "0x1002")
        self.link("class/net/" + name, d)
        return d

    def cpu(self, number, modalias, online=True, node=0):
        d = self.dir("devices/system/cpu/cpu%d" % number, uevent="MODALIAS=" + modalias)
        if number:
            self.file(d + "/online", 1 if online else 0)
        self.dir("devices/system/node/node%d" % node)
        self.link(d + "/node%d" % node, "devices/system/node/node%d" % node)
        return d

    def tty(self, parent, name, kind):
        d = self.dir("%s/tty/%s" % (parent, name), type=kind, dev="4:64")
        self.link(d + "/device", parent)
        self.link("class/tty/" + name, d)
        return d


def edid(maker, product, serial, name):
    e = bytearray(128)
    e[0:8] = b"\x00\xff\xff\xff\xff\xff\xff\x00"
    code = ((ord(maker[0]) - 64) << 10) | ((ord(maker[1]) - 64) << 5) | (ord(maker[2]) - 64)
    e[8], e[9] = code >> 8, code & 0xFF
    e[10], e[11] = product & 0xFF, product >> 8
    e[12:16] = serial.to_bytes(4, "little")
    e[18], e[19] = 1, 4
    descriptor = bytearray(18)
    descriptor[3] = 0xFC
    descriptor[5:18] = (name + "\n").ljust(13)[:13].encode()
    e[72:90] = descriptor
    e[127] = (256 - sum(e[:127]) % 256) % 256
    return bytes(e)


def laptop(root):
    t = Tree(root + "/sys")
    sb = t.acpi("devices/LNXSYSTM:00", "LNXSYBUS:00", "LNXSYBUS", "\\_SB_")
    t.acpi("devices", "LNXSYSTM:00", "LNXSYSTM", "\\")
    tz = t.acpi("devices/LNXSYSTM:00", "LNXSYBUS:01", "LNXSYBUS", "\\_TZ_")
    pwr = t.acpi("devices/LNXSYSTM:00", "LNXPWRBN:00", "LNXPWRBN", None, driver="button")
    t.input(pwr, 0, "Power Button", "button", phys="LNXPWRBN/button/input0", event=0)
    pci0 = t.acpi(sb, "PNP0A08:00", "PNP0A08", "\\_SB_.PCI0", uid=0, cids=("PNP0A03",),
                  physical="devices/pci0000:00")
    t.acpi(pci0, "device:00", None, "\\_SB_.PCI0.GFX0", adr="0x00020000",
           physical="devices/pci0000:00/0000:00:02.0")
    lid = t.acpi(sb, "PNP0C0D:00", "PNP0C0D", "\\_SB_.LID_", driver="button")
    t.input(lid, 1, "Lid Switch", "switch", phys="PNP0C0D/button/input0", event=1)
    t.acpi(sb, "PNP0C0C:00", "PNP0C0C", "\\_SB_.PWRB", driver="button")
    bat = t.acpi(sb, "PNP0C0A:00", "PNP0C0A", "\\_SB_.BAT0", uid=1, status=31, driver="battery")
    t.dir(bat + "/power_supply/BAT0", type="Battery", manufacturer="SMP", model_name="5B10W13975",
          technology="Li-poly", status="Discharging", capacity=87)
    t.link("class/power_supply/BAT0", bat + "/power_supply/BAT0")
    t.acpi(sb, "PNP0C0A:01", "PNP0C0A", "\\_SB_.BAT1", uid=2, status=0, driver="battery")
    ac = t.acpi(sb, "ACPI0003:00", "ACPI0003", "\\_SB_.AC__", driver="ac")
    t.dir(ac + "/power_supply/AC", type="Mains", online=1)
    t.link("class/power_supply/AC", ac + "/power_supply/AC")
    lpc = t.acpi(pci0, "device:01", None, "\\_SB_.PCI0.LPCB", adr="0x001f0000",
                 physical="devices/pci0000:00/0000:00:1f.0")
    t.acpi(lpc, "PNP0C09:00", "PNP0C09", "\\_SB_.PCI0.LPCB.EC__", uid=0, driver="ec")
    t.dir("devices/pnp0/00:02", id="PNP0303")
    t.acpi(lpc, "PNP0303:00", "PNP0303", "\\_SB_.PCI0.LPCB.KBD_", physical="devices/pnp0/00:02",
           cids=("PNP030B",))
    t.driver("devices/pnp0/00:02", "pnp", "i8042 kbd")
    t.acpi(tz, "LNXTHERM:00", "LNXTHERM", "\\_TZ_.THM0")
    t.dir("devices/LNXSYSTM:00/LNXSYBUS:01/LNXTHERM:00/thermal_zone")
    t.dir("devices/virtual/thermal/thermal_zone0", type="acpitz")
    t.link("devices/LNXSYSTM:00/LNXSYBUS:01/LNXTHERM:00/thermal_zone/thermal_zone0",
           "devices/virtual/thermal/thermal_zone0")
    t.link("class/thermal/thermal_zone0", "devices/virtual/thermal/thermal_zone0")

    # The PS/2 keyboard sits behind the keyboard controller, a platform device.
    serio = t.dir("devices/platform/i8042/serio0", description="i8042 KBD port")
    t.input(serio, 3, "AT Translated Set 2 keyboard", "keyboard", phys="isa0060/serio0/input0", vendor=1,
            product=1, event=3)
    t.input("devices/platform/pcspkr", 8, "PC Speaker", "button", phys="isa0061/input0", event=8)
    for n in range(4):
        t.tty("devices/platform/serial8250", "ttyS%d" % n, 0)

    r0 = "devices/pci0000:00"
    t.dir(r0)
    t.pci(r0, "0000:00:00.0", 0x8086, 0x9a14, 0x060000, 0x17aa, 0x22d8, 1)
    gpu = t.pci(r0, "0000:00:02.0", 0x8086, 0x9a49, 0x030000, 0x17aa, 0x22d8, 1, "i915")
    t.dir(gpu + "/drm/card0", dev="226:0")
    t.link("class/drm/card0", gpu + "/drm/card0")
    for conn, status, data in (("eDP-1", "connected", edid("LEN", 0x40BA, 0, "")),
                               ("HDMI-A-1", "connected", edid("DEL", 0xA0C4, 0x4C4D3235, "DELL U2719D")),
                               ("DP-1", "disconnected", b"")):
        c = t.dir(gpu + "/drm/card0/card0-" + conn, status=status)
        t.file(c + "/edid", data)
        t.link("class/drm/card0-" + conn, c)
    t.lookups.update({"acpi:LEN:", "acpi:DEL:"})
    t.pci(r0, "0000:00:04.0", 0x8086, 0x9a03, 0x118000, 0x17aa, 0x22d8, 1, "proc_thermal")
    wifi = t.pci(r0, "0000:00:14.3", 0x8086, 0xa0f0, 0x028000, 0x8086, 0x0244, 0x20, "iwlwifi")
    t.net(wifi, "wlp0s20f3", uevent="DEVTYPE=wlan\nINTERFACE=wlp0s20f3")
    t.pci(r0, "0000:00:15.0", 0x8086, 0xa0e8, 0x0c8000, 0x17aa, 0x22d8, 0x20)
    xhci = t.pci(r0, "0000:00:14.0", 0x8086, 0xa0ed, 0x0c0330, 0x17aa, 0x22d8, 0x20, "xhci_hcd")
    t.pci(r0, "0000:00:1f.0", 0x8086, 0xa082, 0x060100, 0x17aa, 0x22d8, 0x20)
    audio = t.pci(r0, "0000:00:1f.3", 0x8086, 0xa0c8, 0x040380, 0x17aa, 0x22d8, 0x20, "snd_hda_intel")
    t.dir(audio + "/sound/card0", id="PCH", number=0)
    t.link("class/sound/card0", audio + "/sound/card0")
    t.pci(r0, "0000:00:1f.4", 0x8086, 0xa0a3, 0x0c0500, 0x17aa, 0x22d8, 0x20, "i801_smbus")
    # The ambient light sensor: a HID sensor behind the sensor hub, offered as an IIO device.
    ish = t.pci(r0, "0000:00:12.0", 0x8086, 0xa0fc, 0x000000, 0x17aa, 0x22d8, 0x20, "intel_ish_ipc")
    hub = t.hid(ish + "/{33AECD58-B679-4E54-9BD9-A04D34F0C226}", "0018:8087:0AC2.0005", "hid-sensor-hub")
    t.hidraw(hub, 4)
    als = t.dir(hub + "/HID-SENSOR-200041.5.auto")
    t.driver(als, "platform", "hid_sensor_als")
    iio = t.dir(als + "/iio:device0", name="als", dev="236:0")
    t.link("bus/iio/devices/iio:device0", iio)
    bridge = t.pci(r0, "0000:00:1d.0", 0x8086, 0xa0b0, 0x060400, 0x17aa, 0x22d8, 0x20, "pcieport")
    nvme = t.pci(bridge, "0000:01:00.0", 0x144d, 0xa80a, 0x010802, 0x144d, 0xa801, 0, "nvme")
    ctrl = t.dir(nvme + "/nvme/nvme0", model="Samsung SSD 980 PRO 1TB", serial="S5GXNF0R123456",
                 firmware_rev="5B2QGXA7")
    t.block(ctrl + "/nvme0n1", 1953525168, nsid=1, device=ctrl,
            parts=((1, 2048, 532480, "EFI system partition"), (2, 534528, 33554432, ""),
                   (3, 34088960, 1919434752, "")))

    # USB: a wireless keyboard and mouse receiver, a wired mouse, the camera, the Bluetooth radio, a stick.
    usb1 = t.usb(xhci, "usb1", 0x1d6b, 0x0002, 0x0515, 9, 1, 1, "xHCI Host Controller",
                 "Linux 5.15.0 xhci-hcd", "0000:00:14.0", removable="unknown")
    t.usb_interface(usb1, "1-0:1.0", 0, 9, 0, 0, "hub")
    usb2 = t.usb(xhci, "usb2", 0x1d6b, 0x0003, 0x0515, 9, 2, 1, "xHCI Host Controller",
                 "Linux 5.15.0 xhci-hcd", "0000:00:14.0", version=" 3.10", removable="unknown")
    t.usb_interface(usb2, "2-0:1.0", 0, 9, 0, 0, "hub")
    rx = t.usb(usb1, "1-1", 0x046d, 0xc52b, 0x1211, 0, 1, 2, "USB Receiver", "Logitech")
    for i, (sub, prot, kind) in enumerate(((1, 1, "keyboard"), (1, 2, "mouse"), (0, 0, None))):
        itf = t.usb_interface(rx, "1-1:1.%d" % i, i, 3, sub, prot, "usbhid")
        h = t.hid(itf, "0003:046D:C52B.%04X" % (i + 1), "logitech-djreceiver")
        t.hidraw(h, i)
        if kind:
            name = "Logitech USB Receiver" + (" Mouse" if kind == "mouse" else "")
            t.input(h, 5 + i, name, kind, phys="usb-0000:00:14.0-1/input%d" % i, vendor=0x046d,
                    product=0xc52b, event=5 + i)
    mouse = t.usb(usb1, "1-2", 0x046d, 0xc077, 0x7200, 0, 1, 3, "USB Optical Mouse", "Logitech")
    mi = t.usb_interface(mouse, "1-2:1.0", 0, 3, 1, 2, "usbhid")
    mh = t.hid(mi, "0003:046D:C077.0004")
    t.hidraw(mh, 3)
    t.input(mh, 7, "Logitech USB Optical Mouse", "mouse", phys="usb-0000:00:14.0-2/input0", vendor=0x046d,
            product=0xc077, event=7)
    cam = t.usb(usb1, "1-6", 0x04f2, 0xb6dd, 0x0001, 0xef, 1, 4, "Integrated Camera",
                "Chicony Electronics Co.,Ltd.", "0001", removable="fixed")
    vc = t.usb_interface(cam, "1-6:1.0", 0, 0x0e, 1, 0, "uvcvideo", "Integrated Camera")
    t.usb_interface(cam, "1-6:1.1", 1, 0x0e, 2, 0, "uvcvideo")
    for n in (0, 1):
        v = t.dir(vc + "/video4linux/video%d" % n, name="Integrated Camera: Integrated C", index=n)
        t.link("class/video4linux/video%d" % n, v)
    bt = t.usb(usb1, "1-10", 0x8087, 0x0026, 0x0002, 0xe0, 1, 5, None, None, removable="fixed")
    b0 = t.usb_interface(bt, "1-10:1.0", 0, 0xe0, 1, 1, "btusb")
    t.usb_interface(bt, "1-10:1.1", 1, 0xe0, 1, 1, "btusb")
    t.dir(b0 + "/bluetooth/hci0", type="Primary", bus="USB")
    t.link("class/bluetooth/hci0", b0 + "/bluetooth/hci0")
    t.dir(b0 + "/bluetooth/hci0/hci0:3585", type="ACL")
    t.link("class/bluetooth/hci0:3585", b0 + "/bluetooth/hci0/hci0:3585")
    stick = t.usb(usb2, "2-1", 0x0781, 0x5583, 0x0100, 0, 2, 2, "Ultra Fit", "SanDisk",
                  "4C530001230514105353", version=" 3.20")
    si = t.usb_interface(stick, "2-1:1.0", 0, 8, 6, 0x50, "usb-storage")
    unit = t.scsi(si + "/host0/target0:0:0", "0:0:0:0", "SanDisk ", "Ultra Fit       ", "1.00", 0, "sd")
    t.block(unit + "/block/sda", 60063744, removable=1, device=unit, parts=((1, 2048, 60061696, ""),))

    t.dir("devices/platform/coretemp.0/hwmon/hwmon3", name="coretemp")
    t.link("class/hwmon/hwmon3", "devices/platform/coretemp.0/hwmon/hwmon3")
    t.link("devices/platform/coretemp.0/hwmon/hwmon3/device", "devices/platform/coretemp.0")
    t.driver("devices/platform/coretemp.0", "platform", "coretemp")
    t.dir("devices/virtual/thermal/thermal_zone0/hwmon0", name="acpitz")
    t.link("class/hwmon/hwmon0", "devices/virtual/thermal/thermal_zone0/hwmon0")

    for n in range(4):
        t.cpu(n, "cpu:type:x86,ven0000fam0006mod008C:feature:,0000,0001,0002")
    t.net(None, "lo", type=772)
    t.net(None, "docker0", "bridge")
    t.net(None, "tun0", "tun", type=65534)
    t.block("devices/virtual/block/loop0", 113592)
    t.file("devices/virtual/block/loop0/loop/backing_file", "/var/lib/snapd/snaps/core20_2015.snap")
    t.block("devices/virtual/block/loop1", 0)
    t.block("devices/virtual/block/zram0", 8388608)
    t.file("module/i915/version", "")
    t.file("module/nvme/version", "1.0")
    with open(root + "/cpuinfo", "w") as f:
        for n in range(4):
            f.write("processor\t: %d\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 140\n"
                    "model name\t: 11th Gen Intel(R) Core(TM) i7-1165G7 @ 2.80GHz\nstepping\t: 1\n\n" % n)
    return t


def server(root):
    t = Tree(root + "/sys")
    t.acpi("devices", "LNXSYSTM:00", "LNXSYSTM", "\\")
    sb = t.acpi("devices/LNXSYSTM:00", "LNXSYBUS:00", "LNXSYBUS", "\\_SB_")
    t.acpi(sb, "PNP0C0C:00", "PNP0C0C", "\\_SB_.PWRB", driver="button")
    pc00 = t.acpi(sb, "PNP0A08:00", "PNP0A08", "\\_SB_.PC00", uid=0, cids=("PNP0A03",),
                  physical="devices/pci0000:00")
    pc01 = t.acpi(sb, "PNP0A08:01", "PNP0A08", "\\_SB_.PC01", uid=1, cids=("PNP0A03",),
                  physical="devices/pci0000:17")
    lpc = t.acpi(pc00, "device:00", None, "\\_SB_.PC00.LPC0", adr="0x001f0000",
                 physical="devices/pci0000:00/0000:00:1f.0")
    for n, (name, hid, uid, drv) in enumerate((("PNP0C02:00", "PNP0C02", 1, "system"),
                                               ("PNP0501:00", "PNP0501", 1, "serial"),
                                               ("PNP0501:01", "PNP0501", 2, "serial"),
                                               ("PNP0B00:00", "PNP0B00", None, "rtc_cmos"))):
        pnp = t.dir("devices/pnp0/00:%02x" % n, id=hid)
        t.driver(pnp, "pnp", drv)
        seg = {"PNP0C02": "SIO1", "PNP0501": "UAR%d" % (uid or 0), "PNP0B00": "RTC_"}[hid]
        t.acpi(lpc, name, hid, "\\_SB_.PC00.LPC0." + seg, uid=uid, physical=pnp,
               cids=("PNP0500",) if hid == "PNP0501" else ())
        if hid == "PNP0501":
            port = t.dir(pnp + "/00:%02x:0/00:%02x:0.0" % (n, n))
            t.tty(port, "ttyS%d" % (uid - 1), 4)
    for n in (2, 3):
        t.tty("devices/platform/serial8250", "ttyS%d" % n, 0)
    t.dir("devices/virtual/tty/tty0")
    t.link("class/tty/tty0", "devices/virtual/tty/tty0")

    r0 = "devices/pci0000:00"
    t.dir(r0)
    t.pci(r0, "0000:00:00.0", 0x8086, 0x2020, 0x060000, 0x15d9, 0x1b58, 7, numa=0)
    sata = t.pci(r0, "0000:00:11.5", 0x8086, 0xa1d2, 0x010601, 0x15d9, 0x1b58, 9, "ahci", numa=0)
    ssd = t.scsi(sata + "/ata1/host0/target0:0:0", "0:0:0:0", "ATA     ", "Samsung SSD 860 EVO 500GB", "4B6Q",
                 0, "sd")
    t.block(ssd + "/block/sda", 976773168, device=ssd, parts=((1, 2048, 1048576, ""), (2, 1050624, 975720448, "")))
    odd = t.scsi(sata + "/ata2/host1/target1:0:0", "1:0:0:0", "HL-DT-ST", "DVD+-RW GTA0N   ", "A3C0", 5, "sr")
    t.block(odd + "/block/sr0", 2097151, removable=1, device=odd)
    xhci = t.pci(r0, "0000:00:14.0", 0x8086, 0xa1af, 0x0c0330, 0x15d9, 0x1b58, 9, "xhci_hcd", numa=0)
    usb1 = t.usb(xhci, "usb1", 0x1d6b, 0x0002, 0x0515, 9, 1, 1, "xHCI Host Controller", "Linux xhci-hcd",
                 "0000:00:14.0", removable="unknown")
    t.usb_interface(usb1, "1-0:1.0", 0, 9, 0, 0, "hub")
    kvm = t.usb(usb1, "1-4", 0x046b, 0xff10, 0x0100, 0, 1, 2, "Virtual Keyboard and Mouse",
                "American Megatrends Inc.", removable="fixed")
    for i, (prot, kind) in enumerate(((1, "keyboard"), (2, "mouse"))):
        itf = t.usb_interface(kvm, "1-4:1.%d" % i, i, 3, 1, prot, "usbhid")
        h = t.hid(itf, "0003:046B:FF10.%04X" % (i + 1))
        t.hidraw(h, i)
        t.input(h, 2 + i, "American Megatrends Inc. Virtual Keyboard and Mouse", kind,
                phys="usb-0000:00:14.0-4/input%d" % i, vendor=0x046b, product=0xff10, event=2 + i)
    ftdi = t.usb(usb1, "1-5", 0x0403, 0x6001, 0x0600, 0, 1, 3, "FT232R USB UART", "FTDI", "A10KZP4E")
    fi = t.usb_interface(ftdi, "1-5:1.0", 0, 0xff, 0xff, 0xff, "ftdi_sio", "FT232R USB UART")
    serial = t.dir(fi + "/ttyUSB0")
    t.tty(serial, "ttyUSB0", None)
    t.pci(r0, "0000:00:1f.0", 0x8086, 0xa1c3, 0x060100, 0x15d9, 0x1b58, 9, numa=0)
    t.pci(r0, "0000:00:1f.4", 0x8086, 0xa1a3, 0x0c0500, 0x15d9, 0x1b58, 9, "i801_smbus", numa=0)
    rp = t.pci(r0, "0000:00:1c.0", 0x8086, 0xa190, 0x060400, 0x15d9, 0x1b58, 0xf9, "pcieport", numa=0)
    bmc = t.pci(rp, "0000:02:00.0", 0x1a03, 0x2000, 0x030000, 0x15d9, 0x1b58, 0x41, "ast", numa=0)
    t.dir(bmc + "/drm/card0", dev="226:0")
    t.link("class/drm/card0", bmc + "/drm/card0")
    c = t.dir(bmc + "/drm/card0/card0-VGA-1", status="disconnected")
    t.link("class/drm/card0-VGA-1", c)
    rp1 = t.pci(r0, "0000:00:1c.1", 0x8086, 0xa191, 0x060400, 0x15d9, 0x1b58, 0xf9, "pcieport", numa=0)
    igb = t.pci(rp1, "0000:03:00.0", 0x8086, 0x1533, 0x020000, 0x15d9, 0x1533, 3, "igb", numa=0)
    t.net(igb, "enp3s0")
    t.file("module/igb/version", "5.15.0-91-generic")

    r1 = "devices/pci0000:17"
    t.dir(r1)
    p1 = t.pci(r1, "0000:17:00.0", 0x8086, 0x2030, 0x060400, 0x15d9, 0x1b58, 7, "pcieport", numa=1)
    for fn, name in ((0, "eno1"), (1, "eno2")):
        nic = t.pci(p1, "0000:18:00.%d" % fn, 0x8086, 0x1572, 0x020000, 0x15d9, 0x0000, 2, "i40e", numa=1)
        t.net(nic, name)
    t.file("module/i40e/version", "2.22.20")
    p2 = t.pci(r1, "0000:17:02.0", 0x8086, 0x2032, 0x060400, 0x15d9, 0x1b58, 7, "pcieport", numa=1)
    raid = t.pci(p2, "0000:19:00.0", 0x1000, 0x005d, 0x010400, 0x1000, 0x9361, 2, "megaraid_sas", numa=1)
    vd = t.scsi(raid + "/host2/target2:2:0", "2:2:0:0", "AVAGO   ", "MR9361-8i       ", "4.68", 0, "sd")
    t.block(vd + "/block/sdb", 11718885376, device=vd, parts=((1, 2048, 11718883328, "data"),))
    t.file("module/megaraid_sas/version", "07.719.03.00-rc1")
    p3 = t.pci(r1, "0000:17:03.0", 0x8086, 0x2033, 0x060400, 0x15d9, 0x1b58, 7, "pcieport", numa=1)
    sas = t.pci(p3, "0000:1a:00.0", 0x1000, 0x0097, 0x010700, 0x15d9, 0x0808, 2, "mpt3sas", numa=1)
    for target, disk in ((0, "sdc"), (1, "sdd")):
        unit = t.scsi(sas + "/host3/port-3:%d/end_device-3:%d/target3:0:%d" % (target, target, target),
                      "3:0:%d:0" % target, "SEAGATE ", "ST4000NM0025    ", "E002", 0, "sd")
        t.block(unit + "/block/" + disk, 7814037168, device=unit)
    t.file("module/mpt3sas/version", "39.100.00.00")
    p4 = t.pci(r1, "0000:17:04.0", 0x8086, 0x2034, 0x060400, 0x15d9, 0x1b58, 7, "pcieport", numa=1)
    t.pci(p4, "0000:1b:00.0", 0x15b3, 0x1015, 0x020000, 0x15b3, 0x0003, 0, numa=1)

    for n in range(16):
        t.cpu(n, "cpu:type:x86,ven0000fam0006mod0055:feature:,0000,0001", online=n != 15, node=n // 8)
    t.net(None, "lo", type=772)
    t.net(None, "bond0", "bonding")
    t.net(None, "br0", "bridge")
    t.net(None, "eno1.100", uevent="DEVTYPE=vlan\nINTERFACE=eno1.100")
    t.net(None, "veth3f2a9c1")
    for n in (0, 1):
        h = t.dir("devices/platform/coretemp.%d/hwmon/hwmon%d" % (n, n), name="coretemp")
        t.link("class/hwmon/hwmon%d" % n, h)
        t.link(h + "/device", "devices/platform/coretemp.%d" % n)
        t.driver("devices/platform/coretemp.%d" % n, "platform", "coretemp")
    with open(root + "/cpuinfo", "w") as f:
        for n in range(16):
            f.write("processor\t: %d\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\n"
                    "model name\t: Intel(R) Xeon(R) Gold 6226R CPU @ 2.90GHz\nstepping\t: 7\n\n" % n)
    return t


def vm_lookups(root):
    lookups = set()
    for dirpath, _, files in os.walk(root + "/sys/devices"):
        if "modalias" in files:
            with open(os.path.join(dirpath, "modalias")) as f:
                alias = f.read().strip()
            if alias.startswith("pci:"):
                lookups.add(alias)
        if "hid" in files:
            with open(os.path.join(dirpath, "hid")) as f:
                lookups.add("acpi:%s:" % f.read().strip())
    return lookups


def write_hwdb(root, lookups):
    """The real database's answers for every key the scanner looks up, as 'key<TAB>NAME=value' lines."""
    lines = []
    for key in sorted(lookups):
        out = subprocess.run(["systemd-hwdb", "query", key], capture_output=True, text=True).stdout
        for line in sorted(out.splitlines()):
            if line.startswith(("ID_VENDOR_FROM_DATABASE=", "ID_MODEL_FROM_DATABASE=")):
                lines.append("%s\t%s\n" % (key, line))
    with open(root + "/hwdb.txt", "w") as f:
        f.writelines(lines)


MACHINES = (("laptop", laptop), ("server", server))


def build_trees(out):
    """Every generated machine under out/<name>, replaced whole; returns each machine's lookups by name."""
    lookups = {}
    for name, build in MACHINES:
        root = os.path.join(out, name)
        os.makedirs(root, exist_ok=True)
        lookups[name] = build(root).lookups
    return lookups


def main():
    args = sys.argv[1:]
    if args[:1] == ["--hwdb"]:
        base = args[1] if len(args) > 1 else os.path.dirname(os.path.abspath(__file__))
        with tempfile.TemporaryDirectory() as scratch:
            for name, lookups in build_trees(scratch).items():
                write_hwdb(os.path.join(base, name), lookups)
        write_hwdb(os.path.join(base, "vm"), vm_lookups(os.path.join(base, "vm")))
    elif len(args) == 1 and not args[0].startswith("-"):
        build_trees(args[0])
    else:
        sys.exit("usage: make_fixtures.py OUT | make_fixtures.py --hwdb [DIR]")


if __name__ == "__main__":
    main()
