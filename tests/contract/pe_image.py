"""The few facts of a 32-bit PE image the contract check needs: its
preferred base, its size in memory, its imports (by import-table slot) and
its bytes by relative address. Python 3 standard library only."""

import struct


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        (pe_offset,) = struct.unpack_from("<I", self.data, 0x3C)
        if self.data[pe_offset:pe_offset + 4] != b"PE\0\0":
            raise ValueError("%s: not a PE image" % path)
        optional = pe_offset + 24
        (magic,) = struct.unpack_from("<H", self.data, optional)
        if magic != 0x10B:
            raise ValueError("%s: not a 32-bit image" % path)
        sections, = struct.unpack_from("<H", self.data, pe_offset + 6)
        optional_size, = struct.unpack_from("<H", self.data, pe_offset + 20)
        self.image_base, = struct.unpack_from("<I", self.data, optional + 28)
        self.size_of_image, = struct.unpack_from("<I", self.data, optional + 56)
        self.stack_reserve, = struct.unpack_from("<I", self.data, optional + 72)
        import_rva, = struct.unpack_from("<I", self.data, optional + 96 + 8)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, rva, raw_size, raw_offset = struct.unpack_from(
                "<8sIIII", self.data, table + 40 * i)
            self.sections.append((rva, max(vsize, raw_size), raw_offset, raw_size))
        # {import-table slot RVA: (DLL without ".dll", upper case; function)}
        self.imports = {}
        if import_rva:
            self._read_imports(import_rva)

    def offset(self, rva):
        for start, size, raw, raw_size in self.sections:
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

    def _read_imports(self, rva):
        while True:
            lookup, _, _, name, slots = struct.unpack_from("<IIIII", self.data, self.offset(rva))
            if name == 0:
                return
            dll = self._string(name).upper()
            if dll.endswith(".DLL"):
                dll = dll[:-4]
            entry = lookup or slots
            index = 0
            while True:
                value, = struct.unpack_from("<I", self.data, self.offset(entry + 4 * index))
                if value == 0:
                    break
                if value & 0x80000000:
                    function = "#%d" % (value & 0xFFFF)
                else:
                    function = self._string(value + 2)
                self.imports[slots + 4 * index] = (dll, function)
                index += 1
            rva += 20

    def import_names(self):
        return sorted(set("%s!%s" % key for key in self.imports.values()))
