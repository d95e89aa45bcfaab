#!/usr/bin/env python3
"""Checks the calls the shipped binaries made into Windows, as Wine's relay
channel recorded them, against what Windows 95 / 98 / ME and NT 4.0 SP6
require.

    check_contract.py [--rules FILE] [--messages FILE] [--binary PATH ...]
                      [--wine-dlls DIR] SYSTEM=TRACE [SYSTEM=TRACE ...]

SYSTEM is win95, win98, winme or nt40: the version Wine reported while TRACE
was recorded (WINEDEBUG=+pid,+relay,+loaddll,+win). A call counts as ours
when its return address lies inside one of the binaries as loaded in that
process (the loaddll line gives the base, the file's PE header the size), or
when a procedure of ours that Wine called back ends in a jump to it (a tail
call leaves the caller's return address). Every import of the binaries and
every call of ours needs an entry in the rule table; each call is checked
against its entry's rules, and every entry's function must be one the relay
can record. Wine's own DLLs (--wine-dlls, else where Wine is installed) say
which exports Wine forwards and which its relay traces. Exit status 1 on
any violation, naming the call, the argument and the rule.

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
import relay_trace  # noqa: E402

DEFAULT_RULES = os.path.join(HERE, "win32-call-rules.txt")
DEFAULT_MESSAGES = os.path.join(HERE, "window-messages.txt")
DEFAULT_BINARIES = [os.path.join(ROOT, "dist", name)
                    for name in ("Pyrolux.exe", "MMX.dll", "SSE.dll")]

# Wine's version names, and the rule prefixes that hold on each.
SYSTEMS = {"win95": {"9x", "win95"}, "win98": {"9x", "win98"},
           "winme": {"9x", "winme"}, "nt40": {"nt4"}}
WM_USER, WM_APP = 0x400, 0x8000
# The "since" values of window-messages.txt each system has: COMCTL32 4.00
# on Windows 95 and NT 4.0 as installed from their CDs, 4.72 on Windows 98,
# 5.81 on Windows ME.
KNOWN_SINCE = {
    "win95": {"all", "4.00"},
    "win98": {"all", "98", "4.00", "4.70", "4.71", "4.72"},
    "winme": {"all", "98", "me", "4.00", "4.70", "4.71", "4.72", "5.80", "5.81"},
    "nt40": {"all", "nt4", "4.00"},
}
SINCE_VALUES = set().union(*KNOWN_SINCE.values()) | {"2000", "XP", "Vista", "6.0"}
# Calls of ours that start and end COM on the calling thread.
COM_STARTS = {"OLE32!CoInitialize", "OLE32!CoInitializeEx", "OLE32!OleInitialize"}
COM_ENDS = {"OLE32!CoUninitialize", "OLE32!OleUninitialize"}
# Images that made fewer calls in a session fail it: they were not exercised.
MIN_CALLS_PER_IMAGE = 1


# --- The rule table ----------------------------------------------------------

class Rule:
    def __init__(self, kind, system, condition, arguments, text):
        self.kind = kind          # none, nonnull, flags, values, field, message, lookup, metric, cominit
        self.system = system      # None (all), "9x", "win95", "win98", "winme" or "nt4"
        self.condition = condition  # None or (argument, ranges): holds only then
        self.arguments = arguments
        self.text = text          # as written in the table

    def applies(self, tags, args):
        if self.system and self.system not in tags:
            return False
        if self.condition:
            value = argument(args, self.condition[0])
            return value is not None and in_values(value & 0xFFFFFFFF, self.condition[1])
        return True


def parse_number(text):
    return int(text, 0) & 0xFFFFFFFF


def parse_values(text):
    """[(low, high)] of "a|b..c|-1", signed 32-bit."""
    ranges = []
    for item in text.split("|"):
        low, _, high = item.partition("..")
        low = int(low, 0)
        ranges.append((low, int(high, 0) if high else low))
    return ranges


_RULE = re.compile(r"^(?:(9x|win95|win98|winme|nt4):)?(?:if\((\d+),([^)]+)\):)?(\w+)(?:\((.*)\))?$")
_SHAPES = {"none": 0, "cominit": 0, "nonnull": 1, "message": 1, "lookup": 1,
           "flags": 2, "values": 2, "metric": 2, "field": 3}


def parse_rule(text):
    m = _RULE.match(text)
    if not m or m.group(4) not in _SHAPES:
        raise ValueError("bad rule %r" % text)
    system, condition, condition_values, kind, inner = m.groups()
    parts = inner.split(",") if inner else []
    if len(parts) != _SHAPES[kind]:
        raise ValueError("bad rule %r" % text)
    try:
        arguments = tuple(int(parts[0]) if i == 0 else
                          parse_values(p) if (kind, i) in (("values", 1), ("field", 2)) else
                          parse_number(p) for i, p in enumerate(parts))
        if condition:
            condition = (int(condition), parse_values(condition_values))
    except ValueError:
        raise ValueError("bad rule %r" % text)
    return Rule(kind, system, condition, arguments, text)


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


class Message:
    def __init__(self, name, classes, since):
        self.name = name
        self.classes = classes  # None: every window; else lower-case class names
        self.since = since      # set of "since" values


def load_messages(lines):
    """{value: [Message]}"""
    messages = {}
    for number, line in enumerate(lines, 1):
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        if len(words) != 4 or not set(words[3].split("|")) <= SINCE_VALUES:
            raise ValueError("window messages, line %d: want value name classes since" % number)
        classes = None if words[2] == "*" else set(words[2].lower().split("|"))
        messages.setdefault(int(words[0], 16), []).append(
            Message(words[1], classes, set(words[3].split("|"))))
    return messages


# --- Checking ------------------------------------------------------------------

def argument(args, number):
    return args[number - 1] if 0 < number <= len(args) else None


def signed(value):
    return value - (1 << 32) if value & 0x80000000 else value


def in_values(value, ranges):
    return any(low <= signed(value) <= high or low <= value <= high for low, high in ranges)


def _named(entries):
    return ", ".join("%s (%s)" % (e.name, "|".join(sorted(e.since))) for e in entries)


def message_problem(value, hwnd, window_class, system, messages):
    """Why the message is unknown to window hwnd of that class (None: the
    trace does not show it) on the system, or None."""
    if value > 0xFFFF:
        return "no message is above 0xFFFF"
    if value >= WM_APP:
        return None
    known = messages.get(value, [])
    fitting = [e for e in known if (e.classes is None and value < WM_USER)
               or (e.classes and window_class in e.classes)]
    if any(e.since & KNOWN_SINCE[system] for e in fitting):
        return None
    if fitting:
        return "only %s, not on this system" % _named(fitting)
    if window_class is None and (value >= WM_USER or known):
        return "the class of window 0x%X is not in the trace" % (hwnd or 0)
    if known:
        return "%s, not a message of class %s" % (_named(known), window_class)
    if value >= WM_USER:
        return "no message of class %s has that value" % window_class
    return "no system message has that value on these systems"


def forwarded(call, number, names):
    """Whether message argument `number` is what the window procedure the
    call was made in got (hwnd, message, wParam, lParam): a procedure
    handing on its message, which is the sender's, not ours. names maps the
    message names Wine's trace prints to their values."""
    frame = call.frame
    if not isinstance(frame, relay_trace.Frame) or frame.kind not in ("window", "dialog"):
        return False
    try:
        given = [int(frame.fields.get(k, ""), 16) for k in ("hwnd", "wp", "lp")]
    except ValueError:
        return False
    passed = [argument(call.args, number + offset) for offset in (-1, 1, 2)]
    if None in passed or (given[0] ^ passed[0]) & 0xFFFFFFFF or given[1:] != passed[1:]:
        return False
    name = frame.fields.get("msg", "")
    value = int(name, 16) if re.match(r"^[0-9a-fA-F]{4}$", name) else names.get(name)
    return value in (None, argument(call.args, number) & 0xFFFFFFFF)


