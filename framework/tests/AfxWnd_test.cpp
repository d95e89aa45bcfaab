// Windows bound to objects: message-map dispatch, default processing,
// subclassing and its undoing, reflection, the application object.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Afx.h"
#include "AfxState.h"
#include "MessageBoxCatcher.h"
#include "MessageSequence.h"
#include "Win32TestSupport.h"
#include "framework_test_app.h"

// The framework tests' application object, named after the test program
// as the framework names any unnamed application.
TestApp theApp;

BEGIN_MESSAGE_MAP(TestApp, CWinApp)
    ON_COMMAND(ID_TEST_APP_COMMAND, &TestApp::OnAppCommand)
END_MESSAGE_MAP()

namespace {

const UINT WM_TEST_ECHO = WM_APP + 1;
const UINT WM_TEST_THROW = WM_APP + 2;

class RecordingWnd : public CWnd {
public:
    std::vector<std::string> log;
    UINT_PTR lastTimer = 0;

    afx_msg int OnCreate(LPCREATESTRUCTA cs)
    {
        log.push_back(std::string("create:") + (cs->lpszName ? cs->lpszName : ""));
        return CWnd::OnCreate(cs);
    }
    afx_msg void OnTimer(UINT_PTR id)
    {
        lastTimer = id;
        log.push_back("timer");
        KillTimer(id);
        CWnd::OnTimer(id);
    }
    afx_msg LRESULT OnEcho(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam + lParam); }
    afx_msg LRESULT OnThrow(WPARAM, LPARAM) { throw 1; }
    afx_msg void OnDestroy()
    {
        log.push_back("destroy");
        CWnd::OnDestroy();
    }
    void PostNcDestroy() override { log.push_back("postncdestroy"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RecordingWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_TEST_ECHO, &RecordingWnd::OnEcho)
    ON_MESSAGE(WM_TEST_THROW, &RecordingWnd::OnThrow)
END_MESSAGE_MAP()

// A derived class inherits its base's entries and may replace one.
class DerivedWnd : public RecordingWnd {
public:
    afx_msg LRESULT OnEchoTwice(WPARAM wParam, LPARAM lParam) { return 2 * static_cast<LRESULT>(wParam + lParam); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, RecordingWnd)
    ON_MESSAGE(WM_TEST_ECHO, &DerivedWnd::OnEchoTwice)
END_MESSAGE_MAP()

WNDPROC ProcOf(HWND hWnd)
{
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
}

TEST(MessageMap, CreateExBindsBeforeCreateAndDispatchesEntries)
{
    RecordingWnd wnd;
    // Bound from the creation on: the object's handle is set before WM_CREATE.
    testsupport::MessageRecorder recorder([&](HWND hWnd) { return hWnd == wnd.m_hWnd; },
                                          {WM_CREATE, WM_TIMER, WM_DESTROY, WM_NCDESTROY});
    ASSERT_TRUE(wnd.CreateEx(0, "STATIC", "hello", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    ASSERT_FALSE(wnd.log.empty());
    EXPECT_EQ(wnd.log[0], "create:hello");
    EXPECT_EQ(wnd.SendMessage(WM_TEST_ECHO, 3, 4), 7);

    wnd.SetTimer(77, 10);
    EXPECT_TRUE(testsupport::PumpUntil([&] { return wnd.lastTimer != 0; }, 2000));
    EXPECT_EQ(wnd.lastTimer, 77u);

    HWND hWnd = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
    ASSERT_GE(wnd.log.size(), 2u);
    EXPECT_EQ(wnd.log[wnd.log.size() - 2], "destroy");
    EXPECT_EQ(wnd.log.back(), "postncdestroy");
    using testsupport::Posted;
    using testsupport::Sent;
    EXPECT_TRUE(testsupport::SequenceIs(
        recorder.sequence, {{WM_CREATE, Sent}, {WM_TIMER, Posted | testsupport::CheckWParam, 77},
                            {WM_DESTROY, Sent}, {WM_NCDESTROY, Sent}}));
}

TEST(MessageMap, DerivedEntryReplacesBaseEntryOthersInherited)
{
    DerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "STATIC", "d", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.SendMessage(WM_TEST_ECHO, 3, 4), 14);
    ASSERT_FALSE(wnd.log.empty());
    EXPECT_EQ(wnd.log[0], "create:d");  // the base's WM_CREATE entry
    wnd.DestroyWindow();
}

TEST(MessageMap, UnmappedMessagesReachTheWindowsOwnProcedure)
{
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "STATIC", "text", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    // WM_SETTEXT/WM_GETTEXT are handled by the static control itself.
    wnd.SetWindowText("changed");
    CString text;
    wnd.GetWindowText(text);
    EXPECT_STREQ(text, "changed");
    wnd.DestroyWindow();
}

TEST(MessageMap, ExceptionInHandlerDoesNotEscapeTheWindowProcedure)
{
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.SendMessage(WM_TEST_THROW), 0);
    EXPECT_EQ(wnd.SendMessage(WM_TEST_ECHO, 1, 1), 2);  // still alive and bound
    wnd.DestroyWindow();
}

// Handlers that throw while the window is made and when asked its text.
class ThrowingCreation : public CWnd {
public:
    int throws = 0;
    afx_msg LRESULT OnNcCreate(WPARAM, LPARAM) { ++throws; throw 1; }
    afx_msg LRESULT OnGetTextLength(WPARAM, LPARAM) { ++throws; throw 2; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ThrowingCreation, CWnd)
    ON_MESSAGE(WM_NCCREATE, &ThrowingCreation::OnNcCreate)
    ON_MESSAGE(WM_GETTEXTLENGTH, &ThrowingCreation::OnGetTextLength)
END_MESSAGE_MAP()

TEST(MessageMap, ExceptionInHandlerFallsBackToDefaultProcessing)
{
    // A 0 for WM_NCCREATE would abort the creation: the window's own
    // procedure answers instead, and the window exists with its text.
    ThrowingCreation wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "STATIC", "made", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.throws, 1);
    EXPECT_TRUE(IsWindow(wnd.m_hWnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    EXPECT_EQ(wnd.GetWindowTextLength(), 4);  // thrown again, answered by default
    EXPECT_EQ(wnd.throws, 2);
    EXPECT_TRUE(wnd.DestroyWindow());
}

class ThrowingAttach : public CWnd {
public:
    void PreSubclassWindow() override { throw 1; }
};

TEST(MessageMap, ExceptionInAttachHookDoesNotEscapeWindowCreation)
{
    // The attach hook of a created window runs inside the creation hook,
    // called by USER32.
    ThrowingAttach wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    EXPECT_TRUE(wnd.DestroyWindow());
}

BOOL RefuseCreationHook(CWnd*) { return FALSE; }
// As if the hook were on but never saw the window made.
BOOL CreationHookThatNeverBinds(CWnd*) { return TRUE; }

TEST(MessageMap, CreationThatCannotBindLeavesNoWindow)
{
    CREATESTRUCTA cs = {};
    cs.lpszClass = "STATIC";
    cs.style = WS_POPUP;
    cs.cx = cs.cy = 10;
    const int before = testsupport::ThreadWindowCount();
    for (auto hook : {&RefuseCreationHook, &CreationHookThatNeverBinds}) {
        RecordingWnd wnd;
        EXPECT_EQ(nullptr, AfxCreateBoundWindow(&wnd, cs, hook));
        EXPECT_EQ(nullptr, wnd.m_hWnd);
        EXPECT_EQ(before, testsupport::ThreadWindowCount()) << "an unbound window stays";
    }
    RecordingWnd bound;
    HWND made = AfxCreateBoundWindow(&bound, cs);
    ASSERT_NE(nullptr, made);
    EXPECT_EQ(made, bound.m_hWnd);
    EXPECT_TRUE(bound.DestroyWindow());
}

class AttachLog : public CStatic {
public:
    std::vector<std::string>* log = nullptr;
    void PreSubclassWindow() override
    {
        // Runs bound, before the window procedure is swapped.
        log->push_back(ProcOf(m_hWnd) == &AfxWndProc ? "pre:after-swap" : "pre:before-swap");
    }
};

TEST(Subclass, SubclassAndUnsubclassRestoreTheProcedure)
{
    HWND hWnd = CreateWindowExA(0, "STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hWnd, nullptr);
    WNDPROC original = ProcOf(hWnd);
    std::vector<std::string> log;
    {
        AttachLog wnd;
        wnd.log = &log;
        ASSERT_TRUE(wnd.SubclassWindow(hWnd));
        EXPECT_EQ(ProcOf(hWnd), &AfxWndProc);
        EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), &wnd);
        // A window is bound to one object at a time.
        CStatic other;
        EXPECT_FALSE(other.SubclassWindow(hWnd));

        EXPECT_EQ(wnd.UnsubclassWindow(), hWnd);
        EXPECT_EQ(ProcOf(hWnd), original);
        EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
        EXPECT_EQ(wnd.m_hWnd, nullptr);

        // Bound again, then the object goes first: the window survives it
        // with its own procedure back.
        ASSERT_TRUE(wnd.SubclassWindow(hWnd));
    }
    EXPECT_EQ(ProcOf(hWnd), original);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "pre:before-swap");
    DestroyWindow(hWnd);
}

TEST(Subclass, DestroyingTheWindowUnbindsAndRestores)
{
    HWND hWnd = CreateWindowExA(0, "STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CStatic wnd;
    size_t before = CWnd::GetPermanentCount();
    ASSERT_TRUE(wnd.SubclassWindow(hWnd));
    EXPECT_EQ(CWnd::GetPermanentCount(), before + 1);
    DestroyWindow(hWnd);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::GetPermanentCount(), before);
}

// --- Reflection ----------------------------------------------------------

const int IDC_LINK = 200;
const int IDC_PLAIN = 201;

class ReflectingStatic : public CStatic {
public:
    int clicks = 0;
    UINT lastCtlType = 0xFFFF;
    HBRUSH answer = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    afx_msg void OnClicked() { ++clicks; }
    afx_msg HBRUSH CtlColor(HDC hDC, UINT nCtlColor)
    {
        lastCtlType = nCtlColor;
        SetTextColor(hDC, RGB(1, 2, 3));
        return answer;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectingStatic, CStatic)
    ON_CONTROL_REFLECT(STN_CLICKED, &ReflectingStatic::OnClicked)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class ReflectDialog : public CDialog {
public:
    explicit ReflectDialog(const DLGTEMPLATE* t) : CDialog(t, nullptr) {}
    ReflectingStatic link;
    int parentClicks = 0;
    std::vector<std::string> results;
    std::function<void(ReflectDialog&)> test;

    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_LINK, link); }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        test(*this);
        EndDialog(IDOK);
        return TRUE;
    }
    afx_msg void OnPlainClicked() { ++parentClicks; }
    afx_msg void OnLinkClickedInParent() { ++parentClicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectDialog, CDialog)
    ON_CONTROL(STN_CLICKED, IDC_PLAIN, &ReflectDialog::OnPlainClicked)
    ON_CONTROL(STN_CLICKED, IDC_LINK, &ReflectDialog::OnLinkClickedInParent)
END_MESSAGE_MAP()

const DLGTEMPLATE* ReflectTemplate(testsupport::DialogTemplate& t)
{
    t.AddControl("STATIC", "link", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 5, 5, 40, 10, IDC_LINK)
        .AddControl("STATIC", "plain", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 5, 20, 40, 10, IDC_PLAIN);
    return t.get();
}

TEST(Reflection, ClickNotificationReachesTheBoundControlNotTheParent)
{
    testsupport::DialogTemplate t("reflect", WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 100, 50);
    ReflectDialog dlg(ReflectTemplate(t));
    dlg.test = [](ReflectDialog& d) {
        HWND link = d.GetDlgItem(IDC_LINK);
        HWND plain = d.GetDlgItem(IDC_PLAIN);
        // A click on a SS_NOTIFY static sends STN_CLICKED to the parent.
        SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        SendMessageA(plain, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageA(plain, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.link.clicks, 1);
    EXPECT_EQ(dlg.parentClicks, 1);  // only the unbound control's click
}

TEST(Reflection, ColourQueryIsAnsweredByTheBoundControl)
{
    testsupport::DialogTemplate t("reflect", WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 100, 50);
    ReflectDialog dlg(ReflectTemplate(t));
    LRESULT linkAnswer = 0, plainAnswer = 0, nullAnswer = 0;
    COLORREF textColour = 0;
    dlg.test = [&](ReflectDialog& d) {
        testsupport::MemoryDib dib(4, 4);
        linkAnswer = d.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dib.dc()),
                                   reinterpret_cast<LPARAM>(d.GetDlgItem(IDC_LINK)));
        textColour = GetTextColor(dib.dc());
        plainAnswer = d.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dib.dc()),
                                    reinterpret_cast<LPARAM>(d.GetDlgItem(IDC_PLAIN)));
        // A control that answers no brush leaves the decision to the parent.
        d.link.answer = nullptr;
        nullAnswer = d.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dib.dc()),
                                   reinterpret_cast<LPARAM>(d.GetDlgItem(IDC_LINK)));
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(linkAnswer, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(textColour, RGB(1, 2, 3));
    EXPECT_EQ(dlg.link.lastCtlType, static_cast<UINT>(CTLCOLOR_STATIC));
    // The dialog manager's own answer for the plain item: a real brush.
    EXPECT_NE(plainAnswer, 0);
    EXPECT_NE(plainAnswer, linkAnswer);
    EXPECT_EQ(nullAnswer, plainAnswer);
}

