#include "Win32TestSupport.h"

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
