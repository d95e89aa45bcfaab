#!/usr/bin/env python3
"""Records the calls the shipped binaries make into Windows during the
old-Windows smoke sessions, told Windows 95, 98, ME and NT 4.0 in turn, and
checks them (check_contract.py).

    run_contract_check.py PREFIX SMOKE_TEST_EXE LINK_RECORDER_EXE [--keep DIR]

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
temporary folder that is removed unless the check fails)."""

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
    if len(argv) not in (3, 5) or (len(argv) == 5 and argv[3] != "--keep"):
        print(__doc__)
        return 2
    prefix, smoke_test, recorder = os.path.abspath(argv[0]), argv[1], argv[2]
    folder = argv[4] if len(argv) == 5 else tempfile.mkdtemp(prefix="pyrolux-contract-")
    os.makedirs(folder, exist_ok=True)
    binaries = check_contract.DEFAULT_BINARIES
    include = check_contract.load_setup(check_contract.DEFAULT_RULES,
                                        check_contract.DEFAULT_MESSAGES, binaries)[5]
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

    status = check_contract.main(traces)
    for log in failed_sessions:
        print("the sessions failed; their output:")
        with open(log, errors="replace") as f:
            sys.stdout.write(f.read())
    if status or failed_sessions:
        print("traces kept in %s" % folder)
        return 1
    if len(argv) == 3:
        shutil.rmtree(folder)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
