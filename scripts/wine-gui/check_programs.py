#!/usr/bin/python3
"""Starts each of the five GUI programs from a deployed folder under Wine, on
the X display of the caller (Xvfb in the Windows lane), and checks that its
main window comes up: the title in the window list, a picture of the window
that is not blank.

    check_programs.py DEPLOY PREFIX USER JOB DRF SHOTS

DEPLOY holds "Quillmark Tools" and "Quillmark Diagnostic Utility" (cmake
--install); PREFIX is a Wine prefix into which a sample machine was imported
(scripts/test-wine-machine healthy --keep) and USER that machine's user; JOB
a print job for jobview, DRF a drive resource file for resedit; the pictures
go to SHOTS. Exit status 0 when every program came up, 1 otherwise.
"""
import sys
import time
from pathlib import Path

from wine_gui import Failed, Program, log, press, stable_screenshot, wait_gone, wait_window, window_title
from wine_gui import screenshot, wine_env, windows_path

START_SECONDS = 90


def probe(folder, env, shots, exe, title, caption):
    """paramscope and mediaprobe: the warning notice (titled with the
    program's title) first, OK goes on, then the dialog with the engine's
    drives, titled with the program's caption."""
    with Program(folder / exe, [], env) as program:
        notice = wait_window(f"^{title}$", START_SECONDS, program.process)
        screenshot(notice, shots / f"{Path(exe).stem}-notice.png")
        press(notice, "Return")
        wait_gone(notice, 20)
        dialog = wait_window(f"^{caption}$", START_SECONDS, program.process, exclude=(notice,))
        stable_screenshot(dialog, shots / f"{Path(exe).stem}.png")
        # The engine's drives are the items of the drive list: opened, they
        # show in a picture of the screen.
        press(dialog, "alt+Down")
        screenshot("root", shots / f"{Path(exe).stem}-drives.png")
        return window_title(dialog)


def main(argv):
    if len(argv) != 7:
        sys.stderr.write(__doc__)
        return 2
    deploy, prefix, user, job, drf, shots = argv[1], Path(argv[2]), argv[3], argv[4], argv[5], Path(argv[6])
    deploy = Path(deploy)
    suite = deploy / "Quillmark Tools"
    diag = deploy / "Quillmark Diagnostic Utility"
    # The stand-ins of the host software read their drives from the machine
    # the prefix was made from.
    env = wine_env(prefix, user, {"QUILLMARK_SYSROOT": windows_path(prefix)})
    failures = []

    def check(name, action):
        started = time.monotonic()
        try:
            title = action()
            log(f"{name}: window \"{title}\" ({time.monotonic() - started:.0f}s)")
        except Failed as e:
            log(f"{name}: FAILED: {e}")
            failures.append(name)

    def jobview():
        name = Path(job).name
        with Program(suite / "jobview.exe", [windows_path(job)], env) as program:
            window = wait_window(f"^{name} - jobview$", START_SECONDS, program.process)
            # The rendering pass shows its progress dialog until the last track.
            stable_screenshot(window, shots / "jobview.png", settle=3.0, timeout=120)
            return window_title(window)

    def resedit():
        with Program(suite / "resedit.exe", [windows_path(drf)], env) as program:
            # The launcher comes up first and hands the file to its editor,
            # which replaces it under the same title.
            launcher = wait_window("^Quillmark resedit", START_SECONDS, program.process)
            wait_gone(launcher, 30)
            window = wait_window("^Quillmark resedit", START_SECONDS, program.process, exclude=(launcher,))
            stable_screenshot(window, shots / "resedit.png")
            return window_title(window)

    def diagtool():
        with Program(diag / "diagtool.exe", [], env) as program:
            window = wait_window("^Quillmark Diagnostic Utility$", START_SECONDS, program.process)
            # The guided check reads the machine and the drives first.
            stable_screenshot(window, shots / "diagtool.png", settle=3.0, timeout=120)
            return window_title(window)

    check("jobview", jobview)
    check("resedit", resedit)
    check("diagtool", diagtool)
    check("paramscope",
          lambda: probe(suite, env, shots, "paramscope.exe", "Quillmark Labeling Parameters", "paramscope v1.3"))
    check("mediaprobe",
          lambda: probe(suite, env, shots, "mediaprobe.exe", "Quillmark Media Identification", "mediaprobe v1.3"))
    if failures:
        log(f"FAILED: {', '.join(failures)} (pictures in {shots})")
        return 1
    log(f"5 programs came up from {deploy}; pictures in {shots}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
