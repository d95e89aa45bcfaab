#!/usr/bin/env python3
"""Checks that the shipped binaries run on an i486 under Windows 95 / NT 4.0.

    check_binaries.py [--objdump PROGRAM] [--nm PROGRAM] [--imports LIST]
                      [--symbols PATH ...] [BINARY ...]

Without binaries it checks dist/Pyrolux.exe, dist/MMX.dll and dist/SSE.dll.
The shipped files carry no symbols. Function names and the probes' addresses
come from a binary's symbol table; for a stripped binary, from its unstripped
image or debug file: X.dll.debug or X.debug beside it, or a file or folder
given with --symbols (folders are searched for X.dll, X.dll.debug and
X.debug), else an unstripped X.dll with the same code below build/. A shipped
file whose symbols come from an unstripped image must be that image
stripped. For each binary it disassembles the code with objdump and reports

  - every instruction beyond the i486 instruction set (by function and
    mnemonic), except the few the processor probes execute on purpose, and
    every direct jump or call into the middle of an instruction (bytes read
    as part of another instruction can hide one);
  - every imported DLL that retail Windows 95 or Windows NT 4.0 without
    Internet Explorer lacks, and every import that is not in the list of
    functions present in the system DLLs of both (win95-nt4-imports.txt),
    with the functions that use it;
  - every place in the code that the runtime's pseudo-relocator patches when
    the program starts (a data import called as a function);
  - a TLS directory in a library (Windows 95 refuses to load such a DLL with
    LoadLibrary) and debug information in any binary;
  - every function that moves the stack pointer down by more than a page
    without calling a stack probe first (real Windows grows the stack only
    through its guard page; Wine does not notice).

Exit status: 0 when everything passes, 1 when something is reported, 2 when
the check itself cannot run.
"""

import argparse
import bisect
import os
import re
import subprocess
import sys
from collections import OrderedDict

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from symbol_tables import code_sections, parse_symbols, symbol_source  # noqa: E402,F401
from pe_layout import (check_dlls, check_layout, load_allowed,  # noqa: E402
                       parse_imports, strip_matches)

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
with open(os.path.join(ROOT, "packaging", "deliverables.txt")) as _listing:
    DEFAULT_BINARIES = [os.path.join(ROOT, "dist", name) for name in _listing.read().split()]
DEFAULT_IMPORTS = os.path.join(HERE, "win95-nt4-imports.txt")
DEFAULT_OBJDUMP = "i686-w64-mingw32-objdump"

PAGE = 4096

# --- The i486 instruction set, as objdump spells it (AT&T syntax) ----------

# 8086 to 80386 integer and system instructions plus the i486 additions
# (BSWAP, CMPXCHG, XADD, INVD, WBINVD, INVLPG). These may carry objdump's
# operand-size suffix b, w or l.
_INTEGER = set("""
    aaa aad aam aas adc add and arpl bound bsf bsr bswap bt btc btr bts call
    clc cld cli clts cmc cmp cmps cmpxchg daa das dec div enter hlt idiv imul
    in inc ins int int3 into invd invlpg iret jcxz jecxz jmp lahf lar lcall
    lds lea leave les lfs lgdt lgs lidt ljmp lldt lmsw lods loop loope loopne
    loopnz loopz lret lsl lss ltr mov movs mul neg not or out outs pop popa
    popf push pusha pushf rcl rcr ret rol ror sahf sal sar sbb scas sgdt shl
    shld shr shrd sidt sldt smsw stc std sti stos str sub test verr verw
    wbinvd xadd xchg xlat xor
""".split())

_CONDITIONS = ("a ae b be c e g ge l le na nae nb nbe nc ne ng nge nl nle no "
               "np ns nz o p pe po s z").split()

# Spelled out in full: extensions, conditional jumps and SETcc.
_EXACT = set("""
    cbtw cwtl cwtd cltd cbw cwde cwd cdq
    movsbw movsbl movswl movzbw movzbl movzwl movsx movzx
    nop wait fwait
""".split()) | {"j" + c for c in _CONDITIONS} | {"set" + c for c in _CONDITIONS}

