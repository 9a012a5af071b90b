#!/usr/bin/python3
"""Cross-checks of the suite's PE, version, message-table and .evt readers
against independent ones:

  pefile    python3-pefile reads the same files as the suite's PE reader
            (`qmres pe`): resource trees, version resources, message tables
            (decoded here from the resource bytes pefile hands out);
  wine      the real GetFileVersionInfoW / VerQueryValueW / FormatMessageW
            under Wine (`qmres.exe` without a machine) against the emulated
            machine's reads of the same files (`qmres --machine`);
  evtexport libevt's evtexport reads the .evt writer's files.

Usage: crosscheck-resources.py pefile NATIVE_BUILD
       crosscheck-resources.py wine NATIVE_BUILD WIN64_BUILD
       crosscheck-resources.py evtexport NATIVE_BUILD
Prints one summary line per check; exits non-zero on any disagreement.
"""
import datetime
import glob
import json
import os
import shutil
import struct
import subprocess
import sys

import pefile

WINE_DLLS = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"
RT_MESSAGETABLE = 11
RT_VERSION = 16
failures = []


def fail(message):
    failures.append(message)
    if len(failures) <= 20:
        print("  MISMATCH " + message)


def qmres(native, *args, check=True):
    out = subprocess.run([os.path.join(native, "bin", "qmres"), *args], capture_output=True, text=True)
    if check and out.returncode not in (0, 1):
        sys.exit(f"qmres {args[0]} failed: {out.stderr}")
    return json.loads(out.stdout)


def sample_files(native):
    return sorted(glob.glob(os.path.join(native, "sample-modules", "*", "*")))


# --- pefile -----------------------------------------------------------------

def decode_message_table(data):
    """MESSAGE_RESOURCE_DATA, read here without the suite's code."""
    (blocks,) = struct.unpack_from("<I", data, 0)
    messages = []
    for b in range(blocks):
        low, high, offset = struct.unpack_from("<III", data, 4 + 12 * b)
        for ident in range(low, high + 1):
            length, flags = struct.unpack_from("<HH", data, offset)
            body = data[offset + 4:offset + length]
            if flags == 1:
                text = body.decode("utf-16-le", "surrogatepass")
            elif flags == 2:
                text = body.decode("utf-8", "replace")
            else:
                text = body.decode("cp1252", "replace")
            messages.append((ident, text.split("\0", 1)[0]))
            offset += length
    return messages


def pefile_view(path):
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    view = {"machine": pe.FILE_HEADER.Machine, "pe32plus": pe.OPTIONAL_HEADER.Magic == 0x20B,
            "resources": [], "messages": [], "version": None}

    def ident(entry):
        return str(entry.name) if entry.name is not None else entry.id

    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for t in root.entries if root else []:
        for n in t.directory.entries:
            for lang in n.directory.entries:
                size = lang.data.struct.Size
                view["resources"].append({"type": ident(t), "name": ident(n), "language": lang.id, "size": size})
                if t.id == RT_MESSAGETABLE and t.name is None:
                    data = pe.get_data(lang.data.struct.OffsetToData, size)
                    view["messages"] += [{"language": lang.id, "id": i, "text": s}
                                         for i, s in decode_message_table(data)]
    if root is not None and not getattr(pe, "VS_FIXEDFILEINFO", None):
        for t in root.entries:
            if t.id == RT_VERSION and t.name is None:
                pe.parse_version_information(t.directory.entries[0].directory.entries[0].data.struct)
                break
    if getattr(pe, "VS_FIXEDFILEINFO", None):
        f = pe.VS_FIXEDFILEINFO[0]
        version = {
            "fileVersion": "%d.%d.%d.%d" % (f.FileVersionMS >> 16, f.FileVersionMS & 0xFFFF,
                                            f.FileVersionLS >> 16, f.FileVersionLS & 0xFFFF),
            "productVersion": "%d.%d.%d.%d" % (f.ProductVersionMS >> 16, f.ProductVersionMS & 0xFFFF,
                                               f.ProductVersionLS >> 16, f.ProductVersionLS & 0xFFFF),
            "fileFlags": f.FileFlags, "fileOS": f.FileOS, "fileType": f.FileType, "strings": [],
            "translations": []}
        for info in getattr(pe, "FileInfo", [[]])[0] if getattr(pe, "FileInfo", None) else []:
            if getattr(info, "Key", b"") == b"StringFileInfo":
                for table in info.StringTable:
                    for name, value in table.entries.items():
                        version["strings"].append({"table": table.LangID.decode(), "name": name.decode("utf-8"),
                                                   "value": value.decode("utf-8")})
            if getattr(info, "Key", b"") == b"VarFileInfo":
                for var in info.Var:
                    words = var.entry.get(b"Translation", "").split()
                    for lang, cp in zip(words[0::2], words[1::2]):
                        version["translations"].append(int(lang, 16) | (int(cp, 16) << 16))
        view["version"] = version
    return view


