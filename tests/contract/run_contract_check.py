#!/usr/bin/env python3
"""Records the calls the shipped binaries make into Windows during the
old-Windows smoke sessions, told Windows 95, 98, ME and NT 4.0 in turn, and
checks them (check_contract.py).

    run_contract_check.py PREFIX SMOKE_TEST_EXE LINK_RECORDER_EXE [--keep DIR]
                          [--binary PATH --shipped PATH ...]

The smoke sessions (old_windows_smoke_test.exe, Versions/OldWindows.*) run
the program (About, a run with every option combination, Stop and Start
again at once, About from the system menu with both links, Exit) and the
modules (regsvr32, a host that loads them and ends a thread beside them).
They run in a Wine prefix of their own (PREFIX, made on first use), where
Wine's relay channel traces only calls from the three binaries
(HKCU\\Software\\Wine\\Debug RelayFromInclude), to the functions of the rule
table and the binaries' imports under the names Wine's relay gives them
(RelayInclude, forwarders resolved), with nothing left out (RelayExclude
empty: Wine leaves out critical sections and TLS by default), and where
"mailto:" (opened by the shell) and ".htm" (the links' registry fallback)
start LINK_RECORDER_EXE, never a real program. Traces go to DIR (default: a
temporary folder that is removed unless the check fails). The binaries are
those of dist/ unless given (--binary); a 64-bit twin's run also names the
shipped ones (--shipped), and the check leaves out what only the twin
imports (check_contract.py --shipped)."""

import argparse

import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source tree clean
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check_contract  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(HERE))
SESSION_TIMEOUT = 300  # seconds, per system


def wine_environment(prefix, debug):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix
    env["WINEDEBUG"] = debug
    # As wine-run: no browser, mail program or menu entries from a test.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml,winemenubuilder.exe,winebrowser.exe="
    return env


def reg_string(text):
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')


def prepare_prefix(prefix, include, binaries, recorder, folder):
    """Makes the prefix once, then sets the relay's functions and the link
    handlers (one registry import)."""
    subprocess.run([os.path.join(ROOT, "scripts", "wine-prefix.sh"), prefix], check=True)
    command = '"Z:%s" "%%1"' % os.path.abspath(recorder).replace("/", "\\")
    lines = ["REGEDIT4", "",
             "[HKEY_CURRENT_USER\\Software\\Wine\\Debug]",
             '"RelayInclude"=' + reg_string(";".join(include)),
             '"RelayExclude"=""',
             '"RelayFromInclude"=' + reg_string(";".join(os.path.basename(b) for b in binaries)),
             '"RelayFromExclude"=-', "",
             "[HKEY_CLASSES_ROOT\\.htm]", "@=" + reg_string("PyroluxContractPage"), "",
             "[HKEY_CLASSES_ROOT\\PyroluxContractPage\\shell\\open\\command]",
             "@=" + reg_string(command), "",
             "[HKEY_CLASSES_ROOT\\mailto\\shell\\open\\command]",
             "@=" + reg_string(command), ""]
    reg_file = os.path.join(folder, "contract.reg")
    with open(reg_file, "w") as f:
        f.write("\r\n".join(lines))
    subprocess.run(["wine", "reg", "import", "Z:" + os.path.abspath(reg_file).replace("/", "\\")],
                   env=wine_environment(prefix, "-all"), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def record(prefix, smoke_test, system, trace_path, log_path):
    """Runs the system's smoke sessions with the relay trace; their exit code."""
    env = wine_environment(prefix, "+pid,+relay,+loaddll,+win")
    env["PYROLUX_LINK_RECORD"] = os.path.join(os.path.dirname(trace_path), "link-%s.txt" % system)
    with open(trace_path, "w") as trace, open(log_path, "w") as log:
        return subprocess.run(
            ["wine", smoke_test, "--gtest_filter=Versions/OldWindows.*/" + system],
            env=env, stdout=log, stderr=trace, timeout=SESSION_TIMEOUT).returncode


def main(argv):
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("prefix")
    parser.add_argument("smoke_test")
    parser.add_argument("recorder")
    parser.add_argument("--keep")
    parser.add_argument("--binary", action="append", dest="binaries")
    parser.add_argument("--shipped", action="append", default=[])
    args = parser.parse_args(argv)
    prefix, smoke_test, recorder = os.path.abspath(args.prefix), args.smoke_test, args.recorder
    folder = args.keep or tempfile.mkdtemp(prefix="pyrolux-contract-")
    os.makedirs(folder, exist_ok=True)
    binaries = args.binaries or check_contract.DEFAULT_BINARIES
    include = check_contract.load_setup(check_contract.DEFAULT_RULES,
                                        check_contract.DEFAULT_MESSAGES, binaries,
                                        shipped=args.shipped)[5]
    prepare_prefix(prefix, include, binaries, recorder, folder)
    traces, failed_sessions = [], []
    for system in check_contract.SYSTEMS:
        trace = os.path.join(folder, "trace-%s.txt" % system)
        log = os.path.join(folder, "sessions-%s.txt" % system)
        try:
            if record(prefix, smoke_test, system, trace, log) != 0:
                failed_sessions.append(log)
        finally:
            # Each session starts its own Wine, so its trace holds every
            # window (the desktop's too) created in it.
            subprocess.run(["wineserver", "-k"], env=wine_environment(prefix, "-all"))
        traces.append("%s=%s" % (system, trace))

    status = check_contract.main(
        ["--binary=" + b for b in binaries] + ["--shipped=" + b for b in args.shipped] + traces)
    for log in failed_sessions:
        print("the sessions failed; their output:")
        with open(log, errors="replace") as f:
            sys.stdout.write(f.read())
    if status or failed_sessions:
        print("traces kept in %s" % folder)
        return 1
    if not args.keep:
        shutil.rmtree(folder)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