# x87 (8087 to 387): may carry objdump's memory-operand suffix s, l, t or ll.
_X87 = set("""
    f2xm1 fabs fadd faddp fbld fbstp fchs fclex fnclex fcom fcomp fcompp fcos
    fdecstp fdiv fdivp fdivr fdivrp ffree fiadd ficom ficomp fidiv fidivr
    fild fimul fincstp finit fninit fist fistp fisub fisubr fld fld1 fldcw
    fldenv fldl2e fldl2t fldlg2 fldln2 fldpi fldz fmul fmulp fnop fpatan
    fprem fprem1 fptan frndint frstor fsave fnsave fscale fsin fsincos fsqrt
    fst fstcw fnstcw fstenv fnstenv fstp fstsw fnstsw fsub fsubp fsubr fsubrp
    ftst fucom fucomp fucompp fxam fxch fxtract fyl2x fyl2xp1
""".split())

# Two newer mnemonics whose encodings every x86 runs the same way:
#   ud2   (0F 0B) is an undefined opcode on the i486 as well, so it traps
#         there exactly as on later processors; GCC emits it for
#         __builtin_trap and unreachable paths, which must trap.
#   pause (F3 90) is REP NOP, which earlier processors execute as NOP; it is
#         only a hint in spin loops.
# Not so TZCNT/LZCNT (REP BSF/BSR): older processors run them as BSF/BSR,
# which give different results, so they stay forbidden.
_SAME_ON_EVERY_X86 = {"ud2", "pause"}

# Legacy prefixes (8086/386) that objdump prints before the mnemonic. Newer
# names for prefix bytes (bnd, notrack, xacquire, xrelease) are reported.
_PREFIXES = set("lock rep repe repz repne repnz data16 addr16 cs ds es fs gs "
                "ss".split())

# The only places allowed to go beyond the i486: the fault guard's probe
# routines (each executes its one instruction under an exception frame) and
# the CPUID source that identification uses once the guarded CPUID probe
# succeeded. Each allows its mnemonics, where one mnemonic spans extensions
# only in the operand form given (PXOR on XMM registers is SSE2). An
# allowance holds at the addresses of the one routine of that name, from
# its symbol up to the next symbol that is not its own label (<name>_fault
# and <name>_recover belong to <name>). A name defined twice (every
# anonymous namespace demangles alike) allows nothing.
_MMX_FORM = re.compile(r"^(?!.*%xmm)(.*,)?%mm[0-7]$")
PROBE_EXCEPTIONS = {
    "pyrolux_cpuid0": {"cpuid": None},
    "pyrolux_rdtsc": {"rdtsc": None},
    "pyrolux_pxor": {"pxor": _MMX_FORM, "emms": None},
    "pyrolux_xorps": {"xorps": None},
    "pyrolux_xorpd": {"xorpd": None},
    "pyrolux_pfrcp": {"pfrcp": _MMX_FORM, "emms": None},
    "(anonymous namespace)::RealCpuidSource::Query(unsigned int)": {
        "cpuid": None},
}

# Stack probes of the MinGW runtime (names without leading underscores).
STACK_PROBES = {"chkstk_ms", "chkstk", "alloca"}

# Data that the linker places in the code section: constructor and
# destructor lists and the C++ exception tables.
_DATA_SYMBOLS = re.compile(
    r"^_*(CTOR_LIST__|DTOR_LIST__|etext)$|^\.(ctors|dtors|gcc_except_table)\b")


def is_i486(mnemonic):
    if mnemonic in _INTEGER or mnemonic in _EXACT or mnemonic in _X87:
        return True
    if mnemonic in _SAME_ON_EVERY_X86:
        return True
    if mnemonic[-1:] in ("b", "w", "l") and mnemonic[:-1] in _INTEGER:
        return True
    for suffix in ("s", "l", "t", "ll"):
        if mnemonic.endswith(suffix) and mnemonic[:-len(suffix)] in _X87:
            return True
    return False