// --- Application ---------------------------------------------------------

TEST(Application, NamedAfterTheModuleWhenNoNameIsGiven)
{
    ASSERT_EQ(AfxGetApp(), &theApp);
    EXPECT_STREQ(theApp.m_pszAppName, "framework_test");
    EXPECT_EQ(AfxGetInstanceHandle(), GetModuleHandleA(nullptr));
}

TEST(Application, HelpCommandHasAnEntryInTheApplicationMap)
{
    EXPECT_TRUE(theApp.OnCmdMsg(ID_HELP, CN_COMMAND));
    EXPECT_FALSE(theApp.OnCmdMsg(0x7F7F, CN_COMMAND));
}

TEST(Application, MessageBoxIsCaptionedWithTheApplicationName)
{
    MessageBoxCatcher catcher;
    AfxMessageBox("Something to say.", MB_OK | MB_ICONEXCLAMATION);
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].caption, "framework_test");
    EXPECT_EQ(catcher.boxes[0].text, "Something to say.");
    EXPECT_TRUE(catcher.boxes[0].exclamationIcon);
    EXPECT_EQ(catcher.boxes[0].buttons, 1);
}

TEST(Application, FalseFromInitInstanceRunsExitInstanceAndEnds)
{
    theApp.initResult = FALSE;
    int initBefore = theApp.initCalls, exitBefore = theApp.exitCalls;
    ASSERT_EQ(CWnd::GetPermanentCount(), 0u);
    AfxGetThreadState();
    // A quit message would end Run at once; it must not be reached.
    EXPECT_EQ(AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOW), 42);
    EXPECT_EQ(theApp.initCalls, initBefore + 1);
    EXPECT_EQ(theApp.exitCalls, exitBefore + 1);
    EXPECT_EQ(AfxFindThreadState(), nullptr) << "the user-interface thread's state outlived it";
}

