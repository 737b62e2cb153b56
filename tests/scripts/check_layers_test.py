#!/usr/bin/env python3
"""The layer check on a copy of the source tree: the tree as it stands passes, and each kind of
include that goes up is caught and named."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(ROOT, "scripts", "check_layers.py")


def ignore(folder, names):
    if os.path.abspath(folder) == ROOT:
        return [n for n in names if n.startswith(".") or n.startswith("build")]
    return [n for n in names if n.startswith(".")]


class CheckLayersTest(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.TemporaryDirectory()
        self.root = os.path.join(self.temp.name, "src")
        shutil.copytree(ROOT, self.root, ignore=ignore)

    def tearDown(self):
        self.temp.cleanup()

    def run_check(self):
        done = subprocess.run([sys.executable, CHECK, self.root], capture_output=True, text=True)
        return done.returncode, done.stdout

    def read(self, relpath):
        with open(os.path.join(self.root, relpath), encoding="utf-8") as f:
            return f.read()

    def write(self, relpath, text, append=True):
        path = os.path.join(self.root, relpath)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "a" if append else "w", encoding="utf-8") as f:
            f.write(text)

    def test_the_tree_as_it_stands_passes(self):
        code, out = self.run_check()
        self.assertEqual(code, 0, out)
        self.assertIn("os < toolkit < toolkit_gui < dao", out)

    def test_each_include_that_goes_up_is_caught(self):
        cases = [
            # (file, include, what the report says)
            ("platform/toolkit/Variant.cpp", "platform/dao/DaoError.h", "of layer dao, which toolkit may not use"),
            ("platform/toolkit/Strings.h", "platform/toolkit/gui/Form.h", "of layer toolkit_gui, which toolkit may"),
            ("platform/dao/DaoValue.cpp", "platform/toolkit/gui/Colors.h", "of layer toolkit_gui, which dao may"),
            ("platform/os/Files.cpp", "platform/toolkit/Variant.h", "of layer toolkit, which os may not use"),
            ("memtable/MemRow.cpp", "platform/dao/DaoValue.h", "of layer dao, which memtable may not use"),
            ("platform/report/ReportPage.cpp", "dataaccess/DaoTable.h", "of layer dataaccess, which report may"),
            ("dataaccess/DaoTable.cpp", "platform/report/BandReport.h", "of layer report, which dataaccess may"),
            ("dataaccess/DaoInfo.h", "app/util/AppGlobals.h", "of layer app_core, which dataaccess may"),
            ("controls/FlatCore.cpp", "memtable/MemTable.h", "of layer memtable, which controls may not use"),
            ("tests/platform/dao/JetQueryTest.cpp", "app/datamodule/DModule.h", "which dao tests may not use"),
            ("tests/memtable/MemBlobTest.cpp", "platform/toolkit/gui/Form.h", "which memtable tests may not"),
        ]
        for relpath, target, message in cases:
            with self.subTest(relpath=relpath, target=target):
                original = self.read(relpath)
                self.write(relpath, '\n#include "%s"\n' % target)
                code, out = self.run_check()
                self.write(relpath, original, append=False)
                self.assertEqual(code, 1, out)
                self.assertIn('%s:%d: includes "%s"' % (relpath, original.count("\n") + 2, target), out)
                self.assertIn(message, out)

    def test_a_shared_test_header_counts_for_the_test_that_includes_it(self):
        self.write("tests/support/Upward.h", '#pragma once\n#include "app/windows/uSplash.h"\n', append=False)
        self.write("tests/platform/dao/JetQueryTest.cpp", '#include "support/Upward.h"\n')
        code, out = self.run_check()
        self.assertEqual(code, 1, out)
        self.assertIn('tests/support/Upward.h:2: includes "app/windows/uSplash.h" of layer app_core, which dao tests', out)
        self.assertIn("(through tests/platform/dao/JetQueryTest.cpp:", out)

    def test_a_layer_that_links_one_above_it_is_caught(self):
        self.write("CMakeLists.txt", self.read("CMakeLists.txt").replace("memtable              toolkit)", "memtable              toolkit controls)"),
                   append=False)
        code, out = self.run_check()
        self.assertEqual(code, 1, out)
        self.assertIn("layer memtable links controls, which stands above it", out)


if __name__ == "__main__":
    unittest.main()
