#!/usr/bin/env python3
"""The contract check on crafted relay text, crafted PE images and the
shipped rule table: one table of sessions, each expected to pass (with the
number of calls of ours it checks) or to fail (with the text the violation
must carry), so that a change in Wine's trace format or in the table cannot
make the check pass silently."""

import os
import struct
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_contract as check  # noqa: E402
import pe_image  # noqa: E402
import relay_trace  # noqa: E402


def build_pe(is64, imports, size=0x8E000, base=None, reserve=0x100000):
    """A PE32 or PE32+ image with one section: imports is [(DLL, name or
    ordinal, "delay" or "", whether code jumps through its slot)]."""
    base = base or (0x140000000 if is64 else 0x400000)
    word, opt_size = (8, 0xF0) if is64 else (4, 0xE0)
    data = bytearray(0x1200)
    data[0:2], data[0x3C:0x40] = b"MZ", struct.pack("<I", 0x40)
    data[0x40:0x44] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", data, 0x44, 0x8664 if is64 else 0x14C, 1, 0, 0, 0, opt_size, 0)
    opt = 0x58
    struct.pack_into("<H", data, opt, 0x20B if is64 else 0x10B)
    struct.pack_into("<Q" if is64 else "<I", data, opt + (24 if is64 else 28), base)
    struct.pack_into("<IIIIII", data, opt + 32, 0x1000, 0x200, 4, 0, 4, 0)
    struct.pack_into("<II", data, opt + 56, size, 0x200)
    struct.pack_into("<Q" if is64 else "<I", data, opt + 72, reserve)
    struct.pack_into("<I", data, opt + (108 if is64 else 92), 16)
    struct.pack_into("<8sIIIIIIHHI", data, opt + opt_size, b".text", 0x1000, 0x1000, 0x1000,
                     0x200, 0, 0, 0, 0, 0x60000020)
    free = [0x1400]  # the section: RVA 0x1000 at file offset 0x200, code first

    def alloc(blob):
        rva = free[0]
        data[rva - 0xE00:rva - 0xE00 + len(blob)] = blob
        free[0] += (len(blob) + 7) & ~7
        return rva
    code = bytearray()
    for kind, entry_size, directory in (("", 20, 1), ("delay", 32, 13)):
        chosen = [i for i in imports if i[2] == kind]
        descriptors = bytearray()
        for dll in sorted({i[0] for i in chosen}):
            names = [alloc(struct.pack("<H", 0) + n.encode() + b"\0") if isinstance(n, str)
                     else (1 << (8 * word - 1)) | n for d, n, _, _ in chosen if d == dll]
            table = b"".join(struct.pack("<Q" if is64 else "<I", n) for n in names) + bytes(word)
            lookup, slots, name = alloc(table), alloc(table), alloc(dll.encode() + b".dll\0")
            for index, (_, _, _, jump) in enumerate(i for i in chosen if i[0] == dll):
                if jump:
                    slot, at = slots + word * index, 0x1000 + len(code)
                    code += b"\xff\x25" + struct.pack("<i" if is64 else "<I",
                                                      slot - at - 6 if is64 else base + slot)
            fields = ([lookup, 0, 0, name, slots] if entry_size == 20
                      else [1, name, 0, slots, lookup, 0, 0, 0])
            descriptors += struct.pack("<%dI" % len(fields), *fields)
        if chosen:
            at = alloc(bytes(descriptors) + bytes(entry_size))
            struct.pack_into("<II", data, opt + (112 if is64 else 96) + 8 * directory,
                             at, len(descriptors))
    data[0x200:0x200 + len(code)] = code
    return bytes(data)


class FakeWine:
    """Wine's DLLs as the check needs them: what is forwarded where, what
    the relay cannot trace, and the name of an ordinal."""
    FORWARDS = {"WSOCK32!WSAStartup": "WS2_32!WSAStartup", "WSOCK32!WSACleanup": "WS2_32!WSACleanup",
                "OLE32!CoUninitialize": "COMBASE!CoUninitialize",
                "KERNEL32!EnterCriticalSection": "NTDLL!RtlEnterCriticalSection"}
    NOT_TRACED = {"MSVCRT!_iob", "MSVCRT!__lc_codepage", "KERNEL32!FlsAlloc"}

    def resolve(self, key):
        if key in self.NOT_TRACED:
            return None, "Wine's relay cannot trace " + key
        return self.FORWARDS.get(key, key), None

    def name_of(self, dll, ordinal):
        return {("COMCTL32", 17): "InitCommonControls"}.get((dll, ordinal), "#%d" % ordinal)


# The images of a row: (name, PE32+, imports); every row's image has an
# ordinal import, a delay-loaded one and a window procedure's tail jump.
IMPORTS = [("USER32", "DefWindowProcA", "", True), ("COMCTL32", 17, "", False),
           ("USER32", "MessageBeep", "delay", True), ("USER32", "SendMessageA", "", False)]
