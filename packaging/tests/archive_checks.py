"""What the packaging test looks for in an archive and its binaries. Each
check returns a list of faults (texts), empty when all is well."""

import struct
import time
import zipfile

# The writer's limit (its users put packaging/ on the module path).
from package import MAX_COLUMNS

# PE data directories that carry a TimeDateStamp.
_EXPORT, _IMPORT, _RESOURCE, _DEBUG = 0, 1, 2, 6


class _Image:
    """Just enough of a PE file to follow relative virtual addresses."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        self.pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[self.pe:self.pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.coff = self.pe + 4
        sections, optional_size = (struct.unpack_from("<H", data, self.coff + 2)[0],
                                   struct.unpack_from("<H", data, self.coff + 16)[0])
        self.optional = self.coff + 20
        if struct.unpack_from("<H", data, self.optional)[0] != 0x10B:
            raise ValueError("not a 32-bit PE image")
        count = struct.unpack_from("<I", data, self.optional + 92)[0]
        self.directories = [struct.unpack_from("<II", data, self.optional + 96 + 8 * i)
                            for i in range(count)]
        table = self.optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8)
                         for i in range(sections)]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw + rva - address
        raise ValueError("address 0x%x lies in no section" % rva)

    def directory(self, index):
        if index >= len(self.directories) or self.directories[index][0] == 0:
            return None, 0
        rva, size = self.directories[index]
        return self.offset(rva), size

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]


def pe_time_stamps(data):
    """Every TimeDateStamp of a 32-bit PE image that is not zero, as
    (where, value): the file header, the export directory, the import
    descriptors (non-zero only when bound), every resource directory table
    and the debug directory entries."""
    image = _Image(data)
    found = []

    def note(where, value):
        if value:
            found.append((where, value))

    note("file header", image.u32(image.coff + 4))
    exports, _ = image.directory(_EXPORT)
    if exports is not None:
        note("export directory", image.u32(exports + 4))
    imports, _ = image.directory(_IMPORT)
    if imports is not None:
        offset = imports
        while any(struct.unpack_from("<5I", data, offset)):
            note("import descriptor at 0x%x" % offset, image.u32(offset + 4))
            offset += 20
    resources, _ = image.directory(_RESOURCE)
    if resources is not None:
        pending, seen = [0], set()
        while pending:
            table = pending.pop()
            if table in seen:
                continue
            seen.add(table)
            note("resource directory +0x%x" % table, image.u32(resources + table + 4))
            named, numbered = struct.unpack_from("<HH", data, resources + table + 12)
            for entry in range(named + numbered):
                target = image.u32(resources + table + 16 + 8 * entry + 4)
                if target & 0x80000000:
                    pending.append(target & 0x7FFFFFFF)
    debug, size = image.directory(_DEBUG)
    if debug is not None:
        for entry in range(size // 28):
            note("debug directory entry %d" % entry, image.u32(debug + 28 * entry + 4))
    return found


def build_paths_in(data, paths):
    """The paths (host folders) whose text appears in `data`, as 8-bit or
    UTF-16 characters."""
    return [path for path in paths
            if path.encode() in data or path.encode("utf-16-le") in data]


def readme_faults(data, max_columns=MAX_COLUMNS):
    """A Windows readme: printable ASCII, every line ended by CRLF, no line
    longer than `max_columns`."""
    faults = []
    if not data.endswith(b"\r\n"):
        faults.append("does not end with CRLF")
    for number, line in enumerate(data.split(b"\r\n")[:-1], 1):
        if b"\n" in line or b"\r" in line:
            faults.append("line %d: a bare LF or CR" % number)
        elif len(line) > max_columns:
            faults.append("line %d: %d columns" % (number, len(line)))
        elif any(byte < 0x20 or byte > 0x7E for byte in line):
            faults.append("line %d: not printable ASCII" % number)
    return faults


def entry_faults(archive, folder, files, epoch):
    """The archive holds exactly `folder`/ and then `files` in this order,
    each dated `epoch` (UTC, to the archive's two seconds), with MS-DOS
    attributes (directory, archive) and no extra fields."""
    expected_names = [folder + "/"] + [folder + "/" + name for name in files]
    infos = archive.infolist()
    names = [info.filename for info in infos]
    if names != expected_names:
        return ["entries %s, expected %s" % (names, expected_names)]
    faults = []
    date = time.gmtime(epoch - epoch % 2)[:6]
    for info in infos:
        directory = info.filename.endswith("/")
        attributes = 0x10 if directory else 0x20
        if info.date_time != date:
            faults.append("%s: dated %s, expected %s" % (info.filename, info.date_time, date))
        if info.create_system != 0 or info.external_attr != attributes:
            faults.append("%s: made on system %d with attributes 0x%x, expected MS-DOS, 0x%x"
                          % (info.filename, info.create_system, info.external_attr, attributes))
        if info.extra:
            faults.append("%s: extra fields %s" % (info.filename, info.extra.hex()))
        if not directory and info.compress_type != zipfile.ZIP_DEFLATED:
            faults.append("%s: not deflated" % info.filename)
    return faults


def footprint_faults(files, room=730112, cluster=1024):
    """The unpacked files ((name, bytes)) fit `room` bytes of a disk that
    gives each file whole clusters (a freshly formatted 720 KB FAT12 disk)."""
    used = sum(-(-len(data) // cluster) * cluster for _, data in files)
    if used <= room:
        return []
    return ["the unpacked files take %d bytes in %d-byte clusters, over the %d "
            "a 720 KB disk holds (%s)" % (used, cluster, room, ", ".join(
                "%s %d" % (name, len(data)) for name, data in files))]
