// End-to-end tests: the shipped Pyrolux.exe (dist/), driven from outside
// through window messages only.
#include "CpuIdentification.h"
#include "DistFiles.h"
#include "EndToEnd.h"
#include "PyroluxDriver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include <x86intrin.h>

using namespace driver;
using namespace e2e;

namespace {

// The time-stamp counter's rate measured against the performance counter.
double MeasureCounterMhz(DWORD milliseconds)
{
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    unsigned long long ticks0 = __rdtsc();
    Sleep(milliseconds);
    QueryPerformanceCounter(&end);
    unsigned long long ticks1 = __rdtsc();
    double seconds = double(end.QuadPart - begin.QuadPart) / double(frequency.QuadPart);
    return double(ticks1 - ticks0) / seconds / 1e6;
}

void SetCheck(HWND main, int id, bool checked)
{
    if (IsChecked(main, id) != checked)
        Click(main, id);
    WaitFor([&] { return IsChecked(main, id) == checked; }, 2000);
}

}  // namespace

TEST(PyroluxEndToEnd, DistHoldsTheDeliverablesOnly)
{
    // Test helpers (the probe, the stand-in sockets library) never ship.
    // Beside the deliverables only what scripts/package.sh writes: the
    // release archive and the binaries' digests.
    std::vector<std::string> listing = testsupport::DistListing(), deliverables, packaged;
    for (const std::string& name : listing) {
        bool archive = name.compare(0, 8, "Pyrolux-") == 0 && name.size() > 10 &&
                       name.compare(name.size() - 10, 10, "-win32.zip") == 0;
        (archive || name == "SHA256SUMS.txt" ? packaged : deliverables).push_back(name);
    }
    std::vector<std::string> expected = testsupport::Deliverables();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(deliverables, expected);
    EXPECT_LE(packaged.size(), 2u);
}

TEST(PyroluxEndToEnd, ClockTextFormIsReadStrictly)
{
    double mhz = 0;
    EXPECT_TRUE(ParseClockText("733.05   MHZ   estimated ", &mhz));
    EXPECT_DOUBLE_EQ(mhz, 733.05);
    EXPECT_TRUE(ParseClockText("0.00   MHZ   estimated ", &mhz));
    EXPECT_DOUBLE_EQ(mhz, 0.0);
    const char* wrong[] = {
        " 733.05   MHZ   estimated ",  // leading blank
        "0733.05   MHZ   estimated ",  // leading zero
        "733.5   MHZ   estimated ",    // one decimal
        "733.050   MHZ   estimated ",  // three decimals
        "73305   MHZ   estimated ",    // no point
        "733.05   MHZ   estimated",    // trailing blank missing
        "733.05  MHZ   estimated ",    // two blanks
        "   MHZ   estimated ",
    };
    for (const char* text : wrong)
        EXPECT_FALSE(ParseClockText(text, &mhz)) << "'" << text << "'";
}

