#!/usr/bin/env python3
"""The archive writer (package.py) and the packaging test's own checks
(archive_checks.py) on made-up input: what the writer must produce or
refuse, and what the checks must catch, so that neither can pass silently."""

import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
from unittest import mock

sys.dont_write_bytecode = True  # keep the source tree clean
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.dirname(HERE))
import archive_checks  # noqa: E402
import package  # noqa: E402

EPOCH = 1767225601  # 2026-01-01 00:00:01 UTC


class Readme(unittest.TestCase):
    def test_placeholders_filled_and_every_line_ended_by_crlf(self):
        text = package.render_readme("Pyrolux @VERSION@\n\nMail @EMAIL@\n",
                                     {"VERSION": "0.94", "EMAIL": "a@b.example"})
        self.assertEqual(text, b"Pyrolux 0.94\r\n\r\nMail a@b.example\r\n")
        self.assertEqual(archive_checks.readme_faults(text), [])
        # A template saved with CRLF comes out the same, not doubled.
        self.assertEqual(package.render_readme("A\r\nB\r\n", {}), b"A\r\nB\r\n")
        self.assertEqual(package.render_readme("A\nB", {}), b"A\r\nB\r\n")

    def test_refuses_what_a_windows_reader_cannot_show(self):
        cases = {
            "unknown placeholder": ("Mail @MAIL@\n", {"EMAIL": "x"}),
            "line too long once filled": ("x" * 70 + " @EMAIL@\n", {"EMAIL": "a@b.example"}),
            "not ASCII": ("Pyrolux \u00e9t\u00e9\n", {}),
            "a tab": ("a\tb\n", {}),
            "a bare CR": ("a\rb\n", {}),
        }
        for name, (template, values) in cases.items():
            with self.subTest(name), self.assertRaises(package.PackageError):
                package.render_readme(template, values)
        self.assertEqual(len(package.render_readme("x" * package.MAX_COLUMNS, {})),
                         package.MAX_COLUMNS + 2)


class Archive(unittest.TestCase):
    FILES = [("Pyrolux.exe", b"MZ program" * 100), ("MMX.dll", b"MZ mmx"),
             ("SSE.dll", b"MZ sse"), ("README.txt", b"Read me\r\n")]

    def write(self, folder_path, name="a.zip"):
        path = os.path.join(folder_path, name)
        package.write_archive(path, "Pyrolux-0.94", self.FILES, EPOCH)
        with open(path, "rb") as f:
            return f.read()

    def test_holds_the_folder_then_the_files_in_order_dated_by_the_epoch(self):
        with tempfile.TemporaryDirectory() as folder:
            data = self.write(folder)
            self.assertEqual(os.listdir(folder), ["a.zip"], "no partial file is left")
        archive = zipfile.ZipFile(io.BytesIO(data))
        self.assertEqual(archive_checks.entry_faults(
            archive, "Pyrolux-0.94", [name for name, _ in self.FILES], EPOCH), [])
        self.assertEqual(archive.infolist()[1].date_time, (2026, 1, 1, 0, 0, 0))
        for name, content in self.FILES:
            self.assertEqual(archive.read("Pyrolux-0.94/" + name), content)
        self.assertIsNone(archive.testzip())

    def test_same_bytes_at_another_time_place_and_time_zone(self):
        with tempfile.TemporaryDirectory() as one, tempfile.TemporaryDirectory() as other:
            first = self.write(one)
            old_zone = os.environ.get("TZ")
            os.environ["TZ"] = "Asia/Kathmandu"
            time.tzset()
            try:
                with mock.patch("time.time", return_value=2000000000.0):
                    second = self.write(other, "b.zip")
            finally:
                if old_zone is None:
                    del os.environ["TZ"]
                else:
                    os.environ["TZ"] = old_zone
                time.tzset()
        self.assertEqual(first, second)

    def test_dates_before_1980_become_the_earliest_the_archive_holds(self):
        self.assertEqual(package.zip_date_time(0), (1980, 1, 1, 0, 0, 0))
        self.assertEqual(package.zip_date_time(EPOCH + 58), (2026, 1, 1, 0, 0, 58))

    def test_checks_catch_a_date_an_attribute_an_extra_field_and_the_order(self):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w") as archive:
            archive.writestr(zipfile.ZipInfo("P/", (2026, 1, 1, 0, 0, 0)), b"")
            late = zipfile.ZipInfo("P/a.exe", (2026, 1, 1, 0, 0, 2))
            archive.writestr(late, b"x")
            unix = zipfile.ZipInfo("P/b.dll", (2026, 1, 1, 0, 0, 0))
            unix.create_system, unix.external_attr = 3, 0o100644 << 16
            unix.extra = b"UT\x05\x00\x01\x00\x00\x00\x00"
            archive.writestr(unix, b"y")
        archive = zipfile.ZipFile(buffer)
        faults = " | ".join(archive_checks.entry_faults(archive, "P", ["a.exe", "b.dll"], EPOCH))
        for expected in ("P/a.exe: dated", "P/b.dll: made on system 3", "P/b.dll: extra fields",
                         "P/a.exe: not deflated"):
            self.assertIn(expected, faults)
        self.assertEqual(len(archive_checks.entry_faults(archive, "P", ["b.dll", "a.exe"], EPOCH)),
                         1, "a different order is one fault, naming both lists")


