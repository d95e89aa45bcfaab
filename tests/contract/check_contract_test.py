#!/usr/bin/env python3
"""The contract check on crafted relay text and a crafted rule table: what it
must catch and what it must let through, so that a change in Wine's trace
format or in the table cannot make it pass silently."""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_contract as check  # noqa: E402

RULES = """
# crafted
KERNEL32!CreateThread   flags(5,0x4) 9x:nonnull(6) | CreateThread
USER32!LoadCursorA      nonnull(2) if0(1):values(2,32512..32516) | LoadCursor
USER32!SendMessageA     message(2) | SendMessage
USER32!MessageBoxA      field(4,0xF,0..5) flags(4,0x1FF377) | MessageBox
USER32!GetSysColor      9x:values(1,0..28) nt4:values(1,0..24) | GetSysColor
GDI32!DeleteObject      none | DeleteObject
SHELL32!ShellExecuteA   cominit | ShellExecute
OLE32!CoInitialize      none | CoInitialize
OLE32!CoUninitialize    none | CoUninitialize
""".splitlines()

MESSAGES = """
0x0109 WM_UNICHAR          XP
0x0122 WM_MENURBUTTONUP    98
0x0401 PBM_SETRANGE        4.00
0x0401 TTM_ACTIVATE        4.00
0x0406 PBM_SETRANGE32      4.70
0x040A PBM_SETMARQUEE      6.0
0x2007 CCM_SETVERSION      5.80
""".splitlines()

# Pyrolux.exe in process 00d0 at 00400000; another process (00d8) has a
# helper program at the same address, whose calls are not ours.
TRACE = r"""
00d0:00d4:trace:loaddll:build_module Loaded L"Z:\\work\\dist\\Pyrolux.exe" at 00400000: native
00d0:00d4:trace:loaddll:build_module Loaded L"C:\\windows\\system32\\user32.dll" at 7A000000: builtin
00d8:00dc:trace:loaddll:build_module Loaded L"C:\\windows\\system32\\explorer.exe" at 00400000: builtin
00d0:00d4:Call KERNEL32.CreateThread(00000000,00100000,00411f50,013b5a30,00010004,00000000) ret=00411fe1
00d0:00d4:Ret  KERNEL32.CreateThread() retval=00000084 ret=00411fe1
00d0:00d4:Call KERNEL32.CreateThread(00000000,00000000,00411f50,013b5a30,00000004,0068f2dc) ret=00411fe1
00d8:00dc:Call KERNEL32.CreateThread(00000000,00100000,00405eb0,00000000,00010004,00000000) ret=004091b1
00d0:00d4:Call KERNEL32.CreateThread(00000000,00100000,00411f50,00000000,00010004,00000000) ret=7a001234
00d0:00d4:Call user32.LoadCursorA(00000000,00007f89) ret=00401000
00d0:00d4:Call user32.LoadCursorA(10000000,0000006a) ret=00401000
00d0:00d4:Call user32.SendMessageA(00010054,00000122,00000000,00000000) ret=00401010
00d0:00d4:Call user32.SendMessageA(00010054,00000406,00000000,00000000) ret=00401010
00d0:00d4:Call user32.SendMessageA(00010054,00000401,00000001,00000000) ret=00401010
00d0:00d4:Call user32.SendMessageA(00010054,0000040a,00000001,00000000) ret=00401010
00d0:00d4:Call user32.SendMessageA(00010054,00000499,00000001,00000000) ret=00401010
00d0:00d4:Call user32.SendMessageA(00010054,0000c123,00000001,00000000) ret=00401010
00d0:00d4:Call user32.MessageBoxA(00000000,0040a000 "Unable, to \"open\"",0040a100 "Pyrolux",00000030) ret=00401020
00d0:00d4:Call user32.MessageBoxA(00000000,0040a000 "x",0040a100 L"y",00000006) ret=00401020
00d0:00d4:Call user32.GetSysColor(0000001a) ret=00401030
00d0:00d4:Call gdi32.GetStockObject(00000011) ret=00401040
00d0:00d4:Call gdi32.DeleteObject(00000000) ret=00401050
00d0:00d4:Call shell32.ShellExecuteA(00000000,00441420 "open",01345e90 "www.example.com",00000000,00000000,00000005) ret=00401060
00d0:00d4:Call ole32.CoInitialize(00000000) ret=00401070
00d0:00e4:Call shell32.ShellExecuteA(00000000,00441420 "open",01345e90 "mailto:a@b",00000000,00000000,00000005) ret=00401080
00d0:00d4:Call shell32.ShellExecuteA(00000000,00441420 "open",01345e90 "www.example.com",00000000,00000000,00000005) ret=00401090
00d0:00d4:Call combase.CoUninitialize() ret=004010a0
00d0:00d4:Call shell32.ShellExecuteA(00000000,00441420 "open",01345e90 "www.example.com",00000000,00000000,00000005) ret=004010b0
""".splitlines()