TEST(Application, MainWindowPointerGoesWithItsObject)
{
    // As a dialog-based program does it: the main dialog is a local of
    // InitInstance, and the entry point looks at m_pMainWnd afterwards.
    CWnd other;
    {
        CWnd wnd;
        ASSERT_TRUE(wnd.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
        theApp.m_pMainWnd = &wnd;
        EXPECT_EQ(AfxGetMainWnd(), &wnd);
        wnd.DestroyWindow();
    }
    EXPECT_EQ(AfxGetMainWnd(), nullptr);

    theApp.m_pMainWnd = &other;
    {
        CWnd unrelated;
    }
    EXPECT_EQ(AfxGetMainWnd(), &other);
    theApp.m_pMainWnd = nullptr;
}

TEST(Application, TrueFromInitInstanceRunsTheLoopUntilQuit)
{
    theApp.initResult = TRUE;
    PostQuitMessage(0);
    int exitBefore = theApp.exitCalls;
    EXPECT_EQ(AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOW), 42);
    EXPECT_EQ(theApp.exitCalls, exitBefore + 1);
    theApp.initResult = FALSE;
}

TEST(Wrappers, SystemMenuIconAndStyle)
{
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "STATIC", "", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 100, 60,
                             nullptr, nullptr));
    CMenu* menu = wnd.GetSystemMenu(FALSE);
    ASSERT_NE(menu, nullptr);
    UINT count = menu->GetMenuItemCount();
    EXPECT_TRUE(menu->AppendMenu(MF_SEPARATOR));
    EXPECT_TRUE(menu->AppendMenu(MF_STRING, 16, "&About..."));
    EXPECT_EQ(menu->GetMenuItemCount(), count + 2);
    char text[32] = {};
    GetMenuStringA(menu->GetSafeHmenu(), 16, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&About...");

    HICON icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wnd.SetIcon(icon, TRUE);
    EXPECT_EQ(reinterpret_cast<HICON>(wnd.SendMessage(WM_GETICON, ICON_BIG)), icon);

    EXPECT_TRUE(wnd.ModifyStyle(0, SS_NOTIFY));
    EXPECT_TRUE(wnd.GetStyle() & SS_NOTIFY);
    EXPECT_FALSE(wnd.ModifyStyle(0, SS_NOTIFY));  // nothing to change
    wnd.DestroyWindow();

    CWnd plain;
    ASSERT_TRUE(plain.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(plain.GetSystemMenu(FALSE), nullptr);
    plain.DestroyWindow();
}

// Common controls: InitCommonControlsEx where COMCTL32 has it and takes the
// classes, else InitCommonControls.
struct CommonControlsCalls {
    BOOL exAnswer = TRUE;
    std::vector<std::pair<DWORD, DWORD>> ex;  // dwSize, dwICC
    int plain = 0;
} g_ccCalls;
BOOL WINAPI FakeInitEx(const INITCOMMONCONTROLSEX* icc)
{
    g_ccCalls.ex.emplace_back(icc->dwSize, icc->dwICC);
    return g_ccCalls.exAnswer;
}
void WINAPI FakeInit() { ++g_ccCalls.plain; }

TEST(Wrappers, CommonControlsTakeTheExtendedCallOnlyWhereItExistsAndWorks)
{
    const DWORD classes = ICC_WIN95_CLASSES | ICC_DATE_CLASSES;
    struct Case {
        const char* system;
        bool hasEx;
        BOOL exAnswer;
        BOOL result;
        size_t exCalls;
        int plainCalls;
    } cases[] = {
        { "COMCTL32 4.71", true, TRUE, TRUE, 1, 0 },
        { "COMCTL32 4.70 without the date classes", true, FALSE, FALSE, 1, 1 },
        { "COMCTL32 4.00", false, TRUE, FALSE, 0, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.system);
        g_ccCalls = CommonControlsCalls();
        g_ccCalls.exAnswer = c.exAnswer;
        CommonControlsEntry entry = { c.hasEx ? FakeInitEx : nullptr, FakeInit };
        EXPECT_EQ(AfxInitCommonControls(classes, entry), c.result);
        ASSERT_EQ(g_ccCalls.ex.size(), c.exCalls);
        EXPECT_EQ(g_ccCalls.plain, c.plainCalls);
        if (c.exCalls) {
            EXPECT_EQ(g_ccCalls.ex[0], std::make_pair(DWORD(sizeof(INITCOMMONCONTROLSEX)), classes));
        }
    }
    // The real entry: the plain call always (imported), the extended one
    // looked up in the loaded COMCTL32 (Wine's is newer than 4.70).
    CommonControlsEntry real = AfxCommonControlsEntry();
    EXPECT_EQ(real.init, &InitCommonControls);
    EXPECT_NE(real.initEx, nullptr);
    EXPECT_TRUE(AfxInitCommonControls(ICC_WIN95_CLASSES));
}

// A progress bar as COMCTL32 4.00 answers it: no PBM_GETRANGE, no PBM_GETPOS.
WNDPROC g_progressProc = nullptr;
LRESULT CALLBACK Comctl400Progress(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PBM_GETRANGE || message == PBM_GETPOS)
        return DefWindowProcA(hWnd, message, wParam, lParam);
    return CallWindowProcA(g_progressProc, hWnd, message, wParam, lParam);
}