PROGRAM = [("pyrolux.exe", False, IMPORTS)]
PROGRAM64 = [("pyrolux.exe", True, IMPORTS)]

# Pyrolux.exe in process 00d0 at 00400000 (window procedure 00401500), with
# a dialog, a progress bar, a tooltip, a button and a static ("Cpu \"x\", y"
# as its name) made; another process (00d8) has a program at the same
# address; process 0100 runs a 64-bit Pyrolux.exe above 4 GB.
PREAMBLE = r"""
00d0:00d4:trace:loaddll:build_module Loaded L"Z:\\work\\dist\\Pyrolux.exe" at 00400000: native
00d0:00d4:trace:loaddll:build_module Loaded L"C:\\windows\\system32\\user32.dll" at 7A000000: builtin
00d0:00d4:trace:loaddll:build_module Loaded L"C:\\windows\\system32\\kernel32.dll" at 7B600000: builtin
00d0:00d4:trace:loaddll:build_module Loaded L"C:\\windows\\system32\\msvcrt.dll" at 65680000: builtin
00d0:00d4:trace:loaddll:build_module Loaded L"C:\\windows\\system32\\COMCTL32.DLL" at 67BC0000: builtin
00d8:00dc:trace:loaddll:build_module Loaded L"C:\\windows\\system32\\explorer.exe" at 00400000: builtin
0100:0104:trace:loaddll:build_module Loaded L"Z:\\work\\dist64\\Pyrolux.exe" at 0000000140000000: native
0100:0104:trace:loaddll:build_module Loaded L"C:\\windows\\system32\\kernel32.dll" at 00006FFFFFB60000: builtin
00d0:00d4:trace:win:WIN_CreateWindowEx (null) #8002 ex=00000000 style=80c800c4 0,0 0x0 parent=00000000 menu=00000000 inst=00400000 params=00000000
00d0:00d4:trace:win:NtUserCreateWindowEx hwnd 0x10054 cs 0,0 0x0 (0,0)-(0,0)
00d0:00d4:trace:win:WIN_CreateWindowEx (null) L"msctls_progress32" ex=00000000 style=50000000 0,0 0x0 parent=00010054 menu=00000064 inst=00400000 params=00000000
00d0:00d4:trace:win:NtUserCreateWindowEx hwnd 0x10056 cs 0,0 0x0 (0,0)-(0,0)
00d0:00d4:trace:win:WIN_CreateWindowEx (null) L"tooltips_class32" ex=00000008 style=80000000 0,0 0x0 parent=00010054 menu=00000000 inst=00400000 params=00000000
00d0:00d4:trace:win:NtUserCreateWindowEx hwnd 0x10058 cs 0,0 0x0 (0,0)-(0,0)
00d0:00d4:trace:win:WIN_CreateWindowEx "&Start" L"Button" ex=00000000 style=50010000 0,0 0x0 parent=00010054 menu=00000001 inst=00400000 params=00000000
00d0:00d4:trace:win:NtUserCreateWindowEx hwnd 0x1005a cs 0,0 0x0 (0,0)-(0,0)
00d0:00d4:trace:win:WIN_CreateWindowEx L"Cpu \"x\", y" L"Static" ex=00000000 style=50000000 0,0 0x0 parent=00010054 menu=00000065 inst=00400000 params=00000000
00d0:00d4:trace:win:NtUserCreateWindowEx hwnd 0x1005c cs 0,0 0x0 (0,0)-(0,0)
0100:0104:trace:win:WIN_CreateWindowEx (null) L"msctls_progress32" ex=00000000 style=50000000 0,0 0x0 parent=00000000 menu=00000000 inst=40000000 params=00000000
0100:0104:trace:win:NtUserCreateWindowEx hwnd 0x20060 cs 0,0 0x0 (0,0)-(0,0)
"""

