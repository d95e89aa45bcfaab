// The hook, dialogs, hover tracking, Refresh and teardown, with real dialogs
// and real messages.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FlatControl.h"
#include "FlatLookFixture.h"
#include "FlatLookManager.h"
#include "FlatLookTestSupport.h"
#include "SubclassedWindow.h"
#include "Win32TestSupport.h"

using namespace flatlook;
using flattest::CornerX;
using flattest::CornerY;
using flattest::FlatLook;
using flattest::KindOf;
using flattest::Sys;
using flattest::TestDialog;
using flattest::WindowPixel;
using testsupport::DialogTemplate;
using testsupport::PumpMessages;
using testsupport::PumpUntil;

namespace {

TEST_F(FlatLook, InstallTwiceKeepsOneHookAndTheSecondMode)
{
    HHOOK first = m->HookOf(FlatLookManager::CurrentThread);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, m->HookOf(GetCurrentThreadId()));
    m->Install(GetCurrentThreadId(), FlatLookManager::ModeChildCreation);
    EXPECT_EQ(1u, m->HookCount());
    EXPECT_EQ(first, m->HookOf(FlatLookManager::CurrentThread));
    EXPECT_EQ(FlatLookManager::ModeChildCreation, m->Mode());

    // The second mode is the one in force: children attach as they are made.
    HWND host = Popup(0, 0, 200, 100, 0);
    HWND edit = Child(host, "Edit", 0, WS_EX_CLIENTEDGE, 0, 0, 100, 20);
    EXPECT_EQ(FlatKind::Edit, KindOf(m->FindControl(edit)));
    m->Install(FlatLookManager::CurrentThread,
               static_cast<FlatLookManager::AttachMode>(7));  // any value other than 1
    HWND list = Child(host, "ListBox", 0, WS_EX_CLIENTEDGE, 0, 30, 100, 50);
    EXPECT_EQ(FlatKind::Generic, KindOf(m->FindControl(list)));
    m->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);
    HWND later = Child(host, "ListBox", 0, WS_EX_CLIENTEDGE, 100, 30, 100, 50);
    EXPECT_EQ(nullptr, m->FindControl(later)) << "dialog mode ignores WM_CREATE";
}

TEST_F(FlatLook, RefusedHookLeavesNoEntry)
{
    DWORD ended = 0;
    { testsupport::TestThread thread([&ended] { ended = GetCurrentThreadId(); }); }
    ASSERT_NE(0u, ended);
    EXPECT_FALSE(m->Install(ended, FlatLookManager::ModeChildCreation));
    EXPECT_EQ(nullptr, m->HookOf(ended));
    EXPECT_EQ(1u, m->HookCount()) << "only the calling thread's hook";
    EXPECT_EQ(FlatLookManager::ModeChildCreation, m->Mode()) << "the mode is stored all the same";
    EXPECT_TRUE(m->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs));
}

TEST_F(FlatLook, UninstallStopsAttaching)
{
    m->Uninstall(FlatLookManager::CurrentThread);
    EXPECT_EQ(0u, m->HookCount());
    DialogTemplate t("plain", WS_POPUP, 0, 0, 200, 150);
    TestDialog dialog(ListDialog(t).get());
    EXPECT_EQ(0u, m->DialogCount());
    EXPECT_EQ(0u, m->ControlCount());
    m->Uninstall(FlatLookManager::CurrentThread);  // twice is harmless
}

TEST_F(FlatLook, ChildCreationSkipsExactlyScrollBar)
{
    m->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeChildCreation);
    HWND host = Popup(0, 0, 300, 200, 0);
    HWND systemBar = Child(host, "ScrollBar", SBS_HORZ, 0, 0, 0, 100, 16);
    EXPECT_EQ(nullptr, m->FindControl(systemBar));
    // The same class under another spelling (an application class that
    // shadows the system one) is classified.
    WNDCLASSA cls = {};
    ASSERT_TRUE(GetClassInfoA(nullptr, "ScrollBar", &cls));
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "scrollbar";
    ATOM atom = RegisterClassA(&cls);
    ASSERT_NE(0, atom);
    HWND lower = CreateWindowExA(0, "scrollbar", "", WS_CHILD | SBS_HORZ, 0, 20, 100, 16, host,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    char name[64];
    GetClassNameA(lower, name, sizeof name);
    ASSERT_STREQ("scrollbar", name);
    EXPECT_EQ(FlatKind::ScrollBar, KindOf(m->FindControl(lower)));
    // A top-level window is never attached at creation.
    HWND topLevel = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", WS_POPUP, 0, 0, 50, 20,
                                    nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(nullptr, m->FindControl(topLevel));
    DestroyWindow(topLevel);
    DestroyWindow(lower);
    UnregisterClassA("scrollbar", GetModuleHandleA(nullptr));
}