class Checker:
    """Checks one session's calls of ours, in trace order."""

    def __init__(self, system, rules, messages, trace, wine=None):
        self.system, self.rules, self.messages, self.trace = system, rules, messages, trace
        self.wine = wine
        self.names = {e.name: value for value, entries in messages.items() for e in entries}
        self.metrics = {}  # {(pid, index): what GetSystemMetrics of ours returned}
        self.com = {}  # {(pid, tid): COM initialisations of ours open on the thread}

    def violation(self, rule, call):
        """None, or (argument number, value, what is wrong)."""
        kind = rule.kind
        if kind == "none":
            return None
        if kind == "cominit":
            if self.com.get((call.pid, call.tid)):
                return None
            return (0, None, "COM is not initialised on the calling thread (by our code)")
        number = rule.arguments[0]
        value = argument(call.args, number)
        if value is None:
            return (number, None, "argument missing from the trace")
        if kind == "nonnull":  # a pointer or handle: all its bits count
            return (number, value, "may not be NULL") if value == 0 else None
        if kind == "lookup":
            return self.lookup_problem(call, number, value)
        value &= 0xFFFFFFFF  # an int or flags: a 64-bit trace may show junk above
        if kind == "flags" and value & ~rule.arguments[1]:
            return (number, value, "bits 0x%08X unknown" % (value & ~rule.arguments[1]))
        if kind == "values" and not in_values(value, rule.arguments[1]):
            return (number, value, "value not known")
        if kind == "field" and not in_values(value & rule.arguments[1], rule.arguments[2]):
            return (number, value, "field 0x%X not known" % rule.arguments[1])
        if kind == "metric":
            return self.metric_problem(call, number, value, rule.arguments[1])
        if kind == "message" and not forwarded(call, number, self.names):
            hwnd = argument(call.args, number - 1)
            window_class = self.trace.class_of(hwnd, call.seq) if hwnd is not None else None
            problem = message_problem(value, hwnd, window_class, self.system, self.messages)
            return (number, value, problem) if problem else None
        return None

    def metric_problem(self, call, number, value, index):
        expected = self.metrics.get((call.pid, index))
        if expected is None:
            return (number, value, "not from GetSystemMetrics(%d): this process never asked" % index)
        if value != expected:
            return (number, value, "not the 0x%X GetSystemMetrics(%d) returned" % (expected, index))
        return None

    def lookup_problem(self, call, number, value):
        """A function looked up at run time (GetProcAddress) needs its line."""
        module = argument(call.args, number - 1)
        dll = self.trace.modules(call.pid).get(module)
        if dll is None:
            return (number, value, "module 0x%X is none this process loaded" % (module or 0))
        dll = re.sub(r"(?i)\.dll$", "", dll).upper()
        name = call.strings.get(number)
        if value < 0x10000:
            name = self.wine.name_of(dll, value) if self.wine else "#%d" % value
        elif not name or name.endswith("..."):
            return (number, value, "the name looked up is not (whole) in the trace")
        if "%s!%s" % (dll, name) not in self.rules:
            return (number, value, "%s!%s has no entry in the rule table" % (dll, name))
        return None

    def check(self, ours):
        """Violation texts (the same violation at the same call site once,
        with its count), and {key: count} of the calls checked."""
        problems, counted = {}, {}
        for call, image, tail in ours:
            counted[call.key] = counted.get(call.key, 0) + 1
            entry = self.rules.get(rule_key(call.key))
            where = "%s (%s)" % (image, self.system)
            if entry is None:
                problems.setdefault("%s: %s has no entry in the rule table" % (where, call.key),
                                    []).append(call.line)
                continue
            for rule in entry[0]:
                if rule.applies(SYSTEMS[self.system], call.args):
                    found = self.violation(rule, call)
                    if found:
                        text = describe(where, call, rule, entry[1], found, tail)
                        problems.setdefault(text, []).append(call.line)
            self.note(call)
        return ["%s\n    %d call(s), the first: %s" % (text, len(lines), lines[0])
                for text, lines in problems.items()], counted


    def note(self, call):
        """What a call of ours leaves for later ones to be checked by."""
        if call.key == "USER32!GetSystemMetrics" and call.retval is not None and call.args:
            self.metrics[(call.pid, call.args[0] & 0xFFFFFFFF)] = call.retval
        thread = (call.pid, call.tid)
        if call.key in COM_STARTS:
            self.com[thread] = self.com.get(thread, 0) + 1
        elif call.key in COM_ENDS:
            self.com[thread] = max(self.com.get(thread, 0) - 1, 0)