def routine_of(function):
    """The probe routine a label belongs to (pyrolux_x_fault -> pyrolux_x)."""
    for tail in ("_fault", "_recover"):
        if function.startswith("pyrolux_") and function.endswith(tail):
            return function[:-len(tail)]
    return function


# --- Reading objdump's output -----------------------------------------------

_SYMBOL_LINE = re.compile(r"^([0-9a-f]+) <(.+)>:$")
_INSN_LINE = re.compile(r"^\s*([0-9a-f]+):\t(.*)$")


class Disassembly(list):
    """Instructions, with the address of every line objdump printed (a
    prefix on a line of its own starts an instruction too)."""

    def __init__(self, instructions=(), starts=()):
        list.__init__(self, instructions)
        self.starts = set(starts)


class Instruction(object):
    __slots__ = ("address", "function", "start", "mnemonic", "operands",
                 "text")

    def __init__(self, address, function, start, mnemonic, operands, text):
        self.address = address
        self.function = function
        self.start = start          # address of the function's first byte
        self.mnemonic = mnemonic
        self.operands = operands
        self.text = text


def parse_disassembly(text):
    """Instructions of `objdump -d -C --no-show-raw-insn` output, skipping
    data that sits in the code section."""
    instructions = Disassembly()
    function, start, in_data = None, None, False
    for line in text.splitlines():
        m = _SYMBOL_LINE.match(line)
        if m:
            start = int(m.group(1), 16)
            function = m.group(2)
            in_data = bool(_DATA_SYMBOLS.search(function))
            continue
        m = _INSN_LINE.match(line)
        if not m or in_data or function is None:
            continue
        insn = m.group(2).split("#", 1)[0].strip()
        if not insn:
            continue
        instructions.starts.add(int(m.group(1), 16))
        parts = insn.split(None, 1)
        while len(parts) > 1 and parts[0] in _PREFIXES:
            parts = parts[1].split(None, 1)
        if parts[0] in _PREFIXES:  # a prefix on a line of its own
            continue
        instructions.append(Instruction(
            int(m.group(1), 16), function, start, parts[0],
            parts[1] if len(parts) > 1 else "", insn))
    return instructions


def symbols_of(instructions):
    """[(address, name)] of the functions objdump named in a disassembly."""
    symbols, seen = [], set()
    for insn in instructions:
        if insn.start not in seen:
            seen.add(insn.start)
            symbols.append((insn.start, insn.function))
    return sorted(symbols, key=lambda symbol: symbol[0])


def attribute(instructions, symbols):
    """The instructions of a stripped image, named after the symbols of its
    unstripped copy; data in the code section is dropped. Of several names
    at one address a function's wins (no code hides behind a data name),
    then a data symbol's, then a section's."""
    def rank(name):
        return 1 if _DATA_SYMBOLS.search(name) else 0 if name.startswith(".") else 2

    names = OrderedDict()
    for address, name in symbols:
        if address not in names or rank(name) > rank(names[address]):
            names[address] = name
    addresses = sorted(names)

    def symbol_at(address):
        i = bisect.bisect_right(addresses, address) - 1
        return (addresses[i], names[addresses[i]]) if i >= 0 else (None, None)

    named = Disassembly(starts=getattr(instructions, "starts", ()))
    for insn in instructions:
        start, function = symbol_at(insn.address)
        if function is not None:
            insn.start, insn.function = start, function
        if _DATA_SYMBOLS.search(insn.function):
            named.starts.discard(insn.address)
            continue
        # A direct target named as well (the stack probe check reads it).
        m = _DIRECT_TARGET.match(insn.operands)
        start, function = symbol_at(int(m.group(1), 16)) if m else (None, None)
        if function is not None:
            offset = int(m.group(1), 16) - start
            insn.operands = "%s <%s%s>" % (m.group(1), function,
                                           "+0x%x" % offset if offset else "")
        named.append(insn)
    return named


# --- The three checks ----------------------------------------------------------