# (what, system, relay lines, expected): an int is a pass with that many
# calls of ours checked; a text must be in the one violation found (a
# session with no call of ours fails as such).
# Options, where given: {"images": ..., "rules": extra rule lines}.
P = "00d0:00d4:"
ROWS = [
    # The message's class: the target window's, from its creation
    ("PBM_SETMARQUEE to a progress bar", "win98",
     P + "Call user32.SendMessageA(00010056,0000040a,00000001,00000000) ret=00401010",
     "0x0000040A: only PBM_SETMARQUEE (6.0)"),
    ("the same value to a tooltip is TTM_HITTESTA", "win98",
     P + "Call user32.SendMessageA(00010058,0000040a,00000000,0012f000) ret=00401010", 1),
    ("PBM_GETRANGE to a progress bar on NT 4.0", "nt40",
     P + "Call user32.SendMessageA(00010056,00000407,00000000,00000000) ret=00401010",
     "only PBM_GETRANGE (4.70)"),
    ("the same value to a tooltip is TTM_RELAYEVENT", "nt40",
     P + "Call user32.SendMessageA(00010058,00000407,00000000,0012f000) ret=00401010", 1),
    ("PBM_GETRANGE on Windows 98 (COMCTL32 4.72)", "win98",
     P + "Call user32.SendMessageA(00010056,00000407,00000000,00000000) ret=00401010", 1),
    ("a window the trace never saw made", "win98",
     P + "Call user32.SendMessageA(00020099,00000401,00000000,00640000) ret=00401010",
     "the class of window 0x20099 is not in the trace"),
    ("a window made by a relayed CreateWindowExA of ours", "nt40",
     P + 'Call user32.CreateWindowExA(00000000,00430abe "msctls_progress32",00000000,50000000,'
     '00000000,00000000,00000064,0000000e,00010054,00000066,00400000,00000000) ret=00401020\n'
     + P + "Ret  user32.CreateWindowExA() retval=00030070 ret=00401020\n"
     + P + "Call user32.SendMessageA(00030070,00000402,00000005,00000000) ret=00401010", 2),
    ("a reused handle takes its new class", "win98",
     P + "Call user32.SendMessageA(00010056,00000402,00000005,00000000) ret=00401010\n"
     + P + 'trace:win:WIN_CreateWindowEx (null) L"Button" ex=00000000 style=50010000\n'
     + P + "trace:win:NtUserCreateWindowEx hwnd 0x10056 cs 0,0 0x0 (0,0)-(0,0)\n"
     + P + "Call user32.SendMessageA(00010056,00000402,00000005,00000000) ret=00401010",
     "not a message of class button"),
    ("BM_GETCHECK to a static", "win98",
     P + "Call user32.SendMessageA(0001005c,000000f0,00000000,00000000) ret=00401010",
     "BM_GETCHECK (all), not a message of class static"),
    ("BM_GETCHECK to a button", "win95",
     P + "Call user32.SendMessageA(0001005a,000000f0,00000000,00000000) ret=00401010", 1),
    ("DM_GETDEFID to the dialog, a registered message", "win95",
     P + "Call user32.SendMessageA(00010054,00000400,00000000,00000000) ret=00401010\n"
     + P + "Call user32.PostMessageA(00010054,0000c123,00000000,00000000) ret=00401010", 2),
    ("no message above 0xFFFF", "win98",
     P + "Call user32.PostMessageA(00010054,00012345,00000000,00000000) ret=00401010",
     "no message is above 0xFFFF"),
    # Below WM_USER, only the system's messages
    ("WM_MOUSEWHEEL on Windows 95", "win95",
     P + "Call user32.SendMessageA(0001005a,0000020a,00780000,00000000) ret=00401010",
     "only WM_MOUSEWHEEL (98|nt4)"),
    ("WM_MOUSEWHEEL on NT 4.0", "nt40",
     P + "Call user32.SendMessageA(0001005a,0000020a,00780000,00000000) ret=00401010", 1),
    ("WM_MOUSEHOVER on Windows 95", "win95",
     P + "Call user32.PostMessageA(0001005a,000002a1,00000000,00000000) ret=00401010",
     "only WM_MOUSEHOVER (98|nt4)"),
    ("WM_MOUSELEAVE on Windows 95", "win95",
     P + "Call user32.PostMessageA(0001005a,000002a3,00000000,00000000) ret=00401010",
     "only WM_MOUSELEAVE (98|nt4)"),
    ("WM_GETOBJECT on NT 4.0", "nt40",
     P + "Call user32.SendMessageA(0001005a,0000003d,00000000,fffffffc) ret=00401010",
     "only WM_GETOBJECT (98)"),
    ("WM_MENURBUTTONUP on ME", "winme",
     P + "Call user32.SendMessageA(00010054,00000122,00000000,00000000) ret=00401010", 1),
    ("an unlisted value below WM_USER", "win98",
     P + "Call user32.SendMessageA(00010054,00000399,00000000,00000000) ret=00401010",
     "no system message has that value"),
    ("a window procedure of ours hands on what it got", "win95",
     P + "Call window proc 00401500 (hwnd=0001005A,msg=WM_MOUSEWHEEL,wp=00780000,lp=00000000)\n"
     + P + "Call user32.CallWindowProcA(7a012340,0001005a,0000020a,00780000,00000000) ret=00401030\n"
     + P + "Ret  user32.CallWindowProcA() retval=00000000 ret=00401030\n"
     + P + "Ret  window proc 00401500 (hwnd=0001005A,msg=WM_MOUSEWHEEL,wp=00780000,lp=00000000) retval=0",
     1),
    ("... but not another message of its own", "win95",
     P + "Call window proc 00401500 (hwnd=0001005A,msg=WM_PAINT,wp=00000000,lp=00000000)\n"
     + P + "Call user32.CallWindowProcA(7a012340,0001005a,000002a1,00000000,00000000) ret=00401030",
     "only WM_MOUSEHOVER (98|nt4)"),
    # Tail jumps: the return address is the caller's, in USER32
    ("DefWindowProcA by a tail jump from our window procedure", "win98",
     P + "Call window proc 00401500 (hwnd=00010054,msg=WM_PAINT,wp=00000000,lp=00000000)\n"
     + P + "Call user32.DefWindowProcA(00010054,00000399,00000000,00000000) ret=7a004321",
     "by a tail jump from procedure 0x00401500"),
    ("MessageBeep by a tail jump from our DLL's entry point", "win98",
     P + "Call PE DLL (proc=00401600,module=00400000 L\"Pyrolux.exe\",reason=PROCESS_ATTACH,"
     "res=00000000)\n" + P + "Call user32.MessageBeep(00000099) ret=7b012345",
     "by a tail jump from procedure 0x00401600"),
    ("a function our image never jumps to is not ours there", "win98",
     P + "Call window proc 00401500 (hwnd=00010054,msg=WM_PAINT,wp=00000000,lp=00000000)\n"
     + P + "Call user32.PostMessageA(00010054,00000399,00000000,00000000) ret=7a004321",
     "pyrolux.exe (win98): 0 call(s)"),
    ("nor in a procedure of USER32", "win98",
     P + "Call window proc 7A005000 (hwnd=00010054,msg=WM_PAINT,wp=00000000,lp=00000000)\n"
     + P + "Call user32.DefWindowProcA(00010054,00000399,00000000,00000000) ret=7a004321",
     "pyrolux.exe (win98): 0 call(s)"),
    ("nor the calls of another process", "win98",
     "00d8:00dc:Call KERNEL32.CreateThread(00000000,00100000,00405eb0,00000000,00010004,00000000) "
     "ret=004091b1", "pyrolux.exe (win98): 0 call(s)"),
    # Run-time look-ups
    ("GetProcAddress of a function without a line", "win98",
     P + 'Call KERNEL32.GetProcAddress(7b600000,00430d8d "GetTickCount64") ret=00401040',
     "KERNEL32!GetTickCount64 has no entry"),
    ("the run time's own look-ups", "win95",
     P + 'Call KERNEL32.GetProcAddress(65680000,0053c00b "___lc_codepage_func") ret=00401040\n'
     + P + 'Call KERNEL32.GetProcAddress(65680000,0053c020 "__lc_codepage") ret=00401040', 2),
    ("a look-up by ordinal", "nt40",
     P + "Call KERNEL32.GetProcAddress(67bc0000,00000011) ret=00401040", 1),
    ("a look-up in a module the process never loaded", "nt40",
     P + 'Call KERNEL32.GetProcAddress(12340000,00430d8d "Sleep") ret=00401040',
     "module 0x12340000 is none this process loaded"),
    ("a look-up whose name Wine shortened", "nt40",
     P + 'Call KERNEL32.GetProcAddress(7b600000,00430d8d "GetVeryLongName"...) ret=00401040',
     "not (whole) in the trace"),
    ("a call by ordinal without a line", "win98",
     P + "Call comctl32.999() ret=00401040", "COMCTL32!#999 has no entry in the rule table"),
    # Forwarded exports and rules that can never run
    ("WSAStartup, which Wine relays as ws2_32's", "win95",
     P + "Call ws2_32.WSAStartup(00000202,0062f950) ret=00401050",
     "WSOCK32!WSAStartup argument 1 = 0x00000202: value not known"),
    ("... asking for Windows Sockets 1.1", "win95",
     P + "Call ws2_32.WSAStartup(00000101,0062f950) ret=00401050", 1),
    ("a rule on a function Wine's relay cannot trace", "win98",
     P + "Call user32.MessageBeep(00000000) ret=00401060",
     "KERNEL32!FlsAlloc: its rules can never run", {"rules": ["KERNEL32!FlsAlloc nonnull(1) | x"]}),
    # Images: each must appear; ordinal and delay-loaded imports need lines
    ("an image that never appears", "win98",
     P + "Call user32.MessageBeep(00000000) ret=00401060",
     "mmx.dll (win98): 0 call(s)",
     {"images": PROGRAM + [("mmx.dll", False, IMPORTS[:1])]}),
    ("an ordinal import without a line", "win98",
     P + "Call user32.MessageBeep(00000000) ret=00401060",
     "COMCTL32!#998: no entry in the rule table for this import",
     {"images": [("pyrolux.exe", False, IMPORTS + [("COMCTL32", 998, "", False)])]}),
    ("a delay-loaded import without a line", "win98",
     P + "Call user32.MessageBeep(00000000) ret=00401060",
     "USER32!FlashWindow: no entry in the rule table for this import",
     {"images": [("pyrolux.exe", False, IMPORTS + [("USER32", "FlashWindow", "delay", False)])]}),
    ("a text Wine shortened keeps the arguments after it", "win98",
     P + 'Call user32.MessageBoxA(00000000,0040a000 "Unable, to \\"open\\" ..."...,'
     '0040a100 L"Pyrolux",00000006) ret=00401070',
     "argument 4 = 0x00000006: field 0xF not known"),
    # The rules, each against its documentation
    ("SM_CXEDGE on Windows 95", "win95",
     P + "Call user32.GetSystemMetrics(0000002d) ret=00401080", 1),
    ("SM_MOUSEWHEELPRESENT on Windows 95", "win95",
     P + "Call user32.GetSystemMetrics(0000004b) ret=00401080", "value not known"),
    ("SM_MOUSEWHEELPRESENT on NT 4.0", "nt40",
     P + "Call user32.GetSystemMetrics(0000004b) ret=00401080", 1),
    ("SM_CMONITORS on NT 4.0", "nt40",
     P + "Call user32.GetSystemMetrics(00000050) ret=00401080", "value not known"),
    ("SM_CMONITORS on ME", "winme",
     P + "Call user32.GetSystemMetrics(00000050) ret=00401080", 1),
    ("COLOR_HOTLIGHT on Windows 95", "win95",
     P + "Call user32.GetSysColor(0000001a) ret=00401090", "rule win95:values(1,0..24)"),
    ("COLOR_GRADIENTACTIVECAPTION's brush on Windows 95", "win95",
     P + "Call user32.GetSysColorBrush(0000001b) ret=00401090", "rule win95:values(1,0..24)"),
    ("COLOR_HOTLIGHT on Windows 98", "win98",
     P + "Call user32.GetSysColor(0000001a) ret=00401090", 1),
    ("GetScrollInfo with SB_BOTH", "win98",
     P + "Call user32.GetScrollInfo(0001005a,00000003,0012f000) ret=004010a0", "value not known"),
    ("CreatePen PS_USERSTYLE", "nt40",
     P + "Call gdi32.CreatePen(00000007,00000001,00000000) ret=004010b0", "rule values(1,0..6)"),
    ("CreatePen PS_ALTERNATE", "nt40",
     P + "Call gdi32.CreatePen(00000008,00000001,00000000) ret=004010b0", "rule values(1,0..6)"),
    ("a dashed pen wider than 1", "win98",
     P + "Call gdi32.CreatePen(00000001,00000002,00000000) ret=004010b0",
     "rule if(2,2..2147483647):values(1,0|5|6)"),
    ("a wide inside-frame pen, a thin dashed one", "win98",
     P + "Call gdi32.CreatePen(00000006,00000003,00000000) ret=004010b0\n"
     + P + "Call gdi32.CreatePen(00000001,00000001,00000000) ret=004010b0", 2),
    ("CP_UTF8 on Windows 95", "win95",
     P + "Call KERNEL32.MultiByteToWideChar(0000fde9,00000000,0040a000,ffffffff,00000000,00000000) "
     "ret=004010c0", "rule win95:values(1,0|1|37..64999)"),
    ("CP_UTF8 with a flag on NT 4.0", "nt40",
     P + "Call KERNEL32.MultiByteToWideChar(0000fde9,00000001,0040a000,ffffffff,00000000,00000000) "
     "ret=004010c0", "rule if(1,65000|65001):values(2,0)"),
    ("CP_UTF8 without flags on NT 4.0 and 98", "nt40",
     P + "Call KERNEL32.MultiByteToWideChar(0000fde9,00000000,0040a000,ffffffff,00000000,00000000) "
     "ret=004010c0\n" + P + "Call KERNEL32.WideCharToMultiByte(0000fde9,00000000,0040a000,"
     "ffffffff,00000000,00000000,00000000,00000000) ret=004010c0", 2),
    ("CP_UTF7 with a default character", "win98",
     P + "Call KERNEL32.WideCharToMultiByte(0000fde8,00000000,0040a000,ffffffff,00000000,"
     "00000000,0040a100,00000000) ret=004010c0", "rule if(1,65000|65001):values(7,0)"),
    ("CallNextHookEx(NULL) on ME", "winme",
     P + "Call user32.CallNextHookEx(00000000,00000003,0001005a,0012f000) ret=004010d0",
     "rule 9x:nonnull(1)"),
    ("CallNextHookEx(NULL) on NT 4.0", "nt40",
     P + "Call user32.CallNextHookEx(00000000,00000003,0001005a,0012f000) ret=004010d0", 1),
    ("a hook of every thread without its module", "win98",
     P + "Call user32.SetWindowsHookExA(00000005,00401500,00000000,00000000) ret=004010e0",
     "rule if(4,0):nonnull(3)"),
    ("a hook of one thread", "win98",
     P + "Call user32.SetWindowsHookExA(00000005,00401500,00000000,000000d4) ret=004010e0", 1),
    ("a semaphore of maximum 0", "nt40",
     P + "Call KERNEL32.CreateSemaphoreA(00000000,00000000,00000000,00000000) ret=004010f0",
     "rule values(3,1..2147483647)"),
    ("MB_DEFAULT_DESKTOP_ONLY on Windows 98", "win98",
     P + 'Call user32.MessageBoxA(00000000,0040a000 "x",0040a100 "y",00020000) ret=00401100',
     "bits 0x00020000 unknown; rule 9x:flags(4,0x1DF377)"),
    ("MB_DEFAULT_DESKTOP_ONLY on NT 4.0", "nt40",
     P + 'Call user32.MessageBoxA(00000000,0040a000 "x",0040a100 "y",00020000) ret=00401100', 1),
    ("system-modal and task-modal at once", "nt40",
     P + 'Call user32.MessageBoxA(00000000,0040a000 "x",0040a100 "y",00003000) ret=00401100',
     "field 0x3000 not known"),
    ("a cursor of a size the process never asked for", "win98",
     P + "Call user32.GetSystemMetrics(0000000e) ret=00401120\n"
     + P + "Ret  user32.GetSystemMetrics() retval=00000020 ret=00401120\n"
     + P + "Call user32.CreateCursor(00400000,00000000,00000000,00000020,00000020,0012f000,"
     "0012f080) ret=00401110", "argument 4 = 0x00000020: not from GetSystemMetrics(13)"),
    ("a cursor of another size than the system's", "win98",
     P + "Call user32.GetSystemMetrics(0000000d) ret=00401120\n"
     + P + "Ret  user32.GetSystemMetrics() retval=00000030 ret=00401120\n"
     + P + "Call user32.GetSystemMetrics(0000000e) ret=00401120\n"
     + P + "Ret  user32.GetSystemMetrics() retval=00000030 ret=00401120\n"
     + P + "Call user32.CreateCursor(00400000,00000000,00000000,00000020,00000030,0012f000,"
     "0012f080) ret=00401110", "argument 4 = 0x00000020: not the 0x30 GetSystemMetrics(13)"),
    ("a cursor of the system's size", "win98",
     P + "Call user32.GetSystemMetrics(0000000d) ret=00401120\n"
     + P + "Ret  user32.GetSystemMetrics() retval=00000020 ret=00401120\n"
     + P + "Call user32.GetSystemMetrics(0000000e) ret=00401120\n"
     + P + "Ret  user32.GetSystemMetrics() retval=00000020 ret=00401120\n"
     + P + "Call user32.CreateCursor(00400000,00000000,00000000,00000020,00000020,0012f000,"
     "0012f080) ret=00401110", 3),
    ("the shell before COM, then between CoInitialize and CoUninitialize", "win98",
     P + 'Call shell32.ShellExecuteA(00000000,00441420 "open",01345e90 "www.example.com",'
     "00000000,00000000,00000005) ret=00401130\n"
     + P + "Call ole32.CoInitialize(00000000) ret=00401130\n"
     + P + 'Call shell32.ShellExecuteA(00000000,00441420 "open",01345e90 "www.example.com",'
     "00000000,00000000,00000005) ret=00401130\n"
     + P + "Call combase.CoUninitialize() ret=00401130",
     "SHELL32!ShellExecuteA COM is not initialised"),
    ("COM another module started on the thread does not count", "win98",
     P + "Call combase.CoInitializeEx(00000000,00000002) ret=67505cdb\n"
     + P + 'Call shell32.ShellExecuteA(00000000,00441420 "open",01345e90 "mailto:a@b",'
     "00000000,00000000,00000005) ret=00401130", "COM is not initialised"),
    ("the old checks still hold: CreateThread's flags", "win98",
     P + "Call KERNEL32.CreateThread(00000000,00100000,00411f50,013b5a30,00010004,0012f000) "
     "ret=00401140", "argument 5 = 0x00010004: bits 0x00010000 unknown; rule flags(5,0x4)"),
    ("and a function without a line", "win98",
     P + "Call gdi32.Rectangle(00000000,00000000,00000000,00000001,00000001) ret=00401150",
     "GDI32!Rectangle has no entry in the rule table"),
    # 64-bit traces: addresses of 8 to 16 digits, images above 4 GB, junk
    # above a 32-bit argument
    ("64-bit: a height with junk above it, a pointer above 4 GB", "win98",
     "0100:0104:Call user32.ShowWindow(0000000000020060,000000010000000a) ret=140001035\n"
     "0100:0104:Call user32.GetClientRect(0000000000020060,0000000100000000) ret=140001035\n"
     "0100:0104:Call user32.SendMessageA(0000000000020060,0000000000000402,0000000000000005,"
     "0000000000000000) ret=140001035", 3, {"images": PROGRAM64}),
    ("64-bit: a value out of range under the junk", "win98",
     "0100:0104:Call user32.ShowWindow(0000000000020060,ffffffff0000000b) ret=140001035",
     "argument 2 = 0x0000000B: value not known", {"images": PROGRAM64}),
    ("64-bit: a NULL pointer", "win98",
     "0100:0104:Call user32.GetClientRect(0000000000020060,0000000000000000) ret=140001035",
     "may not be NULL", {"images": PROGRAM64}),
    ("64-bit: a tail jump through a RIP-relative slot", "nt40",
     "0100:0104:Call window proc 0000000140001500 (hwnd=0000000000020060,msg=WM_PAINT,"
     "wp=0000000000000000,lp=0000000000000000)\n"
     "0100:0104:Call user32.DefWindowProcA(0000000000020060,0000000000000407,0000000000000000,"
     "0000000000000000) ret=00006ffff8a01234",
     "only PBM_GETRANGE (4.70), not on this system; rule message(2) (DefWindowProc), by a tail jump",
     {"images": PROGRAM64}),
    ("64-bit: a look-up in a module above 4 GB", "win98",
     '0100:0104:Call KERNEL32.GetProcAddress(00006fffffb60000,0000000140030d8d "Sleep") '
     "ret=140001035", 1, {"images": PROGRAM64}),
    # A 64-bit twin: what only its own runtime imports is left out
    ("a twin's own import is named, not checked", "win98",
     "0100:0104:Call KERNEL32.GetTickCount64() ret=140001035\n"
     "0100:0104:Call user32.GetClientRect(0000000000020060,000000000012f000) ret=140001035", 1,
     {"images": [("pyrolux.exe", True, IMPORTS + [("KERNEL32", "GetTickCount64", "", False)])],
      "shipped": PROGRAM}),
    ("a twin's SetWindowLongPtrA is checked as SetWindowLongA", "win98",
     "0100:0104:Call user32.SetWindowLongPtrA(0000000000020060,fffffffffffffffb,"
     "0000000140001500) ret=140001035", "argument 2 = 0xFFFFFFFB: value not known",
     {"images": [("pyrolux.exe", True, IMPORTS + [("USER32", "SetWindowLongPtrA", "", False)])],
      "shipped": PROGRAM}),
    ("an import the shipped binaries share needs its line in a twin too", "win98",
     "0100:0104:Call user32.GetClientRect(0000000000020060,000000000012f000) ret=140001035",
     "KERNEL32!GetTickCount64: no entry in the rule table for this import",
     {"images": [("pyrolux.exe", True, IMPORTS + [("KERNEL32", "GetTickCount64", "", False)])],
      "shipped": [("pyrolux.exe", False, IMPORTS + [("KERNEL32", "GetTickCount64", "", False)])]}),
    ("64-bit: a return address past the image is not ours", "win98",
     "0100:0104:Call user32.GetClientRect(0000000000020060,0000000000000000) ret=14008e000",
     "pyrolux.exe (win98): 0 call(s)", {"images": PROGRAM64}),
]


