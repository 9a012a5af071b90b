#!/usr/bin/env python3
"""Tests of the comparer and of the .reg reading of the Wine machine import."""

import os
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import compare_reports  # noqa: E402
import run  # noqa: E402

SERVICE = "SYSTEM\\CurrentControlSet\\Services\\QuillmarkService\\"
QUILLMARK = "SOFTWARE\\Quillmark\\"
REPORT = "\n".join([
    QUILLMARK + "LogLevel - Error",
    QUILLMARK + "APILogging - 0",
    QUILLMARK + "Engine\\Generation - 4",
    SERVICE + "Type - 16",
    SERVICE + "Start - 2",
    SERVICE,
    SERVICE + "ObjectName - LocalSystem",
    "",
])


class Compare(unittest.TestCase):
    def differences(self, a, b, kind="report"):
        return [(compare_reports.show_path(p), x, y) for p, x, y in compare_reports.compare(kind, a, b)]

    def test_equal_documents_agree(self):
        doc = {"versions": {"qms": "1.2"}, "checks": [{"name": "a", "ok": True}], "n": None}
        self.assertEqual(self.differences(doc, doc), [])

    def test_every_difference_is_named_by_its_path(self):
        cases = [
            ({"a": {"b": 1}}, {"a": {"b": 2}}, [("a.b", 1, 2)]),
            ({"a": [1, 2]}, {"a": [1, 2, 3]}, [("a[2]", compare_reports.Missing, 3)]),
            ({"a": 1}, {}, [("a", 1, compare_reports.Missing)]),
            ({}, {"b": 1}, [("b", compare_reports.Missing, 1)]),
            # Values equal in Python but not in JSON are still different.
            ({"a": 1}, {"a": True}, [("a", 1, True)]),
            ({"a": 1}, {"a": 1.0}, [("a", 1, 1.0)]),
            ({"a": "1"}, {"a": 1}, [("a", "1", 1)]),
            ({"a": None}, {"a": {}}, [("a", None, {})]),
            ({"d": [{"x": 1}, {"x": 2}]}, {"d": [{"x": 1}, {"x": 3}]}, [("d[1].x", 2, 3)]),
        ]
        for a, b, expected in cases:
            with self.subTest(a=a, b=b):
                self.assertEqual(self.differences(a, b), expected)

    def test_left_out_fields_are_skipped_and_nothing_else(self):
        saved = compare_reports.LEFT_OUT["report"]
        try:
            compare_reports.LEFT_OUT["report"] = [(("drives", compare_reports.ANY, "time"), "reason")]
            a = {"drives": [{"time": 1, "name": "E"}, {"time": 2, "name": "F"}], "time": 5}
            b = {"drives": [{"time": 9, "name": "E"}, {"time": 8, "name": "G"}], "time": 6}
            self.assertEqual(self.differences(a, b), [("drives[1].name", "F", "G"), ("time", 5, 6)])
        finally:
            compare_reports.LEFT_OUT["report"] = saved

    def test_every_left_out_field_and_normalisation_gives_a_reason(self):
        for kind in compare_reports.LEFT_OUT:
            for pattern, reason in compare_reports.LEFT_OUT[kind]:
                self.assertTrue(pattern and len(reason) > 20, (kind, pattern))
            for pattern, function, reason in compare_reports.NORMALISED[kind]:
                self.assertTrue(pattern and callable(function) and len(reason) > 20, (kind, pattern))


