"""Where the binary check finds a binary's symbols: its own symbol table,
or that of its unstripped copy or debug file when the binary is stripped."""

import os
import re
import struct
import subprocess

_NM_LINE = re.compile(r"^([0-9a-f]+) ([A-Za-z]) (.+)$")


def parse_symbols(text):
    """[(address, name)], by address, of the code symbols in `nm -n -C`."""
    symbols = []
    for line in text.splitlines():
        m = _NM_LINE.match(line.strip())
        if m and m.group(2) in "Tt":
            symbols.append((int(m.group(1), 16), m.group(3)))
    symbols.sort(key=lambda symbol: symbol[0])
    return symbols


def code_sections(path):
    """{(name, address): bytes} of a PE image's code sections (no bytes in
    a debug file); {} for anything else."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ" or len(data) < 0x40:
        return {}
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return {}
    count, = struct.unpack_from("<H", data, pe + 6)
    table = pe + 24 + struct.unpack_from("<H", data, pe + 20)[0]
    sections = {}
    for i in range(count):
        name, size, address, raw_size, raw = struct.unpack_from(
            "<8sIIII", data, table + 40 * i)
        if struct.unpack_from("<I", data, table + 40 * i + 36)[0] & 0x20:
            sections[(name.rstrip(b"\0"), address)] = \
                data[raw:raw + min(size, raw_size)]
    return sections


def _symbols(nm, path):
    result = subprocess.run([nm, "-n", "-C", path], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, universal_newlines=True)
    return parse_symbols(result.stdout) if result.returncode == 0 else []


def _same_code_below(path, folder):
    """Files of `path`'s name below `folder` whose code is `path`'s."""
    name, code = os.path.basename(path).lower(), None
    for where, dirs, files in os.walk(folder):
        dirs[:] = [d for d in dirs if d != "wineprefix"]
        for found in files:
            if found.lower() == name:
                candidate = os.path.join(where, found)
                code = code_sections(path) if code is None else code
                if code and code_sections(candidate) == code:
                    yield candidate


def symbol_source(path, given, nm, build=None):
    """(file, [(address, name)]): the binary's own symbol table, else that
    of its unstripped copy or debug file (beside it, or among `given`), else
    that of an unstripped image with the same code below `build`."""
    name = os.path.basename(path)
    names = [name, name + ".debug", os.path.splitext(name)[0] + ".debug"]
    tries = [path] + [os.path.join(os.path.dirname(path), n) for n in names[1:]]
    for place in given:
        if os.path.isdir(place):
            tries += [os.path.join(place, n) for n in names]
        elif os.path.basename(place).lower() in [n.lower() for n in names]:
            tries.append(place)
    for candidate in tries:
        symbols = _symbols(nm, candidate) if os.path.isfile(candidate) else []
        if symbols:
            return candidate, symbols
    for candidate in _same_code_below(path, build) if build and os.path.isdir(build) else ():
        symbols = _symbols(nm, candidate)
        if symbols:
            return candidate, symbols
    raise RuntimeError("%s has no symbol table: give its unstripped copy or "
                       "debug file with --symbols" % path)
