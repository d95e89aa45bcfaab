#!/usr/bin/env python3
"""The binary check on crafted objdump output: what it must catch and what it
must let through, so that a change in objdump's format cannot make it pass
silently."""

import io
import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_binaries as check  # noqa: E402

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

    def test_the_repository_list_has_a_note_on_every_line(self):
        allowed = check.load_allowed(check.DEFAULT_IMPORTS)
        self.assertIn(("KERNEL32", "CloseHandle"), allowed)
        self.assertNotIn(("KERNEL32", "GetTickCount64"), allowed)
        self.assertNotIn(("USER32", "GetAncestor"), allowed)
        # Windows 98, COMCTL32 4.70 and Winsock 2: not on Windows 95 as
        # installed.
        self.assertIn(("WSOCK32", "WSAStartup"), allowed)
        for newer in (("KERNEL32", "InterlockedCompareExchange"),
                      ("KERNEL32", "IsDebuggerPresent"),
                      ("COMCTL32", "InitCommonControlsEx"), ("WS2_32", "WSAStartup")):
            self.assertNotIn(newer, allowed)

    def test_a_line_without_its_minimum_system_is_refused(self):
        with tempfile.TemporaryDirectory() as directory:
            path = os.path.join(directory, "imports.txt")
            with open(path, "w") as f:
                f.write("KERNEL32!CloseHandle  Windows 95 / NT 3.1\n"
                        "KERNEL32!GetTickCount\n")
            self.assertRaises(ValueError, check.load_allowed, path)


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
