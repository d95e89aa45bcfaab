// pyrolux_diagnostic: measures a real Pyrolux.exe from outside and prints
// figures (not a test): start-up time, timer ticks per second and the
// user-interface thread's CPU share during a 10-second run with every
// option on, and the time from Stop until the last worker has ended.
//   pyrolux_diagnostic [Pyrolux.exe]   (dist\Pyrolux.exe when none is named)
#include "DistFiles.h"
#include "PyroluxDriver.h"
#include "resource.h"

#include <cstdio>
#include <string>

using namespace driver;

static double Seconds(const FILETIME& kernel, const FILETIME& user)
{
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return double(k.QuadPart + u.QuadPart) / 1e7;
}

// The UI thread's CPU time so far, in seconds.
static double UiSeconds(Probe& probe, HWND main)
{
    probe.Query(main);
    return Seconds(probe.shared().uiKernelTime, probe.shared().uiUserTime);
}

// Starts the program, times its About dialog, closes it and turns on every
// option the processor offers. Returns the main window, nullptr on failure.
static HWND OpenMainWindow(PyroluxProcess& program, const std::string& exe)
{
    DWORD launched = Now();
    if (!program.Start(exe)) {
        std::fprintf(stderr, "cannot start %s\n", exe.c_str());
        return nullptr;
    }
    HWND about = program.WaitForDialog("Pyrolux", 20000);
    if (!about)
        return nullptr;
    std::printf("process start to About dialog:   %lu ms (includes the 1 s clock estimate)\n",
                static_cast<unsigned long>(Now() - launched));
    Click(about, IDOK);
    HWND main = program.WaitForDialog("Pyrolux BETA v.94", 10000);
    if (!main)
        return nullptr;
    for (int id : {IDC_USE_MMX, IDC_USE_SSE}) {
        if (IsEnabled(main, id) && !IsChecked(main, id))
            Click(main, id);
    }
    Sleep(200);
    return main;
}

// For comparison: the same window idle (flat-look hover timer only).
static void MeasureIdle(Probe& probe, HWND main)
{
    double idle0 = UiSeconds(probe, main);
    DWORD idleStart = Now();
    Sleep(3000);
    double idle1 = UiSeconds(probe, main);
    std::printf("UI thread CPU share, idle:       %.2f %%\n",
                100.0 * (idle1 - idle0) / ((Now() - idleStart) / 1000.0));
}

// A 10-second run: worker threads, timer ticks and the UI thread's share,
// then the time from Stop until the last worker has ended.
static void MeasureRun(PyroluxProcess& program, Probe& probe, HWND main, int baseline)
{
    Click(main, IDC_START_STOP);
    Sleep(500);
    int workers = ThreadCount(program.processId()) - baseline;

    probe.Query(main);
    LONG ticks0 = probe.TimerMessages();
    double cpu0 = Seconds(probe.shared().uiKernelTime, probe.shared().uiUserTime);
    DWORD t0 = Now();
    Sleep(10000);
    probe.Query(main);
    LONG ticks1 = probe.TimerMessages();
    double cpu1 = Seconds(probe.shared().uiKernelTime, probe.shared().uiUserTime);
    double wall = (Now() - t0) / 1000.0;

    std::printf("worker threads:                  %d\n", workers);
    std::printf("timer ticks per second:          %.2f (target at least 9 of 10)\n",
                (ticks1 - ticks0) / wall);
    std::printf("UI thread CPU share:             %.2f %% (target under 2 %%)\n",
                100.0 * (cpu1 - cpu0) / wall);

    DWORD stopped = Now();
    Click(main, IDC_START_STOP);
    bool ended = WaitFor([&] { return ThreadCount(program.processId()) <= baseline; }, 10000);
    std::printf("Stop to last worker ended:       %lu ms%s\n",
                static_cast<unsigned long>(Now() - stopped), ended ? "" : " (not all ended!)");
}

// Start/Stop clicked 200 times as fast as messages allow. Returns whether
// the program ended stopped, responsive and without a worker left.
static bool ClickStartStopRapidly(PyroluxProcess& program, HWND main, int baseline)
{
    DWORD clicks = Now();
    HWND button = GetDlgItem(main, IDC_START_STOP);
    for (int i = 0; i < 400; ++i) {
        // Sent, not posted: each click is handled before the next one goes.
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    }
    bool idle = WaitFor([&] { return ItemText(main, IDC_START_STOP) == "&Start Test"; }, 30000);
    DWORD_PTR answer = 0;
    DWORD pinged = Now();
    bool responsive = SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer) != 0;
    DWORD pingMs = Now() - pinged;
    bool drained = WaitFor([&] { return ThreadCount(program.processId()) <= baseline; }, 30000);
    std::printf("200 x Start/Stop:                %lu ms; %s, %s (answered in %lu ms), %s\n",
                static_cast<unsigned long>(Now() - clicks), idle ? "stopped" : "NOT stopped",
                responsive ? "responsive" : "NOT responsive", static_cast<unsigned long>(pingMs),
                drained ? "no worker left" : "workers left running!");
    return idle && responsive && drained;
}

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: pyrolux_diagnostic [Pyrolux.exe]\n");
        return 2;
    }
    // What ships is what is measured.
    std::string exe = argc == 2 ? argv[1] : testsupport::DistFile("Pyrolux.exe");
    std::printf("measuring %s\n", exe.c_str());
    PyroluxProcess program;
    HWND main = OpenMainWindow(program, exe);
    if (!main)
        return 1;

    Probe probe;
    if (!probe.Attach(program.uiThreadId())) {
        std::fprintf(stderr, "cannot hook the program\n");
        return 1;
    }
    MeasureIdle(probe, main);
    int baseline = ThreadCount(program.processId());
    MeasureRun(program, probe, main, baseline);
    bool settled = ClickStartStopRapidly(program, main, baseline);

    Click(main, IDOK);
    program.HasExited(5000);
    return settled ? 0 : 1;
}
