#!/usr/bin/env python3
"""The binary check on crafted objdump output: what it must catch and what it
must let through, so that a change in objdump's format cannot make it pass
silently."""

import io
import os
import struct
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_binaries as check  # noqa: E402
from pe_layout import AllowedImports  # noqa: E402

DISASSEMBLY = """
dist/X.dll:     file format pei-i386


Disassembly of section .text:

6fec1000 <Paint(HDC__*)>:
6fec1000:	push   %ebx
6fec1001:	lock cmpxchg %edx,0x6ff050d0
6fec1009:	cmovne %edx,%eax
6fec100c:	rep stos %eax,%es:(%edi)
6fec100e:	fldl   0x4(%esp)
6fec1012:	fucomip %st(1),%st
6fec1014:	fistpll (%esp)
6fec1017:	cs nopw 0x0(%eax,%eax,1)
6fec1020:	call   *0x6ff07300
6fec1026:	ret

6fec1030 <pyrolux_pxor>:
6fec1030:	push   $0x6fec1200

6fec1035 <pyrolux_pxor_fault>:
6fec1035:	pxor   %mm0,%mm0
6fec1038:	emms
6fec103a:	cpuid

6fec1040 <Big()>:
6fec1040:	push   %ebp
6fec1041:	mov    $0x10010,%eax
6fec1046:	call   6fec1100 <__chkstk_ms>
6fec104b:	movl   $0x0,0x6ff050f0
6fec1055:	sub    %eax,%esp
6fec1057:	sub    $0x20000,%esp
6fec105d:	ud2

6fec1060 <Variable(int)>:
6fec1060:	sub    %eax,%esp
6fec1062:	call   6fec1070 <GetAncestor@8>
6fec1067:	ret

6fec1070 <GetAncestor@8>:
6fec1070:	jmp    *0x6ff07304
6fec1076:	nop

6fec1078 <__DTOR_LIST__>:
6fec1078:	(bad)
6fec1079:	cmovne %eax,%eax
	...

6fec1080 <.gcc_except_table>:
6fec1080:	(bad)
6fec1081:	fcomi  %st(1),%st

6fec1100 <___chkstk_ms>:
6fec1100:	push   %ecx
6fec1101:	ret
"""

HEADERS = """
Characteristics 0x230e
	executable
	32 bit words
	DLL

ImageBase		6fec0000
Entry 9 00000000 00000000 Thread Storage Directory [.tls]

The Import Tables (interpreted .idata section contents)
 vma:            Hint    Time      Forward  DLL       First
                 Table   Stamp     Chain    Name      Thunk
 00047000	00047064 00000000 00000000 00047c98 00047300

	DLL Name: KERNEL32.dll
	vma:  Hint/Ord Member-Name Bound-To
	47444	  136  CloseHandle
	47462	  292  GetAncestor
	80000010	   16  <none>

 00047014	00000000 00000000 00000000 00000000 00000000

PE File Base Relocations (interpreted .reloc section contents)
"""


def parse():
    return check.parse_disassembly(DISASSEMBLY)


class Instructions(unittest.TestCase):
    def test_newer_instructions_are_reported_by_function_and_mnemonic(self):
        sites = check.check_instructions(parse())
        self.assertEqual([("Paint(HDC__*)", "cmovne"),
                          ("Paint(HDC__*)", "fucomip"),
                          ("Paint(HDC__*)", "nopw"),
                          ("pyrolux_pxor_fault", "cpuid")], list(sites))
        self.assertEqual([0x6fec1009], sites[("Paint(HDC__*)", "cmovne")])

    def test_probe_routines_may_use_only_their_own_instructions(self):
        sites = check.check_instructions(parse())
        self.assertNotIn(("pyrolux_pxor_fault", "pxor"), sites)
        self.assertNotIn(("pyrolux_pxor_fault", "emms"), sites)
        self.assertIn(("pyrolux_pxor_fault", "cpuid"), sites)

    def test_data_in_the_code_section_is_not_read_as_code(self):
        functions = {insn.function for insn in parse()}
        self.assertNotIn("__DTOR_LIST__", functions)
        self.assertNotIn(".gcc_except_table", functions)

    def test_suffixes_and_prefixes_do_not_hide_newer_mnemonics(self):
        for allowed in ("movl", "fistpll", "fldt", "movzbl", "setbe", "ud2",
                        "cmpsb", "xaddl", "pushfl"):
            self.assertTrue(check.is_i486(allowed), allowed)
        for newer in ("nopl", "nopw", "movss", "movsd", "cmpxchg8b", "fcomi",
                      "fisttpll", "fcmovne", "rdtsc", "tzcnt", "endbr32",
                      "sysenter", "cmovl"):
            self.assertFalse(check.is_i486(newer), newer)


