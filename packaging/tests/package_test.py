#!/usr/bin/env python3
"""Packages this tree twice, from two copies at different paths, and checks
that the two archives are the same bytes, and what they hold.

    package_test.py --source ROOT --work FOLDER --dist DIST --unpack FOLDER

Each copy of the working tree (without build/, dist/ and .git) runs
scripts/package.sh, which configures and builds the three deliverables in
the copy (reusing the i486 runtime's cache) and packages them. Then:

  - both archives and both SHA256SUMS.txt are byte for byte the same;
  - the archive holds Pyrolux-<version>/ with the three binaries and
    README.txt, in a fixed order, dated the commit's date, with fixed
    attributes;
  - its binaries are the very bytes of DIST (the main build's dist/), carry
    no time stamp in their PE headers and name none of the build's folders;
  - README.txt is printable ASCII with CRLF line ends and short lines;
  - SHA256SUMS.txt lists the three binaries with their digests.

Last, the archive is unpacked into the --unpack folder, where
package_unpacked_test runs the program and registers the modules under Wine.
The copies are removed when everything passes and kept otherwise.
"""

import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time
import zipfile

sys.dont_write_bytecode = True  # keep the source tree clean
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.dirname(HERE))
import archive_checks  # noqa: E402
from package import BINARIES  # noqa: E402
LEFT_OUT = {"build", "dist", ".git"}


class Failed(Exception):
    pass


def copy_tree(source, target):
    """The working tree as it is, edits included, without build products."""
    def ignore(folder, names):
        left_out = {"__pycache__"}
        if os.path.samefile(folder, source):
            left_out |= LEFT_OUT
        return [name for name in names if name in left_out]

    shutil.copytree(source, target, symlinks=True, ignore=ignore)


def commit_date(source):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    result = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"],
                            capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout.strip():
        raise Failed("no commit date: not a git checkout, and SOURCE_DATE_EPOCH is not set")
    return int(result.stdout.strip())


def package(copy, epoch):
    """Runs scripts/package.sh in a copy; returns its last line and seconds."""
    started = time.monotonic()
    environment = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))
    result = subprocess.run(["bash", os.path.join(copy, "scripts", "package.sh")],
                            cwd=copy, env=environment, capture_output=True, text=True)
    seconds = time.monotonic() - started
    if result.returncode != 0:
        raise Failed("package.sh failed in %s (status %d):\n%s\n%s"
                     % (copy, result.returncode, result.stdout[-3000:], result.stderr[-3000:]))
    lines = result.stdout.strip().splitlines()
    return (lines[-1] if lines else ""), seconds


def runtime_folder(copy):
    """The i486 runtime the copy's build linked (from its CMake cache)."""
    with open(os.path.join(copy, "build", "win32", "CMakeCache.txt")) as cache:
        for line in cache:
            if line.startswith("PYROLUX_I486_RUNTIME:"):
                return line.split("=", 1)[1].strip()
    raise Failed("%s: no PYROLUX_I486_RUNTIME in the CMake cache" % copy)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def describe_difference(first, second):
    """Which members of two archives differ, and for binaries the PE time
    stamps, the usual culprits."""
    lines = []
    with zipfile.ZipFile(first) as a, zipfile.ZipFile(second) as b:
        for info in a.infolist():
            other = next((i for i in b.infolist() if i.filename == info.filename), None)
            if other is None:
                lines.append("  %s: only in the first" % info.filename)
                continue
            if (info.date_time, info.external_attr) != (other.date_time, other.external_attr):
                lines.append("  %s: dates or attributes differ" % info.filename)
            mine, theirs = a.read(info), b.read(other)
            if mine != theirs:
                lines.append("  %s: contents differ" % info.filename)
                if info.filename.lower().endswith((".exe", ".dll")):
                    lines.append("    time stamps: %s / %s" % (
                        archive_checks.pe_time_stamps(mine),
                        archive_checks.pe_time_stamps(theirs)))
    return "\n".join(lines) or "  (same members: the archive's own bytes differ)"


def package_twice(source, work, epoch):
    """Packages two copies of `source` below `work`; returns the copies and,
    for each, package.sh's last line, its archive and its SHA256SUMS.txt."""
    # Two paths that differ in length and depth, so that no path of a copy
    # can hide in padding.
    copies = [os.path.join(work, "one", "pyrolux"),
              os.path.join(work, "second-copy", "at", "another", "depth", "src")]
    lines, archives, sums = [], [], []
    for copy in copies:
        copy_tree(source, copy)
        line, seconds = package(copy, epoch)
        print("packaged %s in %.0f s: %s" % (copy, seconds, line))
        lines.append(line)
        archives.append(os.path.join(copy, line))
        sums.append(os.path.join(copy, "dist", "SHA256SUMS.txt"))
    return copies, lines, archives, sums