def run_row(system, text, images=PROGRAM, rules=(), shipped=()):
    """(problems, calls of ours) of one crafted session; with `shipped`,
    `images` are a twin's."""
    with tempfile.TemporaryDirectory() as folder:
        paths = {}
        for kind, made in (("images", images), ("shipped", shipped)):
            paths[kind] = []
            for name, is64, imports in made:
                os.makedirs(os.path.join(folder, kind), exist_ok=True)
                paths[kind].append(os.path.join(folder, kind, name))
                with open(paths[kind][-1], "wb") as f:
                    f.write(build_pe(is64, imports))
        rules_path = os.path.join(folder, "rules.txt")
        with open(check.DEFAULT_RULES) as f, open(rules_path, "w") as out:
            out.write(f.read() + "\n" + "\n".join(rules) + "\n")
        table, messages, loaded, wine, forwards, _, problems, left_out = check.load_setup(
            rules_path, check.DEFAULT_MESSAGES, paths["images"], FakeWine(), paths["shipped"])
    trace = relay_trace.parse_trace((PREAMBLE + text).splitlines(), forwards)
    ours = [o for o in check.our_calls(trace, loaded) if o[0].key not in left_out]
    found, _ = check.Checker(system, table, messages, trace, wine).check(ours)
    return problems + found + check.unseen_images(system, ours, loaded), len(ours)