# Two functions of one name: every anonymous namespace demangles alike.
TWO_QUERIES = """
6fec2000 <(anonymous namespace)::RealCpuidSource::Query(unsigned int)>:
6fec2000:	push   %ebx
6fec2001:	cpuid
6fec2003:	pop    %ebx
6fec2004:	ret

6fec2010 <(anonymous namespace)::RealCpuidSource::Query(unsigned int)>:
6fec2010:	push   %ebx
6fec2011:	cpuid
6fec2013:	pop    %ebx
6fec2014:	ret
"""

# `jmp 1f; .byte 0x3d; 1: cmovne %edx,%eax; ret` as objdump reads it: the
# data byte swallows the CMOVNE into a CMP.
HIDDEN = """
6fec3000 <pyrolux_hidden>:
6fec3000:	jmp    6fec3003 <pyrolux_hidden+0x3>
6fec3002:	cmp    $0xc3c2450f,%eax
6fec3007:	nop
"""

# A stripped image: one block, no function names.
STRIPPED = """
6fec1000 <.text>:
6fec1000:	push   %ebx
6fec1001:	cpuid
6fec1003:	pop    %ebx
6fec1004:	ret
6fec1005:	cpuid
6fec1007:	jmp    0x6fec1000
6fec1009:	xorps  %xmm0,%xmm0
6fec100c:	ret
"""

# `nm -n -C` of its unstripped copy.
STRIPPED_SYMBOLS = """
6fec1000 T pyrolux_cpuid0
6fec1001 t pyrolux_cpuid0_fault
6fec1003 t pyrolux_cpuid0_recover
6fec1005 T Other()
6fec1009 t pyrolux_xorps
"""


class Allowances(unittest.TestCase):
    def test_a_second_function_of_an_allowed_name_loses_the_allowance(self):
        out = io.StringIO()
        findings = check.check_binary("X.dll", TWO_QUERIES, "", set(), out)
        self.assertIn("X.dll: allowed name defined 2 times: (anonymous "
                      "namespace)::RealCpuidSource::Query(unsigned int) at "
                      "0x6fec2000, 0x6fec2010", out.getvalue())
        self.assertIn("cpuid in (anonymous namespace)::RealCpuidSource::"
                      "Query(unsigned int) (2 sites", out.getvalue())
        self.assertEqual(1 + 2, findings)

    def test_pxor_is_allowed_in_its_mmx_forms_only(self):
        text = ("6fec1030 <pyrolux_pxor>:\n"
                "6fec1030:\tpxor   %xmm0,%xmm0\n"
                "6fec1034:\tpxor   %mm0,%mm0\n"
                "6fec1037:\tpxor   0x4(%esp),%mm1\n"
                "6fec103c:\tpxor   0x4(%esp),%xmm1\n"
                "6fec1042:\temms\n")
        sites = check.check_instructions(check.parse_disassembly(text))
        self.assertEqual({("pyrolux_pxor", "pxor"): [0x6fec1030, 0x6fec103c]},
                         dict(sites))

    def test_an_allowance_holds_at_its_routines_addresses_only(self):
        symbols = check.parse_symbols(STRIPPED_SYMBOLS)
        instructions = check.attribute(check.parse_disassembly(STRIPPED),
                                       symbols)
        sites = check.check_instructions(instructions, symbols)
        self.assertEqual({("Other()", "cpuid"): [0x6fec1005]}, dict(sites))
        self.assertEqual(["pyrolux_cpuid0", "pyrolux_cpuid0_fault",
                          "pyrolux_cpuid0_recover", "pyrolux_cpuid0_recover"],
                         [i.function for i in instructions][:4])
        # Targets are named too, for the stack probe check.
        self.assertEqual("6fec1000 <pyrolux_cpuid0>", instructions[5].operands)

    def test_a_jump_into_the_middle_of_an_instruction_is_reported(self):
        out = io.StringIO()
        self.assertEqual(1, check.check_binary("X.dll", HIDDEN, "", set(),
                                               out))
        self.assertIn("X.dll: jump into the middle of an instruction: "
                      "'jmp    6fec3003 <pyrolux_hidden+0x3>' in "
                      "pyrolux_hidden at 0x6fec3000", out.getvalue())