def compare_archives(lines, archives, sums):
    """The version both archives are named after, and how they differ."""
    match = re.fullmatch(r"dist/Pyrolux-(\d+\.\d+)-win32\.zip", lines[0])
    if not match or lines[1] != lines[0]:
        raise Failed("package.sh's last lines %s, expected dist/Pyrolux-<version>-win32.zip"
                     % lines)
    if not all(os.path.isfile(archive) for archive in archives):
        raise Failed("package.sh named %s, which is missing" % lines[0])
    faults = []
    digests = [hashlib.sha256(read(archive)).hexdigest() for archive in archives]
    for archive, digest in zip(archives, digests):
        print("SHA-256 %s  %s" % (digest, archive))
    if digests[0] != digests[1]:
        faults.append("the two archives differ:\n" + describe_difference(*archives))
    if read(sums[0]) != read(sums[1]):
        faults.append("the two SHA256SUMS.txt differ")
    return match.group(1), faults


def read_members(path, folder, epoch, faults):
    """{name: bytes} of the binaries and README.txt in the archive; adds the
    faults of its entries to `faults` (and fails at once if one is missing)."""
    with zipfile.ZipFile(path) as archive:
        faults += archive_checks.entry_faults(archive, folder, BINARIES + ("README.txt",), epoch)
        if not set(folder + "/" + name for name in BINARIES + ("README.txt",)) <= set(
                archive.namelist()):
            raise Failed("\n".join(faults))
        return {name: archive.read(folder + "/" + name)
                for name in BINARIES + ("README.txt",)}


def member_faults(members, dist, paths, sums):
    """What is wrong with the archive's files: binaries not those of `dist`,
    with time stamps or build folders in them, README.txt, the footprint and
    SHA256SUMS.txt."""
    faults = []
    for name in BINARIES:
        data = members[name]
        if data != read(os.path.join(dist, name)):
            faults.append("%s in the archive differs from %s" % (name, dist))
        for where, value in archive_checks.pe_time_stamps(data):
            faults.append("%s: time stamp 0x%08x in the %s" % (name, value, where))
        for path in archive_checks.build_paths_in(data, paths):
            faults.append("%s names the build's folder %s" % (name, path))
    faults += ["README.txt: " + fault
               for fault in archive_checks.readme_faults(members["README.txt"])]
    faults += archive_checks.footprint_faults(
        [(name, members[name]) for name in BINARIES + ("README.txt",)])

    expected_sums = "".join("%s  %s\n" % (hashlib.sha256(members[name]).hexdigest(), name)
                            for name in BINARIES)
    if read(sums).decode("ascii", "replace") != expected_sums:
        faults.append("SHA256SUMS.txt reads\n%s\nexpected\n%s"
                      % (read(sums).decode("ascii", "replace"), expected_sums))
    return faults


def check(args):
    source = os.path.realpath(args.source)
    epoch = commit_date(source)

    # Nothing of an earlier run may be taken for this one's.
    shutil.rmtree(args.unpack, ignore_errors=True)
    shutil.rmtree(args.work, ignore_errors=True)
    copies, lines, archives, sums = package_twice(source, args.work, epoch)
    version, faults = compare_archives(lines, archives, sums)

    folder = "Pyrolux-" + version
    members = read_members(archives[0], folder, epoch, faults)
    paths = [source, os.path.realpath(args.work), runtime_folder(copies[0])] + copies
    faults += member_faults(members, args.dist, paths, sums[0])
    if faults:
        raise Failed("\n".join(faults))

    with zipfile.ZipFile(archives[0]) as archive:
        archive.extractall(args.unpack)
    shutil.rmtree(args.work)
    print("unpacked into %s" % os.path.join(args.unpack, folder))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--dist", required=True)
    parser.add_argument("--unpack", required=True)
    args = parser.parse_args(argv)
    for name in ("source", "work", "dist", "unpack"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    started = time.monotonic()
    try:
        check(args)
    except Failed as failure:
        print("FAILED: %s" % failure, file=sys.stderr)
        print("(the copies stay in %s)" % args.work, file=sys.stderr)
        return 1
    print("packaging test passed in %.0f s" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
