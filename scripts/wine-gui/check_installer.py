#!/usr/bin/python3
"""Installs the suite's setup program silently into a fresh Wine prefix, runs
what it installed, and uninstalls it silently: nothing of ours may remain.

    check_installer.py SETUP TEMPLATE WORK DIAGTOOL_VERSION

SETUP is the setup program (cpack -G NSIS); TEMPLATE a Wine prefix after
wineboot, copied to WORK/prefix; DIAGTOOL_VERSION the version diagtool's
About box must show (its version resource). Runs on the caller's X display
(Xvfb) for the About box; pictures go to WORK/shots. Checks:

  - the suite's programs, tools and DLLs in C:\\Program Files\\Quillmark Tools,
    diagtool.exe in C:\\Program Files\\Quillmark Diagnostic Utility, the
    Start-menu entries, the uninstall entry;
  - qmdiag.exe report and qmerror.exe run from the installed folder;
  - the version resource of the installed diagtool.exe read with Wine's
    GetFileVersionInfoW (qmres version), and diagtool's About box;
  - after the uninstaller: every file and registry key the setup made is
    gone, and no file or key named after the suite remains.
Exit status 0 when all hold, 1 otherwise.
"""
import re
import shutil
import subprocess
import sys
from pathlib import Path

from wine_gui import Failed, Program, log, press, screenshot, wait_window, wine_env

SUITE = "Quillmark Tools"
DIAG = "Quillmark Diagnostic Utility"
OURS = re.compile(r"quillmark tools|quillmark diagnostic utility", re.IGNORECASE)
# A user's known folders (the folder alone, not what is in it): Windows has
# them from the start, Wine makes each when a program first asks for it, as
# the setup program does for the documents folder.
KNOWN_FOLDER = re.compile(r"^users/[^/]+/(Desktop|Documents|Downloads|Favorites|Links|Music|Pictures|"
                          r"Saved Games|Searches|Videos|Contacts|Temp)$")
SUITE_FILES = ["jobview.exe", "resedit.exe", "paramscope.exe", "mediaprobe.exe", "qmdiag.exe", "qmprobe.exe",
               "qmres.exe", "qmerror.exe", "drftool.exe", "makejob.exe", "labeldemo.exe", "trackrender.dll",
               "jobfile.dll", "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll", "Qt6PrintSupport.dll", "Qt6Xml.dll",
               "platforms/qwindows.dll", "styles/qwindowsvistastyle.dll", "libstdc++-6.dll",
               "libwinpthread-1.dll", "Uninstall.exe"]
DIAG_FILES = ["diagtool.exe", "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll", "Qt6Xml.dll",
              "platforms/qwindows.dll", "libstdc++-6.dll"]


def files(prefix):
    root = prefix / "drive_c"
    return {str(p.relative_to(root)) for p in root.rglob("*")}


def reg_keys(prefix):
    keys = set()
    for hive in ("system.reg", "user.reg", "userdef.reg"):
        path = prefix / hive
        if path.is_file():
            keys |= reg_keys_of(path.read_text(encoding="utf-8", errors="replace"), hive)
    return keys


def reg_keys_of(text, hive):
    """The keys of one of Wine's registry files, as HIVE:KEY (the file's
    escaped spelling, without the time stamp after the bracket)."""
    keys = set()
    for line in text.splitlines():
        if line.startswith("[") and "]" in line:
            keys.add(f"{hive}:{line[1:line.rindex(']')]}")
    return keys


def leftovers(before, installed, after):
    """What the uninstaller left of ours: every entry the setup added that is
    still there, and every entry added since the start that is named after
    the suite (written by the setup or by the installed programs)."""
    added_by_setup = {e for e in installed - before if not KNOWN_FOLDER.match(e)}
    return sorted((added_by_setup & after) | {e for e in after - before if OURS.search(e)})


def snapshot(prefix, env):
    # The registry reaches its files when the server ends.
    subprocess.run(["wineserver", "-k"], env=env, check=False)
    subprocess.run(["wineserver", "-w"], env=env, check=False)
    return files(prefix), reg_keys(prefix)


def wine(env, *args, **kw):
    return subprocess.run(["wine", *args], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw)