def describe(where, call, rule, reference, found, tail):
    number, value, what = found
    shown = "?" if value is None else "0x%08X" % value
    if number and call.strings.get(number):
        shown += ' "%s"' % call.strings[number]
    argument_text = "argument %d = %s: " % (number, shown) if number else ""
    site = ("by a tail jump from procedure 0x%08X" % call.frame.proc if tail
            else "called from 0x%08X" % call.ret)
    return "%s: %s %s%s; rule %s (%s), %s" % (where, call.key, argument_text, what, rule.text,
                                              reference, site)


# --- The images and Wine's DLLs -------------------------------------------------

def canonical(key, wine):
    """DLL!function, an import by ordinal named as Wine's DLL names it."""
    dll, _, function = key.partition("!")
    if function.startswith("#") and wine:
        return "%s!%s" % (dll, wine.name_of(dll, int(function[1:])))
    return key


class Image:
    def __init__(self, path, wine):
        pe = pe_image.PeImage(path)
        self.name = os.path.basename(path).lower()
        self.size, self.is64, self.stack_reserve = pe.size_of_image, pe.is64, pe.stack_reserve
        self.imports = {canonical(k, wine) for k in pe.import_names()}
        self.jumps = {canonical(k, wine) for k in pe.jump_targets()}


def relay_plan(keys, rules, wine):
    """({relay name: our name} for the exports Wine forwards, the relay
    names to trace, problems): every rule's function must be one Wine's
    relay can record, unless its only rule is `none`."""
    forwards, names, problems = {}, set(), []
    for key in sorted(keys):
        final, why = wine.resolve(key) if wine else (None, "Wine's DLLs were not found")
        checked = any(rule.kind != "none" for rule in rules.get(key, ([], ""))[0])
        if final is None and checked:
            problems.append("%s: its rules can never run: %s" % (key, why))
        final = final or key
        if final != key:
            forwards[final] = key
        dll, _, function = final.partition("!")
        names.add("%s.%s" % (dll, function.lstrip("#")))
    return forwards, sorted(names), problems


