// Modal dialogs: creation order, data exchange both ways, the results of
// Enter, Esc, OK and the close box, the pre-filter inside the modal loop,
// and no binding left behind after many dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Afx.h"
#include "MessageSequence.h"
#include "Win32TestSupport.h"
#include "framework_test_app.h"

namespace {

const int IDC_NAME = 300;
const int IDC_CHECK = 301;
const int IDC_BAR = 302;
const UINT WM_TEST_DRIVE = WM_APP + 10;

using testsupport::DialogTemplate;

DialogTemplate MakeTemplate(DWORD extraStyle = 0)
{
    DialogTemplate t("Test dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | extraStyle,
                     10, 10, 160, 80);
    t.AddControl("STATIC", "template text", WS_CHILD | WS_VISIBLE | SS_LEFT, 5, 5, 100, 10, IDC_NAME)
        .AddControl("BUTTON", "Check", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 5, 20, 60, 10, IDC_CHECK)
        .AddControl(PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 5, 35, 100, 6, IDC_BAR)
        .AddControl("BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 100, 60, 50, 14, IDOK);
    return t;
}

// Records what happens to it; `drive` runs once the modal loop is running.
class TestDialog : public CDialog {
public:
    explicit TestDialog(const DLGTEMPLATE* t, CWnd* parent = nullptr) : CDialog(t, parent) {}

    CString m_name;
    CButton m_check;
    CProgressCtrl m_bar;
    std::vector<std::string> log;
    std::function<void(TestDialog&)> drive;
    int createResult = 0;
    bool visibleAtCreate = true;
    int preTranslated = 0;

    void DoDataExchange(CDataExchange* pDX) override
    {
        log.push_back(pDX->m_bSaveAndValidate ? "ddx:save" : "ddx:load");
        DDX_Control(pDX, IDC_CHECK, m_check);
        DDX_Control(pDX, IDC_BAR, m_bar);
        DDX_Text(pDX, IDC_NAME, m_name);
    }
    afx_msg int OnCreate(LPCREATESTRUCTA cs)
    {
        log.push_back("create");
        visibleAtCreate = IsWindowVisible() != FALSE;
        if (CDialog::OnCreate(cs) == -1)
            return -1;
        return createResult;
    }
    BOOL OnInitDialog() override
    {
        log.push_back("initdialog");
        CDialog::OnInitDialog();
        PostMessage(WM_TEST_DRIVE);
        return TRUE;
    }
    afx_msg LRESULT OnDrive(WPARAM, LPARAM)
    {
        if (drive)
            drive(*this);
        return 0;
    }
    void OnOK() override
    {
        log.push_back("ok");
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        log.push_back("cancel");
        CDialog::OnCancel();
    }
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_TEST_DRIVE + 1)
            ++preTranslated;
        return CDialog::PreTranslateMessage(pMsg);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
    ON_WM_CREATE()
    ON_MESSAGE(WM_TEST_DRIVE, &TestDialog::OnDrive)
END_MESSAGE_MAP()

TEST(Dialog, CreateArrivesBeforeInitDialogWhileHidden)
{
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get());
    // The dialog itself, bound from its creation on.
    testsupport::MessageRecorder recorder([&](HWND hWnd) { return hWnd == dlg.m_hWnd; },
                                          {WM_CREATE, WM_INITDIALOG, WM_SHOWWINDOW});
    dlg.drive = [](TestDialog& d) { d.EndDialog(5); };
    EXPECT_EQ(dlg.DoModal(), 5);
    ASSERT_GE(dlg.log.size(), 3u);
    EXPECT_EQ(dlg.log[0], "create");
    EXPECT_EQ(dlg.log[1], "initdialog");
    EXPECT_EQ(dlg.log[2], "ddx:load");
    EXPECT_FALSE(dlg.visibleAtCreate);
    // Shown only once initialised.
    EXPECT_TRUE(testsupport::SequenceIs(
        recorder.sequence, {{WM_CREATE, testsupport::Sent}, {WM_INITDIALOG, testsupport::Sent},
                            {WM_SHOWWINDOW, testsupport::Sent | testsupport::CheckWParam, TRUE}}));
}

TEST(Dialog, CreateFailureEndsTheModalRunWithMinusOne)
{
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get());
    dlg.createResult = -1;
    size_t before = CWnd::GetPermanentCount();
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::GetPermanentCount(), before);
    ASSERT_EQ(dlg.log.size(), 1u);  // never initialised
}

TEST(Dialog, MissingTemplateResourceFails)
{
    CDialog dlg(4711);
    EXPECT_EQ(dlg.DoModal(), -1);
}

TEST(Dialog, ResourceTemplateIsLoadedFromTheModule)
{
    // Template 900 lives in framework_test.rc.
    class ResourceDialog : public CDialog {
    public:
        ResourceDialog() : CDialog(900) {}
        CString caption;
        BOOL OnInitDialog() override
        {
            CDialog::OnInitDialog();
            GetWindowText(caption);
            EndDialog(IDOK);
            return TRUE;
        }
    } dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_STREQ(dlg.caption, "From a resource");
}