class SessionTableTest(unittest.TestCase):
    def test_every_row(self):
        for row in ROWS:
            what, system, text, expected = row[:4]
            options = row[4] if len(row) > 4 else {}
            with self.subTest(what):
                problems, ours = run_row(system, text, **options)
                if isinstance(expected, int):
                    self.assertEqual(problems, [])
                    self.assertEqual(ours, expected)
                else:
                    self.assertEqual(len(problems), 1, problems)
                    self.assertIn(expected, problems[0])

    def test_the_same_violation_at_one_site_is_reported_once_with_its_count(self):
        line = P + "Call gdi32.Rectangle(00000000,00000000,00000000,00000001,00000001) ret=00401150\n"
        problems, ours = run_row("win98", line * 3)
        self.assertEqual(ours, 3)
        self.assertEqual(len(problems), 1)
        self.assertIn("3 call(s)", problems[0])


class TraceTest(unittest.TestCase):
    def test_arguments_with_texts_keep_their_count(self):
        split = relay_trace.split_arguments
        self.assertEqual(split('00000000,0040a000 "a, \\"b\\", c",00000030'),
                         ([0, 0x40A000, 0x30], {2: 'a, "b", c'}))
        self.assertEqual(split('004b6558 L"Z:\\\\dist",ffffffff'),
                         ([0x4B6558, 0xFFFFFFFF], {1: "Z:\\dist"}))
        self.assertEqual(split('0040a000 "abc"...,0000000a'), ([0x40A000, 10], {1: "abc..."}))
        self.assertEqual(split("1.5,00000002"), ([None, 2], {}))
        self.assertEqual(split("{00000001,00000002,00000003,00000004},00000005"), ([None, 5], {}))
        self.assertEqual(split(""), ([], {}))