def our_calls(trace, images):
    """[(call, image name, tail)]: the calls returning into one of our
    images ({name: Image}) in the process that loaded it, and those a
    procedure of ours Wine called back made by a tail jump: the innermost
    open frame on the thread is that procedure, and the image has a jump
    through the function's import slot."""
    ranges = {}
    for pid, name, base in trace.loads:
        if name in images:
            ranges.setdefault(pid, []).append((base, base + images[name].size, name))
    ours = []
    for call in trace.calls:
        spans = ranges.get(call.pid, [])
        image = next((name for low, high, name in spans if low <= call.ret < high), None)
        if image:
            ours.append((call, image, False))
        elif isinstance(call.frame, relay_trace.Frame):
            image = next((name for low, high, name in spans
                          if low <= call.frame.proc < high), None)
            if image and call.key in images[image].jumps:
                ours.append((call, image, True))
    return ours


# 64-bit names of functions that 32-bit Windows has only as macros of
# another: a 64-bit twin's calls are checked by the 32-bit function's line.
SAME_ON_32_BIT = {"USER32!GetWindowLongPtrA": "USER32!GetWindowLongA",
                  "USER32!SetWindowLongPtrA": "USER32!SetWindowLongA"}


def rule_key(key):
    return SAME_ON_32_BIT.get(key, key)


def missing_entries(import_names, rules):
    return sorted(name for name in import_names if rule_key(name) not in rules)


def unseen_images(system, ours, images):
    counts = {name: 0 for name in images}
    for _, image, _ in ours:
        counts[image] += 1
    return ["%s (%s): %d call(s) of its own in the session, fewer than %d: not exercised"
            % (name, system, count, MIN_CALLS_PER_IMAGE)
            for name, count in sorted(counts.items()) if count < MIN_CALLS_PER_IMAGE]


