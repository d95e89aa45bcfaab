// Drives a real Pyrolux.exe from another process, only through window
// messages, as a user's clicks would arrive.
#pragma once

#include "ProbeProtocol.h"

#include <windows.h>

#include <string>

namespace driver {

// Milliseconds since an arbitrary start, for deadlines.
DWORD Now();

// Calls done() every 10 ms until it answers true or `milliseconds` pass.
template <typename Predicate>
bool WaitFor(Predicate done, DWORD milliseconds)
{
    DWORD start = Now();
    for (;;) {
        if (done())
            return true;
        if (Now() - start >= milliseconds)
            return false;
        Sleep(10);
    }
}

std::string WindowText(HWND window);
std::string ClassName(HWND window);
// Number of threads of a process (Toolhelp).
int ThreadCount(DWORD processId);
// Folder of the running executable.
std::string ExecutableDirectory();
// The probe DLL, built beside the driving programs (never shipped).
std::string ProbeDllPath();

class PyroluxProcess {
public:
    PyroluxProcess() = default;
    ~PyroluxProcess();
    PyroluxProcess(const PyroluxProcess&) = delete;
    PyroluxProcess& operator=(const PyroluxProcess&) = delete;

    // Starts the program in `directory` (the caller's current one if null).
    bool Start(const std::string& exePath, const char* directory = nullptr);
    DWORD processId() const { return m_info.dwProcessId; }
    DWORD uiThreadId() const { return m_info.dwThreadId; }
    HANDLE process() const { return m_info.hProcess; }
    bool HasExited(DWORD waitMilliseconds = 0) const;
    DWORD ExitCode() const;
    void Kill();

    // The visible top-level dialog of the process with this caption, or null.
    HWND FindDialog(const char* caption, bool mustBeVisible = true) const;
    HWND WaitForDialog(const char* caption, DWORD milliseconds) const;

private:
    PROCESS_INFORMATION m_info = {};
};

// Clicks a button the way a mouse click ends up: BM_CLICK, posted.
void Click(HWND dialog, int controlId);
bool IsChecked(HWND dialog, int controlId);
bool IsEnabled(HWND dialog, int controlId);
std::string ItemText(HWND dialog, int controlId);
int ProgressPos(HWND dialog, int controlId);

// The probe DLL hooked into the program's user-interface thread.
class Probe {
public:
    Probe();
    ~Probe();
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    bool Attach(DWORD uiThreadId);
    // Posts a query to `window` and waits for the answer.
    bool Query(HWND window, DWORD milliseconds = 5000);
    const ProbeShared& shared() const { return *m_shared; }
    LONG TimerMessages() const { return m_shared->timerMessages; }

private:
    HANDLE m_mapping = nullptr;
    ProbeShared* m_shared = nullptr;
    HMODULE m_module = nullptr;
    HHOOK m_hook = nullptr;
};

}  // namespace driver
