#!/usr/bin/env python3
"""One sample machine through both platform backends.

    run.py SAMPLE_FOLDER WORK_FOLDER NATIVE_BUILD WIN64_BUILD [--fix] [--bundle] [--keep]

Natively the programs run on a `qmmachine create` copy of the sample (the
emulated backends). Under Wine they run on a fresh Wine prefix into which
the same machine is imported: its registry through regedit, its files, the
Windows builds of the stand-in modules in the places of the Linux ones, the
COM server's registration, and the stand-in service installed with Wine's
service manager in the state the sample gives. Then the reports of both
sides are compared (compare_reports.py). With --bundle, qmdiag.exe writes a
support bundle of the Wine prefix, qmmachine replays it natively, and the
native report on the replay must be the Wine run's, field for field. Called by scripts/test-wine-machine,
which builds what is needed first.
"""

import difflib
import json
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

import compare_reports

HERE = Path(__file__).resolve().parent
ELF_MAGIC = b"\x7fELF"
DISCPRINTMGR_CLSID = r"HKEY_CLASSES_ROOT\CLSID"
SERVICES_KEY = r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services"
# What Wine's service manager writes into a new service's key beyond what
# the sample's key holds; the sample's own values replace the rest.
SCM_EXTRA_VALUES = ("PreshutdownTimeout", "WOW64")
START_TYPES = {0: "boot", 1: "system", 2: "auto", 3: "demand", 4: "disabled"}
WIN32_SERVICE_TYPES = (0x10, 0x20)
SERVICE_WAIT_SECONDS = 30


class Failed(Exception):
    pass


def log(text):
    print(f"wine machine: {text}", flush=True)


def run(args, env=None, check=True, stdout=None, quiet=False):
    # Never a pipe for stderr: programs Wine starts on the side (the service
    # manager, device hosts) inherit it and would hold it open.
    result = subprocess.run([str(a) for a in args], env=env, stdout=stdout,
                            stderr=subprocess.DEVNULL if quiet else None)
    if check and result.returncode != 0:
        raise Failed(f"{' '.join(str(a) for a in args)} failed ({result.returncode})")
    return result


def windows_path(host):
    """A host path as Windows programs under Wine reach it (drive Z:)."""
    return "Z:" + str(Path(host).resolve()).replace("/", "\\")


def in_drive_c(prefix, windows):
    """The host path of a C: path inside the prefix."""
    parts = [p for p in windows[3:].split("\\") if p]
    if windows[:3].upper() != "C:\\" or not parts or any(p in (".", "..") for p in parts):
        raise Failed(f"{windows} is not a file on drive C:")
    return prefix / "drive_c" / Path(*parts)


class Wine:
    def __init__(self, prefix, user):
        self.prefix = prefix
        self.env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY"):
            self.env.pop(name, None)
        self.env.update({
            "WINEPREFIX": str(prefix),
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
            # The profile folder is C:\users\<USER>, as the sample's user.
            "USER": user,
        })

    def __call__(self, *args, **kw):
        return run(["wine", *args], env=self.env, **kw)

    def server(self, *args):
        return run(["wineserver", *args], env=self.env, check=False)


def make_template(template, user):
    """A prefix after wineboot, made once and copied for every run (wineboot
    takes most of a minute; a copy takes seconds)."""
    if (template / "system.reg").is_file():
        return
    shutil.rmtree(template, ignore_errors=True)
    wine = Wine(template, user)
    log(f"making the Wine prefix template {template}")
    run(["wineboot", "--init"], env=wine.env, stdout=subprocess.DEVNULL, quiet=True)
    wine.server("-w")
    if not (template / "drive_c" / "users" / user).is_dir():
        raise Failed(f"wineboot made no profile folder for {user}")


def built_module(native_file, native_build, win64_build):
    """The Windows build that stands where the machine has a Linux stand-in."""
    name = native_file.name
    if name.lower() == "discprintmgr.dll":
        for folder in ("lib", "bin"):
            candidate = win64_build / folder / "DiscPrintMgr.dll"
            if candidate.is_file():
                return candidate
    if name.lower() == "qmprten.dll":
        # The variant whose Linux build the machine got.
        data = native_file.read_bytes()
        for variant in sorted((native_build / "printengine").iterdir()):
            linux = variant / "Quillmark" / "QMPrtEn.dll"
            if linux.is_file() and linux.read_bytes() == data:
                windows = win64_build / "printengine" / variant.name / "Quillmark" / "QMPrtEn.dll"
                if windows.is_file():
                    return windows
    raise Failed(f"no Windows build for the stand-in {native_file}")


