#!/usr/bin/env python3
"""Checks the calls the shipped binaries made into Windows, as Wine's relay
channel recorded them, against what Windows 95 / 98 / ME and NT 4.0 SP6
require.

    check_contract.py [--rules FILE] [--messages FILE] [--binary PATH ...]
                      SYSTEM=TRACE [SYSTEM=TRACE ...]

SYSTEM is win95, win98 or nt40: the version Wine reported while TRACE was recorded
(WINEDEBUG=+pid,+relay,+loaddll). A call counts as ours when its return
address lies inside one of the binaries as loaded in that process (the
loaddll line gives the base, the file's PE header the size). Every import
of the binaries and every call of ours needs an entry in the rule table;
each call is checked against its entry's rules. Exit status 1 on any
violation, naming the call, the argument and the rule.

Python 3 standard library only."""

import argparse
import os
import re
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
import pe_image  # noqa: E402

DEFAULT_RULES = os.path.join(HERE, "win32-call-rules.txt")
DEFAULT_MESSAGES = os.path.join(HERE, "window-messages.txt")
DEFAULT_BINARIES = [os.path.join(ROOT, "dist", name)
                    for name in ("Pyrolux.exe", "MMX.dll", "SSE.dll")]

# Wine's version names, and what each stands for in the rule table.
SYSTEMS = {"win95": "9x", "win98": "9x", "nt40": "nt4"}
WM_USER, WM_APP = 0x400, 0x8000
# Wine forwards these exports to another DLL, and the relay names the
# target: {target: the function our binaries call}.
FORWARDED = {
    "COMBASE!CoUninitialize": "OLE32!CoUninitialize",
    "COMBASE!CoInitializeEx": "OLE32!CoInitializeEx",
}
# Calls that start and end COM on the calling thread (any caller's).
COM_STARTS = {"OLE32!CoInitialize", "OLE32!CoInitializeEx", "OLE32!OleInitialize"}
COM_ENDS = {"OLE32!CoUninitialize", "OLE32!OleUninitialize"}
# Message "since" values each system has: Windows 95 and NT 4.0 as
# installed from their CDs come with COMCTL32 4.00, Windows 98 with 4.72.
KNOWN_SINCE = {
    "win95": {"all", "4.00"},
    "win98": {"all", "98", "4.00", "4.70", "4.71", "4.72"},
    "nt40": {"all", "4.00"},
}


# --- The rule table ----------------------------------------------------------

class Rule:
    def __init__(self, kind, system, if_zero, arguments, text):
        self.kind = kind          # none, nonnull, flags, values, field, message, cominit
        self.system = system      # None (both), "9x" or "nt4"
        self.if_zero = if_zero    # argument that must be 0 for the rule to hold
        self.arguments = arguments
        self.text = text          # as written in the table

    def applies(self, system, args):
        if self.system and self.system != system:
            return False
        if self.if_zero is not None:
            return argument(args, self.if_zero) == 0
        return True


def parse_number(text):
    value = int(text, 0)
    return value & 0xFFFFFFFF


def parse_values(text):
    """[(low, high)] of "a|b..c|-1", signed 32-bit."""
    ranges = []
    for item in text.split("|"):
        low, _, high = item.partition("..")
        low = int(low, 0)
        ranges.append((low, int(high, 0) if high else low))
    return ranges


_RULE = re.compile(r"^(?:(9x|nt4):)?(?:if0\((\d+)\):)?(\w+)(?:\((.*)\))?$")


def parse_rule(text):
    m = _RULE.match(text)
    if not m:
        raise ValueError("bad rule %r" % text)
    system, if_zero, kind, inner = m.groups()
    parts = inner.split(",") if inner else []
    if kind in ("none", "cominit") and not parts:
        arguments = ()
    elif kind in ("nonnull", "message") and len(parts) == 1:
        arguments = (int(parts[0]),)
    elif kind == "flags" and len(parts) == 2:
        arguments = (int(parts[0]), parse_number(parts[1]))
    elif kind == "values" and len(parts) == 2:
        arguments = (int(parts[0]), parse_values(parts[1]))
    elif kind == "field" and len(parts) == 3:
        arguments = (int(parts[0]), parse_number(parts[1]), parse_values(parts[2]))
    else:
        raise ValueError("bad rule %r" % text)
    return Rule(kind, system, int(if_zero) if if_zero else None, arguments, text)


