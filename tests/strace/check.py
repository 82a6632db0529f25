#!/usr/bin/env python3
"""Runs devlist under strace and checks that it only reads: no file opened for writing, nothing written
but to standard output, no path named outside /sys, /proc/cpuinfo, the hardware database, the kernel's record
(the journal's folders, the kernel's syslog files) in a setup listing, and what the loader itself opens.
Usage: check.py DEVLIST [ARGUMENTS...]; prints SKIPPED: when strace is missing."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

ALLOWED = ("/sys", "/proc/cpuinfo",
           "/etc/systemd/hwdb/hwdb.bin", "/etc/udev/hwdb.bin", "/lib/udev/hwdb.bin", "/usr/lib/udev/hwdb.bin",
           # The loader's own: its cache and preload list, and the shared libraries.
           "/etc/ld.so.cache", "/etc/ld.so.preload", "/lib/", "/lib64/", "/usr/lib/", "/usr/lib64/")
# The kernel's record, read by setup listings only: the journal's folders (and the machine id, which names the
# local machine's), /var/log's listing and the three families of syslog files with their rotated copies, and
# the time zone that the classic syslog stamps are written in.
RECORD = ("/var/log/journal", "/run/log/journal", "/etc/machine-id", "/etc/localtime", "/usr/share/zoneinfo")
RECORD_FILES = re.compile(r"^/var/log(/(kern\.log|messages|syslog)[^/]*)?$")
WRITE_FLAGS = ("O_WRONLY", "O_RDWR", "O_CREAT", "O_TRUNC", "O_APPEND")
CALL = re.compile(r'^\d+\s+(\w+)\((.*)\)\s+=\s+(-?\d+|\?)')
PATH = re.compile(r'"((?:[^"\\]|\\.)*)"')


def allowed(path, program, record):
    if path == program:
        return True
    if record and (RECORD_FILES.match(path) or any(path == p or path.startswith(p + "/") for p in RECORD)):
        return True
    return any(path == p or path.startswith(p.rstrip("/") + "/") for p in ALLOWED)


def problems(log, program, record=True):
    found = []
    for line in log.splitlines():
        m = CALL.match(line)
        if not m:
            continue
        call, args = m.group(1), m.group(2)
        if call == "write":
            fd = args.split(",", 1)[0]
            if fd != "1":
                found.append("write to fd %s: %s" % (fd, line))
            continue
        if call in ("openat", "openat2", "open", "creat") and any(f in args for f in WRITE_FLAGS):
            found.append("opened for writing: " + line)
        paths = PATH.findall(args)
        if not paths:
            continue
        path = paths[0]
        relative_to_fd = re.match(r'^\d+, ', args) is not None  # a descriptor of a directory opened before
        if path.startswith("/"):
            if not allowed(os.path.normpath(path), program, record):
                found.append("path outside what it may read: " + line)
        elif not relative_to_fd and path != "" and call != "execve":
            found.append("path relative to the working directory: " + line)
    return found


# Lines the check must refuse, each for its own reason, and lines it must let pass.
SELF_TEST_REFUSED = [
    '1 openat(AT_FDCWD, "/etc/passwd", O_RDONLY|O_CLOEXEC) = 3',
    '1 openat(AT_FDCWD, "/sys/class/x", O_WRONLY|O_CREAT|O_CLOEXEC, 0644) = 5',
    '1 write(2, "oops", 4) = 4',
    '1 openat(AT_FDCWD, "here", O_RDONLY) = 3',
    '1 openat2(3, "../../etc", {flags=O_RDWR}, 24) = -1 EXDEV (Invalid cross-device link)',
    '1 openat(AT_FDCWD, "/var/log/auth.log", O_RDONLY|O_CLOEXEC) = 3',
    '1 openat(AT_FDCWD, "/var/log/journal/../../../etc/shadow", O_RDONLY|O_CLOEXEC) = 3',
]
# Lines an interface listing must refuse: it does not read the record.
SELF_TEST_REFUSED_IN_INTERFACE_LISTING = [
    '1 openat(AT_FDCWD, "/var/log/journal", O_RDONLY|O_NONBLOCK|O_CLOEXEC|O_DIRECTORY) = 4',
    '1 openat(AT_FDCWD, "/var/log/kern.log.2.gz", O_RDONLY|O_CLOEXEC) = 3',
]
SELF_TEST_PASSED = [
    '1 openat2(3, "class/net", {flags=O_RDONLY|O_CLOEXEC, resolve=RESOLVE_IN_ROOT}, 24) = 4',
    '1 write(1, "ok", 2) = 2',
    '1 openat(AT_FDCWD, "/proc/cpuinfo", O_RDONLY|O_CLOEXEC) = 3',
    '1 openat(AT_FDCWD, "/lib/x86_64-linux-gnu/libudev.so.1", O_RDONLY|O_CLOEXEC) = 3',
    '1 readlinkat(3, "bus/pci/devices/0000:00:01.0", "../../../devices/pci0000:00/000"..., 4096) = 34',
] + SELF_TEST_REFUSED_IN_INTERFACE_LISTING + [
    '1 openat(AT_FDCWD, "/var/log", O_RDONLY|O_NONBLOCK|O_CLOEXEC|O_DIRECTORY) = 4',
    '1 openat(AT_FDCWD, "/run/log/journal/0123/system.journal", O_RDONLY|O_CLOEXEC) = 5',
]


def self_test():
    bad = [line for line in SELF_TEST_REFUSED if len(problems(line, "/x/devlist")) != 1]
    bad += [line for line in SELF_TEST_PASSED if problems(line, "/x/devlist")]
    bad += [line for line in SELF_TEST_REFUSED_IN_INTERFACE_LISTING if len(problems(line, "/x/devlist", False)) != 1]
    for line in bad:
        print("self test: wrong verdict on " + line)
    return 1 if bad else 0


def main():
    if len(sys.argv) == 2 and sys.argv[1] == "--self-test":
        return self_test()
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    strace = shutil.which("strace")
    if strace is None:
        print("SKIPPED: strace is not installed")
        return 0
    program = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        log_path = os.path.join(work, "trace")
        run = subprocess.run([strace, "-f", "-qq", "-e", "trace=%file,write", "-o", log_path, program] + sys.argv[2:],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=work)
        if run.returncode != 0:
            print("devlist under strace exited with %d: %s" % (run.returncode, run.stderr.decode(errors="replace")))
            return 1
        with open(log_path, encoding="utf-8", errors="replace") as f:
            log = f.read()
    if not run.stdout:
        print("devlist wrote nothing")
        return 1
    found = problems(log, program, record="interface" not in sys.argv[2:])
    for p in found[:20]:
        print(p)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