TEST_F(FlatLook, HookOnAThreadWithoutEntryDoesNothing)
{
    DialogTemplate t("plain", WS_POPUP, 0, 0, 200, 150);
    m->Uninstall(FlatLookManager::CurrentThread);
    TestDialog dialog(ListDialog(t).get());
    m->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);
    struct Call {
        HWND dialog;
        LRESULT result;
        size_t dialogs;
    } call = {dialog.get(), 99, 0};
    struct Other {
        static DWORD WINAPI Run(LPVOID p)
        {
            Call* c = static_cast<Call*>(p);
            CWPSTRUCT cwp = {0, 0, WM_INITDIALOG, c->dialog};
            c->result = FlatLookManager::CallWndHook(HC_ACTION, 0,
                                                     reinterpret_cast<LPARAM>(&cwp));
            c->dialogs = GetFlatLookManager()->DialogCount();
            return 0;
        }
    };
    HANDLE thread = CreateThread(nullptr, 0, Other::Run, &call, 0, nullptr);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    EXPECT_EQ(0, call.result);
    EXPECT_EQ(0u, call.dialogs);
}

struct SeenAtInit {
    bool dialogWatched = false;
    bool buttonAttached = false;
    WORD buttonState = 0;
    bool editAttached = false;
};

INT_PTR CALLBACK RecordInit(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    SeenAtInit* seen = reinterpret_cast<SeenAtInit*>(lParam);
    FlatLookManager* m = GetFlatLookManager();
    seen->dialogWatched = m->FindDialog(dialog) != nullptr;
    if (FlatControl* button = m->FindControl(GetDlgItem(dialog, 3))) {
        seen->buttonAttached = true;
        seen->buttonState = button->State();
    }
    seen->editAttached = m->FindControl(GetDlgItem(dialog, 2)) != nullptr;
    return TRUE;
}

TEST_F(FlatLook, ControlsAreAttachedAndRefreshedBeforeTheDialogInitialises)
{
    DialogTemplate t("init", WS_POPUP, 0, 0, 200, 150);
    SeenAtInit seen;
    TestDialog dialog(ListDialog(t).get(), nullptr, RecordInit, reinterpret_cast<LPARAM>(&seen));
    EXPECT_TRUE(seen.dialogWatched);
    EXPECT_TRUE(seen.buttonAttached);
    EXPECT_TRUE(seen.editAttached);
    EXPECT_TRUE(seen.buttonState & StateSmall) << "refreshed once when the dialog was attached";
}

struct Nested {
    HWND child = nullptr;
    const DLGTEMPLATE* childTemplate = nullptr;
};

INT_PTR CALLBACK ParentCreatesChildDialog(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    Nested* n = reinterpret_cast<Nested*>(lParam);
    n->child = CreateDialogIndirectParamA(nullptr, n->childTemplate, dialog,
                                          flattest::PlainDialogProc, 0);
    return TRUE;
}