def pe_image(code, symbols):
    """A PE image with one code section; the stand-in nm below lists a
    symbol for it when `symbols`."""
    header = b"MZ" + bytes(0x3A) + struct.pack("<I", 0x40)
    coff = b"PE\0\0" + struct.pack("<HHIIIHH", 0x14C, 1, 0, 0, 0, 0, 0)
    offset = len(header) + len(coff) + 40
    section = struct.pack("<8sIIIIIIHHI", b".text", len(code), 0x1000, len(code),
                          offset, 0, 0, 0, 0, 0x60000020)
    return header + coff + section + code + (b"SYMBOLS" if symbols else b"")


STAND_IN_NM = """#!/usr/bin/env python3
import sys
if b"SYMBOLS" in open(sys.argv[-1], "rb").read():
    print("00401000 T f()")
"""


class SymbolSource(unittest.TestCase):
    def test_a_stripped_binary_takes_the_symbols_of_its_copy_or_debug_file(self):
        with tempfile.TemporaryDirectory() as tree:
            def put(path, data):
                path = os.path.join(tree, path)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as f:
                    f.write(data)
                return path
            nm = put("nm", STAND_IN_NM.encode())
            os.chmod(nm, 0o755)
            shipped = put("dist/X.dll", pe_image(b"\x90\xc3", False))
            build = os.path.join(tree, "build")
            with self.assertRaises(RuntimeError):
                check.symbol_source(shipped, [], nm, build)
            # Below build/, only a copy with the same code counts.
            put("build/old/X.dll", pe_image(b"\x90\x90\xc3", True))
            self.assertRaises(RuntimeError, check.symbol_source, shipped, [], nm, build)
            same = put("build/new/X.dll", pe_image(b"\x90\xc3", True))
            self.assertEqual(same, check.symbol_source(shipped, [], nm, build)[0])
            given = put("symbols/X.dll", pe_image(b"\x90\xc3", True))
            self.assertEqual(given, check.symbol_source(
                shipped, [os.path.dirname(given)], nm, build)[0])
            beside = put("dist/X.dll.debug", b"SYMBOLS")
            source, symbols = check.symbol_source(shipped, [], nm, build)
            self.assertEqual((beside, [(0x401000, "f()")]), (source, symbols))


# A call of a data import: ld points the call at nothing and leaves a
# pseudo-relocation (its label __fu0___onexit) that the start-up code
# resolves by writing into the code; objdump restarts at the label.
PATCHED = """
00401010 <_atexit>:
  401010:\tsub    $0x1c,%esp
  401013:\tmov    0x20(%esp),%eax
  401017:\tmov    %eax,(%esp)
  40101a:\t.byte 0xe8

0040101b <__fu0___onexit>:
  40101b:\tsub    %ebx,0x0(%eax,%eax,1)
  40101f:\tcmp    $0x1,%eax
  401022:\tadd    $0x1c,%esp
  401025:\tret

00401030 <_next>:
  401030:\tret
"""


class CodePatchedAtRunTime(unittest.TestCase):
    def test_a_pseudo_relocation_into_the_code_is_reported(self):
        symbols = check.symbols_of(check.parse_disassembly(PATCHED))
        self.assertEqual([("__onexit", "_atexit", 0x40101b)],
                         check.check_code_fixups(symbols))
        self.assertEqual([], check.check_code_fixups(
            [(0x401010, "_atexit"), (0x401030, "_next")]))
        # Named as such, and the call's first byte, alone, is no i486
        # instruction either.
        out = io.StringIO()
        self.assertEqual(2, check.check_binary("X.exe", PATCHED, "", set(), out))
        self.assertIn("X.exe: code patched at run time: a pseudo-relocation "
                      "of __onexit in _atexit at 0x40101b", out.getvalue())
        self.assertIn("instruction beyond the i486: .byte in _atexit",
                      out.getvalue())


