#!/usr/bin/python3
"""Cross-check of the suite's .evtx reader (`qmres evtx`) against libevtx's
`evtxexport -f xml` (Debian libevtx-utils) on real files.

For every record both read, compares the record number, the time created,
the provider name (and the classic source name), the event ID with its
qualifiers, the level, the computer, and the EventData / UserData
name-value pairs; any difference fails the check. The records must be the
same ones, in the same order.

What is normalised, and why (only the form of a value, never its content):
  times        libevtx writes nine fraction digits ("...45.018767400Z"),
               Event Viewer and the suite seven; both are read as 100 ns ticks.
  hex numbers  libevtx pads hex integers (HexInt32/64, SizeT) to their width,
               the suite writes them as Event Viewer does ("0x80000000000000");
               values that both write as 0x... compare as numbers.
  GUIDs, hex   compared without regard to letter case.
  line breaks  the XML parser of this script turns the "\r\n" inside
               evtxexport's values into "\n"; both sides compare that way.
  blank values libevtx writes a value that is nothing but white space (one
               record's "\n") as an empty element; such values compare as "".
Every record evtxexport prints must be in the suite's output, and the other
way round.

Usage: crosscheck-evtx.py QMRES FILE...
Prints one summary line per file; exits non-zero on any disagreement, and
77 (a skip to CTest) when a file is missing.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

NS = "{http://schemas.microsoft.com/win/2004/08/events/event}"
TIME = re.compile(r"^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)(?:\.(\d+))?Z$")
HEX = re.compile(r"^0[xX][0-9a-fA-F]+$")
GUID = re.compile(r"^\{[0-9a-fA-F-]{36}\}$")
HEXBYTES = re.compile(r"^(?:[0-9a-fA-F]{2})+$")
failures = []


def fail(message):
    failures.append(message)
    if len(failures) <= 30:
        print("  MISMATCH " + message)


def normal(value):
    if value is None:
        return ""
    value = value.replace("\r\n", "\n")
    if not value.strip():
        return ""
    match = TIME.match(value)
    if match:
        fraction = (match.group(2) or "")[:7].ljust(7, "0")
        return match.group(1) + "." + fraction + "Z"
    if HEX.match(value):
        return "0x%x" % int(value, 16)
    if GUID.match(value) or HEXBYTES.match(value):
        return value.upper()
    return value


def local(tag):
    """An element's name without its namespace (UserData payloads have their own)."""
    return tag.split("}", 1)[1] if tag.startswith("{") else tag


def user_data_fields(element, path, out):
    children = list(element)
    if not children:
        if path:
            out.append((path, normal(element.text)))
        return
    for child in children:
        name = local(child.tag)
        user_data_fields(child, path + "/" + name if path else name, out)


def evtxexport_records(path):
    """The records as evtxexport's XML shows them, in its order."""
    out = subprocess.run(["evtxexport", "-f", "xml", path], capture_output=True, check=True).stdout
    text = out.decode("utf-8", "surrogateescape")
    records = []
    for block in re.findall(r"<Event[ >].*?</Event>", text, re.S):
        try:
            event = ET.fromstring(block)
        except ET.ParseError as error:
            fail(f"{path}: evtxexport wrote XML this script cannot parse ({error})")
            continue
        system = event.find(NS + "System")

        def get(name, attribute=None):
            node = system.find(NS + name) if system is not None else None
            if node is None:
                return None
            return node.get(attribute) if attribute else (node.text or "")

        fields = []
        data_kind = None
        data = event.find(NS + "EventData")
        user = event.find(NS + "UserData")
        if data is not None:
            data_kind = "EventData"
            for child in data:
                name = local(child.tag)
                fields.append((child.get("Name", "") if name == "Data" else name, normal(child.text)))
        elif user is not None:
            data_kind = "UserData"
            payload = list(user)
            if payload:
                user_data_fields(payload[0], "", fields)
        qualifiers = get("EventID", "Qualifiers")
        records.append({
            "number": int(get("EventRecordID")),
            "time": normal(get("TimeCreated", "SystemTime")),
            "provider": get("Provider", "Name") or "",
            "source": get("Provider", "EventSourceName") or "",
            "eventId": int(get("EventID")),
            "qualifiers": int(qualifiers) if qualifiers is not None else None,
            "level": int(get("Level") or 0),
            "computer": get("Computer") or "",
            "dataKind": data_kind,
            "fields": fields,
        })
    return records


def qmres_records(qmres, path):
    out = subprocess.run([qmres, "evtx", path], capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit(f"qmres evtx {path} failed ({out.returncode}): {out.stderr}")
    mine = json.loads(out.stdout)[0]
    records = []
    for r in mine["records"]:
        records.append({
            "number": r["recordNumber"],
            "time": normal(r["timeCreatedUtc"]),
            "provider": r["providerName"],
            "source": r["eventSourceName"],
            "eventId": r["eventIdentifier"],
            "qualifiers": r["qualifiers"],
            "level": r["level"],
            "computer": r["computerName"],
            "dataKind": r["dataKind"],
            "fields": [(f["name"], normal(f["value"])) for f in r["eventData"]],
        })
    return records, mine


def check(qmres, path):
    theirs = evtxexport_records(path)
    mine, info = qmres_records(qmres, path)
    if len(mine) != len(theirs):
        fail(f"{path}: {len(mine)} records here, {len(theirs)} from evtxexport")
    fields = 0
    for m, t in zip(mine, theirs):
        for key in t:
            if m[key] != t[key]:
                fail(f"{path} record {t['number']}: {key} {m[key]!r} here, {t[key]!r} from evtxexport")
        fields += len(t["fields"])
    skipped = [p for p in info["problems"] if "skipped" in p]
    print(f"evtxexport: {path}: {min(len(mine), len(theirs))} records with {fields} data fields compared; "
          f"{info['chunksSkipped']} chunk(s) skipped, {len(info['problems'])} problem(s) reported")
    for p in skipped:
        print("  " + p)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    if not shutil.which("evtxexport"):
        sys.exit("crosscheck-evtx: evtxexport is missing; scripts/setup installs it (libevtx-utils)")
    missing = [p for p in sys.argv[2:] if not os.path.exists(p)]
    if missing:
        print("crosscheck-evtx: skipped, missing " + ", ".join(missing))
        sys.exit(77)
    for path in sys.argv[2:]:
        check(sys.argv[1], path)
    if failures:
        sys.exit(f"crosscheck-evtx: {len(failures)} disagreement(s)")


if __name__ == "__main__":
    main()
