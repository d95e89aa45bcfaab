#include "Win32TestSupport.h"
#include "MessageSequence.h"

#include <gtest/gtest.h>

using testsupport::DialogTemplate;
using testsupport::MemoryDib;

TEST(MemoryDibTest, ReadsBackWhatWasDrawn)
{
    MemoryDib dib(10, 10, RGB(1, 2, 3));
    EXPECT_EQ(dib.Pixel(0, 0), RGB(1, 2, 3));
    SetPixel(dib.dc(), 4, 5, RGB(200, 100, 50));
    EXPECT_EQ(dib.Pixel(4, 5), RGB(200, 100, 50));
    EXPECT_EQ(dib.Pixel(5, 4), RGB(1, 2, 3));
}

static INT_PTR CALLBACK CloseAtInit(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        char text[64] = {};
        GetDlgItemTextA(dialog, 42, text, sizeof text);
        HWND edit = GetDlgItem(dialog, 43);
        char cls[64] = {};
        GetClassNameA(edit, cls, sizeof cls);
        bool ok = lstrcmpA(text, "Hello") == 0 && lstrcmpiA(cls, "Edit") == 0;
        EndDialog(dialog, ok ? 7 : 1);
        return TRUE;
    }
    return FALSE;
}

TEST(DialogTemplateTest, BuildsADialogWithItsControls)
{
    DialogTemplate t("Test", WS_POPUP | WS_CAPTION, 0, 0, 100, 60);
    t.AddControl("Static", "Hello", WS_VISIBLE, 5, 5, 40, 8, 42)
     .AddControl("Edit", "", WS_VISIBLE | WS_BORDER, 5, 20, 40, 12, 43, WS_EX_CLIENTEDGE);
    INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.get(), nullptr,
                                             CloseAtInit, 0);
    EXPECT_EQ(result, 7);
}

TEST(RunProcessTest, ReportsTheExitCodeOrThatNothingStarted)
{
    DWORD code = 0;
    ASSERT_TRUE(testsupport::RunProcess("cmd.exe /c exit 7", 30000, &code));
    EXPECT_EQ(code, 7u);
    ASSERT_TRUE(testsupport::RunProcess("cmd.exe /c exit 0", 30000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(testsupport::RunProcess("pyrolux-no-such-program.exe", 30000, &code));
}

TEST(TestThreadTest, RunsItsBodyElsewhereAndJoinsOnlyOnceEnded)
{
    testsupport::TestEvent release, ran;
    DWORD bodyThread = 0;
    testsupport::TestThread thread([&] {
        bodyThread = GetCurrentThreadId();
        ran.Set();
        release.Wait(10000);
    });
    ASSERT_TRUE(thread.Started());
    EXPECT_TRUE(ran.Wait(10000));
    EXPECT_FALSE(thread.Join(50)) << "joined while the body still waits";
    EXPECT_FALSE(release.Wait(0));
    release.Set();
    EXPECT_TRUE(thread.Join(10000));
    EXPECT_NE(bodyThread, 0u);
    EXPECT_NE(bodyThread, GetCurrentThreadId());
}

TEST(LeakCountsTest, GdiRoomShrinksByWhatIsHeldAndComesBack)
{
    int room = testsupport::GdiRoom();
    ASSERT_GT(room, 1000);
    EXPECT_EQ(room, testsupport::GdiRoom()) << "counting leaves nothing behind";
    HPEN held[3];
    for (HPEN& pen : held)
        pen = CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
    EXPECT_EQ(room - 3, testsupport::GdiRoom());
    for (HPEN pen : held)
        DeleteObject(pen);
    EXPECT_EQ(room, testsupport::GdiRoom());
}

TEST(LeakCountsTest, ThreadWindowsCountsTopLevelWindowsAndChildren)
{
    // Counted from the thread's first window on: with it the system may add
    // a hidden window of its own (Wine makes an IME window).
    HWND first = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    int before = testsupport::ThreadWindowCount();
    HWND top = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, top, nullptr, nullptr,
                                 nullptr);
    CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 2, 2, child, nullptr, nullptr, nullptr);
    EXPECT_EQ(before + 3, testsupport::ThreadWindowCount());
    int elsewhere = -1;
    testsupport::TestThread other([&] { elsewhere = testsupport::ThreadWindowCount(); });
    ASSERT_TRUE(other.Join(10000));
    EXPECT_EQ(0, elsewhere) << "another thread's windows are not counted";
    DestroyWindow(child);
    EXPECT_EQ(before + 1, testsupport::ThreadWindowCount());
    DestroyWindow(top);
    EXPECT_EQ(before, testsupport::ThreadWindowCount());
    DestroyWindow(first);
}

