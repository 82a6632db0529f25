#!/usr/bin/env python3
"""Runs devlist with and without `json` on the same arguments and checks, value by value, that the strictly
parsed document says what the text says: the same classes (groups), devices (interfaces), labels and values.
A disagreement is reported and both runs made once more; a second one fails.

  agree.py [--codepage cp1252] <command...> -- <devlist arguments...>
"""
import json
import re
import subprocess
import sys
import unicodedata


class Disagreement(Exception):
    pass


def fail(message):
    raise Disagreement(message)


def strict(text):
    def no_constants(name):
        fail("not strict JSON: " + name)
    return json.loads(text, parse_constant=no_constants)


def encode(value, codepage):
    return value.encode(codepage, errors="replace").decode(codepage)


def fits_code_page(value, text, codepage):
    """The text is the value in the code page: a character it lacks may come as "?" (one per 16-bit unit) or,
    as the system's best fit, as its base letter."""
    pattern = ""
    for c in value:
        try:
            c.encode(codepage)
            pattern += re.escape(c)
        except UnicodeEncodeError:
            base = unicodedata.normalize("NFKD", c)[:1]
            units = 2 if ord(c) > 0xFFFF else 1
            pattern += "(?:%s%s)" % (r"\?" * units, "|" + re.escape(base) if base != c and base.isascii() else "")
    return re.fullmatch(pattern, text, flags=re.S) is not None


def value_agrees(label, value, text, codepage):
    if isinstance(value, dict):  # the status
        flags = "".join("\n        " + f for f in value["flags"])
        return text == flags and bin(value["value"]).count("1") == len(value["flags"])
    if value is None:
        return text in ("empty", "null")
    if isinstance(value, bool):
        return text == ("true" if value else "false")
    if isinstance(value, int):
        return text == str(value)
    if isinstance(value, float):
        return text == "%g" % value
    if isinstance(value, list):
        parts = text.split("\n\t")
        return len(parts) == len(value) and all(
            fits_code_page(v, e, codepage) or (codepage != "utf-8" and e == "Error converting from unicode.")
            for e, v in zip(parts, value))
    iso = re.fullmatch(r"(\d+)-(\d\d)-(\d\d)T(\d\d:\d\d:\d\d)\.(\d{3})\d{4}Z", value)
    if iso and text == "%d-%s-%s %s.%s" % (int(iso[1]), iso[2], iso[3], iso[4], iso[5]):
        return True
    if re.fullmatch(r"[0-9a-f]*", value) and text == "BINARY not supported":
        return True
    if fits_code_page(value, text, codepage):
        return True
    return codepage != "utf-8" and text == "Error converting from unicode."


def parse_report(lines):
    entries = []
    for line in lines:
        m = re.match(r"([A-Za-z0-9_]+) : (.*)$", line)
        if m and not line.startswith(("\t", " ")):
            entries.append([m[1], m[2]])
        elif entries:
            entries[-1][1] += "\n" + line
        else:
            fail("report line outside a property: %r" % line)
    return entries


def check_setup(document, text, codepage):
    blocks = re.split(r"^\*\*\* ", text, flags=re.M)
    if blocks[0] != "":
        fail("text before the first class: %r" % blocks[0][:80])
    classes = blocks[1:]
    if len(classes) != len(document["classes"]):
        fail("%d classes in the text, %d in the document" % (len(classes), len(document["classes"])))
    devices = 0
    for block, cls in zip(classes, document["classes"]):
        heading, _, body = block.partition("\n")
        if heading != "%s %s" % (cls["name"], encode(cls["guid"], codepage)):
            fail("heading %r against %r" % (heading, cls))
        if "error" in cls:
            if body != cls["error"] + "\n\n":
                fail("failure %r against %r" % (body, cls["error"]))
            continue
        # Each device: an empty line, its report, an empty line; then one line end closes the class.
        lines, i, reports = body.split("\n"), 0, []
        while len(lines) - i > 2:
            if lines[i] != "":
                fail("%s: no empty line before a device report: %r" % (heading, lines[i]))
            end = lines.index("", i + 1)
            reports.append(lines[i + 1:end])
            i = end + 1
        if lines[i:] != ["", ""]:
            fail("%s: the class does not end in one empty line" % heading)
        if len(reports) != len(cls["devices"]):
            fail("%s: %d devices in the text, %d in the document" % (heading, len(reports), len(cls["devices"])))
        for report, device in zip(reports, cls["devices"]):
            entries = parse_report(report)
            props = device["properties"]
            if [e[0] for e in entries] != list(props):
                fail("labels differ for %s:\n%s\n%s" % (device["instanceId"], [e[0] for e in entries], list(props)))
            for label, value_text in entries:
                if not value_agrees(label, props[label], value_text, codepage):
                    fail("%s %s: text %r, json %r" % (device["instanceId"], label, value_text, props[label]))
            if props.get("Device_InstanceId") != device["instanceId"] and "Device_InstanceId" in props:
                fail("instanceId differs from Device_InstanceId")
            devices += 1
    return devices


def check_interface(document, text, codepage):
    expected = []
    for group in document["groups"]:
        if group["name"] is not None:
            expected.append(group["name"])
        for cls in group["classes"]:
            expected.append("*** %s %s" % (cls["name"], encode(cls["guid"], codepage)))
            if "error" in cls:
                expected.append(cls["error"])
            for i in cls["interfaces"]:
                expected += ["DeviceID: " + i["deviceId"], "Interface class: " + i["interfaceClass"],
                             "Flags: %d" % i["flags"], "Setup class: " + i["setupClass"],
                             "Device path: " + i["devicePath"], ""]
        expected.append("")
    got = text.split("\n")[:-1]
    if got != expected:
        for n, (a, b) in enumerate(zip(got, expected)):
            if a != b:
                fail("line %d: text %r, document says %r" % (n + 1, a, b))
        fail("text has %d lines, document %d" % (len(got), len(expected)))
    return sum(len(c["interfaces"]) for g in document["groups"] for c in g["classes"])


def main():
    args = sys.argv[1:]
    codepage = "utf-8"
    if args[:1] == ["--codepage"]:
        codepage, args = args[1], args[2:]
    split = args.index("--")
    command, arguments = args[:split], args[split + 1:]
    try:
        compare(command, arguments, codepage)
    except Disagreement as first:
        # The two runs read a live machine one after the other, and what it holds may change between them:
        # a disagreement is reported and both runs are made again; only a second one fails.
        print("agree: the runs disagreed (%s); running both again" % first, file=sys.stderr)
        try:
            compare(command, arguments, codepage)
        except Disagreement as second:
            sys.exit("json/text disagreement: %s" % second)


def compare(command, arguments, codepage):
    raw = subprocess.run(command + arguments + ["json"], capture_output=True, check=True).stdout
    if b"\r" in raw:
        fail("CR in the JSON output")
    document = strict(raw.decode("utf-8"))
    text = subprocess.run(command + arguments, capture_output=True, check=True).stdout
    text = text.replace(b"\r\n", b"\n").decode(codepage, errors="replace")
    if document["schema"] != 1 or document["presentOnly"] != ("not-present" not in arguments):
        fail("head %r" % {k: document[k] for k in ("schema", "presentOnly")})
    if document["listing"] == "setup":
        count = check_setup(document, text, codepage)
    else:
        count = check_interface(document, text, codepage)
    print("agree: %s %s: %d items" % (document["listing"], " ".join(arguments), count))


main()
