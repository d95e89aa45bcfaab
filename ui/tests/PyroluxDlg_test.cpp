// The main dialog's handler rules that are awkward to reach end to end,
// checked in-process on the real dialog: the error line's timing and what a
// stop reads back.
#include "FlatLookManager.h"
#include "MessageBoxCatcher.h"
#include "CpuIdentification.h"
#include "PyroluxDlg.h"
#include "TestRun.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string ItemText(HWND dialog, int id)
{
    char text[256] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The six bars and the maxima of their ranges (all start at 1).
struct Bar { int id; int maximum; };
const Bar kBars[] = {
    { IDC_PROGRESS_COMPLEX_MATRIX, 90 }, { IDC_PROGRESS_CHIPSET_MEMORY, 50 },
    { IDC_PROGRESS_CPU_CHIPSET, 45 },    { IDC_PROGRESS_FIBONACCI, 60 },
    { IDC_PROGRESS_PI, 75 },             { IDC_PROGRESS_PRIME, 70 },
};

std::vector<LRESULT> BarPositions(HWND dialog)
{
    std::vector<LRESULT> positions;
    for (const Bar& bar : kBars)
        positions.push_back(SendDlgItemMessageA(dialog, bar.id, PBM_GETPOS, 0, 0));
    return positions;
}

void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Finds this thread's visible dialog with the caption; other programs may
// show windows of the same name (the end-to-end test runs Pyrolux.exe).
struct FindCaption {
    const char* caption;
    bool mustBeVisible;
    HWND found;
};

BOOL CALLBACK FindOwnDialog(HWND window, LPARAM lParam)
{
    FindCaption* find = reinterpret_cast<FindCaption*>(lParam);
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if ((IsWindowVisible(window) || !find->mustBeVisible) && lstrcmpA(caption, find->caption) == 0) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND OwnDialog(const char* caption, bool mustBeVisible = true)
{
    FindCaption find = {caption, mustBeVisible, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindOwnDialog, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

// A script of steps run from a thread timer inside the dialog's modal loop,
// one step per tick of `period` ms, so the dialog's own timer gets its turns
// in between. A script that cannot finish ends the dialog after a while
// rather than hanging the test.
struct Script {
    std::vector<std::function<void(HWND)>> steps;
    size_t next = 0;
    HWND main = nullptr;
    DWORD started = GetTickCount();
    bool gaveUp = false;
};
Script* g_script;

void CALLBACK RunScript(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND about = OwnDialog("Pyrolux"))
        PostMessageA(about, WM_COMMAND, IDOK, 0);
    Script& s = *g_script;
    if (!s.main) {
        s.main = OwnDialog("Pyrolux BETA v.94");
        if (!s.main) {
            if (GetTickCount() - s.started > 20000 && !s.gaveUp) {
                s.gaveUp = true;
                if (HWND hidden = OwnDialog("Pyrolux BETA v.94", false))
                    PostMessageA(hidden, WM_COMMAND, IDCANCEL, 0);
            }
            return;
        }
    }
    if (s.next < s.steps.size()) {
        s.steps[s.next++](s.main);
    } else if (GetTickCount() - s.started > 60000 && !s.gaveUp) {
        s.gaveUp = true;
        PostMessageA(s.main, WM_COMMAND, IDCANCEL, 0);
    }
}

void RunDialog(Script& script, UINT period, ThreadStartProc startThread = StartWorkerThread)
{
    // As the program runs it: the flat look on this thread.
    GetFlatLookManager()->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);
    g_script = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, period, RunScript);
    CPyroluxDlg dlg(nullptr, startThread);
    dlg.DoModal();
    KillTimer(nullptr, timer);
    g_script = nullptr;
    EXPECT_FALSE(script.gaveUp) << "the script could not drive the dialog to its end";
}

}  // namespace

TEST(PyroluxDlgTest, ErrorLineFollowsTheFlagsAtEachTick)
{
    Script script;
    std::vector<std::string> seen;
    auto record = [&](HWND main) { seen.push_back(ItemText(main, IDC_ERROR_TEXT)); };
    script.steps = {
        record,                                                 // 0: blank at first show
        [&](HWND main) { Click(main, IDC_START_STOP); record(main); },  // 1: not yet shown
        record,                                                 // 2: first ticks passed
        [&](HWND main) { g_testFlags.ErrorMatrix = 1; record(main); },
        record,                                                 // 4: shown at the next tick
        record,                                                 // 5: and it stays
        [&](HWND main) { Click(main, IDC_START_STOP); record(main); },  // 6: a stop keeps it
        // 7: a stop within 100 ms of a start reads the old text back
        [&](HWND main) { Click(main, IDC_START_STOP); Click(main, IDC_START_STOP); record(main); },
        record,                                                 // 8: and keeps showing it
        [&](HWND main) { Click(main, IDC_START_STOP); },        // a fresh start clears the flags
        record,                                                 // 10
        [&](HWND main) { Click(main, IDC_START_STOP); PostMessageA(main, WM_COMMAND, IDOK, 0); },
    };
    RunDialog(script, 350);

    ASSERT_EQ(seen.size(), 10u);
    EXPECT_EQ(seen[0], "");
    EXPECT_EQ(seen[1], "");
    EXPECT_EQ(seen[2], "No Error(s) detected yet!");
    EXPECT_EQ(seen[3], "No Error(s) detected yet!");
    EXPECT_EQ(seen[4], " Error in Matrix");
    EXPECT_EQ(seen[5], " Error in Matrix");
    EXPECT_EQ(seen[6], " Error in Matrix");
    EXPECT_EQ(seen[7], " Error in Matrix");
    EXPECT_EQ(seen[8], " Error in Matrix");
    EXPECT_EQ(seen[9], "No Error(s) detected yet!");
    EXPECT_EQ(g_testFlags.Idle.load(), 1);
}