TEST_F(FlatLook, NestedDialogsAttachAtTheirOwnInitDialog)
{
    DialogTemplate childT("", WS_CHILD | WS_VISIBLE | DS_CONTROL, 5, 40, 100, 40);
    childT.AddControl("Button", "inner", WS_VISIBLE | BS_AUTOCHECKBOX, 5, 5, 60, 12, 10);
    DialogTemplate parentT("outer", WS_POPUP, 0, 0, 200, 120);
    parentT.AddControl("Button", "outer", WS_VISIBLE, 5, 5, 50, 14, 11);
    Nested n;
    n.childTemplate = childT.get();
    TestDialog parent(parentT.get(), nullptr, ParentCreatesChildDialog,
                      reinterpret_cast<LPARAM>(&n));
    ASSERT_NE(nullptr, n.child);
    EXPECT_NE(nullptr, m->FindDialog(parent.get()));
    EXPECT_NE(nullptr, m->FindDialog(n.child));
    EXPECT_EQ(FlatKind::PushButton, KindOf(m->FindControl(parent.Item(11))));
    EXPECT_EQ(FlatKind::CheckBox, KindOf(m->FindControl(GetDlgItem(n.child, 10))));
    EXPECT_EQ(nullptr, m->FindControl(n.child));
    parent.Destroy();
    EXPECT_EQ(0u, m->DialogCount());

    // A dialog walked after its nested dialog exists leaves that dialog and
    // its controls to the nested dialog's own initialisation.
    m->Uninstall(FlatLookManager::CurrentThread);
    Nested quiet;
    quiet.childTemplate = childT.get();
    TestDialog parent2(parentT.get(), nullptr, ParentCreatesChildDialog,
                       reinterpret_cast<LPARAM>(&quiet));
    m->AttachDialog(parent2.get());
    m->AttachDialog(parent2.get());
    EXPECT_EQ(1u, m->DialogCount());
    EXPECT_EQ(1u, m->ControlCount());
    EXPECT_EQ(FlatKind::PushButton, KindOf(m->FindControl(parent2.Item(11))));
    EXPECT_EQ(nullptr, m->FindControl(quiet.child));
    EXPECT_EQ(nullptr, m->FindControl(GetDlgItem(quiet.child, 10)));
}

TEST_F(FlatLook, ControlsCreatedLaterAttachThroughParentNotify)
{
    DialogTemplate t("later", WS_POPUP, 0, 0, 200, 150);
    TestDialog dialog(t.get());
    ASSERT_NE(nullptr, m->FindDialog(dialog.get()));
    HWND list = Child(dialog.get(), "ListBox", 0, WS_EX_CLIENTEDGE, 0, 0, 100, 50);
    EXPECT_EQ(FlatKind::Generic, KindOf(m->FindControl(list)));
    HWND quiet = Child(dialog.get(), "ListBox", 0, WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY, 0,
                       60, 100, 50);
    EXPECT_EQ(nullptr, m->FindControl(quiet));
}

TEST_F(FlatLook, HoverFollowsTheCursor)
{
    DialogTemplate t("hover", WS_POPUP | WS_VISIBLE, CornerX, CornerY, 200, 150);
    TestDialog dialog(ListDialog(t).get());
    HWND list = dialog.Item(1), edit = dialog.Item(2), combo = dialog.Item(5);
    HWND label = dialog.Item(4);
    ASSERT_NE(nullptr, m->FindControl(list));
    ASSERT_NE(nullptr, m->FindControl(combo));
    SetForegroundWindow(dialog.get());
    PumpMessages(50);

    CursorTo(CentreOf(list));
    m->OnHoverTick();
    EXPECT_EQ(list, m->HotWindow());
    EXPECT_TRUE(m->FindControl(list)->State() & StateHot);

    CursorTo(CentreOf(edit));
    m->OnHoverTick();
    EXPECT_EQ(edit, m->HotWindow());
    EXPECT_FALSE(m->FindControl(list)->State() & StateHot) << "the old control is cleared";
    EXPECT_TRUE(m->FindControl(edit)->State() & StateHot);

    // Over the drop-down combo's own edit, which is not attached: the combo.
    HWND inner = GetTopWindow(combo);
    ASSERT_NE(nullptr, inner);
    ASSERT_EQ(nullptr, m->FindControl(inner));
    CursorTo(CentreOf(inner));
    m->OnHoverTick();
    EXPECT_EQ(combo, m->HotWindow());
    EXPECT_FALSE(m->FindControl(edit)->State() & StateHot);

    // While a window holds the capture nothing changes.
    SetCapture(dialog.get());
    CursorTo(CentreOf(list));
    m->OnHoverTick();
    EXPECT_EQ(combo, m->HotWindow());
    ReleaseCapture();

    // Over a control that is not attached (and whose parent is the dialog,
    // not attached either): nothing is hot.
    CursorTo(CentreOf(label));
    m->OnHoverTick();
    EXPECT_EQ(nullptr, m->HotWindow());
    EXPECT_FALSE(m->FindControl(combo)->State() & StateHot);

    // The timer does the same every 100 ms without help.
    CursorTo(CentreOf(list));
    EXPECT_TRUE(PumpUntil([&] { return m->HotWindow() == list; }, 2000));
}