def main(argv):
    if len(argv) != 5:
        sys.stderr.write(__doc__)
        return 2
    setup, template, work, version = Path(argv[1]), Path(argv[2]), Path(argv[3]), argv[4]
    prefix, shots = work / "prefix", work / "shots"
    shutil.rmtree(prefix, ignore_errors=True)
    shutil.copytree(template, prefix, symlinks=True)
    env = wine_env(prefix)
    failures = []

    def expect(condition, text):
        if condition:
            log(f"ok: {text}")
        else:
            log(f"FAILED: {text}")
            failures.append(text)

    # Wine writes a few keys of its own on a prefix's first programs: those
    # come before the first picture of the prefix.
    wine(env, "cmd", "/c", "exit")
    before_files, before_keys = snapshot(prefix, env)

    result = wine(env, str(setup), "/S")
    subprocess.run(["wineserver", "-w"], env=env, check=False)
    expect(result.returncode == 0, f"setup /S ended with status {result.returncode}")
    if result.returncode != 0:
        return 1
    installed_files, installed_keys = snapshot(prefix, env)
    new_files = installed_files - before_files
    new_keys = installed_keys - before_keys
    log(f"the setup program wrote {len(new_files)} files and folders and {len(new_keys)} registry keys")

    pf = "Program Files"
    for name in SUITE_FILES:
        expect(f"{pf}/{SUITE}/{name}" in new_files, f"{SUITE}\\{name} installed")
    for name in DIAG_FILES:
        expect(f"{pf}/{DIAG}/{name}" in new_files, f"{DIAG}\\{name} installed")
    menu = sorted(Path(f).name for f in new_files if "Start Menu" in f and f.endswith(".lnk"))
    log(f"Start menu: {', '.join(menu)}")
    for entry in ("jobview.lnk", "resedit.lnk", "paramscope.lnk", "mediaprobe.lnk", f"{DIAG}.lnk", "Uninstall.lnk"):
        expect(entry in menu, f"Start-menu entry {entry}")
    expect(any(k.endswith(f"Uninstall\\\\{SUITE}") for k in new_keys), "uninstall entry in the registry")
    expect(not any(re.search(r"software\\\\quillmark(\\\\|$)", k, re.IGNORECASE) for k in new_keys),
           "nothing written under the host software's key Software\\Quillmark")

    installed = f"C:\\{pf}\\{SUITE}"
    report = wine(env, f"{installed}\\qmdiag.exe", "report")
    text = report.stdout.decode(errors="replace")
    # A fresh prefix has no host software: a problem remains (status 1).
    expect(report.returncode in (0, 1) and "Quillmark" in text,
           f"qmdiag.exe report from the installed folder (status {report.returncode}, {len(text.splitlines())} lines)")
    (work / "qmdiag-report.txt").write_text(text)
    lookup = wine(env, f"{installed}\\qmerror.exe", "0x201")
    text = lookup.stdout.decode(errors="replace")
    expect(lookup.returncode == 0 and "0x201" in text.lower(),
           f"qmerror.exe 0x201 from the installed folder: {text.splitlines()[0] if text else '(nothing)'}")
    diag_exe = f"C:\\{pf}\\{DIAG}\\diagtool.exe"
    read = wine(env, f"{installed}\\qmres.exe", "version", diag_exe)
    text = read.stdout.decode(errors="replace")
    expect(read.returncode == 0 and version in text, f"the installed diagtool.exe's version resource holds {version}")

    # diagtool's About box reads the version of the file at its fixed place.
    try:
        with Program(diag_exe, [], env) as program:
            main_window = wait_window(f"^{DIAG}$", 90, program.process)
            screenshot(main_window, shots / "installed-diagtool.png")
            press(main_window, "alt+h", "a")
            about = wait_window(f"^About {DIAG}\\.$", 30, program.process)
            screenshot(about, shots / "installed-diagtool-about.png")
            expect(True, "diagtool's About box opened from the installed folder (installed-diagtool-about.png)")
    except Failed as e:
        expect(False, f"diagtool's About box: {e}")

    ran_files, ran_keys = snapshot(prefix, env)
    uninstaller = f"{installed}\\Uninstall.exe"
    result = wine(env, uninstaller, "/S")
    # The uninstaller copies itself away and returns at once: wait for it.
    # Its copy in the temporary folder goes at the next start of Windows, as
    # on a real machine: Wine's restart does those pending deletions.
    subprocess.run(["wineserver", "-w"], env=env, check=False)
    wine(env, "wineboot", "--restart")
    subprocess.run(["wineserver", "-w"], env=env, check=False)
    after_files, after_keys = snapshot(prefix, env)
    left_files = leftovers(before_files, installed_files, after_files)
    left_keys = leftovers(before_keys, installed_keys, after_keys)
    expect(not left_files, f"no file of ours left after the uninstaller: {left_files[:10]}")
    expect(not left_keys, f"no registry key of ours left after the uninstaller: {left_keys[:10]}")
    others = sorted((after_files - before_files) | (after_keys - before_keys))
    if others:
        log(f"other changes of the prefix (the programs' runs, Wine's own): {len(others)}")
        for entry in others[:20]:
            log(f"  {entry}")
    if failures:
        log(f"FAILED: {len(failures)} checks")
        return 1
    log("setup, the installed programs and the uninstaller: all checks hold")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