# Every thread of the program, the workers with their 640,000 bytes of
# arrays included, takes the executable's stack reserve (CreateThread with
# size 0: before Windows XP a size given there is committed whole).
PROGRAM_STACK_RESERVE = 0x100000


def stack_problems(images):
    return ["%s: stack reserve 0x%X, not the 0x%X its threads are made for"
            % (image.name, image.stack_reserve, PROGRAM_STACK_RESERVE)
            for image in images
            if image.name.endswith(".exe") and image.stack_reserve != PROGRAM_STACK_RESERVE]


def twin_only(imports, rules, shipped):
    """The imports of a twin build (the same sources for another target)
    that the shipped binaries do not import and the table has no line for:
    its own runtime's. They are named, not checked."""
    if not shipped:
        return set()
    wine = pe_image.WineDlls.installed(pe_image.PeImage(shipped[0]).is64)
    theirs = set().union(*(Image(path, wine).imports for path in shipped))
    return {key for key in imports - theirs if rule_key(key) not in rules}


def load_setup(rules_path, messages_path, binaries, wine=None, shipped=None):
    """(rules, messages, {name: Image}, wine, forwards, relay names, problems,
    left out); wine: Wine's DLLs (default: the installed ones of the
    binaries' bitness); shipped: the shipped binaries when `binaries` are a
    twin's (left out: twin_only)."""
    with open(rules_path) as f:
        rules = load_rules(f)
    with open(messages_path) as f:
        messages = load_messages(f)
    wine = wine or pe_image.WineDlls.installed(pe_image.PeImage(binaries[0]).is64)
    images = {image.name: image for image in (Image(path, wine) for path in binaries)}
    imports = set().union(*(image.imports for image in images.values()))
    left_out = twin_only(imports, rules, shipped)
    imports -= left_out
    forwards, names, problems = relay_plan(set(rules) | imports, rules, wine)
    problems = ["%s: no entry in the rule table for this import" % name
                for name in missing_entries(imports, rules)] + problems
    problems += stack_problems(images.values())
    return rules, messages, images, wine, forwards, names, problems, left_out


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rules", default=DEFAULT_RULES)
    parser.add_argument("--messages", default=DEFAULT_MESSAGES)
    parser.add_argument("--binary", action="append", dest="binaries")
    parser.add_argument("--wine-dlls")
    parser.add_argument("--shipped", action="append",
                        help="a shipped binary, when the --binary ones are a twin build's")
    parser.add_argument("traces", nargs="+", metavar="SYSTEM=TRACE")
    args = parser.parse_args(argv)
    rules, messages, images, wine, forwards, _, problems, left_out = load_setup(
        args.rules, args.messages, args.binaries or DEFAULT_BINARIES,
        pe_image.WineDlls(args.wine_dlls) if args.wine_dlls else None, args.shipped)
    if left_out:
        print("left out, imported by the twin only: " + ", ".join(sorted(left_out)))
    total = 0
    for item in args.traces:
        system, _, path = item.partition("=")
        if system not in SYSTEMS:
            parser.error("unknown system %r (%s)" % (system, ", ".join(SYSTEMS)))
        with open(path, errors="replace") as f:
            trace = relay_trace.parse_trace(f, forwards)
        ours = [o for o in our_calls(trace, images) if o[0].key not in left_out]
        found, counted = Checker(system, rules, messages, trace, wine).check(ours)
        problems += found + unseen_images(system, ours, images)
        total += len(ours)
        seen = sorted({name for _, name, _ in ours})
        tails = sum(1 for _, _, tail in ours if tail)
        print("%s: %d calls of ours checked (%d functions, %d by tail jumps) in %s; images seen: %s"
              % (system, len(ours), len(counted), tails, os.path.basename(path),
                 ", ".join(seen) or "none"))
    print("%d rules for %d functions; %d calls checked; %d violations"
          % (sum(len(r) for r, _ in rules.values()), len(rules), total, len(problems)))
    for problem in problems:
        print("VIOLATION " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
