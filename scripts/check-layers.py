#!/usr/bin/env python3
"""Checks that every folder includes only the folders below it.

Reads the build's compile_commands.json, follows each translation unit's
#include lines through the same include folders the compiler searches (the
file's own folder first for quoted names, then each -I/-isystem folder in
order), and checks every include of one of the suite's files against the
table below. Conditional includes count as if taken, so a header that is
only included on Windows is checked on Linux too.

  check-layers.py BUILD_DIR       exit 0 when every include is allowed
  check-layers.py --table         prints the table, lowest folders first

The table is the architecture: docs/architecture.md shows it as a picture.
"""
import json
import os
import re
import sys

ROOT = os.path.realpath(os.environ.get("QM_LAYERS_ROOT") or os.path.join(os.path.dirname(__file__), ".."))

# folder -> the folders its code may include. The longest matching prefix
# names a file's folder. A folder may always include itself.
LAYERS = {
    # The seam: one header per system service, and its two named sub-interfaces.
    "platform/include/platform": [],
    "platform/include/platform/formats": ["platform/include/platform"],
    "platform/include/platform/machine": ["platform/include/platform", "platform/include/platform/formats"],
    # Backends: private to the platform.
    "platform": ["platform/include/platform", "platform/include/platform/formats",
                 "platform/include/platform/machine"],
    # What the suite and the outside components both speak.
    "contracts": ["platform/include/platform"],
    "standins/jobfile": ["platform/include/platform"],
    "standins/jobgen": ["standins/jobfile", "platform/include/platform"],
    # Stand-ins of the outside components: the platform, the machine they are
    # installed into, and the contracts; never the suite's own folders.
    "standins/printengine": ["contracts", "platform/include/platform", "platform/include/platform/machine"],
    "standins/discprintmgr": ["contracts", "standins/jobfile", "standins/jobgen", "platform/include/platform",
                              "platform/include/platform/machine"],
    "standins/service": ["platform/include/platform", "platform/include/platform/machine"],
    "standins/modules": ["platform/include/platform", "platform/include/platform/formats",
                         "platform/include/platform/machine"],
    # Core libraries.
    "trackrender": ["platform/include/platform"],
    "drf": ["platform/include/platform"],
    "jobview/doc": ["standins/jobfile", "platform/include/platform"],
    "resedit/core": ["drf", "platform/include/platform"],
    "probe/common": ["contracts", "platform/include/platform"],
    "diagtool/client": ["contracts", "platform/include/platform"],
    "diagtool/windows": ["diagtool/client", "platform/include/platform"],
    "diagtool/catalogue": ["platform/include/platform"],
    "diagtool/logs": ["diagtool/catalogue", "platform/include/platform", "platform/include/platform/formats"],
    "diagtool/app": ["diagtool/windows", "diagtool/client", "platform/include/platform"],
    "diagtool/content": [],
    "diagtool/bundle": ["diagtool/app", "diagtool/windows", "diagtool/client", "diagtool/logs",
                        "platform/include/platform", "platform/include/platform/formats"],
    # Machines made from support bundles, and the machine diagtool looks at.
    "diagtool/replay": ["diagtool/app", "diagtool/bundle", "diagtool/windows", "diagtool/client",
                        "standins/printengine", "standins/discprintmgr", "contracts", "platform/include/platform",
                        "platform/include/platform/formats", "platform/include/platform/machine"],
    # Qt programs and their widgets.
    "jobview/app": ["jobview/doc", "trackrender", "standins/jobfile", "platform/include/platform"],
    "jobview/crosscheck": ["platform/include/platform"],
    "jobview/main": ["jobview/app", "jobview/doc", "trackrender", "platform/include/platform"],
    "resedit/app": ["tools/labelpreview", "resedit/core", "drf", "platform/include/platform"],
    "resedit/samples": ["drf", "platform/include/platform"],
    "resedit/main": ["resedit/app", "resedit/core", "resedit/samples", "drf", "platform/include/platform"],
    "probe/ui": ["probe/common", "platform/include/platform"],
    "probe/paramscope": ["probe/ui", "probe/common", "platform/include/platform"],
    "probe/mediaprobe": ["probe/ui", "probe/common", "platform/include/platform"],
    "probe/main": ["probe/paramscope", "probe/mediaprobe", "probe/ui", "probe/common", "platform/include/platform"],
    "diagtool/ui": ["diagtool/replay", "diagtool/bundle", "diagtool/app", "diagtool/windows", "diagtool/client", "diagtool/catalogue", "diagtool/logs",
                    "diagtool/content", "platform/include/platform"],
    "diagtool/main": ["diagtool/ui", "diagtool/replay", "diagtool/bundle", "diagtool/app", "diagtool/windows", "diagtool/client", "diagtool/catalogue",
                      "diagtool/logs", "diagtool/content", "platform/include/platform"],
    # Command-line companions.
    "tools/labelpreview": ["tools/makejob", "jobview/app", "jobview/doc", "trackrender", "drf", "standins/jobgen",
                           "standins/jobfile", "platform/include/platform"],
    "tools/drftool": ["tools/labelpreview", "tools/makejob", "drf", "platform/include/platform"],
    "tools/labeldemo": ["trackrender", "platform/include/platform"],
    "tools/makejob": ["drf", "jobview/doc", "trackrender", "standins/jobgen", "standins/jobfile",
                      "platform/include/platform"],
    "tools/qmerror": ["diagtool/catalogue", "platform/include/platform"],
    "tools/qmprobe": ["probe/common", "platform/include/platform"],
    "tools/qmres": ["platform/include/platform", "platform/include/platform/formats",
                    "platform/include/platform/machine"],
    "tools/qmdiag": ["diagtool/bundle", "diagtool/app", "diagtool/windows", "diagtool/client", "platform/include/platform"],
    # qmmachine makes machines: it installs the stand-ins into them.
    "tools/qmmachine": ["diagtool/replay", "diagtool/bundle", "standins/printengine", "standins/discprintmgr", "standins/modules", "contracts",
                        "platform/include/platform", "platform/include/platform/formats",
                        "platform/include/platform/machine"],
    "bench": [],
}