def x86_64_twin(data, native_build):
    """The x86_64 build of a 32-bit sample module (a 64-bit process cannot
    load a 32-bit DLL for code, as the version checks do), or None. A module
    is known by its bytes: the machine may have it under another name."""
    if not data:
        return None
    modules = native_build / "sample-modules"
    for i686 in sorted((modules / "i686").glob("*.dll")):
        if i686.read_bytes() == data:
            twin = modules / "x86_64" / i686.name
            if twin.is_file():
                return twin
    return None


def copy_files(native_machine, prefix, native_build, win64_build):
    """The machine's drive C: into the prefix's, Windows modules for Linux ones."""
    copied = replaced = 0
    source_root = native_machine / "drive_c"
    for source in sorted(source_root.rglob("*")):
        target = prefix / "drive_c" / source.relative_to(source_root)
        if source.is_dir():
            target.mkdir(parents=True, exist_ok=True)
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        with open(source, "rb") as f:
            elf = f.read(4) == ELF_MAGIC
        twin = None if elf or source.suffix.lower() != ".dll" else x86_64_twin(source.read_bytes(), native_build)
        if elf or twin:
            shutil.copyfile(twin or built_module(source, native_build, win64_build), target)
            shutil.copystat(source, target)
            replaced += 1
        else:
            shutil.copy2(source, target)
            copied += 1
    # The stand-ins read their drives and behaviour from the machine's
    # settings; under Wine they find them through QUILLMARK_SYSROOT.
    shutil.copy2(native_machine / "machine.json", prefix / "machine.json")
    return copied, replaced


def reg_values(path):
    """Value names per key of a .reg file (UTF-16 or UTF-8), keys lower-cased."""
    raw = path.read_bytes()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-8-sig")
    keys, key = {}, None
    for line in text.splitlines():
        if line.startswith("[") and line.rstrip().endswith("]"):
            key = line.strip()[1:-1].lower()
            keys.setdefault(key, set())
        elif key is not None and line.startswith('"'):
            end = line.find('"=')
            while end > 0 and line[end - 1] == "\\":
                end = line.find('"=', end + 1)
            if end > 0:
                keys[key].add(line[1:end].lower())
        elif key is not None and line.startswith("@="):
            keys[key].add("")
    return keys


def install_services(wine, prefix, shown, sample, win64_build):
    """The stand-in service, installed with Wine's service manager."""
    installed = []
    program = win64_build / "bin" / "QuillmarkService.exe"
    sample_values = reg_values(sample / "HKLM.reg")
    for service in shown["services"]:
        if not service["configured"] or service["type"] not in WIN32_SERVICE_TYPES:
            continue  # drivers are the kernel's, not the service manager's programs
        name, image = service["name"], service["imagePath"]
        command = image.strip()
        exe = command[1:command.index('"', 1)] if command.startswith('"') else command.split(" ")[0]
        host_exe = in_drive_c(prefix, exe)
        host_exe.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(program, host_exe)
        host_exe.with_suffix(".ini").write_text(
            "[Service]\r\n"
            f"StartSeconds={service['startSeconds']}\r\n"
            f"NeverStarts={1 if service['neverStarts'] else 0}\r\n")
        args = ["sc", "create", name, "binPath=", image, "type=", "own"]
        if service["start"] in START_TYPES:
            args += ["start=", START_TYPES[service["start"]]]
        if service["objectName"]:
            args += ["obj=", service["objectName"]]
        wine(*args, stdout=subprocess.DEVNULL)
        installed.append(service)
    if not installed:
        return installed
    # The sample's values over what the manager wrote (value types included:
    # ImagePath is REG_EXPAND_SZ there), without the manager's own additions.
    wine("regedit", "/S", windows_path(sample / "HKLM.reg"))
    for service in installed:
        key = f"{SERVICES_KEY}\\{service['name']}"
        for value in SCM_EXTRA_VALUES:
            if value.lower() not in sample_values.get(key.lower(), set()):
                wine("reg", "delete", key, "/v", value, "/f", check=False, stdout=subprocess.DEVNULL, quiet=True)
    return installed


def service_state(wine, name):
    out = wine("sc", "query", name, check=False, stdout=subprocess.PIPE).stdout.decode(errors="replace")
    for line in out.splitlines():
        if "STATE" in line and ":" in line:
            parts = line.split(":", 1)[1].split()
            if len(parts) >= 2:
                return parts[1]
    return None


def start_services(wine, installed):
    """Running where the sample's machine has them running."""
    for service in installed:
        if service["state"] != "running":
            continue
        wine("sc", "start", service["name"], stdout=subprocess.DEVNULL)
        deadline = time.monotonic() + service["startSeconds"] + SERVICE_WAIT_SECONDS
        while service_state(wine, service["name"]) != "RUNNING":
            if time.monotonic() > deadline:
                raise Failed(f"{service['name']} did not reach RUNNING under Wine")
            time.sleep(0.2)


