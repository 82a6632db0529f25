#!/bin/sh
# Runs contrib/ansible/inventory.yml for real against this machine (connection local) with the freshly built
# binary, then checks that the fact equals `devlist json not-present` of the same moment, that the report counts
# this machine's PCI functions (as /sys/bus/pci/devices has them), lists those with a problem, and lists the
# devices that are not present now with their last arrival and removal. Given an instance id, that device must
# be among those (tests/history/run.sh runs this with a kernel's record that has one).
#   ansible.sh <devlist binary> <source dir> [<instance id of a device not present>]
set -eu
devlist=$(realpath "$1")
src=$2
absent=${3:-}
if ! command -v ansible-playbook >/dev/null; then echo "SKIPPED: ansible-playbook is missing"; exit 0; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/facts"
ANSIBLE_NOCOLOR=1 ANSIBLE_LOCAL_TEMP="$work/tmp" ANSIBLE_HOME="$work/home" \
  ansible-playbook -i localhost, -c local "$src/contrib/ansible/inventory.yml" \
  -e devlist_binary="$devlist" -e devlist_install_dir="$work/bin" -e devlist_fact_dir="$work/facts.d" \
  -e devlist_report="$work/report.md" -e devlist_facts_out="$work/facts" >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
"$devlist" json not-present >"$work/now.json"
python3 - "$work" "$absent" <<'PY'
import json, os, re, sys
work, absent = sys.argv[1:]
fact = json.load(open(os.path.join(work, "facts", "localhost.json")))
now = json.load(open(os.path.join(work, "now.json")))
if fact != now:
    sys.exit("ansible_local.devlist differs from devlist json not-present")
report = open(os.path.join(work, "report.md")).read()
rows = [l for l in report.splitlines() if l.startswith("| ")]
header = [c.strip() for c in rows[0].strip("|").split("|")]
counts = dict(zip(header[1:], [int(c) for c in rows[1].strip("|").split("|")[1:]]))
def section(title):
    text = report.partition("## " + title + "\n")[2].partition("\n## ")[0]
    return [l for l in text.splitlines() if l.startswith("| localhost | ")]
problems = section("Devices with a problem")
gone = section("Devices seen that are not present now")
present = lambda d: d["properties"].get("Device_IsPresent", True) is not False
devices = {d["instanceId"]: (c["name"], d) for c in now["classes"] for d in c["devices"] if present(d)}
for c in now["classes"]:
    n = len([d for d in c["devices"] if present(d)])
    if counts.get(c["name"]) != n:
        sys.exit("report counts %r for %s, devlist %d" % (counts.get(c["name"]), c["name"], n))
want = []
for c in now["classes"]:
    for d in c["devices"]:
        if not present(d):
            p = d["properties"]
            cells = ["localhost", d["instanceId"], p.get("NAME", p.get("Device_DeviceDesc", "")),
                     p.get("Device_LastArrivalDate", ""), p.get("Device_LastRemovalDate", "")]
            want.append("| " + " | ".join(x.replace("|", "\\|") for x in cells) + " |")
if gone != want:
    sys.exit("the devices not present now: report\n%s\nexpected\n%s" % ("\n".join(gone), "\n".join(want)))
if absent and not any(l.startswith("| localhost | %s | " % absent) for l in gone):
    sys.exit("%s is not among the devices not present now" % absent)
pci = sorted(os.listdir("/sys/bus/pci/devices")) if os.path.isdir("/sys/bus/pci/devices") else []
for address in pci:
    base = "/sys/bus/pci/devices/" + address
    vendor = open(base + "/vendor").read().strip()[2:].upper()
    device = open(base + "/device").read().strip()[2:].upper()
    bus, slot, fn = [int(x, 16) for x in re.split("[:.]", address)[1:]]
    where = "PCI bus %d, device %d, function %d" % (bus, slot, fn)
    found = [(cls, d) for i, (cls, d) in devices.items() if i and i.startswith("PCI\\VEN_%s&DEV_%s" % (vendor, device))
             and d["properties"].get("Device_LocationInfo") == where]
    if len(found) != 1:
        sys.exit("PCI function %s: %d devices in devlist json" % (address, len(found)))
    cls, d = found[0]
    if counts.get(cls, 0) < 1:
        sys.exit("PCI function %s: its class %s is not in the report" % (address, cls))
    listed = any("| %s |" % d["instanceId"] in p for p in problems)
    p = d["properties"]
    problem = bool(p.get("Device_HasProblem")) or p.get("Device_ProblemCode", 0) != 0
    if problem != listed:
        sys.exit("PCI function %s: problem %s, in the problem list %s" % (address, problem, listed))
print("ansible: %d PCI functions, %d classes, %d problem devices, %d not present" % (len(pci), len(counts),
      len(problems), len(gone)))
PY
