#!/usr/bin/env python3
"""Turns an strace log of devlist (strace -f -qq -o LOG) into the list of file system calls that bench/replay
makes again, one a line:

    KIND FD RESULT A B PATH_HEX

KIND is o (openat: A the flags, B -1; openat2: A the flags, B the resolve flags), r (read: A the count),
p (pread64: A the count, B the offset), g (getdents64: A the count), l (readlinkat: A the size),
s (newfstatat: A the flags) or c (close). FD is the descriptor the call was given (-100 for AT_FDCWD) and
RESULT what it returned, as traced; PATH_HEX the path's bytes in hex, or "-". Calls made before the program
opens /sys (the loader's) are left out, as are calls that do not touch files (memory, limits, writes).

Prints the number of calls of each kind on standard error.
"""
import codecs
import collections
import os
import re
import sys

OPEN_FLAGS = {name: getattr(os, name) for name in dir(os) if name.startswith("O_")}
RESOLVE_FLAGS = {"RESOLVE_NO_XDEV": 0x01, "RESOLVE_NO_MAGICLINKS": 0x02, "RESOLVE_NO_SYMLINKS": 0x04,
                 "RESOLVE_BENEATH": 0x08, "RESOLVE_IN_ROOT": 0x10, "RESOLVE_CACHED": 0x20}
AT_FLAGS = {"AT_SYMLINK_NOFOLLOW": 0x100, "AT_EMPTY_PATH": 0x1000, "AT_NO_AUTOMOUNT": 0x800,
            "AT_SYMLINK_FOLLOW": 0x400}

CALL = re.compile(r"^(?:\d+ +)?(\w+)\((.*)\) += (-?\d+)")
STRING = r'"((?:[^"\\]|\\.)*)"'


def flags(text, names):
    value = 0
    for part in text.split("|"):
        value |= int(part, 0) if part[:1].isdigit() else names[part]
    return value


def fd(text):
    return -100 if text == "AT_FDCWD" else int(text)


def path_hex(escaped):
    return codecs.escape_decode(escaped.encode("latin-1"))[0].hex() or "-"


def last_number(args):
    return int(args.rsplit(",", 1)[1])


def op(call, args, result):
    first = args.split(",", 1)[0]
    if call == "openat":
        m = re.match(r"(\w+), " + STRING + r", ([\w|]+)", args)
        return "o", fd(m[1]), result, flags(m[3], OPEN_FLAGS), -1, path_hex(m[2])
    if call == "openat2":
        m = re.match(r"(\w+), " + STRING + r", \{flags=([\w|]+)(?:, resolve=([\w|]+))?", args)
        return "o", fd(m[1]), result, flags(m[3], OPEN_FLAGS), flags(m[4] or "0", RESOLVE_FLAGS), path_hex(m[2])
    if call == "read":
        return "r", fd(first), result, last_number(args), 0, "-"
    if call == "pread64":
        count, offset = (int(x) for x in args.rsplit(",", 2)[1:])
        return "p", fd(first), result, count, offset, "-"
    if call == "getdents64":
        return "g", fd(first), result, last_number(args), 0, "-"
    if call == "readlinkat":
        m = re.match(r"(\w+), " + STRING, args)
        return "l", fd(m[1]), result, last_number(args), 0, path_hex(m[2])
    if call == "newfstatat":
        m = re.match(r"(\w+), " + STRING, args)
        return "s", fd(m[1]), result, flags(args.rsplit(", ", 1)[1], AT_FLAGS), 0, path_hex(m[2])
    if call == "close":
        return "c", fd(first), result, 0, 0, "-"
    return None


def main():
    started = False
    counts = collections.Counter()
    with open(sys.argv[1], encoding="latin-1") as log, open(sys.argv[2], "w") as out:
        for line in log:
            m = CALL.match(line)
            if not m:
                continue
            call, args, result = m[1], m[2], int(m[3])
            if not started:
                started = call == "openat" and '"/sys"' in args
                if not started:
                    continue
            record = op(call, args, result)
            if record:
                counts[call] += 1
                out.write(" ".join(str(x) for x in record) + "\n")
    print(", ".join(f"{n} {call}" for call, n in counts.most_common()), file=sys.stderr)


if __name__ == "__main__":
    main()
