// The main dialog's handler rules that are awkward to reach end to end,
// checked in-process on the real dialog: the error line's timing and what a
// stop reads back.
#include "FlatLookManager.h"
#include "PyroluxDlg.h"
#include "TestRun.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

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

void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

BOOL CALLBACK CloseAbout(HWND window, LPARAM)
{
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (IsWindowVisible(window) && lstrcmpA(caption, "Pyrolux") == 0)
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

// A script of steps run from a thread timer inside the dialog's modal loop,
// one step per tick of `period` ms, so the dialog's own timer gets its turns
// in between.
struct Script {
    std::vector<std::function<void(HWND)>> steps;
    size_t next = 0;
    HWND main = nullptr;
};
Script* g_script;

void CALLBACK RunScript(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), CloseAbout, 0);
    Script& s = *g_script;
    if (!s.main) {
        HWND found = FindWindowA("#32770", "Pyrolux BETA v.94");
        if (!found || !IsWindowVisible(found))
            return;
        s.main = found;
    }
    if (s.next < s.steps.size())
        s.steps[s.next++](s.main);
}

void RunDialog(Script& script, UINT period)
{
    // As the program runs it: the flat look on this thread.
    GetFlatLookManager()->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);
    g_script = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, period, RunScript);
    CPyroluxDlg dlg;
    dlg.DoModal();
    KillTimer(nullptr, timer);
    g_script = nullptr;
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

TEST(PyroluxDlgTest, ProgressBarsHaveTheirRangesAndTheDefaultStep)
{
    struct Bar { int id; int maximum; };
    const Bar bars[] = {
        { IDC_PROGRESS_COMPLEX_MATRIX, 90 }, { IDC_PROGRESS_CHIPSET_MEMORY, 50 },
        { IDC_PROGRESS_CPU_CHIPSET, 45 },    { IDC_PROGRESS_FIBONACCI, 60 },
        { IDC_PROGRESS_PI, 75 },             { IDC_PROGRESS_PRIME, 70 },
    };
    std::vector<PBRANGE> ranges;
    std::vector<LRESULT> steps;
    Script script;
    script.steps = {
        [&](HWND main) {
            for (const Bar& bar : bars) {
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
        EXPECT_EQ(ranges[i].iLow, 1) << bars[i].id;
        EXPECT_EQ(ranges[i].iHigh, bars[i].maximum) << bars[i].id;
        EXPECT_EQ(steps[i], 10) << bars[i].id;
    }
}
