#!/usr/bin/env python3
"""The i486 runtime's cache key (scripts/i486-runtime.sh --key) follows what
the runtime is made of, not the script's text: a comment changes nothing, a
patch, the recipe number or a package version makes a new key."""

import os
import re
import shutil
import subprocess
import tempfile
import unittest

SCRIPTS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class RuntimeKey(unittest.TestCase):
    def setUp(self):
        self.tree = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.tree)
        self.script = os.path.join(self.tree, "i486-runtime.sh")
        for script in ("i486-runtime.sh", "gcc-version.sh"):
            shutil.copy(os.path.join(SCRIPTS, script), self.tree)
        shutil.copytree(os.path.join(SCRIPTS, "i486-runtime"),
                        os.path.join(self.tree, "i486-runtime"))
        self.original = self.key()

    def key(self, path=None):
        env = dict(os.environ)
        if path:
            env["PATH"] = path + os.pathsep + env["PATH"]
        return subprocess.run(["bash", self.script, "--key"], env=env, check=True,
                              stdout=subprocess.PIPE,
                              universal_newlines=True).stdout.strip()

    def edit(self, path, change):
        with open(path) as f:
            text = f.read()
        with open(path, "w") as f:
            f.write(change(text))

    def test_the_key_is_that_of_the_real_script(self):
        self.assertRegex(self.original, r"^[0-9a-f]{16}$")
        real = subprocess.run(["bash", os.path.join(SCRIPTS, "i486-runtime.sh"), "--key"],
                              check=True, stdout=subprocess.PIPE,
                              universal_newlines=True).stdout.strip()
        self.assertEqual(self.original, real)

    def test_comments_leave_the_key_what_it_is_made_of_changes_it(self):
        self.edit(self.script, lambda t: t.replace("\nset -euo", "\n# A comment.\n\nset -euo"))
        self.assertEqual(self.key(), self.original)
        # A dpkg-query that reports another version of the cross compiler.
        bin_dir = os.path.join(self.tree, "bin")
        os.mkdir(bin_dir)
        with open(os.path.join(bin_dir, "dpkg-query"), "w") as f:
            f.write('#!/bin/sh\nfor a; do p=$a; done\n[ "$p" = gcc-mingw-w64-i686-win32 ] '
                    '&& echo 99 || exec /usr/bin/dpkg-query "$@"\n')
        os.chmod(os.path.join(bin_dir, "dpkg-query"), 0o755)
        self.assertNotEqual(self.key(bin_dir), self.original, "a package version")
        patch = os.path.join(self.tree, "i486-runtime",
                             sorted(os.listdir(os.path.join(self.tree, "i486-runtime")))[0])
        self.edit(patch, lambda t: t + " \n")
        patched = self.key()
        self.assertNotEqual(patched, self.original, "a patch")
        self.edit(self.script, lambda t: re.sub(r"\nrecipe=(\d+)\n", lambda m: "\nrecipe=%d\n"
                                                % (int(m.group(1)) + 1), t))
        self.assertNotEqual(self.key(), patched, "the recipe number")

if __name__ == "__main__":
    unittest.main()