class TableTest(unittest.TestCase):
    def test_bad_lines_are_refused(self):
        for line in ("KERNEL32!Sleep | no rule", "Sleep none | no DLL",
                     "KERNEL32!Sleep flags(1) | one argument short",
                     "KERNEL32!Sleep nt5:none | unknown system",
                     "KERNEL32!Sleep if(1):none | condition without values",
                     "KERNEL32!Sleep metric(1) | no index", "KERNEL32!Sleep odd(1) | no such rule"):
            with self.assertRaises(ValueError, msg=line):
                check.load_rules([line])
        with self.assertRaises(ValueError):
            check.load_rules(["KERNEL32!Sleep none | a", "KERNEL32!Sleep none | b"])
        with self.assertRaises(ValueError):
            check.load_messages(["0x0400 DM_GETDEFID #32770 95"])  # no such "since"

    def test_the_shipped_tables_read(self):
        with open(check.DEFAULT_RULES) as f:
            rules = check.load_rules(f)
        self.assertTrue(all(reference for _, reference in rules.values()))
        with open(check.DEFAULT_MESSAGES) as f:
            messages = check.load_messages(f)
        self.assertEqual([e.name for e in messages[0x20A]], ["WM_MOUSEWHEEL"])

    def test_the_program_reserves_the_stack_its_workers_need(self):
        problems, _ = run_row("win98", "", images=[("pyrolux.exe", False, IMPORTS)])
        self.assertEqual(problems, ["pyrolux.exe (win98): 0 call(s) of its own in the session, "
                                    "fewer than 1: not exercised"])
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "pyrolux.exe")
            with open(path, "wb") as f:
                f.write(build_pe(True, IMPORTS, reserve=0x200000))
            image = check.Image(path, FakeWine())
        self.assertTrue(image.is64)
        self.assertEqual(image.size, 0x8E000)
        self.assertIn("stack reserve 0x200000", check.stack_problems([image])[0])


@unittest.skipUnless(pe_image.WineDlls.installed(False), "Wine's 32-bit DLLs are not installed")
class InstalledWineTest(unittest.TestCase):
    def test_forwarders_and_what_the_relay_traces(self):
        wine = pe_image.WineDlls.installed(False)
        self.assertEqual(wine.resolve("WSOCK32!WSAStartup"), ("WS2_32!WSAStartup", None))
        self.assertEqual(wine.resolve("KERNEL32!EnterCriticalSection")[0],
                         "NTDLL!RtlEnterCriticalSection")
        self.assertEqual(wine.resolve("USER32!DefWindowProcA"), ("USER32!DefWindowProcA", None))
        self.assertIsNone(wine.resolve("MSVCRT!_iob")[0])  # data
        self.assertIsNone(wine.resolve("KERNEL32!NoSuchFunction")[0])
        self.assertEqual(wine.name_of("COMCTL32", 17), "InitCommonControls")


if __name__ == "__main__":
    unittest.main()
