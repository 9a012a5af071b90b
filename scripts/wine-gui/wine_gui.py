"""Running Windows programs under Wine on an X display (Xvfb) and looking at
their windows from outside: the window list (xdotool), key presses (xdotool
through XTEST), pictures of windows (ImageMagick's import) and a check that a
picture shows something (PIL)."""
import os
import subprocess
import time
from pathlib import Path

from PIL import Image, ImageStat


class Failed(Exception):
    pass


def log(text):
    print(f"wine-gui: {text}", flush=True)


def windows_path(host):
    """A host path as Windows programs under Wine reach it (drive Z:)."""
    return "Z:" + str(Path(host).resolve()).replace("/", "\\")


def wine_env(prefix, user=None, extra=None):
    env = dict(os.environ)
    # A deployed program finds every DLL beside itself: nothing from the
    # build's search path may help it.
    env.pop("WINEPATH", None)
    env.update({
        "WINEPREFIX": str(prefix),
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
    })
    if user:
        env["USER"] = user
    env.update(extra or {})
    return env


def windows(title_regex):
    """Ids of the visible top-level windows whose title matches."""
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title_regex],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    return [w for w in out.split() if w.strip()]


def window_names():
    """Every named window of the display (for a failure's message)."""
    out = subprocess.run(["xwininfo", "-root", "-tree"], stdout=subprocess.PIPE, text=True).stdout
    names = []
    for line in out.splitlines():
        line = line.strip()
        if line.startswith("0x") and '"' in line:
            name = line.split('"')[1]
            if name and name not in names:
                names.append(name)
    return names


def wait_window(title_regex, timeout, process=None, exclude=()):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = [w for w in windows(title_regex) if w not in exclude]
        if found:
            return found[0]
        if process is not None and process.poll() is not None:
            raise Failed(f"the program ended (status {process.returncode}) before a window "
                         f"\"{title_regex}\" appeared")
        time.sleep(0.5)
    raise Failed(f"no window \"{title_regex}\" within {timeout}s; windows: {window_names()}")


def wait_gone(window, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if window not in windows("."):
            return
        time.sleep(0.5)
    raise Failed(f"window {window} still there after {timeout}s")


def press(window, *keys):
    """Keys to a window: focus it, then type through XTEST, as a user would
    (Wine ignores synthetic key events sent to a window)."""
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(0.3)
    for key in keys:
        subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True)
        time.sleep(0.4)


def window_title(window):
    return subprocess.run(["xdotool", "getwindowname", window], stdout=subprocess.PIPE,
                          text=True).stdout.strip()


def blankness(image):
    """(blank, summary) of a picture of a window. A window that shows its controls and text is not tiny, has
    a few colours and a spread of brightness (a window left white, black or
    in one flat colour has neither)."""
    image = image.convert("RGB")
    colours = image.getcolors(maxcolors=1 << 20)
    count = len(colours) if colours is not None else 1 << 20
    spread = ImageStat.Stat(image.convert("L")).stddev[0]
    summary = f"{image.width}x{image.height}, {count} colours, brightness spread {spread:.1f}"
    if image.width < 50 or image.height < 30:
        return True, f"{summary}: too small"
    if count < 4 or spread < 8.0:
        return True, f"{summary}: blank"
    return False, summary


def take_picture(window, path):
    """A picture of one window: (image, blank, summary)."""
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["import", "-window", window, str(path)], check=True, stderr=subprocess.DEVNULL)
    image = Image.open(path).convert("RGB")
    blank, summary = blankness(image)
    return image, blank, summary


def screenshot(window, path, timeout=15):
    """A picture of one window, checked not blank; a window mapped before
    its first paint has until the timeout to show something."""
    deadline = time.monotonic() + timeout
    while True:
        image, blank, summary = take_picture(window, path)
        if not blank:
            log(f"{Path(path).name}: {summary}")
            return image
        if time.monotonic() > deadline:
            raise Failed(f"{Path(path).name}: {summary}")
        time.sleep(0.5)


def stable_screenshot(window, path, settle=2.0, timeout=60):
    """A picture taken once the window stopped changing (a rendering pass or
    a drive scan has finished). A window mapped before its first paint is
    blank for a moment; it must show something before the timeout."""
    deadline = time.monotonic() + timeout
    previous = None
    while True:
        image, blank, summary = take_picture(window, path)
        log(f"{Path(path).name}: {summary}")
        data = image.tobytes()
        if time.monotonic() > deadline:
            if blank:
                raise Failed(f"{Path(path).name}: {summary}")
            return image
        if not blank and data == previous:
            return image
        previous = data
        time.sleep(settle)


class Program:
    """One Windows program under Wine; ends it and its Wine server when done."""

    def __init__(self, exe, args, env):
        self.env = env
        self.process = subprocess.Popen(["wine", str(exe), *args], env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        subprocess.run(["wineserver", "-k"], env=self.env, check=False)
        subprocess.run(["wineserver", "-w"], env=self.env, check=False)
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
        return False
