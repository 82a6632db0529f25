#!/usr/bin/env python3
"""Writes a seed of the sysfs fuzz target from part of a fixture machine of tests/sysfs: every entry below the
given folders, every link of the tree that leads into them (bus/, class/ entries), the folders those entries'
own links name (drivers, modules), the machine's cpuinfo and its hardware database answers.

    seeds_from_fixture.py [--trees DIR] MACHINE OUT PREFIX...
        e.g. vm corpus/sysfs/vm-net devices/pci0000:00/0000:00:03.0

The laptop and server trees are made by tests/sysfs/make_fixtures.py: from DIR when given (a build's
tests/sysfs, e.g. build/linux/tests/sysfs), else made afresh in a temporary folder.
"""
import os
import sys
import tempfile

SOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sysfs")

MAX_TEXT = 300


def escape(data):
    out = []
    for b in data[:MAX_TEXT]:
        c = chr(b)
        if c == "\\":
            out.append("\\\\")
        elif c == "\n":
            out.append("\\n")
        elif c == "\t":
            out.append("\\t")
        elif 0x20 <= b < 0x7F:
            out.append(c)
        else:
            out.append("\\x%02x" % b)
    return "".join(out)


def write_seed(machine, trees, out, prefixes):
    base = os.path.join(SOURCES, machine)
    tree = base if machine == "vm" else os.path.join(trees, machine)
    root = os.path.realpath(os.path.join(tree, "sys"))
    if not os.path.isdir(root):
        sys.exit("seeds_from_fixture.py: no tree at " + root)
    chosen = [os.path.join(root, p) for p in prefixes]

    def under(path):
        return any(path == c or path.startswith(c + "/") for c in chosen)

    lines = []
    wanted_dirs = set()
    for top, dirs, files in os.walk(root):
        for name in sorted(dirs + files):
            full = os.path.join(top, name)
            rel = os.path.relpath(full, root)
            if os.path.islink(full):
                target = os.readlink(full)
                resolved = os.path.realpath(full)
                if under(full) or under(resolved):
                    lines.append("l %s\t%s" % (rel, escape(target.encode())))
                    if under(full) and resolved.startswith(root + "/") and os.path.isdir(resolved) and not under(resolved):
                        wanted_dirs.add(os.path.relpath(resolved, root))
            elif under(full):
                if os.path.isdir(full):
                    lines.append("d " + rel)
                else:
                    with open(full, "rb") as f:
                        lines.append("f %s\t%s" % (rel, escape(f.read())))
    lines += ["d " + d for d in sorted(wanted_dirs)]
    with open(os.path.join(tree, "cpuinfo"), "rb") as f:
        lines += ["c " + escape(line) for line in f.read().split(b"\n")[:40] if line]
    with open(os.path.join(base, "hwdb.txt")) as f:
        lines += ["h " + line.rstrip("\n") for line in f if "\t" in line]
    with open(out, "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    args = sys.argv[1:]
    trees = None
    if args[:1] == ["--trees"] and len(args) > 1:
        trees, args = args[1], args[2:]
    if len(args) < 3:
        sys.exit("usage: seeds_from_fixture.py [--trees DIR] MACHINE OUT PREFIX...")
    machine, out, prefixes = args[0], args[1], args[2:]
    if trees is not None or machine == "vm":
        write_seed(machine, trees, out, prefixes)
        return
    sys.path.insert(0, SOURCES)
    import make_fixtures  # noqa: E402
    with tempfile.TemporaryDirectory() as scratch:
        make_fixtures.build_trees(scratch)
        write_seed(machine, scratch, out, prefixes)


if __name__ == "__main__":
    main()