TEST(DataExchange, TextAndControlsBothWays)
{
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get());
    dlg.m_name = "member text";
    std::string shown;
    bool boundAtInit = false;
    dlg.drive = [&](TestDialog& d) {
        char buffer[64] = {};
        GetDlgItemTextA(d.m_hWnd, IDC_NAME, buffer, sizeof buffer);
        shown = buffer;
        boundAtInit = d.m_check.m_hWnd == d.GetDlgItem(IDC_CHECK) &&
                      CWnd::FromHandlePermanent(d.GetDlgItem(IDC_BAR)) == &d.m_bar;
        SetDlgItemTextA(d.m_hWnd, IDC_NAME, "typed by the user");
        d.m_check.SetCheck(BST_CHECKED);
        d.UpdateData(TRUE);
        d.EndDialog(IDCANCEL);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(shown, "member text");
    EXPECT_TRUE(boundAtInit);
    EXPECT_STREQ(dlg.m_name, "typed by the user");
    // The control objects let go of their windows when the dialog went.
    EXPECT_EQ(dlg.m_check.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_bar.m_hWnd, nullptr);
}

// Counts WM_SETTEXT reaching a control.
int g_setTextCount;
WNDPROC g_staticProc;
LRESULT CALLBACK CountSetText(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT)
        ++g_setTextCount;
    return CallWindowProcA(g_staticProc, hWnd, message, wParam, lParam);
}

TEST(DataExchange, UnchangedTextIsNotSetAgain)
{
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get());
    dlg.m_name = "same";
    int afterSame = -1, afterChange = -1;
    dlg.drive = [&](TestDialog& d) {
        HWND item = d.GetDlgItem(IDC_NAME);
        g_staticProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(item, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountSetText)));
        g_setTextCount = 0;
        d.UpdateData(FALSE);
        d.UpdateData(FALSE);
        afterSame = g_setTextCount;
        d.m_name = "other";
        d.UpdateData(FALSE);
        afterChange = g_setTextCount;
        SetWindowLongPtrA(item, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_staticProc));
        d.EndDialog(IDCANCEL);
    };
    dlg.DoModal();
    EXPECT_EQ(afterSame, 0);
    EXPECT_EQ(afterChange, 1);
}

// Posts a key press to the window with the focus, as typing would.
void PressKey(WPARAM key)
{
    HWND focus = GetFocus();
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
}

TEST(ModalResult, EnterIsOkAndReadsTheControlsBack)
{
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get());
    dlg.drive = [](TestDialog& d) {
        SetDlgItemTextA(d.m_hWnd, IDC_NAME, "after enter");
        PressKey(VK_RETURN);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_STREQ(dlg.m_name, "after enter");
    EXPECT_EQ(dlg.log.back(), "ddx:save");
    EXPECT_NE(std::find(dlg.log.begin(), dlg.log.end(), "ok"), dlg.log.end());
}

TEST(ModalResult, EscIsCancelAndLeavesTheMembers)
{
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get());
    dlg.m_name = "kept";
    dlg.drive = [](TestDialog& d) {
        SetDlgItemTextA(d.m_hWnd, IDC_NAME, "discarded");
        PressKey(VK_ESCAPE);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_STREQ(dlg.m_name, "kept");
    EXPECT_EQ(dlg.log.back(), "cancel");
}

TEST(ModalResult, OkButtonClick)
{
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get());
    dlg.drive = [](TestDialog& d) {
        HWND ok = d.GetDlgItem(IDOK);
        PostMessageA(ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        PostMessageA(ok, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST(ModalResult, CloseBoxIsCancel)
{
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get());
    dlg.drive = [](TestDialog& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE); };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(ModalResult, UnhandledCommandGoesOnToTheApplication)
{
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get());
    int before = theApp.appCommands;
    dlg.drive = [](TestDialog& d) {
        d.SendMessage(WM_COMMAND, ID_TEST_APP_COMMAND);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(theApp.appCommands, before + 1);
}

class FilteringButton : public CButton {
public:
    std::vector<UINT>* seen = nullptr;
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        seen->push_back(pMsg->message);
        return CButton::PreTranslateMessage(pMsg);
    }
};

void CALLBACK CancelOnTimer(HWND hWnd, UINT, UINT_PTR id, DWORD)
{
    KillTimer(hWnd, id);
    PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
}

TEST(ModalLoop, PreTranslateMessageSeesMessagesOfTheWindowAndItsParents)
{
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get());
    std::vector<UINT> seen;
    FilteringButton filter;
    filter.seen = &seen;
    dlg.drive = [&](TestDialog& d) {
        filter.SubclassDlgItem(IDOK, &d);
        // Posted to the child: the child's filter and then the dialog's.
        PostMessageA(d.GetDlgItem(IDOK), WM_TEST_DRIVE + 1, 0, 0);
        PostMessageA(d.GetDlgItem(IDOK), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        d.PostMessage(WM_TEST_DRIVE + 2);
    };
    // End once the posted messages have gone through the loop.
    std::function<void(TestDialog&)> drive = dlg.drive;
    dlg.drive = [&](TestDialog& d) {
        drive(d);
        d.PostMessage(WM_TEST_DRIVE + 3);
        SetTimer(d.m_hWnd, 1, 50, &CancelOnTimer);
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_NE(std::find(seen.begin(), seen.end(), WM_TEST_DRIVE + 1), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_MOUSEMOVE)), seen.end());
    // Messages for the dialog itself do not pass its children's filter.
    EXPECT_EQ(std::find(seen.begin(), seen.end(), WM_TEST_DRIVE + 2), seen.end());
    EXPECT_EQ(dlg.preTranslated, 1);
}