TEST_F(FlatLook, HoverTimerRunsWhileControlsAreAttached)
{
    EXPECT_EQ(0u, m->HoverTimer());
    DialogTemplate t("timer", WS_POPUP, 0, 0, 200, 150);
    {
        TestDialog dialog(ListDialog(t).get());
        EXPECT_NE(0u, m->HoverTimer());
    }
    EXPECT_EQ(0u, m->HoverTimer()) << "the last detached control stops the timer";
    TestDialog again(ListDialog(t).get());
    EXPECT_NE(0u, m->HoverTimer()) << "and the next attached control starts it";
    m->Uninstall(FlatLookManager::CurrentThread);
    EXPECT_EQ(0u, m->HoverTimer()) << "removing the last hook stops it too";
    again.Destroy();
}

TEST_F(FlatLook, SmallFromTheFrameHeightAndClientEdgeShrink)
{
    HWND host = Popup(0, 0, 300, 200, 0);
    struct {
        int height;
        DWORD style;
        bool small;
    } cases[] = {
        {29, 0, true}, {30, 0, false}, {31, WS_BORDER, true}, {32, WS_BORDER, false}};
    for (const auto& c : cases) {
        HWND list = Child(host, "ListBox", c.style | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE, 0, 0,
                          100, c.height);
        ASSERT_TRUE(m->AttachControl(list));
        FlatControl* o = m->FindControl(list);
        o->Refresh();
        EXPECT_EQ(c.small, (o->State() & StateSmall) != 0)
            << c.height << " px, border " << (c.style != 0);
        DestroyWindow(list);
    }
}

TEST_F(FlatLook, ThreePixelClientEdgeMovesTheFrameInByOne)
{
    HWND host = Popup(600, 400, 300, 200);
    HWND bordered = Child(host, "ListBox", WS_BORDER | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE,
                          10, 10, 100, 60);
    HWND plain = Child(host, "ListBox", LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE, 150, 10, 100,
                       60);
    PumpMessages(50);
    ASSERT_TRUE(m->AttachControl(bordered));
    ASSERT_TRUE(m->AttachControl(plain));
    m->FindControl(bordered)->Refresh();
    m->FindControl(plain)->Refresh();
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), WindowPixel(bordered, 1, 30)) << "outer ring one pixel in";
    EXPECT_EQ(Sys(COLOR_3DLIGHT), WindowPixel(bordered, 2, 30));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), WindowPixel(bordered, 98, 30));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), WindowPixel(plain, 0, 30)) << "a 2-pixel edge: no shrink";
    EXPECT_EQ(Sys(COLOR_3DLIGHT), WindowPixel(plain, 1, 30));
}

TEST_F(FlatLook, FrameOfARealListBoxOnScreen)
{
    DialogTemplate t("screen", WS_POPUP | WS_VISIBLE, CornerX, CornerY, 200, 150);
    TestDialog dialog(ListDialog(t).get());
    SetForegroundWindow(dialog.get());
    HWND list = dialog.Item(1);
    for (int i = 0; i < 30; ++i)  // enough to show the vertical scroll bar
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("item"));
    PumpMessages(100);
    ASSERT_TRUE(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL);
    flattest::ParkCursor();
    m->OnHoverTick();
    RECT r;
    GetWindowRect(list, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    ASSERT_GE(h, 30);
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), WindowPixel(list, 0, 0));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), WindowPixel(list, 0, h / 2));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), WindowPixel(list, w - 1, h / 2));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), WindowPixel(list, w / 2, h - 1));
    EXPECT_EQ(Sys(COLOR_3DLIGHT), WindowPixel(list, 1, h / 2));
    EXPECT_EQ(Sys(COLOR_3DLIGHT), WindowPixel(list, w / 2, 1));
    EXPECT_EQ(Sys(COLOR_3DLIGHT), WindowPixel(list, w / 2, h - 2));
    // The vertical scroll bar's first arrow box, flat.
    int e = GetSystemMetrics(SM_CXEDGE), s = GetSystemMetrics(SM_CXHSCROLL);
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), WindowPixel(list, w - s - e, e));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), WindowPixel(list, w - e - 1, e + 3));

    // Hot: the inner ring turns DKSHADOW/LIGHT.
    CursorTo(CentreOf(list));
    m->OnHoverTick();
    EXPECT_EQ(Sys(COLOR_3DDKSHADOW), WindowPixel(list, 1, h / 2));
    EXPECT_EQ(Sys(COLOR_3DLIGHT), WindowPixel(list, w - 2, h / 2));
    EXPECT_EQ(Sys(COLOR_BTNFACE), WindowPixel(list, w - s - e, e)) << "active arrow box";

    // Disabled: the inner ring disappears into FACE.
    flattest::ParkCursor();
    m->OnHoverTick();
    EnableWindow(list, FALSE);
    EXPECT_EQ(Sys(COLOR_BTNFACE), WindowPixel(list, 1, h / 2));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), WindowPixel(list, 0, h / 2));
}