SIZES = {"pyrolux.exe": 0x8E000, "mmx.dll": 0x71000}


def run(system):
    rules = check.load_rules(RULES)
    messages = check.load_messages(MESSAGES)
    calls, loads = check.parse_trace(TRACE)
    return check.check_calls(check.our_calls(calls, loads, SIZES), system, rules, messages)


def lines_about(problems, text):
    return [p for p in problems if text in p]


class TraceTest(unittest.TestCase):
    def test_arguments_with_strings_keep_their_count(self):
        self.assertEqual(check.split_arguments('00000000,0040a000 "a, \\"b\\", c",00000030'),
                         [0, 0x40A000, 0x30])
        self.assertEqual(check.split_arguments('004b6558 L"Z:\\\\dist",ffffffff'),
                         [0x4B6558, 0xFFFFFFFF])
        self.assertEqual(check.split_arguments(""), [])

    def test_only_calls_returning_into_our_image_in_its_process(self):
        calls, loads = check.parse_trace(TRACE)
        ours = check.our_calls(calls, loads, SIZES)
        # Not the helper's call (other process), not the call from user32.
        self.assertEqual(len(calls), 23)
        self.assertEqual(len(ours), 21)
        self.assertTrue(all(call.pid == "00d0" and call.ret < 0x48E000 for call, _ in ours))
        self.assertEqual(ours[0][1], "pyrolux.exe")
        self.assertEqual(ours[0][0].key, "KERNEL32!CreateThread")