class StackProbes(unittest.TestCase):
    def test_moves_without_their_own_probe_are_reported(self):
        # Big() probes its first move but not its second; Variable() moves
        # by a register amount without any probe.
        self.assertEqual(
            [("Big()", "sub    $0x20000,%esp", 0x6fec1057),
             ("Variable(int)", "sub    %eax,%esp", 0x6fec1060)],
            check.check_stack_probes(parse()))


class Imports(unittest.TestCase):
    def test_imports_not_on_the_list_are_reported_with_their_users(self):
        imports = check.parse_imports(HEADERS)
        self.assertEqual([("KERNEL32", "CloseHandle", 0x6ff07300),
                          ("KERNEL32", "GetAncestor", 0x6ff07304),
                          ("KERNEL32", "#16", 0x6ff07308)], imports)
        allowed = {("KERNEL32", "CloseHandle")}
        self.assertEqual(
            [("KERNEL32!GetAncestor", ["Variable(int)"]),
             ("KERNEL32!#16", [])],
            check.check_imports(imports, allowed, parse()))

    # The repository's list: (DLL, function or None for the DLL itself,
    # allowed?, why).
    LIST_ROWS = [
        ("KERNEL32", "CloseHandle", True, ""),
        ("KERNEL32", "GetTickCount64", False, "Vista"),
        ("USER32", "GetAncestor", False, "Windows 98"),
        ("WSOCK32", "WSAStartup", True, "Windows Sockets 1.1"),
        ("KERNEL32", "InterlockedCompareExchange", False, "Windows 98 / NT 4.0"),
        ("KERNEL32", "IsDebuggerPresent", False, "Windows 98"),
        ("COMCTL32", "InitCommonControlsEx", False, "COMCTL32 4.70"),
        ("WS2_32", "WSAStartup", False, "Winsock 2"),
        # The C run time: CRTDLL.DLL's own exports, by their exported names.
        ("CRTDLL", "malloc", True, ""),
        ("CRTDLL", "_onexit", True, "a function, not data"),
        ("CRTDLL", "__GetMainArgs", True, "what __getmainargs calls"),
        ("CRTDLL", "_iob", True, "data"),
        ("CRTDLL", "__mb_cur_max_dll", True, "the exported name"),
        ("CRTDLL", "__mb_cur_max", False, "an import library alias"),
        ("CRTDLL", "__getmainargs", False, "the runtime's own"),
        ("CRTDLL", "__p__fmode", False, "the runtime's own"),
        ("CRTDLL", "_lock", False, "not exported"),
        ("CRTDLL", "_beginthreadex", False, "not exported"),
        ("CRTDLL", "_setjmp3", False, "where <setjmp.h> routes setjmp"),
        ("CRTDLL", "_mkgmtime64", False, "a MinGW-w64 addition"),
        ("CRTDLL", "_fileinfo_dll", False, "not in NT's list"),
        ("MSVCRT", "malloc", False, "not on Windows 95"),
        # The DLLs.
        ("CRTDLL", None, True, "Windows 95 and NT"),
        ("COMCTL32", None, True, "4.00"),
        ("OLE32", None, True, ""),
        ("MSVCRT", None, False, "KB Q156976"),
        ("MSVCRT20", None, False, "disputed on Windows 95"),
        ("MSVCRT40", None, False, "not on Windows 95"),
        ("WS2_32", None, False, "Winsock 2 update"),
        ("SHLWAPI", None, False, "Internet Explorer"),
    ]

    def test_the_repository_list_has_a_note_on_every_line(self):
        allowed = check.load_allowed(check.DEFAULT_IMPORTS)
        for dll, function, expected, why in self.LIST_ROWS:
            with self.subTest(dll=dll, function=function, why=why):
                if function is None:
                    self.assertEqual(expected, dll in allowed.dlls)
                else:
                    self.assertEqual(expected, (dll, function) in allowed)
        self.assertEqual(set(), {dll for dll, _ in allowed} - allowed.dlls)

    def test_a_line_without_its_note_or_its_dll_is_refused(self):
        for text in ("KERNEL32.DLL  Windows 95 / NT 3.1\n"
                     "KERNEL32!CloseHandle  Windows 95 / NT 3.1\n"
                     "KERNEL32!GetTickCount\n",
                     "KERNEL32.DLL\n",
                     "KERNEL32.DLL  Windows 95 / NT 3.1\n"
                     "MSVCRT!malloc  not a listed DLL\n"):
            with tempfile.TemporaryDirectory() as directory:
                path = os.path.join(directory, "imports.txt")
                with open(path, "w") as f:
                    f.write(text)
                self.assertRaises(ValueError, check.load_allowed, path)

    def test_a_dll_not_on_both_systems_is_reported(self):
        headers = HEADERS.replace(
            " 00047014\t00000000", " 00047014\t00047080 00000000 00000000 "
            "00047ca8 00047310\n\n\tDLL Name: msvcrt.dll\n\tvma:  Hint/Ord "
            "Member-Name Bound-To\n\t47480\t  10  malloc\n\n"
            " 00047028\t00000000")
        imports = check.parse_imports(headers)
        self.assertEqual(("MSVCRT", "malloc", 0x6ff07310), imports[-1])
        allowed = AllowedImports(
            [("KERNEL32", "CloseHandle"), ("KERNEL32", "GetAncestor")],
            ["KERNEL32", "CRTDLL"])
        self.assertEqual(["MSVCRT"], check.check_dlls(imports, allowed))
        self.assertEqual([], check.check_dlls(imports[:2], allowed))
        out = io.StringIO()
        # The DLL, its function and the ordinal import.
        self.assertEqual(3, check.check_binary(
            "X.dll", "", headers, allowed, out))
        self.assertIn("X.dll: DLL missing on retail Windows 95 or NT 4.0 "
                      "without Internet Explorer: MSVCRT.DLL", out.getvalue())