TEST(ModalLoop, OwnerIsDisabledWhileTheDialogRunsAndEnabledAfter)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, "STATIC", "owner", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get(), &owner);
    bool ownerEnabledInside = true;
    HWND ownerSeen = nullptr;
    dlg.drive = [&](TestDialog& d) {
        ownerEnabledInside = owner.IsWindowEnabled() != FALSE;
        ownerSeen = GetWindow(d.m_hWnd, GW_OWNER);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FALSE(ownerEnabledInside);
    EXPECT_EQ(ownerSeen, owner.m_hWnd);
    EXPECT_TRUE(owner.IsWindowEnabled());
    owner.DestroyWindow();
}

TEST(ModalLoop, OwnerIsTheTopLevelWindowAboveAChildParent)
{
    // Parent given as a grandchild of a popup that another popup owns: the
    // dialog belongs to the popup holding the child, not to its owner.
    CWnd outer, owner, child, grandchild;
    ASSERT_TRUE(outer.CreateEx(0, "STATIC", "outer", WS_POPUP, 0, 0, 80, 80, nullptr, nullptr));
    ASSERT_TRUE(owner.CreateEx(0, "STATIC", "owner", WS_POPUP, 0, 0, 60, 60, outer.m_hWnd, nullptr));
    ASSERT_TRUE(child.CreateEx(0, "STATIC", "child", WS_CHILD, 0, 0, 40, 40, owner.m_hWnd, nullptr));
    ASSERT_TRUE(grandchild.CreateEx(0, "STATIC", "grandchild", WS_CHILD, 0, 0, 20, 20, child.m_hWnd,
                                    nullptr));
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get(), &grandchild);
    HWND ownerSeen = nullptr;
    dlg.drive = [&](TestDialog& d) {
        ownerSeen = GetWindow(d.m_hWnd, GW_OWNER);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(ownerSeen, owner.m_hWnd);
    owner.DestroyWindow();
    outer.DestroyWindow();
}

TEST(ModalLoop, AChildOfTheDesktopOwnsTheDialogNotTheDesktop)
{
    // GetParent of a child of the desktop is the desktop, which a modal run
    // must neither own nor disable.
    CWnd child;
    ASSERT_TRUE(child.CreateEx(0, "STATIC", "child", WS_CHILD, 0, 0, 40, 40, GetDesktopWindow(),
                               nullptr));
    DialogTemplate t = MakeTemplate();
    TestDialog dlg(t.get(), &child);
    HWND ownerSeen = nullptr;
    bool desktopEnabledInside = false;
    dlg.drive = [&](TestDialog& d) {
        ownerSeen = GetWindow(d.m_hWnd, GW_OWNER);
        desktopEnabledInside = IsWindowEnabled(GetDesktopWindow()) != FALSE;
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(desktopEnabledInside);
    EXPECT_EQ(ownerSeen, child.m_hWnd);
    EXPECT_TRUE(IsWindowEnabled(GetDesktopWindow()));
    child.DestroyWindow();
}

TEST(ModalLoop, NoBindingLeftAfterManyDialogs)
{
    size_t before = CWnd::GetPermanentCount();
    // The thread's windows, not GetGuiResources: Wine answers 0 to that.
    // Counted after the first run, which may bring a hidden window of the
    // system's along.
    int windowsBefore = 0;
    DialogTemplate t = MakeTemplate();
    for (int i = 0; i < 150; ++i) {
        TestDialog dlg(t.get());
        dlg.drive = [](TestDialog& d) { d.EndDialog(IDOK); };
        ASSERT_EQ(dlg.DoModal(), IDOK);
        ASSERT_EQ(CWnd::GetPermanentCount(), before);
        if (i == 0)
            windowsBefore = testsupport::ThreadWindowCount();
    }
    EXPECT_LE(testsupport::ThreadWindowCount(), windowsBefore) << "dialog windows left behind";
}

}  // namespace