TEST_F(FlatLook, FocusedFrameIsNotRedrawnUntilTheFocusLeaves)
{
    DialogTemplate t("focus", WS_POPUP | WS_VISIBLE, CornerX, CornerY, 200, 150);
    TestDialog dialog(ListDialog(t).get());
    SetForegroundWindow(dialog.get());
    flattest::ParkCursor();
    HWND edit = dialog.Item(2), button = dialog.Item(3);
    ASSERT_TRUE(flattest::TakeFocus(dialog.get(), edit));
    PumpMessages(100);
    FlatControl* o = m->FindControl(edit);
    o->Refresh();
    ASSERT_TRUE(o->State() & StateFocused);
    EXPECT_EQ(Sys(COLOR_3DDKSHADOW), WindowPixel(edit, 1, 5));

    const COLORREF marker = RGB(1, 2, 3);
    HDC dc = GetWindowDC(edit);
    SolidFill(dc, 0, 0, 2, 10, marker);
    ReleaseDC(edit, dc);
    o->Refresh();
    EXPECT_EQ(marker, WindowPixel(edit, 0, 5)) << "staying focused draws nothing";
    EXPECT_EQ(marker, WindowPixel(edit, 1, 5));

    SetFocus(button);
    EXPECT_FALSE(o->State() & StateFocused);
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), WindowPixel(edit, 0, 5));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), WindowPixel(edit, 1, 5)) << "small, idle inner ring";
}

TEST_F(FlatLook, FocusVariantsOfTheKinds)
{
    DialogTemplate t("focus kinds", WS_POPUP | WS_VISIBLE, CornerX, CornerY, 240, 120);
    t.AddControl("ComboBox", "", WS_VISIBLE | CBS_DROPDOWN | WS_TABSTOP, 5, 5, 80, 60, 1)
        .AddControl("SysIPAddress32", "", WS_VISIBLE | WS_TABSTOP, 5, 30, 100, 14, 2,
                    WS_EX_CLIENTEDGE)
        .AddControl("Button", "check", WS_VISIBLE | BS_AUTOCHECKBOX | WS_TABSTOP, 5, 50, 60, 12,
                    3)
        .AddControl("Button", "push", WS_VISIBLE | WS_TABSTOP, 5, 70, 60, 14, 4)
        .AddControl("ComboBox", "", WS_VISIBLE | CBS_DROPDOWNLIST | WS_TABSTOP, 120, 5, 80, 60,
                    5);
    TestDialog dialog(t.get());
    SetForegroundWindow(dialog.get());
    flattest::ParkCursor();
    PumpMessages(50);
    FlatControl* combo = m->FindControl(dialog.Item(1));
    FlatControl* ip = m->FindControl(dialog.Item(2));
    FlatControl* check = m->FindControl(dialog.Item(3));
    FlatControl* push = m->FindControl(dialog.Item(4));
    FlatControl* list = m->FindControl(dialog.Item(5));
    ASSERT_TRUE(combo && ip && check && push && list);

    // The drop-down combo's inner edit: the combo counts as focused, and the
    // edit's EN_SETFOCUS has refreshed it already.
    HWND inner = GetTopWindow(dialog.Item(1));
    ASSERT_TRUE(flattest::TakeFocus(dialog.get(), inner));
    EXPECT_TRUE(combo->HasFocus());
    EXPECT_TRUE(combo->State() & StateFocused);

    // One of the IP-address fields: the control counts as focused.
    HWND field = GetTopWindow(dialog.Item(2));
    ASSERT_NE(nullptr, field);
    SetFocus(field);
    EXPECT_TRUE(ip->HasFocus());
    EXPECT_TRUE(ip->State() & StateFocused) << "refreshed on the field's EN_SETFOCUS";
    EXPECT_FALSE(combo->HasFocus());

    // Check boxes never count as focused; push buttons do.
    SetFocus(dialog.Item(3));
    ASSERT_EQ(dialog.Item(3), GetFocus());
    EXPECT_FALSE(check->HasFocus());
    EXPECT_FALSE(ip->State() & StateFocused) << "refreshed on the field's EN_KILLFOCUS";
    SetFocus(dialog.Item(4));
    EXPECT_TRUE(push->HasFocus());
    EXPECT_TRUE(push->State() & StateFocused);

    // A drop-down list has no inner edit: its own focus counts.
    SetFocus(dialog.Item(5));
    EXPECT_TRUE(list->HasFocus());
}