def crafted_image(file_stamp=0, export_stamp=0, root_stamp=0, leaf_stamp=0, debug_stamp=0):
    """A tiny 32-bit PE image: headers, then one section at 0x1000 with an
    export directory, a debug directory entry and a two-level resource tree."""
    data = bytearray(0x400)
    data[0:2] = b"MZ"
    struct.pack_into("<I", data, 0x3C, 0x80)
    data[0x80:0x84] = b"PE\0\0"
    coff, optional_size = 0x84, 224
    struct.pack_into("<HHIIIHH", data, coff, 0x14C, 1, file_stamp, 0, 0, optional_size, 0x102)
    optional = coff + 20
    struct.pack_into("<H", data, optional, 0x10B)
    struct.pack_into("<I", data, optional + 92, 16)
    for index, rva, size in ((0, 0x1000, 40), (6, 0x1080, 28), (2, 0x1100, 0x40)):
        struct.pack_into("<II", data, optional + 96 + 8 * index, rva, size)
    section = optional + optional_size
    data[section:section + 8] = b".rdata\0\0"
    struct.pack_into("<IIII", data, section + 8, 0x200, 0x1000, 0x200, 0x200)
    raw = 0x200
    struct.pack_into("<I", data, raw + 4, export_stamp)
    struct.pack_into("<I", data, raw + 0x80 + 4, debug_stamp)
    resources = raw + 0x100
    struct.pack_into("<IIHHHH", data, resources, 0, root_stamp, 0, 0, 0, 1)
    struct.pack_into("<II", data, resources + 16, 3, 0x80000000 | 0x20)
    struct.pack_into("<IIHHHH", data, resources + 0x20, 0, leaf_stamp, 0, 0, 0, 0)
    return bytes(data)


class Checks(unittest.TestCase):
    def test_every_time_stamp_of_the_headers_is_found(self):
        self.assertEqual(archive_checks.pe_time_stamps(crafted_image()), [])
        stamps = archive_checks.pe_time_stamps(crafted_image(1, 2, 3, 4, 5))
        self.assertEqual([value for _, value in stamps], [1, 2, 3, 4, 5])
        self.assertEqual([where for where, _ in stamps],
                         ["file header", "export directory", "resource directory +0x0",
                          "resource directory +0x20", "debug directory entry 0"])

    def test_readme_faults_name_the_line(self):
        over = package.MAX_COLUMNS + 1
        cases = {
            b"ok\r\nbare\nlf\r\n": "line 2: a bare LF",
            b"ok\r\n" + b"x" * over + b"\r\n": "line 2: %d columns" % over,
            b"caf\xe9\r\n": "line 1: not printable ASCII",
            b"ok\r\nno end": "does not end with CRLF",
        }
        for data, expected in cases.items():
            with self.subTest(expected):
                self.assertIn(expected, " | ".join(archive_checks.readme_faults(data)))
        self.assertEqual(archive_checks.readme_faults(b"x" * package.MAX_COLUMNS + b"\r\n\r\n"),
                         [])

    def test_footprint_counts_whole_clusters_against_the_disk(self):
        # 713 clusters fit; one byte more on any file takes one cluster more.
        fits = [("a", b"x" * 1024 * 700), ("b", b"x" * 1), ("c", b"x" * 1024 * 12)]
        self.assertEqual(archive_checks.footprint_faults(fits), [])
        over = [("a", b"x" * (1024 * 700 + 1))] + fits[1:]
        faults = archive_checks.footprint_faults(over)
        self.assertEqual(len(faults), 1)
        self.assertIn("731136 bytes", faults[0])
        self.assertEqual(package.size_report(over)[-1].split()[1:5],
                         ["729090", "bytes", "731136", "on"])
        self.assertEqual(package.on_disk(0), 0)
        self.assertEqual(package.on_disk(1025), 2048)


class Script(unittest.TestCase):
    """scripts/package.sh in a tree of stand-ins: the build succeeds, the
    binary check answers as told, the writer notes that it ran."""

    ROOT = os.path.dirname(os.path.dirname(HERE))
    STAND_INS = {
        "scripts/build-win32.sh": "#!/bin/sh\nexit 0\n",
        "tests/binaries/check_binaries.py":
            "import sys\nprint('check ran')\nsys.exit(int(open(sys.argv[0] + "
            "'.answer').read()))\n",
        "packaging/package.py":
            "import os, sys\nroot = sys.argv[sys.argv.index('--root') + 1]\n"
            "open(os.path.join(root, 'packaged'), 'w').close()\n"
            "print(os.path.join(root, 'dist', 'x.zip'))\n",
    }

    def package(self, tree, check_answer):
        with open(os.path.join(tree, "tests/binaries/check_binaries.py.answer"), "w") as f:
            f.write(str(check_answer))
        env = dict(os.environ, SOURCE_DATE_EPOCH=str(EPOCH))
        return subprocess.run(["bash", os.path.join(tree, "scripts/package.sh")], env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              universal_newlines=True)

    def test_binaries_that_fail_the_check_are_not_packaged(self):
        with tempfile.TemporaryDirectory() as tree:
            for path, text in self.STAND_INS.items():
                os.makedirs(os.path.dirname(os.path.join(tree, path)), exist_ok=True)
                with open(os.path.join(tree, path), "w") as f:
                    f.write(text)
            os.chmod(os.path.join(tree, "scripts/build-win32.sh"), 0o755)
            shutil.copy(os.path.join(self.ROOT, "scripts/package.sh"), os.path.join(tree, "scripts"))
            failed = self.package(tree, 1)
            self.assertNotEqual(failed.returncode, 0, failed.stdout)
            self.assertIn("check ran", failed.stdout)
            self.assertFalse(os.path.exists(os.path.join(tree, "packaged")), failed.stdout)
            passed = self.package(tree, 0)
            self.assertEqual(passed.returncode, 0, passed.stdout)
            self.assertTrue(os.path.exists(os.path.join(tree, "packaged")))
            self.assertEqual(passed.stdout.splitlines()[-1], "dist/x.zip")


if __name__ == "__main__":
    unittest.main()