# Files directly in these folders, or in their own tests/ and bench/, are
# the folder's program layer: "<folder>/main".
PROGRAM_FOLDERS = {"jobview", "resedit", "diagtool", "probe"}

# Test code (tests/, testing/, bench/, fuzz/ below a folder) sits above
# everything: it builds machines, installs stand-ins and drives programs, so
# it may include any folder's public headers and test support, but never a
# platform backend.
TEST_PARTS = {"tests", "testing", "bench", "fuzz"}

# Headers that only the named folders may include, whatever the table says:
# the two GDI+ headers are picked by platform/gdiplus.h, never by a caller.
RESTRICTED = {"platform/include/platform/gdiplus/": ("platform/",)}


def folder_of(rel):
    """The table's folder for a file (relative to the root), or None."""
    parts = rel.split("/")
    best = None
    for i in range(len(parts) - 1, 0, -1):
        prefix = "/".join(parts[:i])
        if prefix in LAYERS:
            best = prefix
            break
    if best is None and parts[0] in PROGRAM_FOLDERS and (len(parts) == 2 or parts[1] in TEST_PARTS):
        best = parts[0] + "/main"
    return best


def is_test(rel):
    return any(p in TEST_PARTS for p in rel.split("/")[:-1])


def allowed(src_rel, dst_rel):
    for header, includers in RESTRICTED.items():
        if dst_rel.startswith(header) and not src_rel.startswith(includers):
            return False
    src, dst = folder_of(src_rel), folder_of(dst_rel)
    if src is None or dst is None or src == dst:
        return True
    if dst in LAYERS[src]:
        return True
    # Test code may also use the platform's own test writers, never its backends.
    if is_test(src_rel) and (dst != "platform" or is_test(dst_rel)):
        return True
    return False


def reachable(folder):
    seen, todo = set(), [folder]
    while todo:
        f = todo.pop()
        for d in LAYERS.get(f, []):
            if d not in seen:
                seen.add(d)
                todo.append(d)
    return seen


def cycles():
    """Folders that reach themselves: the table must be a layering."""
    return sorted(f for f in LAYERS if f in reachable(f))


INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)


def include_dirs(entry):
    args = entry.get("arguments") or entry["command"].split()
    dirs, it = [], iter(range(len(args)))
    for i in it:
        a = args[i]
        for flag in ("-I", "-isystem"):
            if a == flag and i + 1 < len(args):
                dirs.append(args[i + 1])
                next(it, None)
            elif a.startswith(flag) and len(a) > len(flag) and flag == "-I":
                dirs.append(a[2:])
    base = entry["directory"]
    return [os.path.realpath(os.path.join(base, d)) for d in dirs]


def check(build_dir):
    with open(os.path.join(build_dir, "compile_commands.json")) as f:
        entries = json.load(f)
    violations, unplaced, edges = {}, set(), 0
    visited = set()
    for entry in entries:
        src = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        if not src.startswith(ROOT + "/") or src.startswith(os.path.realpath(build_dir) + "/"):
            continue
        dirs = include_dirs(entry)
        todo = [src]
        while todo:
            path = todo.pop()
            key = (path, tuple(dirs))
            if key in visited:
                continue
            visited.add(key)
            try:
                text = open(path, errors="replace").read()
            except OSError:
                continue
            rel = os.path.relpath(path, ROOT)
            if folder_of(rel) is None:
                unplaced.add(rel)
            for kind, name in INCLUDE.findall(text):
                search = ([os.path.dirname(path)] if kind == '"' else []) + dirs
                for d in search:
                    cand = os.path.realpath(os.path.join(d, name))
                    if os.path.isfile(cand):
                        break
                else:
                    continue  # a system or generated header
                if not cand.startswith(ROOT + "/") or cand.startswith(os.path.realpath(build_dir) + "/"):
                    continue
                edges += 1
                dst = os.path.relpath(cand, ROOT)
                if not allowed(rel, dst):
                    violations.setdefault((rel, dst), name)
                todo.append(cand)
    return violations, unplaced, edges


def main(argv):
    if len(argv) == 2 and argv[1] == "--table":
        for folder in sorted(LAYERS, key=lambda f: (len(reachable(f)), f)):
            print(f"{folder:36} -> {', '.join(LAYERS[folder]) or '(nothing)'}")
        return 0
    if len(argv) != 2 or argv[1] in ("-h", "--help"):
        print(__doc__.strip(), file=sys.stderr)
        return 0 if len(argv) == 2 else 2
    bad = cycles()
    if bad:
        print("check-layers: the table has cycles through: " + ", ".join(bad))
        return 1
    if not os.path.isfile(os.path.join(argv[1], "compile_commands.json")):
        print(f"check-layers: {argv[1]} holds no compile_commands.json; give a configured build folder",
              file=sys.stderr)
        return 2
    violations, unplaced, edges = check(argv[1])
    for (src, dst), name in sorted(violations.items()):
        print(f'check-layers: {src} includes "{name}" ({folder_of(src)} may not include {folder_of(dst)})')
    for rel in sorted(unplaced):
        print(f"check-layers: {rel} is in no folder of the table")
    print(f"check-layers: {edges} includes checked, {len(violations)} not allowed, "
          f"{len(unplaced)} files outside the table")
    return 1 if violations or unplaced else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