class Layout(unittest.TestCase):
    SECTIONS = ("Sections:\nIdx Name          Size      VMA       LMA       File off  Algn\n"
                "  0 .text         0001b5f4  6fec1000  6fec1000  00000400  2**4\n"
                "  9 .debug_info   000107e5  6fef0000  6fef0000  00043000  2**0\n")

    def test_a_library_with_a_tls_directory_or_debug_information_is_reported(self):
        self.assertEqual([], check.check_layout(HEADERS))
        tls = HEADERS.replace("Entry 9 00000000 00000000", "Entry 9 0001e52c 00000018")
        self.assertEqual(["TLS directory in a library (Windows 95 will not load it)"],
                         check.check_layout(tls))
        # A program may keep its TLS directory: Windows 95 sets it up for
        # the process's own image.
        self.assertEqual([], check.check_layout(tls.replace("\tDLL\n", "")))
        self.assertEqual(["debug information: .debug_info"],
                         check.check_layout(HEADERS + self.SECTIONS))


class Report(unittest.TestCase):
    def test_a_clean_binary_reports_nothing_and_a_dirty_one_everything(self):
        out = io.StringIO()
        clean = ("6fec1000 <f>:\n6fec1000:\tmov    %eax,%ebx\n"
                 "6fec1002:\tcall   *0x6ff07300\n")
        self.assertEqual(0, check.check_binary(
            "X.dll", clean, HEADERS.replace("\t80000010\t   16  <none>\n", "")
            .replace("GetAncestor", "CloseHandle"),
            {("KERNEL32", "CloseHandle")}, out))
        out = io.StringIO()
        self.assertEqual(4 + 2 + 2, check.check_binary(
            "X.dll", DISASSEMBLY, HEADERS, {("KERNEL32", "CloseHandle")}, out))
        self.assertIn("X.dll: instruction beyond the i486: cmovne in "
                      "Paint(HDC__*) (1 site, first at 0x6fec1009)",
                      out.getvalue())
        self.assertIn("import missing on Windows 95 or NT 4.0: "
                      "KERNEL32!GetAncestor (used by Variable(int))",
                      out.getvalue())


if __name__ == "__main__":
    unittest.main()