def import_machine(sample, native_machine, prefix, template_root, native_build, win64_build):
    shown = json.loads(run([native_build / "bin" / "qmmachine", "show", "--json", native_machine],
                           stdout=subprocess.PIPE).stdout)
    user = shown["userName"]
    template = template_root / f"template-{user}"
    make_template(template, user)
    shutil.rmtree(prefix, ignore_errors=True)
    shutil.copytree(template, prefix, symlinks=True)
    wine = Wine(prefix, user)
    # One server for the whole run: the service manager keeps the states
    # the run gives the services, and no start of the manager starts the
    # automatic ones behind the run's back.
    wine.server("-p")
    for hive in ("HKLM.reg", "HKCU.reg"):
        if (sample / hive).is_file():
            wine("regedit", "/S", windows_path(sample / hive))
    copied, replaced = copy_files(native_machine, prefix, native_build, win64_build)
    classes = prefix.parent / "classes.reg"
    exported = run([native_build / "bin" / "qmmachine", "reg", "export", native_machine, DISCPRINTMGR_CLSID,
                    classes], check=False, stdout=subprocess.DEVNULL, quiet=True)
    if exported.returncode == 0:
        wine("regedit", "/S", windows_path(classes))
    installed = install_services(wine, prefix, shown, sample, win64_build)
    start_services(wine, installed)
    log(f"imported {sample.name}: {copied} files, {replaced} x86_64 modules for Linux or 32-bit ones, "
        f"COM classes {'registered' if exported.returncode == 0 else 'none'}, "
        f"services {', '.join(s['name'] + ' ' + s['state'] for s in installed) or 'none'}")
    return wine


def machine_settings(machine):
    with open(machine / "machine.json", encoding="utf-8") as f:
        return json.load(f)


class Sides:
    def __init__(self, native_machine, native_build, win64_build, wine, out):
        self.native_env = dict(os.environ, QUILLMARK_SYSROOT=str(native_machine))
        self.native_bin = native_build / "bin"
        self.win_bin = win64_build / "bin"
        self.wine = wine
        # Only the stand-ins read it under Wine; the programs take Wine's
        # real registry, services and files.
        self.wine.env["QUILLMARK_SYSROOT"] = windows_path(wine.prefix)
        self.out = out
        self.failures = []

    def both(self, label, program, *args):
        """Runs a program on both sides; the two outputs' file names and exit codes."""
        results = {}
        for side in ("native", "wine"):
            path = self.out / f"{label}-{side}.json"
            # Messages (the probes' notice, Wine's own) go beside the output.
            with open(path, "wb") as f, open(path.with_suffix(".err"), "wb") as e:
                if side == "native":
                    code = subprocess.run([self.native_bin / program, *args], env=self.native_env, stdout=f,
                                          stderr=e).returncode
                else:
                    code = subprocess.run(["wine", self.win_bin / f"{program}.exe", *args], env=self.wine.env,
                                          stdout=f, stderr=e).returncode
            results[side] = (path, code)
        if results["native"][1] != results["wine"][1]:
            self.failures.append(f"{label}: exit status {results['native'][1]} natively, "
                                 f"{results['wine'][1]} under Wine")
            log(self.failures[-1])
        return results

    def compare_text(self, label, program, *args):
        """Runs a program on both sides; its text output must be the same."""
        results = self.both(label, program, *args)
        texts = [results[side][0].read_text(encoding="utf-8", errors="replace").replace("\r\n", "\n")
                 for side in ("native", "wine")]
        if texts[0] != texts[1]:
            self.failures.append(f"{label}: the outputs differ")
            print(f"compare {label}: the outputs differ:")
            print(compare_reports.text_diff(*texts))
        else:
            print(f"compare {label}: {texts[0].count(chr(10))} lines agree")

    def same_as_before(self, label, before):
        """On each side, an output must be byte for byte an earlier one."""
        for side in ("native", "wine"):
            now = (self.out / f"{label}-{side}.json").read_bytes()
            then = (self.out / f"{before}-{side}.json").read_bytes()
            if now != then:
                self.failures.append(f"{label}: not the same as {before} ({side})")
                print(f"compare {label} with {before} ({side}): they differ:")
                print("\n".join("      " + line for line in difflib.unified_diff(
                    then.decode(errors="replace").split("\n"), now.decode(errors="replace").split("\n"),
                    before, label, lineterm="", n=1)))
            else:
                print(f"compare {label} with {before} ({side}): the same bytes")

    def compare(self, label, kind, program, *args):
        results = self.both(label, program, *args)
        code = run([sys.executable, HERE / "compare_reports.py", kind, results["native"][0], results["wine"][0]],
                   check=False).returncode
        if code != 0:
            self.failures.append(f"{label}: the reports differ")
        return results

    def bundle_round_trip(self, wine_report, replay):
        """A support case across the seam: qmdiag.exe bundle on the Wine
        prefix (Wine's registry, services, files and COM), qmmachine create
        --from-bundle here, and qmdiag report --json on the replay must be
        the Wine run's report. Every field survives: the registry reports
        keep Wine's order of a key's values (the bundle exports them in that
        order), which the comparison leaves aside as for the report itself;
        the service's pace (StartSeconds, NeverStarts) does not travel, but
        the report reads only whether it runs."""
        bundle = self.out / "bundle-wine.zip"
        with open(self.out / "bundle-wine.txt", "wb") as f, open(self.out / "bundle-wine.err", "wb") as e:
            code = subprocess.run(["wine", self.win_bin / "qmdiag.exe", "bundle", windows_path(bundle)],
                                  env=self.wine.env, stdout=f, stderr=e).returncode
        if code != 0 or not bundle.is_file():
            self.failures.append(f"bundle: qmdiag.exe bundle failed under Wine ({code})")
            log(self.failures[-1])
            return
        shutil.rmtree(replay, ignore_errors=True)
        with open(self.out / "bundle-replay.txt", "wb") as f:
            made = subprocess.run([self.native_bin / "qmmachine", "create", replay, "--from-bundle", bundle],
                                  stdout=f, stderr=subprocess.STDOUT).returncode
        if made != 0:
            self.failures.append(f"bundle: qmmachine create --from-bundle failed ({made}), see bundle-replay.txt")
            log(self.failures[-1])
            return
        path = self.out / "report-replayed-native.json"
        with open(path, "wb") as f, open(path.with_suffix(".err"), "wb") as e:
            code = subprocess.run([self.native_bin / "qmdiag", "report", "--json"],
                                  env=dict(self.native_env, QUILLMARK_SYSROOT=str(replay)), stdout=f,
                                  stderr=e).returncode
        if code != wine_report[1]:
            self.failures.append(f"bundle: exit status {code} on the replay, {wine_report[1]} under Wine")
            log(self.failures[-1])
        print("compare the replayed bundle with the Wine run:", flush=True)
        if run([sys.executable, HERE / "compare_reports.py", "report", path, wine_report[0]],
               check=False).returncode != 0:
            self.failures.append("bundle: the replayed bundle's report differs from the Wine run's")
        else:
            log("the replayed bundle's report is the Wine run's")