def load_rules(lines):
    """{"DLL!function": (rules, reference)} from the table's lines."""
    table = {}
    for number, line in enumerate(lines, 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        body, _, reference = line.partition(" | ")
        words = body.split()
        if len(words) < 2 or "!" not in words[0]:
            raise ValueError("line %d: want DLL!function, rules, | reference" % number)
        dll, _, function = words[0].partition("!")
        key = "%s!%s" % (dll.upper(), function)
        if key in table:
            raise ValueError("line %d: %s twice" % (number, key))
        try:
            table[key] = ([parse_rule(w) for w in words[1:]], reference.strip())
        except ValueError as e:
            raise ValueError("line %d: %s" % (number, e))
    return table


def load_messages(lines):
    """{value: [(name, since)]}"""
    messages = {}
    for line in lines:
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        messages.setdefault(int(words[0], 16), []).append((words[1], words[2]))
    return messages


# --- The trace -----------------------------------------------------------------

_CALL = re.compile(r"^([0-9a-f]{4,8}):([0-9a-f]{4,8}):Call ([\w-]+)\.(\w+)\((.*)\) ret=([0-9a-f]{8})$")
_LOADED = re.compile(r'^([0-9a-f]{4,8}):[0-9a-f]{4,8}:trace:loaddll:\w+ Loaded L"(.*)" at ([0-9A-Fa-f]{8})')


class Call:
    def __init__(self, pid, tid, dll, function, args, ret, line):
        self.pid, self.tid = pid, tid
        key = "%s!%s" % (dll.upper(), function)
        self.key = FORWARDED.get(key, key)
        self.args, self.ret, self.line = args, ret, line
        self.com = 0  # COM initialisations open on the thread before the call


def split_arguments(text):
    """Relay prints each argument as 8 hex digits, a string argument followed
    by its text in quotes (A or L, with backslash escapes)."""
    args, i = [], 0
    while i < len(text):
        m = re.match(r"[0-9a-fA-F]+", text[i:])
        if not m:
            raise ValueError("argument expected at %r" % text[i:])
        args.append(int(m.group(0), 16) & 0xFFFFFFFF)
        i += m.end()
        if text.startswith(' L"', i) or text.startswith(' "', i):
            i = text.index('"', i) + 1
            while text[i] != '"':
                i += 2 if text[i] == "\\" else 1
            i += 1
        if i < len(text):
            if text[i] != ",":
                raise ValueError("comma expected at %r" % text[i:])
            i += 1
    return args


def parse_trace(lines):
    """(calls, loads): every relayed call (with the COM initialisations open
    on its thread), and every module load as (pid, base name lower case,
    base address)."""
    calls, loads, com = [], [], {}
    for line in lines:
        line = line.rstrip("\n")
        m = _CALL.match(line)
        if m:
            pid, tid, dll, function, args, ret = m.groups()
            call = Call(pid, tid, dll, function, split_arguments(args), int(ret, 16), line)
            thread = (pid, tid)
            call.com = com.get(thread, 0)
            if call.key in COM_STARTS:
                com[thread] = call.com + 1
            elif call.key in COM_ENDS:
                com[thread] = max(call.com - 1, 0)
            calls.append(call)
            continue
        m = _LOADED.match(line)
        if m:
            name = m.group(2).replace("\\\\", "\\").rsplit("\\", 1)[-1].lower()
            loads.append((m.group(1), name, int(m.group(3), 16)))
    return calls, loads


def our_calls(calls, loads, sizes):
    """[(call, image name)] of the calls returning into one of our images
    ({base name lower case: size}) in the process that loaded it."""
    ranges = {}
    for pid, name, base in loads:
        if name in sizes:
            ranges.setdefault(pid, {})[(base, base + sizes[name])] = name
    ours = []
    for call in calls:
        for (start, end), name in ranges.get(call.pid, {}).items():
            if start <= call.ret < end:
                ours.append((call, name))
                break
    return ours


# --- Checking ------------------------------------------------------------------

def argument(args, number):
    return args[number - 1] if 0 < number <= len(args) else None


def signed(value):
    return value - (1 << 32) if value & 0x80000000 else value


def in_values(value, ranges):
    return any(low <= signed(value) <= high or low <= value <= high for low, high in ranges)


def message_problem(value, system, messages):
    """Why the message is unknown on the system, or None."""
    known = messages.get(value, [])
    if value >= WM_APP:
        return None
    if any(since in KNOWN_SINCE[system] for _, since in known):
        return None
    if value < WM_USER and not known:
        return None
    if not known:
        return "a message of no class this system has (not in window-messages.txt)"
    return "only " + ", ".join("%s (%s)" % entry for entry in known)


def violation(rule, call, system, messages):
    """None, or (argument number, value, what is wrong)."""
    kind, args = rule.kind, call.args
    if kind == "none":
        return None
    if kind == "cominit":
        return None if call.com else (0, None, "COM is not initialised on the calling thread")
    number = rule.arguments[0]
    value = argument(args, number)
    if value is None:
        return (number, None, "argument missing from the trace")
    if kind == "nonnull" and value == 0:
        return (number, value, "may not be NULL")
    if kind == "flags" and value & ~rule.arguments[1]:
        return (number, value, "bits 0x%08X unknown" % (value & ~rule.arguments[1]))
    if kind == "values" and not in_values(value, rule.arguments[1]):
        return (number, value, "value not known")
    if kind == "field" and not in_values(value & rule.arguments[1], rule.arguments[2]):
        return (number, value, "field 0x%X not known" % rule.arguments[1])
    if kind == "message":
        problem = message_problem(value, system, messages)
        if problem:
            return (number, value, problem)
    return None


def check_calls(ours, system, rules, messages):
    """Violation texts (the same violation at the same call site once, with
    its count), and {key: count} of the calls checked."""
    problems, counted = {}, {}
    for call, image in ours:
        counted[call.key] = counted.get(call.key, 0) + 1
        entry = rules.get(call.key)
        if entry is None:
            text = "%s (%s): %s has no entry in the rule table" % (image, system, call.key)
            problems.setdefault(text, []).append(call.line)
            continue
        for rule in entry[0]:
            if not rule.applies(SYSTEMS[system], call.args):
                continue
            found = violation(rule, call, system, messages)
            if found:
                number, value, what = found
                shown = "?" if value is None else "0x%08X" % value
                where = "argument %d = %s: " % (number, shown) if number else ""
                text = ("%s (%s): %s %s%s; rule %s (%s), called from 0x%08X"
                        % (image, system, call.key, where, what, rule.text, entry[1], call.ret))
                problems.setdefault(text, []).append(call.line)
    return ["%s\n    %d call(s), the first: %s" % (text, len(lines), lines[0])
            for text, lines in problems.items()], counted


def missing_entries(import_names, rules):
    return sorted(name for name in import_names if name not in rules)


# Every thread of the program, the workers with their 640,000 bytes of
# arrays included, takes the executable's stack reserve (CreateThread with
# size 0: before Windows XP a size given there is committed whole).
PROGRAM_STACK_RESERVE = 0x100000


def stack_problems(names, images):
    return ["%s: stack reserve 0x%X, not the 0x%X its threads are made for"
            % (name, image.stack_reserve, PROGRAM_STACK_RESERVE)
            for name, image in zip(names, images)
            if name.endswith(".exe") and image.stack_reserve != PROGRAM_STACK_RESERVE]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rules", default=DEFAULT_RULES)
    parser.add_argument("--messages", default=DEFAULT_MESSAGES)
    parser.add_argument("--binary", action="append", dest="binaries")
    parser.add_argument("traces", nargs="+", metavar="SYSTEM=TRACE")
    args = parser.parse_args(argv)
    with open(args.rules) as f:
        rules = load_rules(f)
    with open(args.messages) as f:
        messages = load_messages(f)
    images = [pe_image.PeImage(path) for path in args.binaries or DEFAULT_BINARIES]
    names = [os.path.basename(path).lower() for path in args.binaries or DEFAULT_BINARIES]
    sizes = dict(zip(names, (image.size_of_image for image in images)))

    problems = ["%s: no entry in the rule table for this import" % name
                for name in missing_entries(set().union(*(i.import_names() for i in images)), rules)]
    problems += stack_problems(names, images)
    total = 0
    for item in args.traces:
        system, _, path = item.partition("=")
        if system not in SYSTEMS:
            parser.error("unknown system %r (win95, win98 or nt40)" % system)
        with open(path, errors="replace") as f:
            calls, loads = parse_trace(f)
        ours = our_calls(calls, loads, sizes)
        found, counted = check_calls(ours, system, rules, messages)
        problems += found
        total += len(ours)
        seen = sorted({name for _, name in ours})
        print("%s: %d calls of ours checked (%d functions) in %s; images seen: %s"
              % (system, len(ours), len(counted), os.path.basename(path), ", ".join(seen) or "none"))
        if not ours:
            problems.append("%s: no call of ours in %s: nothing was checked" % (system, path))
    print("%d rules for %d functions; %d calls checked; %d violations"
          % (sum(len(r) for r, _ in rules.values()), len(rules), total, len(problems)))
    for problem in problems:
        print("VIOLATION " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