def allowances(symbols):
    """({allowed name: (start, end or None)}, {name: [addresses]} of the
    allowed names defined more than once)."""
    places = OrderedDict()
    for address, name in symbols:
        if name in PROBE_EXCEPTIONS and address not in places.get(name, []):
            places.setdefault(name, []).append(address)
    ranges, duplicates = OrderedDict(), OrderedDict()
    for name, addresses in places.items():
        if len(addresses) > 1:
            duplicates[name] = addresses
            continue
        start = addresses[0]
        ranges[name] = (start, next((a for a, other in symbols if a > start
                                     and routine_of(other) != name), None))
    return ranges, duplicates


def _allowed(insn, ranges):
    for name, (start, end) in ranges.items():
        if start <= insn.address and (end is None or insn.address < end):
            forms = PROBE_EXCEPTIONS[name]
            if insn.mnemonic not in forms:
                return False
            pattern = forms[insn.mnemonic]
            return pattern is None or bool(pattern.match(insn.operands))
    return False


def check_instructions(instructions, symbols=None):
    """{(function, mnemonic): [addresses]} of every site beyond the i486.
    The probes' allowances are placed by `symbols` ([(address, name)]),
    by default the functions of the disassembly."""
    ranges, _ = allowances(symbols_of(instructions) if symbols is None
                           else symbols)
    sites = OrderedDict()
    for insn in instructions:
        if is_i486(insn.mnemonic) or _allowed(insn, ranges):
            continue
        sites.setdefault((insn.function, insn.mnemonic), []).append(insn.address)
    return sites


_DIRECT_TARGET = re.compile(r"^(?:0x)?([0-9a-f]+)(?: <|$)")
_BRANCHES = ({"jmp", "call", "calll", "jcxz", "jecxz", "loop", "loope",
              "loopne", "loopnz", "loopz"} | {"j" + c for c in _CONDITIONS})


def check_jump_targets(instructions):
    """[(function, instruction text, address)] of every direct jump or call
    into the code whose target is not the start of a disassembled
    instruction: the bytes there were read as part of another one (a data
    byte in hand-written code can hide an instruction from objdump that
    way). Calls to 0, of weak functions nothing defined, stay outside."""
    starts = getattr(instructions, "starts", None)
    if starts is None:
        starts = {insn.address for insn in instructions}
    if not starts:
        return []
    low, high = min(starts), max(starts)
    wrong = []
    for insn in instructions:
        m = insn.mnemonic in _BRANCHES and _DIRECT_TARGET.match(insn.operands)
        target = int(m.group(1), 16) if m else None
        if target is not None and low <= target <= high and target not in starts:
            wrong.append((insn.function, insn.text, insn.address))
    return wrong


_CALL_TARGET = re.compile(r"<([^>+]+)(\+0x[0-9a-f]+)?>")


def _stack_move(insn):
    """How far an instruction moves ESP down: a byte count, None for an
    amount in a register, 0 when it does not move it down."""
    ops = insn.operands
    if insn.mnemonic in ("sub", "subl") and ops.endswith(",%esp"):
        m = re.match(r"^\$0x([0-9a-f]+),%esp$", ops)
        return int(m.group(1), 16) if m else None
    if insn.mnemonic in ("add", "addl"):
        m = re.match(r"^\$0x([0-9a-f]+),%esp$", ops)
        if m and int(m.group(1), 16) >= 0x80000000:
            return 0x100000000 - int(m.group(1), 16)
    if insn.mnemonic in ("lea", "leal"):
        m = re.match(r"^-0x([0-9a-f]+)\(%esp\),%esp$", ops)
        if m:
            return int(m.group(1), 16)
    return 0


def check_stack_probes(instructions):
    """[(function, instruction text, address)] for every move of the stack
    pointer by more than a page, or by an amount in a register, before which
    the function did not call a stack probe. GCC emits `call ___chkstk_ms`
    and, possibly a few instructions later, `sub %eax,%esp`: the last call
    (or return) before the move must be that probe, and it covers one move."""
    missing = []
    probed, current = False, None
    for insn in instructions:
        if insn.start != current:
            current, probed = insn.start, False
        if insn.function.lstrip("_") in STACK_PROBES:
            continue  # the probes themselves walk the stack down
        if insn.mnemonic in ("call", "calll"):
            m = _CALL_TARGET.search(insn.operands)
            probed = bool(m) and m.group(1).lstrip("_") in STACK_PROBES
            continue
        if insn.mnemonic in ("ret", "retl", "jmp"):
            probed = False
            continue
        size = _stack_move(insn)
        if size is None or size > PAGE:
            if not probed:
                missing.append((insn.function, insn.text, insn.address))
            probed = False
    return missing


