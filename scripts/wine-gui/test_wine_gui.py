#!/usr/bin/env python3
"""Tests of the Windows lane's picture check and of the installer check's
comparison of a Wine prefix before and after."""

import os
import sys
import unittest

from PIL import Image, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import check_installer  # noqa: E402
import wine_gui  # noqa: E402


def window_picture(width=300, height=200, text=True):
    """A dialog-like picture: grey face, a white field, a frame and text."""
    image = Image.new("RGB", (width, height), (240, 240, 240))
    d = ImageDraw.Draw(image)
    d.rectangle([10, 10, width - 10, height - 40], fill=(255, 255, 255), outline=(100, 100, 100))
    d.rectangle([width - 90, height - 32, width - 10, height - 8], fill=(225, 225, 225), outline=(0, 120, 215))
    if text:
        for row in range(3):
            d.text((20, 20 + 16 * row), "Quillmark drive 0: ready", fill=(0, 0, 0))
    return image


class Blankness(unittest.TestCase):
    def test_pictures(self):
        cases = [
            ("a dialog with controls and text", window_picture(), False),
            ("all white", Image.new("RGB", (300, 200), (255, 255, 255)), True),
            ("all black (a window never painted)", Image.new("RGB", (300, 200), (0, 0, 0)), True),
            ("one flat colour with a one-pixel frame", self.framed(), True),
            ("many colours in a flat grey (noise of a few levels)", self.noise(), True),
            ("two halves, black and white", self.halves(), True),
            ("too small to be a main window", window_picture(40, 200), True),
            ("too low to be a main window", window_picture(300, 20, text=False), True),
        ]
        for name, image, blank in cases:
            with self.subTest(name):
                self.assertEqual(wine_gui.blankness(image)[0], blank, wine_gui.blankness(image)[1])

    @staticmethod
    def noise():
        image = Image.new("RGB", (300, 200))
        image.putdata([(120 + (i * 7) % 5, 120 + (i * 11) % 5, 120 + (i * 13) % 5) for i in range(300 * 200)])
        return image

    @staticmethod
    def halves():
        image = Image.new("RGB", (300, 200), (0, 0, 0))
        ImageDraw.Draw(image).rectangle([150, 0, 299, 199], fill=(255, 255, 255))
        return image

    @staticmethod
    def framed():
        image = Image.new("RGB", (300, 200), (212, 208, 200))
        ImageDraw.Draw(image).rectangle([0, 0, 299, 199], outline=(64, 64, 64))
        return image


class Leftovers(unittest.TestCase):
    BEFORE = {"windows/system32/kernel32.dll", "users/quill/Temp"}

    def test_what_remains_of_ours(self):
        installed = self.BEFORE | {"Program Files/Quillmark Tools", "Program Files/Quillmark Tools/jobview.exe",
                                   "ProgramData/Microsoft/Windows/Start Menu/Programs/x/jobview.lnk",
                                   "Program Files/Other/left.dat"}
        cases = [
            ("everything removed", self.BEFORE, []),
            ("a file the setup wrote, whatever its name",
             self.BEFORE | {"Program Files/Other/left.dat"}, ["Program Files/Other/left.dat"]),
            ("the suite's folder, empty", self.BEFORE | {"Program Files/Quillmark Tools"},
             ["Program Files/Quillmark Tools"]),
            ("a file a program wrote later in a folder named after the suite",
             self.BEFORE | {"users/quill/AppData/Quillmark Diagnostic Utility/state.ini"},
             ["users/quill/AppData/Quillmark Diagnostic Utility/state.ini"]),
            ("Wine's own file written later, not ours", self.BEFORE | {"users/quill/Temp/~nsu1.tmp"}, []),
            ("a file of the machine that was there before stays", self.BEFORE, []),
        ]
        for name, after, expected in cases:
            with self.subTest(name):
                self.assertEqual(check_installer.leftovers(self.BEFORE, installed, after), expected)

    def test_a_file_there_before_is_not_ours_even_if_the_setup_rewrote_it(self):
        before = {"Program Files/Shared/common.dll"}
        self.assertEqual(check_installer.leftovers(before, before, before), [])

    def test_registry_keys_of_a_wine_registry_file(self):
        text = "\n".join([
            "WINE REGISTRY Version 2",
            ";; All keys relative to \\\\Machine",
            "",
            "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Quillmark Tools] 1733740000",
            '"DisplayName"="Quillmark Tools 1.0.0"',
            "[Software\\\\Quillmark] 1733740001",
            "#time=1da4a",
        ])
        keys = check_installer.reg_keys_of(text, "system.reg")
        self.assertEqual(keys, {
            "system.reg:Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Quillmark Tools",
            "system.reg:Software\\\\Quillmark"})
        # The uninstall entry is ours by name; the host software's key is not.
        self.assertEqual([k for k in sorted(keys) if check_installer.OURS.search(k)],
                         ["system.reg:Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Quillmark Tools"])


if __name__ == "__main__":
    unittest.main()