def main(argv):
    args = [a for a in argv[1:] if not a.startswith("--")]
    flags = {a for a in argv[1:] if a.startswith("--")}
    if len(args) != 4 or flags - {"--fix", "--bundle", "--keep"}:
        sys.stderr.write(__doc__)
        return 2
    sample, work, native_build, win64_build = (Path(a).resolve() for a in args)
    native_machine, prefix, out = work / "native", work / "prefix", work / "reports"
    for folder in (native_machine, out, work / "replayed"):
        shutil.rmtree(folder, ignore_errors=True)
    out.mkdir(parents=True)
    wine = None
    try:
        run([native_build / "bin" / "qmmachine", "create", native_machine, "--from", sample],
            stdout=subprocess.DEVNULL)
        if "--fix" in flags and not machine_settings(native_machine).get("administrator", True):
            # Wine runs every program with administrator rights: the fixes
            # the emulated machine refuses would be made under Wine.
            log(f"{sample.name}: its user has no administrator rights, which Wine cannot give; "
                "--fix cannot agree on it")
            return 2
        wine = import_machine(sample, native_machine, prefix, work.parent, native_build, win64_build)
        sides = Sides(native_machine, native_build, win64_build, wine, out)
        report = sides.compare("report", "report", "qmdiag", "report", "--json")
        sides.compare("params", "params", "qmprobe", "params", "--json", "--yes")
        if "--bundle" in flags:
            # Before any fix: the bundle is of the machine the report saw.
            sides.bundle_round_trip(report["wine"], work / "replayed")
        if "--fix" in flags:
            sides.compare_text("fix", "qmdiag", "fix")
            sides.compare("report-after-fix", "report", "qmdiag", "report", "--json")
            sides.compare_text("undo", "qmdiag", "undo")
            sides.compare("report-after-undo", "report", "qmdiag", "report", "--json")
            sides.same_as_before("report-after-undo", "report")
    except Failed as e:
        log(f"{sample.name}: {e}")
        return 1
    finally:
        if wine is not None:
            wine.server("-k")
            wine.server("-w")
            if "--keep" not in flags:
                shutil.rmtree(prefix, ignore_errors=True)
    if sides.failures:
        log(f"{sample.name}: FAILED: " + "; ".join(sides.failures) + f" (outputs in {out})")
        return 1
    extras = " and ".join(f for f in ("--fix", "--bundle") if f in flags)
    log(f"{sample.name}{' with ' + extras if extras else ''}: both sides agree")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