TEST_F(FlatLook, TeardownUnhooksAndRestoresEveryProcedure)
{
    DialogTemplate t("teardown", WS_POPUP, 0, 0, 200, 150);
    TestDialog dialog(ListDialog(t).get());
    HWND list = dialog.Item(1);
    LONG_PTR listBefore = reinterpret_cast<LONG_PTR>(m->FindControl(list)->PreviousProcedure());
    LONG_PTR dialogBefore = reinterpret_cast<LONG_PTR>(m->FindDialog(dialog.get())->PreviousProcedure());
    m->Teardown();
    EXPECT_EQ(0u, m->HookCount());
    EXPECT_EQ(0u, m->ControlCount());
    EXPECT_EQ(0u, m->DialogCount());
    EXPECT_EQ(0u, m->HoverTimer());
    EXPECT_EQ(listBefore, GetWindowLongPtrA(list, GWLP_WNDPROC));
    EXPECT_EQ(dialogBefore, GetWindowLongPtrA(dialog.get(), GWLP_WNDPROC));
    TestDialog after(ListDialog(t).get());
    EXPECT_EQ(0u, m->DialogCount()) << "no hook any more";
    // The windows keep working on their own procedures.
    EXPECT_EQ(0, SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one")));
}

TEST(ProcessExit, TeardownWithLiveSubclassedWindowsEndsCleanly)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string probe(path, n);
    probe = probe.substr(0, probe.find_last_of("\\/") + 1) + "flatlook_exit_probe.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + probe + "\"";
    ASSERT_TRUE(CreateProcessA(probe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process))
        << probe;
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 20000));
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(0u, code);
}

struct ModalRun {
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM, LPARAM)
    {
        if (message == WM_INITDIALOG) {
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        if (message == WM_COMMAND) {
            EndDialog(dialog, 42);
            return TRUE;
        }
        return FALSE;
    }
};

TEST_F(FlatLook, HundredsOfDialogsLeaveNothingBehind)
{
    // Hidden modeless dialogs (each costs Wine some X work); the modal runs
    // show theirs.
    DialogTemplate t("leak", WS_POPUP, 0, 0, 200, 150);
    t.AddControl("ListBox", "", WS_VISIBLE | WS_VSCROLL, 10, 10, 80, 60, 1, WS_EX_CLIENTEDGE)
        .AddControl("Edit", "text", WS_VISIBLE, 100, 10, 80, 12, 2, WS_EX_CLIENTEDGE)
        .AddControl("Button", "OK", WS_VISIBLE, 100, 40, 50, 14, 3)
        .AddControl("Static", "label", WS_VISIBLE, 100, 60, 50, 10, 4);
    auto cycle = [&] {
        for (int i = 0; i < 100; ++i) {
            TestDialog dialog(t.get());
            ASSERT_EQ(3u, m->ControlCount());
            m->FindControl(dialog.Item(1))->Refresh();
        }
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(42, DialogBoxIndirectParamA(nullptr, t.get(), nullptr, ModalRun::Proc, 0));
        PumpMessages(10);
    };
    cycle();  // warm up caches (fonts, classes)
    // Counted in ways that work under Wine too (it answers 0 to
    // GetGuiResources): the room left for GDI objects (a leaked DC or pen
    // shrinks it) and the thread's windows.
    int room = testsupport::GdiRoom();
    int windows = testsupport::ThreadWindowCount();
    cycle();
    EXPECT_EQ(0u, m->ControlCount());
    EXPECT_EQ(0u, m->DialogCount());
    EXPECT_EQ(0u, m->HoverTimer());
    EXPECT_GE(testsupport::GdiRoom() + 2, room) << "GDI objects left behind";
    EXPECT_LE(testsupport::ThreadWindowCount(), windows) << "windows left behind";
}

}  // namespace
