"""What the binary check reads from a PE file besides its code: the import
table and the list of allowed imports, the layout a library needs to load on
Windows 95, and whether a shipped file is its linked image stripped."""

import os
import re
import subprocess
import tempfile


def parse_imports(text):
    """[(DLL, function, import address table slot)] from `objdump -p`."""
    base = 0
    m = re.search(r"^ImageBase\s+([0-9a-f]+)$", text, re.M)
    if m:
        base = int(m.group(1), 16)
    imports = []
    thunk, index, dll = None, 0, None
    in_imports = False
    for line in text.splitlines():
        if line.startswith("The Import Tables"):
            in_imports = True
            continue
        if not in_imports:
            continue
        if line and not line[0].isspace():
            break  # the next part of the report
        fields = line.split()
        if len(fields) == 6 and all(re.match(r"^[0-9a-f]{8}$", f) for f in fields):
            thunk, index = int(fields[5], 16), 0
            continue
        m = re.match(r"^\tDLL Name: (\S+)", line)
        if m:
            dll = re.sub(r"(?i)\.dll$", "", m.group(1)).upper()
            continue
        m = re.match(r"^\t[0-9a-f]+\t +(\d+)  (\S+)", line)
        if m and dll and thunk is not None:
            name = m.group(2)
            if name == "<none>":
                name = "#" + m.group(1)  # imported by ordinal
            imports.append((dll, name, base + thunk + 4 * index))
            index += 1
    return imports


class AllowedImports(frozenset):
    """(DLL, function) pairs, and in `dlls` the DLLs they may come from."""

    def __new__(cls, pairs, dlls):
        allowed = frozenset.__new__(cls, pairs)
        allowed.dlls = frozenset(dlls)
        return allowed


def allowed_dlls(allowed):
    """The DLLs of a list: its `dlls`, or for a plain set those it names."""
    dlls = getattr(allowed, "dlls", None)
    return dlls if dlls is not None else {dll for dll, _ in allowed}


def load_allowed(path):
    """The allowed imports: lines 'NAME.DLL  why it is there' for each DLL
    that may be imported, lines 'DLL!function  minimum system' for each of
    their functions; '#' starts a comment. A line without its note, and a
    function of a DLL not listed, are errors."""
    pairs, dlls = [], set()
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split(None, 1)
            if len(fields) == 2 and re.match(r"^[A-Za-z0-9_]+\.DLL$", fields[0], re.I):
                dlls.add(fields[0][:-4].upper())
                continue
            if "!" not in fields[0] or len(fields) < 2:
                raise ValueError("%s:%d: expected 'NAME.DLL  why' or 'DLL!function  "
                                 "minimum system', got %r" % (path, number, line))
            dll, function = fields[0].split("!", 1)
            if dll.upper() not in dlls:
                raise ValueError("%s:%d: %s is not among the DLLs listed before"
                                 % (path, number, dll))
            pairs.append((dll.upper(), function))
    return AllowedImports(pairs, dlls)


def check_dlls(imports, allowed):
    """[DLL] of the imported DLLs that are not on the list: a system that
    lacks one does not start the program (or load the library) at all."""
    dlls = allowed_dlls(allowed)
    missing = []
    for dll, _, _ in imports:
        if dll not in dlls and dll not in missing:
            missing.append(dll)
    return missing


_SECTION_LINE = re.compile(r"^\s*\d+\s+(\.\S+)\s+[0-9a-f]{8}\s")
_TLS_ENTRY = re.compile(r"^Entry 9 ([0-9a-f]{8}) ([0-9a-f]{8}) Thread Storage Directory",
                        re.M)


def check_layout(headers):
    """Findings in `objdump -p -h` output: a TLS directory in a DLL (KB 118816:
    Windows 95 fails LoadLibrary with ERROR_DLL_INIT_FAILED), any debug
    section."""
    findings = []
    m = _TLS_ENTRY.search(headers)
    is_dll = re.search(r"^Characteristics 0x[0-9a-f]+\n(\t.*\n)*?\tDLL$", headers, re.M)
    if is_dll and m and int(m.group(1), 16):
        findings.append("TLS directory in a library (Windows 95 will not load it)")
    debug = [name for name in (_SECTION_LINE.match(line) for line in headers.splitlines())
             if name and name.group(1).startswith(".debug")]
    if debug:
        findings.append("debug information: %s" % ", ".join(n.group(1) for n in debug))
    return findings


def strip_matches(objdump, image, shipped):
    """Whether `shipped` is `image` stripped of symbols and debug information
    (as the build makes it, dated 0)."""
    strip = re.sub(r"objdump(\.exe)?$", r"strip\1", objdump)
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, os.path.basename(shipped))
        subprocess.run([strip, "--strip-all", "-o", out, image], check=True,
                       env=dict(os.environ, SOURCE_DATE_EPOCH="0"))
        with open(out, "rb") as a, open(shipped, "rb") as b:
            return a.read() == b.read()