class RuleTest(unittest.TestCase):
    def test_each_kind_of_rule_catches_its_violation_and_names_it(self):
        problems, counted = run("win98")
        thread = lines_about(problems, "KERNEL32!CreateThread")
        self.assertEqual(len(thread), 2, problems)
        self.assertTrue(lines_about(thread, "argument 5 = 0x00010004: bits 0x00010000 unknown; rule flags(5,0x4)"))
        self.assertTrue(lines_about(thread, "argument 6 = 0x00000000: may not be NULL; rule 9x:nonnull(6)"))
        cursor = lines_about(problems, "LoadCursorA")
        self.assertEqual(len(cursor), 1)  # the module's own cursor 106 is no system cursor
        self.assertIn("argument 2 = 0x00007F89: value not known", cursor[0])
        self.assertTrue(lines_about(problems, "MessageBoxA argument 4 = 0x00000006: field 0xF"))
        self.assertTrue(lines_about(problems, "GDI32!GetStockObject has no entry"))
        self.assertEqual(counted["USER32!SendMessageA"], 6)

    def test_messages_by_the_systems_common_controls(self):
        problems, _ = run("win98")
        sent = lines_about(problems, "SendMessageA")
        # 0x40A is only a 6.0 message, 0x499 none at all; 0x122 is Windows
        # 98, 0x406 COMCTL32 4.70, 0x401 4.00 and 0xC123 registered: fine.
        self.assertEqual(len(sent), 2, sent)
        self.assertTrue(lines_about(sent, "0x0000040A: only PBM_SETMARQUEE (6.0)"))
        self.assertTrue(lines_about(sent, "0x00000499: a message of no class"))
        # Windows 95 and NT 4.0 as installed have COMCTL32 4.00 and neither
        # has the Windows 98 menu message.
        for system in ("nt40", "win95"):
            problems, _ = run(system)
            sent = lines_about(problems, "SendMessageA")
            self.assertEqual(len(sent), 4, sent)
            self.assertTrue(lines_about(sent, "0x00000406: only PBM_SETRANGE32 (4.70)"))
            self.assertTrue(lines_about(sent, "0x00000122: only WM_MENURBUTTONUP (98)"))

    def test_system_prefix_selects_the_rule(self):
        nine, _ = run("win98")
        nt, _ = run("nt40")
        self.assertFalse(lines_about(nine, "GetSysColor"))
        self.assertTrue(lines_about(nt, "GetSysColor argument 1 = 0x0000001A"))
        self.assertFalse(lines_about(nt, "may not be NULL; rule 9x:nonnull(6)"))

    def test_same_violation_at_one_site_is_reported_once_with_its_count(self):
        trace = TRACE + [TRACE[4]] * 3
        calls, loads = check.parse_trace(trace)
        problems, _ = check.check_calls(check.our_calls(calls, loads, SIZES), "win98",
                                        check.load_rules(RULES), check.load_messages(MESSAGES))
        flags = lines_about(problems, "rule flags(5,0x4)")
        self.assertEqual(len(flags), 1)
        self.assertIn("4 call(s)", flags[0])


    def test_shell_needs_com_initialised_on_its_own_thread(self):
        problems, counted = run("win98")
        shell = lines_about(problems, "ShellExecuteA COM is not initialised")
        # Before CoInitialize, on another thread, and after CoUninitialize
        # (which Wine relays as combase's); not the one in between.
        self.assertEqual(len(shell), 3, shell)
        self.assertFalse(lines_about(shell, "0x00401090"))
        self.assertEqual(counted["OLE32!CoUninitialize"], 1)


class TableTest(unittest.TestCase):
    def test_every_import_needs_an_entry(self):
        rules = check.load_rules(RULES)
        self.assertEqual(check.missing_entries({"GDI32!DeleteObject", "GDI32!LineTo"}, rules),
                         ["GDI32!LineTo"])

    def test_the_program_reserves_the_stack_its_workers_need(self):
        class Image:
            def __init__(self, reserve):
                self.stack_reserve = reserve
        names = ["pyrolux.exe", "mmx.dll"]
        self.assertEqual(check.stack_problems(names, [Image(0x100000), Image(0x200000)]), [])
        found = check.stack_problems(names, [Image(0x200000), Image(0x100000)])
        self.assertEqual(len(found), 1)
        self.assertIn("pyrolux.exe: stack reserve 0x200000", found[0])

    def test_bad_lines_are_refused(self):
        for line in ("KERNEL32!Sleep | no rule", "Sleep none | no DLL",
                     "KERNEL32!Sleep flags(1) | one argument short",
                     "KERNEL32!Sleep nt5:none | unknown system"):
            with self.assertRaises(ValueError, msg=line):
                check.load_rules([line])
        with self.assertRaises(ValueError):
            check.load_rules(RULES[2:3] * 2)

    def test_the_shipped_table_reads(self):
        with open(check.DEFAULT_RULES) as f:
            rules = check.load_rules(f)
        self.assertIn("KERNEL32!CreateThread", rules)
        self.assertTrue(all(reference for _, reference in rules.values()))
        with open(check.DEFAULT_MESSAGES) as f:
            self.assertIn(0x0407, check.load_messages(f))


if __name__ == "__main__":
    unittest.main()