def check_imports(imports, allowed, instructions=()):
    """[(DLL!function, [functions using it])] of imports not allowed."""
    slots = {}
    for dll, name, slot in imports:
        if (dll, name) not in allowed:
            slots[slot] = "%s!%s" % (dll, name)
    users = OrderedDict((name, []) for name in slots.values())
    thunks = {}   # start of an import thunk -> the import it jumps through
    for insn in instructions:
        for value in re.findall(r"0x([0-9a-f]+)", insn.operands):
            name = slots.get(int(value, 16))
            if not name:
                continue
            if insn.mnemonic == "jmp" and insn.address == insn.start:
                thunks[insn.start] = name
            elif insn.function not in users[name]:
                users[name].append(insn.function)
    if thunks:  # callers of an import thunk use the import too
        for insn in instructions:
            if insn.mnemonic not in ("call", "calll", "jmp"):
                continue
            m = re.match(r"^([0-9a-f]+) <", insn.operands)
            name = m and thunks.get(int(m.group(1), 16))
            if name and insn.function not in users[name]:
                users[name].append(insn.function)
    return list(users.items())


# --- Running the checks on binaries -----------------------------------------

def run_objdump(objdump, *args):
    result = subprocess.run([objdump] + list(args), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, universal_newlines=True)
    if result.returncode != 0:
        raise RuntimeError("%s %s failed: %s" % (objdump, " ".join(args),
                                                 result.stderr.strip()))
    return result.stdout


# ld names each place that a run-time pseudo-relocation patches __fu<N>_<symbol>.
_FIXUP = re.compile(r"^__fu\d+_(.+)$")


def check_code_fixups(symbols):
    """[(symbol, function, address)] of the run-time pseudo-relocations into
    the code, from its labels among `symbols`: a reference to a data import
    (DATA in its import library) used as code, so the start-up code makes
    the code writable and patches it, and the bytes seen here are not those
    that run."""
    fixups, function = [], None
    for address, name in symbols:
        m = _FIXUP.match(name)
        if m:
            fixups.append((m.group(1), function, address))
        else:
            function = name
    return fixups


def check_code(name, instructions, symbols, out):
    """Prints the probe allowances that do not hold, the jumps into an
    instruction and the code patched at run time; returns their number."""
    fixups = check_code_fixups(symbols)
    for symbol, function, address in fixups:
        out.write("%s: code patched at run time: a pseudo-relocation of %s "
                  "in %s at 0x%x (a data import used as a function)\n"
                  % (name, symbol, function, address))
    _, duplicates = allowances(symbols)
    for routine, addresses in duplicates.items():
        out.write("%s: allowed name defined %d times: %s at %s\n"
                  % (name, len(addresses), routine,
                     ", ".join("0x%x" % a for a in addresses)))
    jumps = check_jump_targets(instructions)
    for function, text, address in jumps:
        out.write("%s: jump into the middle of an instruction: '%s' in %s "
                  "at 0x%x\n" % (name, text, function, address))
    return len(fixups) + len(duplicates) + len(jumps)