def check_pefile(native):
    files = sorted(glob.glob(os.path.join(WINE_DLLS, "*"))) + sample_files(native)
    files = [f for f in files if os.path.isfile(f) and open(f, "rb").read(2) == b"MZ"]
    ours = {entry["file"]: entry for entry in qmres(native, "pe", *files)}
    counts = {"files": 0, "leaves": 0, "versions": 0, "strings": 0, "messages": 0}
    for path in files:
        mine = ours[path]
        try:
            theirs = pefile_view(path)
        except pefile.PEFormatError as error:
            if mine["status"] == "ok":
                fail(f"{path}: pefile refuses it ({error}), the suite reads it")
            continue
        counts["files"] += 1
        name = os.path.basename(path)
        if mine["status"] != "ok":
            fail(f"{name}: the suite refuses it ({mine['status']})")
            continue
        for key in ("machine", "pe32plus", "resources"):
            if mine[key] != theirs[key]:
                fail(f"{name}: {key} differs")
        counts["leaves"] += len(theirs["resources"])
        if theirs["version"] is not None:
            v = mine.get("version", {})
            for key in ("fileVersion", "productVersion", "fileFlags", "fileOS", "fileType", "translations"):
                if v.get(key) != theirs["version"][key]:
                    fail(f"{name}: version {key}: {v.get(key)} here, {theirs['version'][key]} in pefile")
            mine_strings = sorted((s["table"].lower(), s["name"], s["value"]) for s in v.get("strings", []))
            their_strings = sorted((s["table"].lower(), s["name"], s["value"]) for s in theirs["version"]["strings"])
            if mine_strings != their_strings:
                fail(f"{name}: version strings differ")
            counts["versions"] += 1
            counts["strings"] += len(their_strings)
        if mine["messages"] != theirs["messages"]:
            fail(f"{name}: message tables differ ({len(mine['messages'])} here, {len(theirs['messages'])} in pefile)")
        counts["messages"] += len(theirs["messages"])
    print("pefile: {files} files, {leaves} resource leaves, {versions} version resources with {strings} "
          "strings, {messages} messages compared".format(**counts))


# --- Wine's real API ----------------------------------------------------------