TEST(PyroluxEndToEnd, StartsWithAboutThenShowsTheProcessor)
{
    ProcessorRecord record = {};
    IdentifyProcessor(&record);

    PyroluxProcess program;
    HWND main = StartPastAbout(program);
    ASSERT_TRUE(main);

    EXPECT_EQ(ItemText(main, IDC_CPU_TEXT), record.modelName);
    EXPECT_EQ(ItemText(main, IDC_ERROR_TEXT), "");

    // "733.00   MHZ   estimated ", close to the rate this process measures.
    std::string clock = ItemText(main, IDC_CLOCK_TEXT);
    double shownMhz = 0;
    ASSERT_TRUE(ParseClockText(clock, &shownMhz)) << clock;
    double measuredMhz = MeasureCounterMhz(200);
    EXPECT_NEAR(shownMhz, measuredMhz, measuredMhz * 0.05) << clock;

    bool mmx = (record.usableFeatures & FeatureMMX) != 0;
    bool sse = (record.usableFeatures & FeatureSSE) != 0;
    EXPECT_EQ(IsEnabled(main, IDC_USE_MMX), mmx);
    EXPECT_EQ(IsChecked(main, IDC_USE_MMX), mmx);
    EXPECT_EQ(IsEnabled(main, IDC_USE_SSE), sse);
    EXPECT_EQ(IsChecked(main, IDC_USE_SSE), sse);
    EXPECT_EQ(ItemText(main, IDC_START_STOP), "&Start Test");
    for (int bar : kBars)
        EXPECT_EQ(ProgressPos(main, bar), 1) << bar;  // ranges start at 1

    Probe probe;
    ASSERT_TRUE(probe.Attach(program.uiThreadId()));
    ASSERT_TRUE(probe.Query(main));
    const ProbeShared& inside = probe.shared();
    EXPECT_EQ(inside.beforeLastItemType & MFT_SEPARATOR, static_cast<UINT>(MFT_SEPARATOR));
    EXPECT_EQ(inside.lastItemId, static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_STREQ(inside.lastItemText, "&About Pyrolux...");
    EXPECT_TRUE(inside.bigIconMatches);
    EXPECT_TRUE(inside.smallIconMatches);
    EXPECT_EQ(inside.uiThreadPriority, THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_EQ(lstrcmpiA(inside.modulePath, ProgramPath().c_str()), 0)
        << inside.modulePath << ": the shipped file must be the one under test";

    Click(main, IDOK);  // "E&xit"
    EXPECT_TRUE(program.HasExited(5000));
}

TEST(PyroluxEndToEnd, StartAndStopRunTheChosenNumberOfWorkers)
{
    ProcessorRecord record = {};
    IdentifyProcessor(&record);
    bool mmx = (record.usableFeatures & FeatureMMX) != 0;
    bool sse = (record.usableFeatures & FeatureSSE) != 0;

    PyroluxProcess program;
    HWND main = StartPastAbout(program);
    ASSERT_TRUE(main);

    struct Case { bool mmx, sse; int workers; };
    const Case cases[] = {{true, true, 5}, {false, true, 4}, {true, false, 3}, {false, false, 2}};
    for (const Case& c : cases) {
        if ((c.mmx && !mmx) || (c.sse && !sse))
            continue;  // an option this processor cannot use stays off
        SCOPED_TRACE(testing::Message() << "mmx " << c.mmx << " sse " << c.sse);
        if (mmx)
            SetCheck(main, IDC_USE_MMX, c.mmx);
        if (sse)
            SetCheck(main, IDC_USE_SSE, c.sse);

        int baseline = ThreadCount(program.processId());
        EXPECT_EQ(WorkerCountAfterStart(program, main, c.workers), c.workers);
        EXPECT_TRUE(WaitFor([&] { return ItemText(main, IDC_START_STOP) == "&Stop"; }, 2000));
        EXPECT_FALSE(IsEnabled(main, IDC_USE_MMX));
        EXPECT_FALSE(IsEnabled(main, IDC_USE_SSE));
        EXPECT_TRUE(WaitFor(
            [&] { return ItemText(main, IDC_ERROR_TEXT) == kNoErrors; }, 2000));
        int before = ProgressPos(main, IDC_PROGRESS_COMPLEX_MATRIX);
        EXPECT_TRUE(WaitFor(
            [&] { return ProgressPos(main, IDC_PROGRESS_COMPLEX_MATRIX) != before; }, 2000))
            << "the bars must move while a test runs";

        Click(main, IDC_START_STOP);
        EXPECT_TRUE(WaitFor([&] { return ItemText(main, IDC_START_STOP) == "&Start Test"; }, 2000));
        for (int bar : kBars)
            EXPECT_EQ(ProgressPos(main, bar), 1) << bar;  // position 0 clamps to the minimum 1
        EXPECT_EQ(IsEnabled(main, IDC_USE_MMX), mmx);
        EXPECT_EQ(IsEnabled(main, IDC_USE_SSE), sse);
        EXPECT_EQ(ItemText(main, IDC_ERROR_TEXT), kNoErrors);
        EXPECT_TRUE(WaitFor([&] { return ThreadCount(program.processId()) == baseline; }, 5000))
            << "workers must end after their pass";
    }
    Click(main, IDOK);
    EXPECT_TRUE(program.HasExited(5000));
}

TEST(PyroluxEndToEnd, AboutFromTheSystemMenuDuringARun)
{
    PyroluxProcess program;
    HWND main = StartPastAbout(program);
    ASSERT_TRUE(main);
    Click(main, IDC_START_STOP);
    ASSERT_TRUE(WaitFor([&] { return ItemText(main, IDC_START_STOP) == "&Stop"; }, 2000));

    PostMessageA(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = program.WaitForDialog(kAboutCaption, 5000);
    ASSERT_TRUE(about);
    int before = ProgressPos(main, IDC_PROGRESS_PI);
    EXPECT_TRUE(WaitFor([&] { return ProgressPos(main, IDC_PROGRESS_PI) != before; }, 2000))
        << "the timer keeps running under the About dialog";
    Click(about, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 5000));
    EXPECT_EQ(ItemText(main, IDC_START_STOP), "&Stop");

    // The low four bits of a system command are ignored.
    PostMessageA(main, WM_SYSCOMMAND, IDM_ABOUTBOX | 0x0003, 0);
    about = program.WaitForDialog(kAboutCaption, 5000);
    ASSERT_TRUE(about);
    Click(about, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 5000));
    Click(main, IDOK);
    EXPECT_TRUE(program.HasExited(5000));
}

TEST(PyroluxEndToEnd, ExitEscapeAndCloseBoxEndARunningProgram)
{
    enum Way { Exit, Escape, CloseBox };
    for (Way way : {Exit, Escape, CloseBox}) {
        SCOPED_TRACE(way);
        PyroluxProcess program;
        HWND main = StartPastAbout(program);
        ASSERT_TRUE(main);
        Click(main, IDC_START_STOP);
        ASSERT_TRUE(WaitFor([&] { return ItemText(main, IDC_START_STOP) == "&Stop"; }, 2000));
        DWORD start = Now();
        switch (way) {
        case Exit:
            Click(main, IDOK);
            break;
        case Escape: {
            GUITHREADINFO info = {};
            info.cbSize = sizeof info;
            GetGUIThreadInfo(program.uiThreadId(), &info);
            HWND target = info.hwndFocus ? info.hwndFocus : main;
            PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
            break;
        }
        case CloseBox:
            PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        }
        EXPECT_TRUE(program.HasExited(3000)) << "the program must end at once, also during a run";
        printf("way %d: ended after %lu ms\n", static_cast<int>(way),
               static_cast<unsigned long>(Now() - start));
    }
}