class RegistryReportOrder(unittest.TestCase):
    norm = staticmethod(compare_reports._report_lines_by_key)

    def test_the_order_of_values_inside_a_key_does_not_count(self):
        lines = REPORT.split("\n")
        swapped = [lines[1], lines[0]] + lines[2:3] + [lines[6], lines[5], lines[4], lines[3]] + lines[7:]
        self.assertEqual(self.norm(REPORT), self.norm("\n".join(swapped)))

    def test_data_keys_and_key_order_still_count(self):
        lines = REPORT.split("\n")
        cases = {
            "changed data": REPORT.replace("Start - 2", "Start - 3"),
            "value moved to another key": REPORT.replace(QUILLMARK + "APILogging", SERVICE + "APILogging"),
            "key order": "\n".join(lines[3:7] + lines[0:3] + lines[7:]),
            "value lost": "\n".join(lines[:1] + lines[2:]),
            "line doubled": REPORT + QUILLMARK + "LogLevel - Error\n",
        }
        for name, other in cases.items():
            with self.subTest(name):
                self.assertNotEqual(self.norm(REPORT), self.norm(other))

    def test_values_of_a_key_that_comes_twice_are_not_merged(self):
        # Two runs of one key with another key between them: each run keeps
        # its own values.
        a = "K\\a - 1\nL\\x - 1\nK\\b - 2"
        b = "K\\b - 2\nL\\x - 1\nK\\a - 1"
        self.assertNotEqual(self.norm(a), self.norm(b))


class RegValues(unittest.TestCase):
    def test_value_names_per_key_from_regedit_files(self):
        text = ("Windows Registry Editor Version 5.00\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QuillmarkService]\r\n"
                "\"Type\"=dword:00000010\r\n"
                "\"Say \\\"hi\\\"\"=\"x\"\r\n"
                "@=\"default\"\r\n"
                "\"ImagePath\"=hex(2):22,00,\\\r\n  43,00\r\n"
                "[HKEY_CURRENT_USER\\Software]\r\n")
        for encoding, bom in (("utf-16-le", b"\xff\xfe"), ("utf-8", b"")):
            with self.subTest(encoding), tempfile.TemporaryDirectory() as folder:
                path = Path(folder) / "x.reg"
                path.write_bytes(bom + text.encode(encoding))
                values = run.reg_values(path)
                self.assertEqual(values["hkey_local_machine\\system\\currentcontrolset\\services\\quillmarkservice"],
                                 {"type", "say \\\"hi\\\"", "", "imagepath"})
                self.assertEqual(values["hkey_current_user\\software"], set())

    def test_windows_paths_map_into_drive_c_only(self):
        prefix = Path("/p")
        self.assertEqual(run.in_drive_c(prefix, "C:\\Program Files\\Q\\S.exe"),
                         Path("/p/drive_c/Program Files/Q/S.exe"))
        self.assertEqual(run.in_drive_c(prefix, "c:\\a\\\\b"), Path("/p/drive_c/a/b"))
        for outside in ("D:\\a", "\\\\server\\share", "a\\b", "C:\\", "C:\\..\\..\\etc\\x", "C:\\a\\.\\b"):
            with self.subTest(outside), self.assertRaises(run.Failed):
                run.in_drive_c(prefix, outside)


def pe_image(machine, offset=0x80):
    data = bytearray(offset + 0x18)
    data[:2] = b"MZ"
    data[0x3C:0x40] = offset.to_bytes(4, "little")
    data[offset:offset + 4] = b"PE\0\0"
    data[offset + 4:offset + 6] = machine.to_bytes(2, "little")
    return bytes(data)


class SixtyFourBitTwins(unittest.TestCase):
    def test_only_32_bit_modules_of_the_build_get_a_64_bit_twin(self):
        with tempfile.TemporaryDirectory() as folder:
            build = Path(folder)
            for arch, machine in (("i686", 0x14C), ("x86_64", 0x8664)):
                (build / "sample-modules" / arch).mkdir(parents=True)
                (build / "sample-modules" / arch / "QMCMHT.dll").write_bytes(pe_image(machine) + b"QMCMHT")
                (build / "sample-modules" / arch / "drfVersion.dll").write_bytes(pe_image(machine) + b"drf")
            twin = run.x86_64_twin(pe_image(0x14C) + b"drf", build)
            self.assertEqual(twin, build / "sample-modules" / "x86_64" / "drfVersion.dll")
            # A 32-bit module the build did not make, a 64-bit one, and no image.
            for data in (pe_image(0x14C) + b"other", pe_image(0x8664) + b"drf", b""):
                self.assertIsNone(run.x86_64_twin(data, build))


if __name__ == "__main__":
    unittest.main()
