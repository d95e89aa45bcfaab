"""Reads what Wine wrote with WINEDEBUG=+pid,+relay,+loaddll,+win: every
relayed call with its arguments, return value and the callback it was made
in (window, dialog and hook procedures, thread starts), every module load,
and the class of every window created. 32-bit and 64-bit traces alike.
Python 3 standard library only."""

import bisect
import re

_PREFIX = r"^([0-9a-f]{4,8}):([0-9a-f]{4,8}):"
_CALL = re.compile(_PREFIX + r"Call ([\w.-]+)\.(\w+)\((.*)\) ret=([0-9a-f]{8,16})$")
_RET = re.compile(_PREFIX + r"Ret  ([\w.-]+)\.(\w+)\(\) retval=([0-9a-f]+) ret=[0-9a-f]{8,16}$")
_PROC = re.compile(_PREFIX + r"(Call|Ret) +(window|dialog|hook) proc ([0-9A-Fa-f]{8,16}) \((.*)\)")
_ENTRY = re.compile(_PREFIX + r"(Call|Ret) +(PE DLL|TLS callback) \(proc=([0-9A-Fa-f]{8,16}),(.*)\)")
_THREAD = re.compile(_PREFIX + r"Starting thread proc ([0-9A-Fa-f]{8,16})")
_LOADED = re.compile(_PREFIX + r'trace:loaddll:\w+ Loaded L"(.*)" at ([0-9A-Fa-f]{8,16})')
_WINDOW_CLASS = re.compile(_PREFIX + r"trace:win:WIN_CreateWindowEx (.*)$")
_WINDOW_HANDLE = re.compile(_PREFIX + r"trace:win:NtUserCreateWindowEx hwnd (?:0x)?([0-9a-fA-F]+) ")
_CREATE_WINDOW = {"USER32!CreateWindowExA", "USER32!CreateWindowExW"}

def read_text(text, i):
    """(text, end) of what Wine's debugstr printed at text[i:]: "a\\"b",
    L"...", either shortened ("..."...), (null), or an atom / ordinal
    "#xxxx" (given as "#decimal"). (None, i) when none starts there."""
    if text.startswith("(null)", i):
        return None, i + 6
    m = re.match(r"#([0-9a-fA-F]{1,4})\b", text[i:])
    if m:
        return "#%d" % int(m.group(1), 16), i + m.end()
    start = i + 1 if text.startswith('L"', i) else i
    if not text.startswith('"', start):
        return None, i
    j, out = start + 1, []
    while j < len(text) and text[j] != '"':
        if text[j] == "\\" and j + 1 < len(text):
            out.append(text[j + 1] if text[j + 1] in '\\"' else text[j:j + 2])
            j += 2
        else:
            out.append(text[j])
            j += 1
    j += 1
    if text.startswith("...", j):
        out.append("...")  # Wine shortened it
        j += 3
    return "".join(out), j


def split_arguments(text):
    """([value], {number: text}): relay prints each argument in hex, a
    string argument followed by its text. A value that is no hex number
    (a float or a 128-bit value, say) is None."""
    values, strings, i = [], {}, 0
    while i < len(text):
        if text.startswith("{", i):  # a 128-bit value: {a,b,c,d}
            i = text.find("}", i) + 1 or len(text)
        m = re.match(r"[0-9a-fA-F]+(?=[, ]|$)", text[i:])
        values.append(int(m.group(0), 16) if m else None)
        i += m.end() if m else 0
        if text.startswith(" ", i):
            strings[len(values)], i = read_text(text, i + 1)
        while i < len(text) and text[i] != ",":
            i += 1  # whatever else the argument holds
        i += 1
    return values, strings


def window_class(text):
    """The class from the arguments of Wine's WIN_CreateWindowEx trace (the
    window's name comes first), lower case."""
    _, i = read_text(text, 0)
    name, _ = read_text(text, i + 1)
    return name.lower() if name else None


class Call:
    def __init__(self, pid, tid, key, args, strings, ret, line, seq):
        self.pid, self.tid, self.key = pid, tid, key
        self.args, self.strings, self.ret, self.line, self.seq = args, strings, ret, line, seq
        self.retval = None
        self.frame = None  # the innermost Call or Frame open on the thread


