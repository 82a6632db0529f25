#!/bin/sh
# The real binary against a kernel record it reads as it would on a real machine: in a private mount
# namespace, a journal made by the journal's own writer is bound over /var/log/journal, then text logs over
# /var/log, then nothing. The stick the record saw (absent: this machine has no USB) is checked byte for
# byte in the text and JSON listings; the present and interface listings must not change with the record, nor
# any listing for a user who may not read it.
#   run.sh <devlist binary> [<devlist binary to compare the listing without a record with>]
# With DEVLIST_HISTORY_NO_STRACE set (sanitized builds), the runs under strace are left out.
set -eu
devlist=$(realpath "$1")
reference=${2:+$(realpath "$2")}
source=$(realpath "$(dirname "$0")/../..")
remote=/lib/systemd/systemd-journal-remote
if [ -z "${DEVLIST_HISTORY_NAMESPACE:-}" ]; then
  if [ "$(id -u)" != 0 ]; then echo "SKIPPED: a private mount namespace needs root"; exit 0; fi
  if [ ! -x "$remote" ]; then echo "SKIPPED: $remote is missing"; exit 0; fi
  if ! command -v setpriv >/dev/null; then echo "SKIPPED: setpriv is missing"; exit 0; fi
  # In a chroot whose root is not a mount point, the namespace's mounts cannot be made private; binding the
  # root onto itself would show in the parent's namespace, so the test does not run there.
  if ! unshare -m --propagation private true 2>/dev/null; then
    echo "SKIPPED: no private mount namespace (unshare -m --propagation private)"; exit 0
  fi
  DEVLIST_HISTORY_NAMESPACE=1 exec unshare -m --propagation private "$0" "$@"
fi