def wine_env(win64):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    env.update(WINEPREFIX=os.path.abspath(os.path.join(win64, "wineprefix")), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    return env


def check_wine(native, win64):
    work = os.path.join(win64, "crosscheck-resources")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    machine = os.path.join(work, "machine")
    subprocess.run([os.path.join(native, "bin", "qmmachine"), "create", machine, "--from", "bare"], check=True,
                   capture_output=True)
    folder = os.path.join(machine, "drive_c", "crosscheck")
    os.makedirs(folder)
    # Wine's own modules (the small ones with a version resource, and every
    # one with a message table) and the samples of both architectures.
    views = qmres(native, "pe", *sorted(glob.glob(os.path.join(WINE_DLLS, "*.dll"))))
    chosen = [v["file"] for v in views if v["status"] == "ok" and
              ((v.get("version") and os.path.getsize(v["file"]) <= 512 * 1024) or v["messages"])]
    names = []
    for path in chosen + sample_files(native):
        arch = os.path.basename(os.path.dirname(path))
        name = (arch + "-" if arch in ("i686", "x86_64") else "") + os.path.basename(path)
        shutil.copyfile(path, os.path.join(folder, name))
        names.append(name)
    with open(os.path.join(folder, "readme.txt"), "w") as f:
        f.write("not a module\n")
    names += ["readme.txt", "missing.dll"]
    windows = ["C:\\crosscheck\\" + n for n in names]
    wine = subprocess.run(["winepath", "-w", folder], capture_output=True, text=True, env=wine_env(win64))
    wine_folder = wine.stdout.strip()
    exe = os.path.join(win64, "bin", "qmres.exe")

    def run_wine(*args):
        out = subprocess.run(["wine", exe, *args], capture_output=True, text=True, env=wine_env(win64))
        if not out.stdout.startswith(("[", "{")):
            sys.exit(f"qmres.exe {args[0]} under Wine failed ({out.returncode}): {out.stderr[-2000:]}")
        return json.loads(out.stdout)

    emulated = qmres(native, "version", "--machine", machine, *windows)
    real = run_wine("version", *[wine_folder + "\\" + n for n in names])
    counts = {"files": 0, "strings": 0, "errors": 0, "known": 0}
    for mine, theirs, name in zip(emulated, real, names):
        mine = {k: v for k, v in mine.items() if k != "path"}
        theirs = {k: v for k, v in theirs.items() if k != "path"}
        if mine != theirs:
            # Windows reports a module without a version resource as lacking
            # the resource type (1813); Wine says 1812 for it.
            if mine.get("error") == 1813 and theirs.get("error") == 1812:
                counts["known"] += 1
                continue
            fail(f"version of {name}: {json.dumps(mine)[:200]} emulated, {json.dumps(theirs)[:200]} under Wine")
            continue
        counts["files"] += 1
        counts["strings"] += len(mine.get("strings", {}))
        counts["errors"] += mine["error"] != 0
    print("wine version: {files} files agree ({strings} strings with their lengths, {errors} of them errors), "
          "{known} known Wine difference(s) (1812 for a module without a version resource)".format(**counts))

    modules = [(n, w) for n, w in zip(names, windows)
               if any(v["messages"] for v in views if os.path.basename(v["file"]) == n) or "QMSvcMsg" in n]
    total = 0
    for name, path in modules:
        mine = qmres(native, "messages", "--machine", machine, path)
        theirs = run_wine("messages", wine_folder + "\\" + name)
        for a, b in zip(mine["messages"], theirs["messages"]):
            if a != b:
                fail(f"message {a['id']:#x} of {name}: {json.dumps(a)[:160]} emulated, {json.dumps(b)[:160]} under Wine")
        if len(mine["messages"]) != len(theirs["messages"]):
            fail(f"{name}: {len(mine['messages'])} messages emulated, {len(theirs['messages'])} under Wine")
        total += len(mine["messages"])
    print(f"wine messages: {total} messages of {len(modules)} modules formatted alike")


# --- evtexport ----------------------------------------------------------------

def evtexport_records(path, mode):
    out = subprocess.run(["evtexport", "-m", mode, path], capture_output=True, text=True, check=True).stdout
    records = []
    for block in out.split("\n\n"):
        fields = {}
        strings = []
        for line in block.splitlines():
            if ":" not in line or line.startswith("evtexport"):
                continue
            if line.startswith("String:"):
                strings.append(line.split(":", 2)[2].strip())
                continue
            key, value = line.split(":", 1)
            fields[key.strip()] = value.strip()
        if "Event number" in fields:
            fields["strings"] = strings
            records.append(fields)
    return records


def check_evtexport(native):
    work = os.path.join(native, "crosscheck-evt")
    os.makedirs(work, exist_ok=True)
    counts = {"files": 0, "records": 0}
    for layout in ("sample", "plain", "eof-wrapped", "dirty"):
        path = os.path.join(work, layout + ".evt")
        subprocess.run([os.path.join(native, "bin", "qm_sample_event_log"), path, layout], check=True)
        mine = qmres(native, "evt", path)[0]["records"]
        # A dirty header is not trusted by libevt either: it finds the
        # records only when asked to recover them.
        theirs = evtexport_records(path, "all" if layout == "dirty" else "items")
        if len(mine) != len(theirs):
            fail(f"{layout}: {len(mine)} records here, {len(theirs)} from evtexport")
        for m, t in zip(mine, theirs):
            def when(seconds):
                return datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc).strftime("%b %d, %Y %H:%M:%S UTC")
            expected = {
                "Event number": str(m["recordNumber"]),
                "Creation time": when(m["timeGenerated"]),
                "Written time": when(m["timeWritten"]),
                "Computer name": m["computerName"],
                "Source name": m["sourceName"],
                "Event category": str(m["eventCategory"]),
                "Event identifier": "0x%08x (%d)" % (m["eventId"], m["eventId"]),
                "Number of strings": str(len(m["strings"])),
                "strings": m["strings"],
            }
            if m["userSid"]:
                sid = bytes.fromhex(m["userSid"])
                subs = struct.unpack_from("<%dI" % sid[1], sid, 8)
                expected["User security identifier"] = "S-%d-%d" % (sid[0], int.from_bytes(sid[2:8], "big")) + "".join(
                    "-%d" % x for x in subs)
            got = {k: t.get(k) for k in expected}
            if not t.get("Event type", "").endswith("(%d)" % m["eventType"]):
                fail(f"{layout} record {m['recordNumber']}: event type {t.get('Event type')}, written {m['eventType']}")
            if got != expected:
                fail(f"{layout} record {m['recordNumber']}: {got} from evtexport, {expected} written")
            counts["records"] += 1
        counts["files"] += 1
    print("evtexport: {files} files, {records} records read alike".format(**counts))


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ("pefile", "wine", "evtexport"):
        sys.exit(__doc__)
    if sys.argv[1] == "pefile":
        check_pefile(sys.argv[2])
    elif sys.argv[1] == "wine":
        check_wine(sys.argv[2], sys.argv[3])
    else:
        check_evtexport(sys.argv[2])
    if failures:
        sys.exit(f"{sys.argv[1]}: {len(failures)} disagreement(s)")


if __name__ == "__main__":
    main()