class Frame:
    """A procedure of some image that Wine called back: window, dialog and
    hook procedures, a DLL's or TLS entry point, a thread's start."""

    def __init__(self, kind, proc, fields):
        self.kind, self.proc, self.fields = kind, proc, fields


class Trace:
    def __init__(self):
        self.calls = []
        self.loads = []  # (pid, base name lower case, base address)
        self._windows = {}  # {hwnd: ([seq], [class])}

    def add_window(self, hwnd, seq, name):
        seqs, names = self._windows.setdefault(hwnd & 0xFFFFFFFF, ([], []))
        seqs.append(seq)
        names.append(name)

    def class_of(self, hwnd, seq):
        """The class of the window that had handle hwnd at line seq."""
        seqs, names = self._windows.get(hwnd & 0xFFFFFFFF, ([], []))
        at = bisect.bisect_left(seqs, seq)
        return names[at - 1] if at else None

    def modules(self, pid):
        return {base: name for p, name, base in self.loads if p == pid}


def _close(stack, match):
    """Pops the thread's frames down to the innermost one match accepts."""
    for depth in range(len(stack) - 1, -1, -1):
        if match(stack[depth]):
            found = stack[depth]
            del stack[depth:]
            return found
    return None


def _key(dll, function):
    return "%s!%s" % (dll.upper(), "#" + function if function.isdigit() else function)


class _Parser:
    def __init__(self, forwarded):
        self.forwarded = forwarded or {}
        self.trace, self.stacks, self.creating = Trace(), {}, {}

    def on_call(self, seq, line, pid, tid, dll, function, args, ret):
        key = _key(dll, function)
        values, strings = split_arguments(args)
        call = Call(pid, tid, self.forwarded.get(key, key), values, strings, int(ret, 16), line, seq)
        stack = self.stacks.setdefault((pid, tid), [])
        call.frame = stack[-1] if stack else None
        stack.append(call)
        self.trace.calls.append(call)

    def on_ret(self, seq, line, pid, tid, dll, function, retval):
        key = self.forwarded.get(_key(dll, function), _key(dll, function))
        call = _close(self.stacks.get((pid, tid), []),
                      lambda f: isinstance(f, Call) and f.key == key)
        if call:
            call.retval = int(retval, 16)
            if call.key in _CREATE_WINDOW and call.retval and call.args[1] is not None:
                created = call.strings.get(2) or "#%d" % call.args[1]
                self.trace.add_window(call.retval, seq, created.lower())

    def on_proc(self, seq, line, pid, tid, which, kind, proc, fields):
        stack = self.stacks.setdefault((pid, tid), [])
        if which == "Call":
            values = dict(f.partition("=")[::2] for f in fields.split(","))
            stack.append(Frame(kind, int(proc, 16), values))
        else:
            _close(stack, lambda f: isinstance(f, Frame) and f.kind == kind
                   and f.proc == int(proc, 16))

    def on_thread(self, seq, line, pid, tid, proc):
        self.stacks[(pid, tid)] = [Frame("thread", int(proc, 16), {})]

    def on_loaded(self, seq, line, pid, tid, path, base):
        name = path.replace("\\\\", "\\").rsplit("\\", 1)[-1].lower()
        self.trace.loads.append((pid, name, int(base, 16)))

    def on_window_class(self, seq, line, pid, tid, text):
        self.creating.setdefault((pid, tid), []).append(window_class(text))

    def on_window_handle(self, seq, line, pid, tid, hwnd):
        if self.creating.get((pid, tid)):
            self.trace.add_window(int(hwnd, 16), seq, self.creating[(pid, tid)].pop())


_LINES = [(_CALL, _Parser.on_call), (_RET, _Parser.on_ret), (_PROC, _Parser.on_proc),
          (_ENTRY, _Parser.on_proc), (_THREAD, _Parser.on_thread), (_LOADED, _Parser.on_loaded),
          (_WINDOW_CLASS, _Parser.on_window_class), (_WINDOW_HANDLE, _Parser.on_window_handle)]


def parse_trace(lines, forwarded=None):
    """A Trace of the lines; forwarded maps the name Wine's relay gives a
    forwarded export back to the one the program called."""
    parser = _Parser(forwarded)
    for seq, line in enumerate(lines):
        line = line.rstrip("\n")
        for pattern, handle in _LINES:
            m = pattern.match(line)
            if m:
                handle(parser, seq, line, *m.groups())
                break
    return parser.trace
