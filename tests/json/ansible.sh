#!/bin/sh
# Runs contrib/ansible/inventory.yml for real against this machine (connection local) with the freshly built
# binary, then checks that the fact equals `devlist json` of the same moment and that the report counts this
# machine's PCI functions (as /sys/bus/pci/devices has them) and lists those with a problem.
#   ansible.sh <devlist binary> <source dir>
set -eu
devlist=$(realpath "$1")
src=$2
if ! command -v ansible-playbook >/dev/null; then echo "SKIPPED: ansible-playbook is missing"; exit 0; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/facts"
ANSIBLE_NOCOLOR=1 ANSIBLE_LOCAL_TEMP="$work/tmp" ANSIBLE_HOME="$work/home" \
  ansible-playbook -i localhost, -c local "$src/contrib/ansible/inventory.yml" \
  -e devlist_binary="$devlist" -e devlist_install_dir="$work/bin" -e devlist_fact_dir="$work/facts.d" \
  -e devlist_report="$work/report.md" -e devlist_facts_out="$work/facts" >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
"$devlist" json >"$work/now.json"
python3 - "$work" <<'PY'
import json, os, re, sys
work = sys.argv[1]
fact = json.load(open(os.path.join(work, "facts", "localhost.json")))
now = json.load(open(os.path.join(work, "now.json")))
if fact != now:
    sys.exit("ansible_local.devlist differs from devlist json")
report = open(os.path.join(work, "report.md")).read()
rows = [l for l in report.splitlines() if l.startswith("| ")]
header = [c.strip() for c in rows[0].strip("|").split("|")]
counts = dict(zip(header[1:], [int(c) for c in rows[1].strip("|").split("|")[1:]]))
problems = [l for l in report.partition("## Devices with a problem")[2].splitlines() if l.startswith("| localhost | ")]
devices = {d["instanceId"]: (c["name"], d) for c in now["classes"] for d in c["devices"]}
for c in now["classes"]:
    if counts.get(c["name"]) != len(c["devices"]):
        sys.exit("report counts %r for %s, devlist %d" % (counts.get(c["name"]), c["name"], len(c["devices"])))
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
print("ansible: %d PCI functions, %d classes, %d problem devices" % (len(pci), len(counts), len(problems)))
PY
