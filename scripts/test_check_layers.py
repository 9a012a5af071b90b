#!/usr/bin/env python3
"""The layer check catches what it is for: a caller reaching a platform
backend, a folder including one above it, a caller picking a GDI+ header,
and a file outside the table. Runs on a small tree made here."""
import importlib.util
import json
import os
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))


def load_checker(root):
    os.environ["QM_LAYERS_ROOT"] = root
    spec = importlib.util.spec_from_file_location("check_layers", os.path.join(HERE, "check-layers.py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


class LayerCheck(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.root = os.path.realpath(self.tmp.name)
        self.build = os.path.join(self.root, "build")
        os.makedirs(self.build)
        self.write("platform/include/platform/Registry.h", "#pragma once\n")
        self.write("platform/include/platform/gdiplus/GdiplusStandIn.h", "#pragma once\n")
        self.write("platform/emulated/EmulatedFiles.h", "#pragma once\n")
        self.write("drf/include/drf/Drf.h", '#include "platform/Registry.h"\n')
        self.write("resedit/core/include/resedit/Rules.h", '#include "drf/Drf.h"\n')
        self.entries = []

    def tearDown(self):
        self.tmp.cleanup()
        os.environ.pop("QM_LAYERS_ROOT", None)

    def write(self, rel, text):
        path = os.path.join(self.root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)

    def compile(self, rel, text, include_dirs):
        self.write(rel, text)
        flags = " ".join("-I" + os.path.join(self.root, d) for d in include_dirs)
        self.entries.append({"directory": self.build, "file": os.path.join(self.root, rel),
                             "command": f"c++ {flags} -c {rel}"})

    def run_check(self):
        with open(os.path.join(self.build, "compile_commands.json"), "w") as f:
            json.dump(self.entries, f)
        checker = load_checker(self.root)
        violations, unplaced, _ = checker.check(self.build)
        return sorted(violations), sorted(unplaced)

    def test_allowed_includes_pass(self):
        self.compile("resedit/core/src/Rules.cpp", '#include "resedit/Rules.h"\n#include <vector>\n',
                     ["resedit/core/include", "drf/include", "platform/include"])
        self.assertEqual(self.run_check(), ([], []))

    def test_backend_header_fails(self):
        # Reachable only by a private include folder, which a caller might add by hand.
        self.compile("drf/src/Drf.cpp", '#include "emulated/EmulatedFiles.h"\n', ["platform", "platform/include"])
        violations, _ = self.run_check()
        self.assertEqual(violations, [("drf/src/Drf.cpp", "platform/emulated/EmulatedFiles.h")])

    def test_folder_above_fails_even_through_a_header(self):
        self.write("drf/include/drf/Up.h", '#include "resedit/Rules.h"\n')
        self.compile("drf/src/Up.cpp", '#include "drf/Up.h"\n',
                     ["drf/include", "resedit/core/include", "platform/include"])
        violations, _ = self.run_check()
        self.assertEqual(violations, [("drf/include/drf/Up.h", "resedit/core/include/resedit/Rules.h")])

    def test_gdiplus_header_only_through_the_seam(self):
        self.compile("trackrender/src/T.cpp", '#include "platform/gdiplus/GdiplusStandIn.h"\n', ["platform/include"])
        violations, _ = self.run_check()
        self.assertEqual(violations, [("trackrender/src/T.cpp", "platform/include/platform/gdiplus/GdiplusStandIn.h")])

    def test_tests_may_use_the_machine_but_not_backends(self):
        self.write("platform/include/platform/machine/Machine.h", "#pragma once\n")
        self.compile("drf/tests/A.cpp", '#include "platform/machine/Machine.h"\n', ["platform/include"])
        self.compile("drf/tests/B.cpp", '#include "emulated/EmulatedFiles.h"\n', ["platform"])
        self.write("platform/tests/RegWriter.h", "#pragma once\n")
        self.compile("drf/tests/C.cpp", '#include "RegWriter.h"\n', ["platform/tests"])
        violations, _ = self.run_check()
        self.assertEqual(violations, [("drf/tests/B.cpp", "platform/emulated/EmulatedFiles.h")])

    def test_file_outside_the_table_is_named(self):
        self.compile("newfolder/x.cpp", "int x;\n", [])
        _, unplaced = self.run_check()
        self.assertEqual(unplaced, ["newfolder/x.cpp"])

    def test_the_table_has_no_cycle(self):
        checker = load_checker(self.root)
        self.assertEqual(checker.cycles(), [])
        checker.LAYERS["platform/include/platform"] = ["drf"]
        self.assertIn("drf", checker.cycles())


if __name__ == "__main__":
    unittest.main()
