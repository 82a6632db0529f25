#!/usr/bin/env python3
"""Writes a synthetic kernel record: a systemd journal (Journal Export Format piped through
systemd-journal-remote) and/or syslog text files, of N entries over B boots with A USB arrivals.

    bench/make_journal.py [--entries N] [--boots B] [--arrivals A] [--journal DIR] [--text DIR] [--seed S]

Each arrival is the kernel's lines for one device (enumeration, strings, and its functions: a stick's SCSI
inquiry and disk, a receiver's HID interfaces, a serial adapter's tty, a network adapter's interface, a
camera), most of them followed later in the same boot by a disconnect. The other entries are filler as a
real journal holds it: service messages, and kernel messages of other subsystems. The text files hold the
kernel lines only (as kern.log does), the oldest boots in kern.log.2.gz, the middle in kern.log.1, the rest
in kern.log, with both timestamp forms (RFC 3339 in the rotated files, the classic form in the live one).
"""
import argparse
import datetime
import gzip
import os
import random
import subprocess
import sys

REMOTE = "/lib/systemd/systemd-journal-remote"
MACHINE = "00112233445566778899aabbccddeeff"
START = 1796810400  # 2026-12-09 10:00:00 UTC
BOOT_SPAN = 86400

# (kind, vid, pid, bcd, manufacturer, product, serial or None)
DEVICES = [
    ("stick", "0781", "5567", " 1.26", "SanDisk", "Cruzer Blade", "4C530001231218115270"),
    ("stick", "0951", "1666", " 1.10", "Kingston", "DataTraveler 3.0", None),
    ("receiver", "046d", "c52b", "12.03", "Logitech", "USB Receiver", None),
    ("serial", "10c4", "ea60", " 1.00", "Silicon Labs", "CP2102 USB to UART Bridge Controller", "0001"),
    ("net", "0bda", "8153", "30.00", "Realtek", "USB 10/100/1000 LAN", "000001"),
    ("camera", "046d", "0825", " 0.12", None, None, "ABCDEF01"),
]
PORTS = ["1-1", "1-2", "1-1.2", "1-1.3", "2-1", "2-2", "3-4.1"]

FILLER_SERVICE = [
    ("systemd", "systemd[1]", "Started session-{n}.scope - Session {n} of User admin."),
    ("sshd", "sshd[{pid}]", "Accepted publickey for admin from 10.0.0.{n} port 5{n} ssh2"),
    ("cron", "CRON[{pid}]", "(root) CMD (command -v debian-sa1 > /dev/null && debian-sa1 1 1)"),
    ("NetworkManager", "NetworkManager[{pid}]", "<info>  [{n}.1234] dhcp4 (eth0): state changed new lease"),
]
FILLER_KERNEL = [
    ("pci", "+pci:0000:00:1f.3", "snd_hda_intel 0000:00:1f.3: enabling device (0000 -> 0002)"),
    ("net", "n2", "e1000e 0000:00:19.0 eth0: NIC Link is Up 1000 Mbps Full Duplex"),
    ("", "", "audit: type=1400 audit({n}.123:{pid}): apparmor=\"STATUS\" operation=\"profile_load\""),
]


def device_lines(kind, port, number, host, dev):
    _, vid, pid, bcd, maker, product, serial = dev
    lines = [("usb", f"usb {port}: new high-speed USB device number {number} using xhci_hcd"),
             ("usb", f"usb {port}: New USB device found, idVendor={vid}, idProduct={pid}, bcdDevice={bcd}"),
             ("usb", f"usb {port}: New USB device strings: Mfr=1, Product=2, SerialNumber=3")]
    if product:
        lines.append(("usb", f"usb {port}: Product: {product}"))
    if maker:
        lines.append(("usb", f"usb {port}: Manufacturer: {maker}"))
    if serial:
        lines.append(("usb", f"usb {port}: SerialNumber: {serial}"))
    tail = port.split("-", 1)[1]
    if kind == "stick":
        lines += [("usb", f"usb-storage {port}:1.0: USB Mass Storage device detected"),
                  ("scsi", f"scsi host{host}: usb-storage {port}:1.0"),
                  ("scsi", f"scsi {host}:0:0:0: Direct-Access     {maker[:8]:<8} {product[:16]:<16} 1.00 PQ: 0 ANSI: 6"),
                  ("scsi", f"sd {host}:0:0:0: [sd{chr(98 + host % 20)}] 30031872 512-byte logical blocks"),
                  ("scsi", f"sd {host}:0:0:0: [sd{chr(98 + host % 20)}] Attached SCSI removable disk")]
    elif kind == "receiver":
        for i, what in enumerate(["Keyboard", "Mouse", "Device"]):
            lines.append(("hid", f"hid-generic 0003:046D:C52B.{host * 3 + i:04X}: input,hidraw{i}: USB HID v1.11 "
                                 f"{what} [Logitech USB Receiver] on usb-0000:00:14.0-{tail}/input{i}"))
    elif kind == "serial":
        lines += [("usb", f"cp210x {port}:1.0: cp210x converter detected"),
                  ("usb", f"usb {port}: cp210x converter now attached to ttyUSB{host % 4}")]
    elif kind == "net":
        lines += [("usb", f"r8152 {port}:1.0 eth1: v1.12.13"),
                  ("usb", f"r8152 {port}:1.0 enx00e04c68{host % 100:04d}: renamed from eth1")]
    elif kind == "camera":
        lines.append(("usb", f"uvcvideo {port}:1.0: Found UVC 1.00 device HD Webcam C270 ({vid}:{pid})"))
    return lines