def check_binary(name, disassembly, headers, allowed, out, symbols=None):
    """Prints what the binary breaks; returns the number of findings.
    `symbols` ([(address, name)], from its symbol table) name the functions
    and place the probes' allowances; by default objdump's labels do.
    `headers` is `objdump -p -h` of the shipped file."""
    instructions = parse_disassembly(disassembly)
    if symbols is None:
        symbols = symbols_of(instructions)
    else:
        instructions = attribute(instructions, symbols)
    findings = check_code(name, instructions, symbols, out)
    layout = check_layout(headers)
    for finding in layout:
        out.write("%s: %s\n" % (name, finding))
    sites = check_instructions(instructions, symbols)
    frames = check_stack_probes(instructions)
    imported = parse_imports(headers)
    dlls = check_dlls(imported, allowed)
    for dll in dlls:
        out.write("%s: DLL missing on retail Windows 95 or NT 4.0 without "
                  "Internet Explorer: %s.DLL\n" % (name, dll))
    imports = check_imports(imported, allowed, instructions)
    for (function, mnemonic), addresses in sites.items():
        out.write("%s: instruction beyond the i486: %s in %s (%d site%s, "
                  "first at 0x%x)\n" % (name, mnemonic, function,
                                        len(addresses),
                                        "" if len(addresses) == 1 else "s",
                                        addresses[0]))
    for function, text, address in frames:
        out.write("%s: stack moved without a probe: '%s' in %s at 0x%x\n"
                  % (name, text, function, address))
    for import_name, users in imports:
        out.write("%s: import missing on Windows 95 or NT 4.0: %s (used by "
                  "%s)\n" % (name, import_name,
                            "; ".join(users) if users else "nothing found"))
    count = sum(len(a) for a in sites.values())
    out.write("%s: %d instruction site%s beyond the i486 in %d function%s, "
              "%d unprobed stack move%s, %d import%s not on the list\n"
              % (name, count, "" if count == 1 else "s",
                 len({f for f, _ in sites}),
                 "" if len({f for f, _ in sites}) == 1 else "s",
                 len(frames), "" if len(frames) == 1 else "s",
                 len(imports), "" if len(imports) == 1 else "s"))
    return findings + count + len(frames) + len(dlls) + len(imports) + len(layout)


def check_file(path, args, allowed):
    """Runs the checks on one binary; returns the number of findings."""
    source, symbols = symbol_source(path, args.symbols, args.nm,
                                    os.path.join(ROOT, "build"))
    findings = 0
    # objdump restarts decoding at every symbol: disassemble the unstripped
    # image when it holds the same code; it must then be the shipped file's
    # source.
    code = path
    if source != path and code_sections(source):
        if not strip_matches(args.objdump, source, path):
            sys.stdout.write("%s: not the image %s stripped (rebuild)\n"
                             % (os.path.basename(path), source))
            findings += 1
        elif code_sections(source) == code_sections(path):
            code = source
    return findings + check_binary(
        os.path.basename(path),
        run_objdump(args.objdump, "-d", "-C", "--no-show-raw-insn", code),
        run_objdump(args.objdump, "-p", "-h", path), allowed, sys.stdout,
        symbols)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--objdump", default=DEFAULT_OBJDUMP)
    parser.add_argument("--nm", help="default: objdump's sibling nm")
    parser.add_argument("--symbols", action="append", default=[],
                        help="an unstripped copy, a debug file or a folder")
    parser.add_argument("--imports", default=DEFAULT_IMPORTS)
    parser.add_argument("binaries", nargs="*", default=DEFAULT_BINARIES)
    args = parser.parse_args(argv)
    if not args.nm:
        args.nm = re.sub(r"objdump(\.exe)?$", r"nm\1", args.objdump)
    try:
        allowed = load_allowed(args.imports)
        findings = 0
        for path in args.binaries:
            if not os.path.isfile(path):
                raise RuntimeError("%s is missing: build it first "
                                   "(scripts/build-win32.sh)" % path)
            findings += check_file(path, args, allowed)
    except (OSError, RuntimeError, ValueError,
            subprocess.CalledProcessError) as error:
        sys.stderr.write("check_binaries: %s\n" % error)
        return 2
    if findings:
        sys.stdout.write("FAILED: %d finding%s\n"
                         % (findings, "" if findings == 1 else "s"))
        return 1
    sys.stdout.write("passed: every instruction in the i486 set, every DLL "
                     "and import on Windows 95 and NT 4.0, no code patched "
                     "at run time, every large frame probed, no TLS "
                     "directory in a library, no debug information\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