namespace {
// A system that creates the first worker's thread and refuses the second
// (Windows 95 and 98 did so for every worker: see the thread start). The
// first one never runs here.
int s_threadStarts;
bool SecondThreadFails(WorkerProc, void*, std::uint32_t)
{
    return ++s_threadStarts < 2;
}
}  // namespace

TEST(PyroluxDlgTest, RunThatCannotStartItsWorkersStaysIdleAndSaysSo)
{
    MessageBoxCatcher boxes;
    s_threadStarts = 0;
    std::string button, error;
    BOOL mmxEnabled = FALSE, buttonEnabled = FALSE, timerRunning = TRUE;
    std::vector<LRESULT> barsAfterClick, barsLater;
    Script script;
    script.steps = {
        [&](HWND main) {
            Click(main, IDC_START_STOP);
            barsAfterClick = BarPositions(main);
        },
        [&](HWND main) {  // a tick later: no timer was started
            timerRunning = KillTimer(main, 1);  // the dialog's test timer
            barsLater = BarPositions(main);
            button = ItemText(main, IDC_START_STOP);
            error = ItemText(main, IDC_ERROR_TEXT);
            buttonEnabled = IsWindowEnabled(GetDlgItem(main, IDC_START_STOP));
            mmxEnabled = IsWindowEnabled(GetDlgItem(main, IDC_USE_MMX));
            PostMessageA(main, WM_COMMAND, IDOK, 0);
        },
    };
    RunDialog(script, 350, SecondThreadFails);

    EXPECT_EQ(s_threadStarts, 2);
    EXPECT_EQ(g_testFlags.Idle.load(), 1);
    EXPECT_EQ(g_testFlags.Stop.load(), 1) << "the worker that did start is not stopped";
    EXPECT_FALSE(timerRunning) << "the bars cycle while nothing runs";
    EXPECT_EQ(barsLater, barsAfterClick);
    EXPECT_EQ(button, "&Start Test");
    EXPECT_TRUE(buttonEnabled);
    EXPECT_EQ(error, "");
    ProcessorRecord record = {};
    IdentifyProcessor(&record);
    EXPECT_EQ(mmxEnabled != FALSE, (record.usableFeatures & FeatureMMX) != 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, CPyroluxDlg::StartFailedText);
    EXPECT_TRUE(boxes.boxes[0].exclamationIcon);
    EXPECT_EQ(boxes.boxes[0].buttons, 1);
}

TEST(PyroluxDlgTest, ProgressBarsHaveTheirRangesAndTheDefaultStep)
{
    std::vector<PBRANGE> ranges;
    std::vector<LRESULT> steps;
    Script script;
    script.steps = {
        [&](HWND main) {
            for (const Bar& bar : kBars) {
                PBRANGE range = {};
                SendDlgItemMessageA(main, bar.id, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
                ranges.push_back(range);
                // PBM_SETSTEP answers the step it replaces.
                steps.push_back(SendDlgItemMessageA(main, bar.id, PBM_SETSTEP, 10, 0));
            }
            PostMessageA(main, WM_COMMAND, IDOK, 0);
        },
    };
    RunDialog(script, 100);

    ASSERT_EQ(ranges.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(ranges[i].iLow, 1) << kBars[i].id;
        EXPECT_EQ(ranges[i].iHigh, kBars[i].maximum) << kBars[i].id;
        EXPECT_EQ(steps[i], 10) << kBars[i].id;
    }
}

// The program's resources (this test links the program's resource script).
TEST(PyroluxResources, VersionResourceOfTheProgram)
{
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(94, 0)));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(MAKELONG(1, 0)));
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask,
              static_cast<DWORD>(VS_FF_PRIVATEBUILD | VS_FF_SPECIALBUILD));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const char* const expected[][2] = {
        { "Comments", "BETA 4 Version" },
        { "CompanyName", "Quillmark" },
        { "FileDescription", "Pyrolux BETA  Application" },
        { "FileVersion", "0. 94" },
        { "InternalName", "Pyrolux" },
        { "OriginalFilename", "Pyrolux.EXE" },
        { "PrivateBuild", "399" },
        { "ProductName", "Pyrolux Application" },
        { "ProductVersion", "BETA 4" },
        { "SpecialBuild", "32" },
    };
    for (const auto& e : expected) {
        std::string key = std::string("\\StringFileInfo\\040904b0\\") + e[0];
        char* value = nullptr;
        length = 0;
        ASSERT_TRUE(VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
            << e[0];
        EXPECT_STREQ(value, e[1]) << e[0];
    }
}

TEST(PyroluxResources, MainDialogTemplateHeader)
{
    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_PYROLUX_DIALOG), reinterpret_cast<LPCSTR>(RT_DIALOG));
    ASSERT_NE(res, nullptr);
    const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    ASSERT_NE(p, nullptr);
    WORD version, signature, count, cx, cy;
    DWORD exStyle, style;
    std::memcpy(&version, p, 2);
    std::memcpy(&signature, p + 2, 2);
    std::memcpy(&exStyle, p + 8, 4);
    std::memcpy(&style, p + 12, 4);
    std::memcpy(&count, p + 16, 2);
    std::memcpy(&cx, p + 22, 2);
    std::memcpy(&cy, p + 24, 2);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(signature, 0xFFFF);  // an extended template
    EXPECT_EQ(exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                        DS_3DLOOK | DS_SETFONT | DS_CENTER | DS_CENTERMOUSE));
    EXPECT_EQ(count, 25);
    EXPECT_EQ(cx, 225);
    EXPECT_EQ(cy, 180);
}
