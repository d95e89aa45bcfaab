"""The few facts of a PE image (PE32 or PE32+) the contract check needs: its
preferred base, its size in memory, its imports (by import-table slot, the
delay-loaded ones included), the imports its code jumps to through their
slot, and for Wine's own DLLs their exports: forwarders, ordinals and
whether Wine's relay can trace each. Python 3 standard library only."""

import os
import struct

# Wine's builtin DLLs keep, just before their export directory's name, the
# address of a descriptor whose table says which exports have relay thunks.
RELAY_DESCR_MAGIC = 0xDEB90002


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        (pe_offset,) = struct.unpack_from("<I", self.data, 0x3C)
        if self.data[pe_offset:pe_offset + 4] != b"PE\0\0":
            raise ValueError("%s: not a PE image" % path)
        optional = pe_offset + 24
        (magic,) = struct.unpack_from("<H", self.data, optional)
        if magic not in (0x10B, 0x20B):
            raise ValueError("%s: neither PE32 nor PE32+" % path)
        self.is64 = magic == 0x20B
        self.pointer = "<Q" if self.is64 else "<I"
        sections, = struct.unpack_from("<H", self.data, pe_offset + 6)
        optional_size, = struct.unpack_from("<H", self.data, pe_offset + 20)
        if self.is64:
            self.image_base, = struct.unpack_from("<Q", self.data, optional + 24)
        else:
            self.image_base, = struct.unpack_from("<I", self.data, optional + 28)
        self.size_of_image, = struct.unpack_from("<I", self.data, optional + 56)
        self.stack_reserve, = struct.unpack_from(self.pointer, self.data, optional + 72)
        self.directories = optional + (112 if self.is64 else 96)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, rva, raw_size, raw_offset = struct.unpack_from(
                "<8sIIII", self.data, table + 40 * i)
            flags, = struct.unpack_from("<I", self.data, table + 40 * i + 36)
            self.sections.append((rva, max(vsize, raw_size), raw_offset, raw_size, flags))
        # {import-table slot RVA: (DLL without ".dll", upper case; function or "#ordinal")}
        self.imports = {}
        import_rva, _ = self.directory(1)
        if import_rva:
            self._read_imports(import_rva, 20, (3, 4, 0))
        delay_rva, _ = self.directory(13)
        if delay_rva:
            self._read_imports(delay_rva, 32, (1, 3, 4))

    def directory(self, index):
        return struct.unpack_from("<II", self.data, self.directories + 8 * index)

    def offset(self, rva):
        for start, size, raw, raw_size, _ in self.sections:
            if start <= rva < start + size and rva - start < raw_size:
                return raw + rva - start
        return None

    def bytes_at(self, rva, count):
        at = self.offset(rva)
        return self.data[at:at + count] if at is not None else b""

    def _string(self, rva):
        at = self.offset(rva)
        end = self.data.index(b"\0", at)
        return self.data[at:end].decode("ascii")

    def _read_imports(self, rva, entry_size, fields):
        """Import or delay-import descriptors: fields are the indexes of the
        DLL name, the slot table and the name table among its dwords (RVAs:
        the delay-load descriptor of old linkers, with addresses, is refused)."""
        size = struct.calcsize(self.pointer)
        ordinal_flag = 1 << (8 * size - 1)
        while True:
            words = struct.unpack_from("<%dI" % (entry_size // 4), self.data, self.offset(rva))
            name, slots, lookup = (words[i] for i in fields)
            if name == 0:
                return
            if entry_size == 32 and not words[0] & 1:
                raise ValueError("a delay-load descriptor of addresses, not RVAs")
            dll = self._string(name).upper()
            if dll.endswith(".DLL"):
                dll = dll[:-4]
            entry, index = lookup or slots, 0
            while True:
                value, = struct.unpack_from(self.pointer, self.data, self.offset(entry + size * index))
                if value == 0:
                    break
                if value & ordinal_flag:
                    function = "#%d" % (value & 0xFFFF)
                else:
                    function = self._string((value & 0x7FFFFFFF) + 2)
                self.imports[slots + size * index] = (dll, function)
                index += 1
            rva += entry_size

    def import_names(self):
        return sorted(set("%s!%s" % key for key in self.imports.values()))

    def jump_targets(self):
        """The imports some code of this image jumps to through their slot
        (`jmp *slot`, the tail call of a function that ends in a call of
        the import, and the linker's import thunks alike)."""
        targets = set()
        for start, _, raw, raw_size, flags in self.sections:
            if not flags & 0x20000000:  # not executable
                continue
            code = self.data[raw:raw + raw_size]
            at = code.find(b"\xff\x25")
            while at >= 0 and at + 6 <= len(code):
                operand, = struct.unpack_from("<i" if self.is64 else "<I", code, at + 2)
                slot = (start + at + 6 + operand) if self.is64 else operand - self.image_base
                if slot in self.imports:
                    targets.add("%s!%s" % self.imports[slot])
                at = code.find(b"\xff\x25", at + 1)
        return targets

    def exports(self):
        """{name or "#ordinal": (ordinal, forwarder text or None, relayed)}:
        every export of the image, "relayed" when Wine's relay has a thunk
        for it (never for data and forwarders)."""
        rva, size = self.directory(0)
        if not rva:
            return {}
        at = self.offset(rva)
        name_rva, base, count, named, functions, names, ordinals = struct.unpack_from(
            "<IIIIIII", self.data, at + 12)
        thunks = self._relay_thunks(name_rva, count, rva + size)
        by_index = {}
        for i in range(named):
            pointer, = struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)
            index, = struct.unpack_from("<H", self.data, self.offset(ordinals) + 2 * i)
            by_index[index] = self._string(pointer)
        table = {}
        for index in range(count):
            target, = struct.unpack_from("<I", self.data, self.offset(functions) + 4 * index)
            if not target:
                continue
            forward = self._string(target) if rva <= target < rva + size else None
            relayed = bool(thunks and thunks[index]) and forward is None
            table[by_index.get(index, "#%d" % (base + index))] = (base + index, forward, relayed)
        return table

    def _relay_thunks(self, name_rva, count, after_exports):
        """The relay descriptor's entry-point offsets (0: no relay thunk),
        or None for an image without one."""
        at = self.offset(name_rva)
        if at is None or at < 8:
            return None
        magic, descriptor = struct.unpack_from("<II", self.data, at - 8)
        if magic != RELAY_DESCR_MAGIC:
            return None
        fields = struct.unpack_from(self.pointer[0] + self.pointer[1] * 6, self.data,
                                    self.offset(descriptor or after_exports))
        if fields[0] != RELAY_DESCR_MAGIC:
            return None
        offsets = self.offset(fields[4] - self.image_base)
        return struct.unpack_from("<%dI" % count, self.data, offsets)


# Where Debian and Wine's own builds install Wine's PE DLLs, by bitness.
WINE_DLL_FOLDERS = {
    False: ["/usr/lib/wine/i386-windows", "/usr/lib/i386-linux-gnu/wine/i386-windows",
            "/usr/local/lib/wine/i386-windows"],
    True: ["/usr/lib/wine/x86_64-windows", "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows",
           "/usr/local/lib/wine/x86_64-windows"],
}


class WineDlls:
    """Wine's own DLLs of one bitness: where an export really lives (Wine
    forwards some, e.g. WSOCK32!WSAStartup to WS2_32, and its relay names the
    target), and whether the relay can trace it at all."""

    def __init__(self, folder):
        self.folder = folder
        self._exports = {}

    @staticmethod
    def installed(is64):
        for folder in WINE_DLL_FOLDERS[is64]:
            if os.path.isfile(os.path.join(folder, "kernel32.dll")):
                return WineDlls(folder)
        return None

    def exports(self, dll):
        if dll not in self._exports:
            path = os.path.join(self.folder, dll.lower() + ".dll")
            self._exports[dll] = PeImage(path).exports() if os.path.isfile(path) else None
        return self._exports[dll]

    def resolve(self, key):
        """(final "DLL!function", None) when Wine's relay traces the export
        under that name, else (None, why not). "#N" names an ordinal."""
        for _ in range(8):
            dll, _, function = key.partition("!")
            table = self.exports(dll)
            if table is None:
                return None, "Wine has no %s.dll" % dll.lower()
            if function.startswith("#"):
                function = self.name_of(dll, int(function[1:]))
                key = "%s!%s" % (dll, function)
            entry = table.get(function)
            if entry is None:
                return None, "Wine's %s.dll does not export %s" % (dll.lower(), function)
            _, forward, relayed = entry
            if forward is None:
                return (key, None) if relayed else (None, "Wine's relay cannot trace %s" % key)
            target_dll, _, target = forward.partition(".")
            key = "%s!%s" % (target_dll.upper(), target)
        return None, "forwarded in a loop"

    def name_of(self, dll, ordinal):
        """The exported name of DLL's ordinal, or "#ordinal"."""
        table = self.exports(dll) or {}
        return next((name for name, entry in table.items()
                     if entry[0] == ordinal and not name.startswith("#")), "#%d" % ordinal)