using testsupport::MessageEntry;
using testsupport::MessageSequence;
using testsupport::Optional;
using testsupport::PassedOn;
using testsupport::Posted;
using testsupport::Sent;

TEST(MessageSequenceTest, ComparesInOrderSkippingOptionalEntries)
{
    MessageSequence got;
    got.Add(WM_SETFOCUS, PassedOn, 0, 0, "refreshed");
    got.Add(WM_TIMER, Posted, 7);
    const MessageEntry focus{WM_SETFOCUS, PassedOn, 0, 0, "refreshed"};
    const MessageEntry timer{WM_TIMER, Posted | testsupport::CheckWParam, 7, 0, ""};
    const MessageEntry paint{WM_PAINT, Sent | Optional, 0, 0, ""};
    EXPECT_TRUE(testsupport::SequenceIs(got, {paint, focus, paint, timer, paint}));

    struct Case {
        const char* name;
        std::vector<MessageEntry> expected;
        const char* firstLine;
    };
    const Case cases[] = {
        {"another message", {focus, {WM_PAINT, Posted, 0, 0, ""}},
         "entry 1: WM_TIMER posted w=7 l=0, expected WM_PAINT posted w=0 l=0 (message differs)"},
        {"another way", {focus, {WM_TIMER, Sent, 0, 0, ""}},
         "entry 1: WM_TIMER posted w=7 l=0, expected WM_TIMER sent w=0 l=0 (how it arrived differs)"},
        {"another wParam", {focus, {WM_TIMER, Posted | testsupport::CheckWParam, 8, 0, ""}},
         "entry 1: WM_TIMER posted w=7 l=0, expected WM_TIMER posted w=8 l=0 (wParam differs)"},
        {"another note", {{WM_SETFOCUS, PassedOn, 0, 0, "pending"}, timer},
         "entry 0: WM_SETFOCUS passed-on w=0 l=0 (refreshed), expected WM_SETFOCUS passed-on "
         "w=0 l=0 (pending) (note differs)"},
        {"one too many", {focus}, "not expected: entry 1: WM_TIMER posted w=7 l=0"},
        {"one missing", {focus, timer, {WM_NCDESTROY, Sent, 0, 0, ""}},
         "missing at the end: WM_NCDESTROY sent w=0 l=0"},
    };
    for (const Case& c : cases) {
        std::string difference = testsupport::SequenceDifference(got.Entries(), c.expected);
        EXPECT_EQ(c.firstLine, difference.substr(0, difference.find('\n'))) << c.name;
        EXPECT_NE(std::string::npos, difference.find("recorded:\n  0: WM_SETFOCUS")) << c.name;
    }
}

TEST(MessageSequenceTest, RecorderTellsSentFromPostedForItsWindowsAndMessages)
{
    HWND watched = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    HWND other = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    {
        testsupport::MessageRecorder recorder({watched}, {WM_SETTEXT, WM_APP});
        SetWindowTextA(watched, "a");
        SetWindowTextA(other, "b");
        SendMessageA(watched, WM_APP + 1, 0, 0);
        PostMessageA(watched, WM_APP, 5, 6);
        testsupport::PumpMessages(20);
        EXPECT_TRUE(testsupport::SequenceIs(
            recorder.sequence, {{WM_SETTEXT, Sent, 0, 0, ""},
                                {WM_APP, Posted | testsupport::CheckWParam | testsupport::CheckLParam,
                                 5, 6, ""}}));
    }
    DestroyWindow(watched);
    DestroyWindow(other);
}