def build(args):
    rng = random.Random(args.seed)
    boots = [f"{rng.getrandbits(128):032x}" for _ in range(args.boots)]
    # Every arrival: a boot, a time in it, a device, a port, and (mostly) a disconnect later.
    usb = []  # (boot, offset seconds, subsystem, message)
    for a in range(args.arrivals):
        boot = rng.randrange(args.boots)
        at = rng.uniform(5, BOOT_SPAN * 0.9)
        dev = DEVICES[rng.randrange(len(DEVICES))]
        port = rng.choice(PORTS)
        number = 2 + a % 120
        for subsystem, message in device_lines(dev[0], port, number, a % 60, dev):
            usb.append((boot, at, subsystem, message))
            at += 0.001
        if rng.random() < 0.8:
            usb.append((boot, at + rng.uniform(10, 3600), "usb", f"usb {port}: USB disconnect, device number {number}"))
    filler = args.entries - len(usb) - 2 * args.boots
    if filler < 0:
        sys.exit("make_journal: fewer entries than the USB events need")
    events = usb
    for boot in range(args.boots):
        events.append((boot, 0.0, "", "Linux version 6.1.0-28-amd64 (debian-kernel@lists.debian.org)"))
        events.append((boot, 0.0, "", "Command line: BOOT_IMAGE=/boot/vmlinuz-6.1.0-28-amd64 root=/dev/sda1 ro quiet"))
    for i in range(filler):
        boot = i % args.boots
        at = rng.uniform(1, BOOT_SPAN * 0.95)
        if rng.random() < 0.7:
            comm, ident, text = FILLER_SERVICE[i % len(FILLER_SERVICE)]
            events.append((boot, at, None, (comm, ident, text.format(n=i % 250, pid=1000 + i % 30000))))
        else:
            subsystem, device, text = FILLER_KERNEL[i % len(FILLER_KERNEL)]
            events.append((boot, at, (subsystem, device), text.format(n=i, pid=i % 9000)))
    events.sort(key=lambda e: (e[0], e[1]))
    return boots, events


def kernel_device(subsystem, message):
    if subsystem in ("usb", "scsi", "hid"):
        return "+" + subsystem + ":" + message.split(" ")[1].rstrip(":")
    return ""


def write_journal(boots, events, directory):
    os.makedirs(directory, exist_ok=True)
    out = os.path.join(directory, "system.journal")
    remote = subprocess.Popen([REMOTE, "-o", out, "-"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
    write = remote.stdin.write
    seq = 0
    for boot, at, kind, message in events:
        seq += 1
        realtime = int((START + boot * BOOT_SPAN + at) * 1e6)
        head = (f"__REALTIME_TIMESTAMP={realtime}\n__MONOTONIC_TIMESTAMP={int(at * 1e6) + 1}\n"
                f"_BOOT_ID={boots[boot]}\n_MACHINE_ID={MACHINE}\n_HOSTNAME=bench\n")
        if kind is None:
            comm, ident, text = message
            body = (f"_TRANSPORT=syslog\nPRIORITY=6\nSYSLOG_IDENTIFIER={ident.split('[')[0]}\n_COMM={comm}\n"
                    f"_PID={seq % 30000 + 100}\n_SYSTEMD_UNIT={comm}.service\nMESSAGE={text}\n\n")
        else:
            subsystem, device = kind if isinstance(kind, tuple) else (kind, kernel_device(kind, message))
            body = "_TRANSPORT=kernel\nPRIORITY=6\nSYSLOG_IDENTIFIER=kernel\n"
            if subsystem:
                body += f"_KERNEL_SUBSYSTEM={subsystem}\n_KERNEL_DEVICE={device}\n"
            body += f"MESSAGE={message}\n\n"
        write((head + body).encode())
    remote.stdin.close()
    if remote.wait() != 0:
        sys.exit("make_journal: systemd-journal-remote failed")


def write_text(boots, events, directory):
    os.makedirs(directory, exist_ok=True)
    third = max(1, len(boots) // 3)
    files = [gzip.open(os.path.join(directory, "kern.log.2.gz"), "wt"),
             open(os.path.join(directory, "kern.log.1"), "w"), open(os.path.join(directory, "kern.log"), "w")]
    last = None
    for boot, at, kind, message in events:
        if kind is None:
            continue
        t = START + boot * BOOT_SPAN + at
        which = min(2, boot // third)
        stamp = datetime.datetime.fromtimestamp(t, datetime.timezone.utc)
        if which == 2:
            prefix = f"{stamp:%b} {stamp.day:2d} {stamp:%H:%M:%S}"
        else:
            prefix = stamp.strftime("%Y-%m-%dT%H:%M:%S.%f+00:00")
        files[which].write(f"{prefix} bench kernel: [{at:12.6f}] {message}\n")
        last = t
    for f in files:
        f.close()
    if last is not None:
        os.utime(os.path.join(directory, "kern.log"), (last, last))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--entries", type=int, default=1000000)
    parser.add_argument("--boots", type=int, default=20)
    parser.add_argument("--arrivals", type=int, default=2000)
    parser.add_argument("--journal")
    parser.add_argument("--text")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    boots, events = build(args)
    if args.journal:
        write_journal(boots, events, args.journal)
    if args.text:
        write_text(boots, events, args.text)
    usb = sum(1 for e in events if e[2] in ("usb", "scsi", "hid"))
    print(f"{len(events)} entries, {args.boots} boots, {args.arrivals} arrivals, {usb} USB-related kernel entries")


if __name__ == "__main__":
    main()