TEST(Wrappers, ProgressControlRangeStepAndPosition)
{
    for (bool comctl400 : { false, true }) {
        SCOPED_TRACE(comctl400 ? "COMCTL32 4.00" : "this COMCTL32");
        HWND hWnd = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP | PBS_SMOOTH, 0, 0, 100, 10,
                                    nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hWnd, nullptr);
        if (comctl400)
            g_progressProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Comctl400Progress)));
        CProgressCtrl bar;
        ASSERT_TRUE(bar.SubclassWindow(hWnd));
        bar.SetRange(1, 45);
        bar.SetPos(21);
        int low = 0, high = 0;
        bar.GetRange(low, high);
        EXPECT_EQ(low, 1);
        EXPECT_EQ(high, 45);
        EXPECT_EQ(bar.GetPos(), 21);  // reading the range kept the position
        bar.SetPos(1);
        // Default step 10; past the maximum the control starts over.
        for (int i = 0; i < 4; ++i)
            bar.StepIt();
        EXPECT_EQ(bar.GetPos(), 41);
        EXPECT_EQ(bar.GetPos(), 41) << "reading the position moved the bar";
        bar.StepIt();
        EXPECT_LT(bar.GetPos(), 41);
        bar.SetPos(0);
        EXPECT_EQ(bar.GetPos(), 1);  // clamped to the minimum
        bar.DestroyWindow();
    }
}

TEST(Wrappers, FontCopiesADescriptionAndReleasesIt)
{
    LOGFONTA lf = {};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfUnderline = TRUE;
    HFONT handle;
    {
        CFont font;
        ASSERT_TRUE(font.CreateFontIndirect(&lf));
        handle = font;
        LOGFONTA back = {};
        ASSERT_EQ(font.GetLogFont(&back), static_cast<int>(sizeof back));
        EXPECT_TRUE(back.lfUnderline);
        EXPECT_STREQ(back.lfFaceName, lf.lfFaceName);
    }
    LOGFONTA gone = {};
    EXPECT_EQ(GetObjectA(handle, sizeof gone, &gone), 0);  // deleted with the object
}

}  // namespace

namespace {

TEST(Resources, StringsComeFromTheFrameworksResourceModule)
{
    EXPECT_EQ(AfxGetResourceHandle(), GetModuleHandleA(nullptr));
    CString text;
    EXPECT_TRUE(text.LoadString(901));
    EXPECT_STREQ(text, "A string of the test module.");
    EXPECT_FALSE(text.LoadString(902));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_NE(theApp.LoadIcon(903), nullptr);
    EXPECT_EQ(theApp.LoadIcon(904), nullptr);
}

}  // namespace
