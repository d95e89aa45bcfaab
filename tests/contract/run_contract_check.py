#!/usr/bin/env python3
"""Records the calls the shipped binaries make into Windows during the
old-Windows smoke sessions, once told Windows 98 and once NT 4.0, and checks
them (check_contract.py).

    run_contract_check.py WINEPREFIX SMOKE_TEST_EXE [--keep DIR]

The smoke sessions (old_windows_smoke_test.exe, Versions/OldWindows.*) run
the program (About, a run with every option combination, Stop and Start
again at once, About from the system menu with both links, Exit) and the
modules (regsvr32, a host that loads them and ends a thread beside them).
Wine's relay channel is limited to the functions of the rule table and the
binaries' imports (HKCU\\Software\\Wine\\Debug RelayInclude, set for the run
and removed after it). Traces go to DIR (default: a temporary folder that is
removed unless the check fails)."""

import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source tree clean
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check_contract  # noqa: E402
import pe_image  # noqa: E402

DEBUG_KEY = r"HKCU\Software\Wine\Debug"
SESSION_TIMEOUT = 300  # seconds, per system


def wine_environment(prefix, debug):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix
    env["WINEDEBUG"] = debug
    # As wine-run: no browser, mail program or menu entries from a test.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml,winemenubuilder.exe,winebrowser.exe="
    return env


def relay_include(rules, binaries):
    names = set(rules) | set(check_contract.FORWARDED)
    for path in binaries:
        names.update(pe_image.PeImage(path).import_names())
    return ";".join(sorted(name.replace("!", ".") for name in names))


def set_relay_include(prefix, value):
    env = wine_environment(prefix, "-all")
    if value is None:
        command = ["wine", "reg", "delete", DEBUG_KEY, "/v", "RelayInclude", "/f"]
    else:
        command = ["wine", "reg", "add", DEBUG_KEY, "/v", "RelayInclude", "/d", value, "/f"]
    subprocess.run(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def record(prefix, smoke_test, system, trace_path, log_path):
    """Runs the system's smoke sessions with the relay trace; their exit code."""
    env = wine_environment(prefix, "+pid,+relay,+loaddll")
    with open(trace_path, "w") as trace, open(log_path, "w") as log:
        return subprocess.run(
            ["wine", smoke_test, "--gtest_filter=Versions/OldWindows.*/" + system],
            env=env, stdout=log, stderr=trace, timeout=SESSION_TIMEOUT).returncode


def main(argv):
    if len(argv) not in (2, 4) or (len(argv) == 4 and argv[2] != "--keep"):
        print(__doc__)
        return 2
    prefix, smoke_test = argv[0], argv[1]
    folder = argv[3] if len(argv) == 4 else tempfile.mkdtemp(prefix="pyrolux-contract-")
    os.makedirs(folder, exist_ok=True)
    with open(check_contract.DEFAULT_RULES) as f:
        rules = check_contract.load_rules(f)

    set_relay_include(prefix, relay_include(rules, check_contract.DEFAULT_BINARIES))
    traces, failed_sessions = [], []
    try:
        for system in ("win98", "nt40"):
            trace = os.path.join(folder, "trace-%s.txt" % system)
            log = os.path.join(folder, "sessions-%s.txt" % system)
            if record(prefix, smoke_test, system, trace, log) != 0:
                failed_sessions.append(log)
            traces.append("%s=%s" % (system, trace))
    finally:
        set_relay_include(prefix, None)

    status = check_contract.main(traces)
    for log in failed_sessions:
        print("the sessions failed; their output:")
        with open(log, errors="replace") as f:
            sys.stdout.write(f.read())
    if status or failed_sessions:
        print("traces kept in %s" % folder)
        return 1
    if len(argv) == 2:
        shutil.rmtree(folder)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