export TZ=UTC LC_ALL=C
work=$(mktemp -d)
# The mounts this script made, latest first: undone before the scratch folder goes.
mounts=""
bind() { mount --bind "$1" "$2"; mounts="$2 $mounts"; }
unbind() { umount "$1"; mounts=${mounts#"$1 "}; }
trap 'for m in $mounts; do umount "$m"; done; rm -rf "$work"' EXIT
machine=$(cat /etc/machine-id)
usb='{36fc9e60-c465-11cf-8056-444553540000}'
disks='{4d36e967-e325-11ce-bfc1-08002be10318}'
fail() { printf 'FAILED: %s\n' "$*"; exit 1; }
mkdir -p "$work/empty/journal" "$work/empty-run" "$work/logs/journal"
# /run/log/journal, when there is one, would be read beside the bound journal: it is hidden for every case.
if [ -d /run/log/journal ]; then bind "$work/empty-run" /run/log/journal; fi

# The listings of one case: the sweep not present, its JSON, the USB class not present, the present sweep,
# the interface sweep.
listings() {
  "$devlist" not-present >"$work/$1.not-present"
  "$devlist" json not-present >"$work/$1.json"
  "$devlist" not-present "$usb" >"$work/$1.usb"
  "$devlist" >"$work/$1.present"
  "$devlist" interface >"$work/$1.interface"
}

# The report of the device whose Device_InstanceId is $2 in listing $1: from its NAME line to the blank line.
block() {
  id="Device_InstanceId : $2" awk '
    /^NAME : / { text = ""; keep = 1 }
    keep { text = text $0 "\n" }
    $0 == ENVIRON["id"] { found = 1 }
    /^$/ && keep { if (found) { printf "%s", text; exit } keep = 0 }' "$1"
}

expect_block() {  # listing, instance id, expected text
  block "$1" "$2" >"$work/got"
  printf '%s\n\n' "$3" >"$work/want"
  cmp -s "$work/got" "$work/want" || { diff -u "$work/want" "$work/got" || true; fail "$1: the report of $2"; }
}

stick='USB\VID_0781&PID_5567\4C530001230918115442'
disk='USBSTOR\DISK&VEN_SANDISK&PROD_CRUZER_BLADE&REV_1.26\4C530001230918115442&0'

# $1 install (the first arrival), $2 last arrival, $3 last removal, as FILETIME renders.
stick_report() {
  cat <<END
NAME : Cruzer Blade
Device_DeviceDesc : Cruzer Blade
Device_HardwareIds : USB\VID_0781&PID_5567&REV_0126
	USB\VID_0781&PID_5567
Device_CompatibleIds : USB\Class_08
Device_Class : USB
Device_ClassGuid : {36fc9e60-c465-11cf-8056-444553540000}
Device_Manufacturer : SanDisk
Device_BusTypeGuid : {9d7debbc-c85d-11d1-9eb4-006008c3a19a}
Device_LegacyBusType : 15
Device_EnumeratorName : USB
Device_Address : 2
Device_RemovalPolicy : 3
Device_InstallState : 0
Device_InstanceId : $stick
Device_ContainerId : {8f732adc-16c0-5c92-9cb7-7da8fde8290c}
Device_BusReportedDeviceDesc : Cruzer Blade
Device_IsPresent : false
Device_InstallDate : $1
Device_FirstInstallDate : $1
Device_LastArrivalDate : $2
Device_LastRemovalDate : $3
END
}

disk_report() {
  cat <<END
NAME : SanDisk Cruzer Blade
Device_DeviceDesc : Disk drive
Device_HardwareIds : USBSTOR\DiskSanDisk_Cruzer_Blade____1.26
	USBSTOR\DiskSanDisk_Cruzer_Blade____
	USBSTOR\DiskSanDisk_
	USBSTOR\SanDisk_Cruzer_Blade____1
	SanDisk_Cruzer_Blade____1
	GenDisk
Device_CompatibleIds : USBSTOR\Disk
	USBSTOR\RAW
Device_Class : DiskDrive
Device_ClassGuid : {4d36e967-e325-11ce-bfc1-08002be10318}
Device_Manufacturer : (Standard disk drives)
Device_FriendlyName : SanDisk Cruzer Blade
Device_EnumeratorName : USBSTOR
Device_RemovalPolicy : 3
Device_InstallState : 0
Device_InstanceId : $disk
Device_ContainerId : {8f732adc-16c0-5c92-9cb7-7da8fde8290c}
Device_IsPresent : false
Device_FirmwareVersion : 1.26
Device_InstallDate : $1
Device_FirstInstallDate : $1
Device_LastArrivalDate : $2
Device_LastRemovalDate : $3
END
}

# The checks of a case with the stick in its record; $2..$4 its dates as text, $5..$7 as JSON.
check_recorded() {
  c=$1
  expect_block "$work/$c.usb" "$stick" "$(stick_report "$2" "$3" "$4")"
  expect_block "$work/$c.not-present" "$disk" "$(disk_report "$2" "$3" "$4")"
  grep -q "^\*\*\* Disk Drives $disks\$" "$work/$c.not-present" || fail "$c: no Disk Drives heading"
  for listing in present interface; do
    cmp -s "$work/none.$listing" "$work/$c.$listing" || fail "$c: the $listing listing changed with the record"
  done
  if grep -q 4C530001230918115442 "$work/$c.present"; then fail "$c: the present listing shows the stick"; fi
  python3 - "$work/$c.json" "$disk" "$5" "$6" "$7" <<'PY' || fail "$c: the JSON listing"
import json, sys
path, disk, first, arrival, removal = sys.argv[1:]
doc = json.load(open(path))
found = [d for c in doc["classes"] for d in c["devices"] if d["instanceId"] == disk]
if len(found) != 1:
    sys.exit("%d devices %s" % (len(found), disk))
p = found[0]["properties"]
want = {"Device_IsPresent": False, "Device_InstallDate": first, "Device_FirstInstallDate": first,
        "Device_LastArrivalDate": arrival, "Device_LastRemovalDate": removal}
for key, value in want.items():
    if p.get(key, "missing") != value:
        sys.exit("%s: %r, expected %r" % (key, p.get(key, "missing"), value))
for key in ("Device_DevNodeStatus", "Device_ProblemCode", "Device_Parent", "Device_Driver"):
    if key in p:
        sys.exit("%s present on a device that is not" % key)
PY
}

# A user who may not read the record (not root, not in adm or systemd-journal) gets the listing without it.
as_nobody() {
  setpriv --reuid=65534 --regid=65534 --clear-groups "$devlist" not-present >"$work/$1.nobody" ||
    fail "$1: devlist as nobody failed"
  cmp -s "$work/none.not-present" "$work/$1.nobody" || fail "$1: a user who cannot read the record sees a change"
}

# Each case binds a folder over /var/log whose journal/ folder is empty, or has the journal bound over it.
# No record at all: both empty.
bind "$work/empty" /var/log
listings none
cmp -s "$work/none.present" "$work/none.not-present" || fail "without a record, not-present differs from present"
if [ -n "$reference" ]; then
  "$reference" not-present >"$work/reference.not-present"
  cmp -s "$work/reference.not-present" "$work/none.not-present" || fail "without a record, not-present differs from $reference"
fi
if grep -q 'Device_IsPresent : false' "$work/none.not-present"; then fail "without a record, a device is absent"; fi
unbind /var/log

# The journal: the stick in two boots, plugged and pulled in each; other subsystems' messages around it.
boot_a=0123456789abcdef0123456789abcdef
boot_b=fedcba9876543210fedcba9876543210
entry() {  # boot, realtime (microseconds), monotonic, subsystem, message
  printf '__REALTIME_TIMESTAMP=%s\n__MONOTONIC_TIMESTAMP=%s\n_BOOT_ID=%s\n_MACHINE_ID=%s\n_TRANSPORT=kernel\n' \
    "$2" "$3" "$1" "$machine"
  printf 'SYSLOG_IDENTIFIER=kernel\n_KERNEL_SUBSYSTEM=%s\nMESSAGE=%s\n\n' "$4" "$5"
}
plug() {  # boot, arrival (microseconds), removal (microseconds), device number
  entry "$1" "$2" 5000001 usb "usb 1-1.2: new high-speed USB device number $4 using xhci_hcd"
  entry "$1" "$2" 5000002 usb "usb 1-1.2: New USB device found, idVendor=0781, idProduct=5567, bcdDevice= 1.26"
  entry "$1" "$2" 5000003 usb "usb 1-1.2: New USB device strings: Mfr=1, Product=2, SerialNumber=3"
  entry "$1" "$2" 5000004 usb "usb 1-1.2: Product: Cruzer Blade"
  entry "$1" "$2" 5000005 usb "usb 1-1.2: Manufacturer: SanDisk"
  entry "$1" "$2" 5000006 usb "usb 1-1.2: SerialNumber: 4C530001230918115442"
  entry "$1" "$2" 5000007 usb "usb-storage 1-1.2:1.0: USB Mass Storage device detected"
  entry "$1" "$2" 5000008 scsi "scsi host6: usb-storage 1-1.2:1.0"
  entry "$1" "$2" 6000000 pci "pci 0000:00:03.0: not about USB"
  entry "$1" "$(($2 + 1000000))" 6000001 scsi \
    "scsi 6:0:0:0: Direct-Access     SanDisk  Cruzer Blade     1.26 PQ: 0 ANSI: 6"
  entry "$1" "$(($2 + 1100000))" 6100000 scsi "sd 6:0:0:0: [sdb] Attached SCSI removable disk"
  entry "$1" "$3" 9000000 usb "usb 1-1.2: USB disconnect, device number $4"
}
{
  plug $boot_a 1796117415250000 1796122923000000 5   # 2026-12-01 09:30:15.250, pulled 11:02:03.000
  plug $boot_b 1796285700125000 1796287530500000 3   # 2026-12-03 08:15:00.125, pulled 08:45:30.500
} >"$work/export.txt"
mkdir -p "$work/journal/$machine"
"$remote" -o "$work/journal/$machine/system.journal" "$work/export.txt" >"$work/remote.log" 2>&1 ||
  { cat "$work/remote.log"; fail "$remote"; }
bind "$work/empty" /var/log
bind "$work/journal" /var/log/journal
listings journal
as_nobody journal
check_recorded journal "2026-12-01 09:30:15.250" "2026-12-03 08:15:00.125" "2026-12-03 08:45:30.500" \
  "2026-12-01T09:30:15.2500000Z" "2026-12-03T08:15:00.1250000Z" "2026-12-03T08:45:30.5000000Z"
# With a journal to read, a run still reads only what it may.
if [ -z "${DEVLIST_HISTORY_NO_STRACE:-}" ] && command -v strace >/dev/null; then
  python3 "$source/tests/strace/check.py" "$devlist" not-present >"$work/strace.log" 2>&1 ||
    { cat "$work/strace.log"; fail "the journal case under strace"; }
fi
# The fleet report of this host lists the stick's disk among the devices not present now.
if command -v ansible-playbook >/dev/null; then
  LC_ALL=C.UTF-8 "$source/tests/json/ansible.sh" "$devlist" "$source" "$disk" >"$work/ansible.log" 2>&1 ||
    { cat "$work/ansible.log"; fail "the Ansible report with the journal"; }
  cat "$work/ansible.log"
fi
unbind /var/log/journal
unbind /var/log

# The text logs: no journal; the first boot in kern.log.1.gz with classic stamps (the year from the file's
# time), the second in kern.log with RFC 3339 stamps.
mkdir -p "$work/logs"
line() { printf '%s host kernel: [    5.000000] %s\n' "$1" "$2"; }
text_plug() {  # stamp at arrival, stamp a second later, stamp at removal, device number
  line "$1" "usb 1-1.2: new high-speed USB device number $4 using xhci_hcd"
  line "$1" "usb 1-1.2: New USB device found, idVendor=0781, idProduct=5567, bcdDevice= 1.26"
  line "$1" "usb 1-1.2: Product: Cruzer Blade"
  line "$1" "usb 1-1.2: Manufacturer: SanDisk"
  line "$1" "usb 1-1.2: SerialNumber: 4C530001230918115442"
  line "$1" "usb-storage 1-1.2:1.0: USB Mass Storage device detected"
  line "$1" "scsi host6: usb-storage 1-1.2:1.0"
  line "$2" "scsi 6:0:0:0: Direct-Access     SanDisk  Cruzer Blade     1.26 PQ: 0 ANSI: 6"
  line "$2" "sd 6:0:0:0: [sdb] Attached SCSI removable disk"
  line "$3" "usb 1-1.2: USB disconnect, device number $4"
}
{
  printf 'Dec  1 09:00:00 host kernel: [    0.000000] Linux version 6.1.0-28-amd64\n'
  text_plug "Dec  1 09:30:15" "Dec  1 09:30:16" "Dec  1 11:02:03" 5
} | gzip -n >"$work/logs/kern.log.1.gz"
touch -d '2026-12-01 12:00:00' "$work/logs/kern.log.1.gz"
{
  printf '2026-12-03T08:00:00.000000+00:00 host kernel: [    0.000000] Linux version 6.1.0-28-amd64\n'
  text_plug "2026-12-03T09:15:00.125000+01:00" "2026-12-03T08:15:01.125000+00:00" "2026-12-03T08:45:30.500000Z" 3
} >"$work/logs/kern.log"
chmod 0640 "$work/logs/kern.log" "$work/logs/kern.log.1.gz"  # as a syslog daemon leaves them
bind "$work/logs" /var/log
listings text
as_nobody text
if [ -z "${DEVLIST_HISTORY_NO_STRACE:-}" ] && command -v strace >/dev/null; then
  python3 "$source/tests/strace/check.py" "$devlist" not-present >"$work/strace.log" 2>&1 ||
    { cat "$work/strace.log"; fail "the text log case under strace"; }
fi
check_recorded text "2026-12-01 09:30:15.000" "2026-12-03 08:15:00.125" "2026-12-03 08:45:30.500" \
  "2026-12-01T09:30:15.0000000Z" "2026-12-03T08:15:00.1250000Z" "2026-12-03T08:45:30.5000000Z"
unbind /var/log
echo "history: the stick from the journal and from the text logs; no record leaves the listing as it was"
