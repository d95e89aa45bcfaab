#!/usr/bin/env python3
"""Writes the release archive from the binaries in dist/.

    package.py --root ROOT --dist DIST --epoch SECONDS

DIST/Pyrolux-<version>-win32.zip holds one folder Pyrolux-<version>/ with the
three binaries and README.txt (from packaging/README.txt.in, CRLF line ends);
DIST/SHA256SUMS.txt beside it lists the binaries' SHA-256. The version and
the authors' addresses are read from the program's own resources, so the
readme says what the program shows. Prints the archive's path, and on
standard error each file's size and the room the four take on a disk.

The archive depends only on its contents and on SECONDS (the commit's date):
entries in a fixed order, each dated SECONDS, with fixed attributes and no
extra fields, so the same commit gives the same bytes wherever and whenever
it is packaged. Python 3 standard library only.
"""
import argparse
import hashlib
import os
import re
import sys
import time
import zipfile

# The deliverables, in archive order (one list for the build and the tests).
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                       "deliverables.txt")) as _listing:
    BINARIES = tuple(_listing.read().split())
README = "README.txt"
SUMS = "SHA256SUMS.txt"
# Fits an 80-column console or Notepad window without wrapping.
MAX_COLUMNS = 78
# MS-DOS attributes, as Windows' own archiver writes them.
ATTRIBUTE_DIRECTORY = 0x10
ATTRIBUTE_ARCHIVE = 0x20
CREATED_ON_MSDOS = 0
COMPRESS_LEVEL = 9
# The unpacked folder is meant to fit a freshly formatted 720 KB disk: FAT12
# gives each file whole clusters of 1,024 bytes and leaves this much free.
CLUSTER = 1024
DISK_ROOM = 730112


class PackageError(Exception):
    pass


def program_version(rc_text):
    """'0.94' from the version resource's FILEVERSION 0,94,0,0."""
    match = re.search(r"^\s*FILEVERSION\s+(\d+)\s*,\s*(\d+)", rc_text, re.MULTILINE)
    if not match:
        raise PackageError("no FILEVERSION in the program's resource script")
    return "%s.%s" % match.groups()


ABOUT_DEFINES = {
    "AUTHOR_LINE": "ABOUT_AUTHOR_LINE",
    "EMAIL": "ABOUT_EMAIL",
    "WEB_ADDRESS": "ABOUT_WEB_ADDRESS",
}


def about_texts(header_text):
    """The About dialog's author line and addresses, by readme placeholder."""
    texts = {}
    for placeholder, define in ABOUT_DEFINES.items():
        match = re.search(r'^#define\s+%s\s+"([^"\\]*)"' % define, header_text, re.MULTILINE)
        if not match:
            raise PackageError("no %s in the About dialog's header" % define)
        texts[placeholder] = match.group(1)
    return texts


def render_readme(template, values):
    """The readme's bytes: placeholders @NAME@ filled, ASCII, CRLF, short lines."""
    def fill(match):
        name = match.group(1)
        if name not in values:
            raise PackageError("README template: unknown placeholder @%s@" % name)
        return values[name]

    text = re.sub(r"@([A-Z_]+)@", fill, template)
    lines = text.replace("\r\n", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    for number, line in enumerate(lines, 1):
        if len(line) > MAX_COLUMNS:
            raise PackageError("README line %d has %d columns (at most %d): %s"
                               % (number, len(line), MAX_COLUMNS, line))
        if "\r" in line or "\t" in line or not line.isascii():
            raise PackageError("README line %d: only printable ASCII and blanks" % number)
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def zip_date_time(epoch):
    """The entries' date: the UTC time of `epoch`, in the archive's two-second
    steps and not before 1980, the earliest date it can hold."""
    epoch = max(int(epoch), 315532800)  # 1980-01-01 00:00:00 UTC
    stamp = time.gmtime(epoch - epoch % 2)
    return stamp[:6]


def _entry(name, date_time, attributes):
    info = zipfile.ZipInfo(name, date_time)
    info.create_system = CREATED_ON_MSDOS
    info.external_attr = attributes
    return info


def write_archive(path, folder, files, epoch):
    """Writes `files` ((name, bytes), in the given order) into `folder`/ of a
    new archive at `path`, replacing it only once complete."""
    date_time = zip_date_time(epoch)
    partial = path + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        directory = _entry(folder + "/", date_time, ATTRIBUTE_DIRECTORY)
        directory.compress_type = zipfile.ZIP_STORED
        archive.writestr(directory, b"")
        for name, data in files:
            info = _entry(folder + "/" + name, date_time, ATTRIBUTE_ARCHIVE)
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=COMPRESS_LEVEL)
    os.replace(partial, path)


def sha256sums(files):
    """sha256sum's format: hex digest, two blanks, file name; LF line ends."""
    return "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name)
                   for name, data in files).encode("ascii")


def on_disk(size):
    """The bytes a file of `size` takes in whole clusters."""
    return -(-size // CLUSTER) * CLUSTER


def size_report(files):
    """Lines with each file's size and room on disk, then the total."""
    lines = ["%-12s %9d bytes %9d on disk" % (name, len(data), on_disk(len(data)))
             for name, data in files]
    total = sum(on_disk(len(data)) for _, data in files)
    lines.append("%-12s %9d bytes %9d on disk (a 720 KB disk holds %d)"
                 % ("total", sum(len(data) for _, data in files), total, DISK_ROOM))
    return lines


def archive_name(version):
    return "Pyrolux-%s-win32.zip" % version


def read_text(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def package(root, dist, epoch):
    version = program_version(read_text(os.path.join(root, "ui", "Pyrolux.rc")))
    values = about_texts(read_text(os.path.join(root, "ui", "AboutDialog.h")))
    values["VERSION"] = version
    readme = render_readme(read_text(os.path.join(root, "packaging", "README.txt.in")), values)
    binaries = []
    for name in BINARIES:
        path = os.path.join(dist, name)
        if not os.path.isfile(path):
            raise PackageError("%s is missing: build first" % path)
        binaries.append((name, read_bytes(path)))
    archive = os.path.join(dist, archive_name(version))
    write_archive(archive, "Pyrolux-" + version, binaries + [(README, readme)], epoch)
    for line in size_report(binaries + [(README, readme)]):
        print(line, file=sys.stderr)
    with open(os.path.join(dist, SUMS), "wb") as f:
        f.write(sha256sums(binaries))
    return archive


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, help="the source tree")
    parser.add_argument("--dist", required=True, help="the folder of the binaries")
    parser.add_argument("--epoch", required=True, type=int,
                        help="the entries' date, in seconds since 1970 (the commit's date)")
    args = parser.parse_args(argv)
    try:
        print(package(args.root, args.dist, args.epoch))
    except (PackageError, OSError) as error:
        print("package.py: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
