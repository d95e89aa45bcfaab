// The link control attached to real dialog items under Wine: style, fonts,
// size, colours, hover tracking, tooltip and clicks (the cursor:
// HyperlinkCursor_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>

#include "LinkTestSupport.h"
#include "MessageBoxCatcher.h"
#include "NoWindowDC.h"

namespace {

using namespace linktest;

TEST(Attach, AddsNotifyTakesTextAsTargetAndBuildsFonts)
{
    // NT 4.0 describes a font only up to the face name's NUL.
    for (bool nt4 : { false, true }) {
        FakeLinkSystem fake;
        fake.nt4FontLength = nt4;
        HyperlinkControl link(fake);
        WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog& d) {
            EXPECT_TRUE(link.GetStyle() & SS_NOTIFY);
            EXPECT_STREQ(link.GetLinkTarget(), "left link");
            LOGFONTA dialogFont = {}, normal = {}, underlined = {};
            GetObjectA(reinterpret_cast<HFONT>(d.SendMessage(WM_GETFONT)), sizeof dialogFont, &dialogFont);
            ASSERT_NE(link.GetNormalFont(), nullptr) << "NT 4.0 length " << nt4;
            ASSERT_NE(link.GetUnderlinedFont(), nullptr) << "NT 4.0 length " << nt4;
            GetObjectA(link.GetNormalFont(), sizeof normal, &normal);
            GetObjectA(link.GetUnderlinedFont(), sizeof underlined, &underlined);
            EXPECT_STREQ(normal.lfFaceName, dialogFont.lfFaceName);
            EXPECT_EQ(normal.lfHeight, dialogFont.lfHeight);
            EXPECT_EQ(normal.lfWeight, dialogFont.lfWeight);
            EXPECT_FALSE(normal.lfUnderline);
            EXPECT_TRUE(underlined.lfUnderline);
            EXPECT_STREQ(underlined.lfFaceName, dialogFont.lfFaceName);
            // On-hover: until the pointer first comes, the window keeps its font.
            EXPECT_EQ(link.GetUnderlineMode(), HyperlinkControl::UnderlineOnHover);
            EXPECT_EQ(link.GetFont(), reinterpret_cast<HFONT>(d.SendMessage(WM_GETFONT)));
        });
    }
}

TEST(Attach, WithoutAFontCopyTheWindowKeepsItsFontThroughEveryChange)
{
    FakeLinkSystem fake;
    fake.noFontDescription = true;
    HyperlinkControl link(fake);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog& d) {
        const HFONT dialogFont = reinterpret_cast<HFONT>(d.SendMessage(WM_GETFONT));
        ASSERT_NE(dialogFont, nullptr);
        EXPECT_EQ(link.GetNormalFont(), nullptr);
        EXPECT_EQ(link.GetFont(), dialogFont);
        link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));  // hover
        EXPECT_EQ(link.GetFont(), dialogFont);
        link.SetUnderlineMode(HyperlinkControl::UnderlineAlways);
        EXPECT_EQ(link.GetFont(), dialogFont);
        link.SetUnderlineMode(HyperlinkControl::UnderlineNever);
        EXPECT_EQ(link.GetFont(), dialogFont);
    });
}

TEST(Attach, TargetSetBeforeAttachFillsAnEmptyItem)
{
    FakeLinkSystem fake;
    HyperlinkControl empty(fake), left(fake);
    empty.SetLinkTarget("www.example.com/empty");
    left.SetLinkTarget("mailto:x@example.com");
    WithLinks({ { IDC_EMPTY, &empty }, { IDC_LEFT, &left } }, [&](LinkDialog&) {
        CString text;
        empty.GetWindowText(text);
        EXPECT_STREQ(text, "www.example.com/empty");
        EXPECT_STREQ(empty.GetLinkTarget(), "www.example.com/empty");
        // A target given beforehand is kept; the text stays.
        left.GetWindowText(text);
        EXPECT_STREQ(text, "left link");
        EXPECT_STREQ(left.GetLinkTarget(), "mailto:x@example.com");
        EXPECT_STREQ(left.GetToolTip().GetText(&left, 1), "mailto:x@example.com");
    });
}

TEST(Attach, ModeChosenBeforeAttachIsReplacedByOnHoverWithTheNormalFont)
{
    FakeLinkSystem fake;
    HyperlinkControl link(fake);
    link.SetUnderlineMode(HyperlinkControl::UnderlineAlways);
    EXPECT_EQ(link.GetUnderlineMode(), HyperlinkControl::UnderlineAlways);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog&) {
        EXPECT_EQ(link.GetUnderlineMode(), HyperlinkControl::UnderlineOnHover);
        EXPECT_EQ(link.GetFont(), link.GetNormalFont());
    });
}

TEST(Attach, ToolTipToolOneHoldsTheTargetAndFollowsIt)
{
    FakeLinkSystem fake;
    HyperlinkControl link(fake);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog& d) {
        CToolTipCtrl& tip = link.GetToolTip();
        ASSERT_NE(tip.m_hWnd, nullptr);
        // Owned by the control, which for a child means its dialog.
        EXPECT_EQ(GetWindow(tip.m_hWnd, GW_OWNER), d.m_hWnd);
        char cls[64] = {};
        GetClassNameA(tip.m_hWnd, cls, sizeof cls);
        EXPECT_STREQ(cls, "tooltips_class32");
        EXPECT_EQ(tip.GetToolCount(), 1);
        EXPECT_STREQ(tip.GetText(&link, 1), "left link");
        link.SetLinkTarget("www.example.com/other");
        EXPECT_STREQ(tip.GetText(&link, 1), "www.example.com/other");
        CString text;
        link.GetWindowText(text);
        EXPECT_STREQ(text, "left link");  // the text is not the target
    });
    EXPECT_EQ(link.GetToolTip().m_hWnd, nullptr);  // gone with the dialog
}

// ---------------------------------------------------------------------------
// Fitting the window to its text

// The link's client area is its text, and the edge its alignment anchors
// is where it was.
void ExpectFittedAndAnchored(HyperlinkControl& link, int id, const RECT& was)
{
    RECT now = RectInParent(link.m_hWnd);
    RECT client;
    GetClientRect(link.m_hWnd, &client);
    SIZE text = testsupport::WindowTextExtent(link.m_hWnd, link.GetUnderlinedFont());
    // A centred item shrinks by half the difference on each side.
    if (id == IDC_CENTER)
        EXPECT_LE(std::abs(client.right - text.cx), 1) << id;
    else
        EXPECT_EQ(client.right, text.cx) << id;
    int frameX = (now.right - now.left) - client.right;
    int frameY = (now.bottom - now.top) - client.bottom;
    if (id == IDC_BORDER) {
        EXPECT_GT(frameX, 0);
        EXPECT_GT(frameY, 0);
    }
    if (id == IDC_CENTER)
        EXPECT_LE(std::abs((now.left + now.right) - (was.left + was.right)), 1) << id;
    else if (id == IDC_RIGHT)
        EXPECT_EQ(now.right, was.right) << id;
    else
        EXPECT_EQ(now.left, was.left) << id;
    if (id == IDC_VCENTER) {
        EXPECT_LE(std::abs((now.top + now.bottom) - (was.top + was.bottom)), 1) << id;
        EXPECT_LE(std::abs(client.bottom - text.cy), 1) << id;
    } else {
        EXPECT_EQ(now.top, was.top) << id;
        EXPECT_EQ(client.bottom, text.cy) << id;
    }
}

TEST(FitToText, EachAlignmentKeepsItsAnchorWhileShrinkingAndGrowing)
{
    FakeLinkSystem fake;
    HyperlinkControl left(fake), centre(fake), right(fake), middle(fake), framed(fake);
    DialogTemplate t = MakeTemplate();
    std::map<int, RECT> before = TemplateRects(t);
    WithLinks({ { IDC_LEFT, &left }, { IDC_CENTER, &centre }, { IDC_RIGHT, &right },
                { IDC_VCENTER, &middle }, { IDC_BORDER, &framed } },
              [&](LinkDialog&) {
                  // Shrunk from the wide template rectangles.
                  std::vector<std::pair<int, HyperlinkControl*>> all = {
                      { IDC_LEFT, &left }, { IDC_CENTER, &centre }, { IDC_RIGHT, &right },
                      { IDC_VCENTER, &middle }, { IDC_BORDER, &framed } };
                  for (auto& b : all) {
                      RECT now = RectInParent(b.second->m_hWnd);
                      EXPECT_LT(now.right - now.left, before[b.first].right - before[b.first].left) << b.first;
                      ExpectFittedAndAnchored(*b.second, b.first, before[b.first]);
                  }
                  // Grown: a longer text, fitted again when the target is set.
                  for (auto& b : all) {
                      RECT was = RectInParent(b.second->m_hWnd);
                      b.second->SetWindowText("a considerably longer link text than before");
                      b.second->SetLinkTarget("www.example.com");
                      RECT now = RectInParent(b.second->m_hWnd);
                      EXPECT_GT(now.right - now.left, was.right - was.left) << b.first;
                      ExpectFittedAndAnchored(*b.second, b.first, was);
                  }
              });
}

TEST(FitToText, WithoutADeviceContextTheWindowKeepsItsSize)
{
    // Windows 9x's small cache of common DCs may have none to give: the text
    // cannot be measured, and the window stays as it is.
    FakeLinkSystem fake;
    HyperlinkControl link(fake);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog&) {
        const RECT fitted = RectInParent(link.m_hWnd);
        testsupport::NoWindowDC none(link.m_hWnd);
        fake.windowDCs = none.Source();
        link.SetWindowText("a considerably longer link text than before");
        link.SetLinkTarget("www.example.com");  // fitted again
        EXPECT_GT(none.Refused(), 0) << "the link asked for a DC";
        const RECT now = RectInParent(link.m_hWnd);
        EXPECT_TRUE(EqualRect(&now, &fitted));
    });
}

// ---------------------------------------------------------------------------
// Colours and painting

// What the control answers to its parent's colour query: text colour,
// background mode and brush.
struct ColourAnswer {
    COLORREF text;
    int bkMode;
    LRESULT brush;
};

ColourAnswer AskColour(CWnd& parent, HyperlinkControl& link)
{
    testsupport::MemoryDib dib(2, 2);
    SetTextColor(dib.dc(), RGB(9, 9, 9));
    SetBkMode(dib.dc(), OPAQUE);
    ColourAnswer a;
    a.brush = parent.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dib.dc()),
                                 reinterpret_cast<LPARAM>(link.m_hWnd));
    a.text = GetTextColor(dib.dc());
    a.bkMode = GetBkMode(dib.dc());
    return a;
}

TEST(Colours, PlainVisitedAndHoverInPriorityOrder)
{
    FakeLinkSystem fake;
    HyperlinkControl link(fake);
    EXPECT_EQ(link.GetLinkColour(), RGB(0, 0, 238));
    EXPECT_EQ(link.GetVisitedColour(), RGB(85, 26, 139));
    EXPECT_EQ(link.GetHoverColour(), RGB(255, 0, 0));
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog& d) {
        ColourAnswer plain = AskColour(d, link);
        EXPECT_EQ(plain.text, RGB(0, 0, 238));
        EXPECT_EQ(plain.bkMode, TRANSPARENT);
        EXPECT_EQ(plain.brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));

        link.MarkVisited(true);
        EXPECT_EQ(AskColour(d, link).text, RGB(85, 26, 139));

        link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        EXPECT_TRUE(link.IsHovering());
        EXPECT_EQ(AskColour(d, link).text, RGB(255, 0, 0));  // hover beats visited

        link.MarkVisited(false);
        EXPECT_EQ(AskColour(d, link).text, RGB(255, 0, 0));
    });
}

// Counts pixels of exactly `colour`.
int CountPixels(const testsupport::MemoryDib& dib, COLORREF colour)
{
    int count = 0;
    for (int y = 0; y < dib.height(); ++y)
        for (int x = 0; x < dib.width(); ++x)
            if (dib.Pixel(x, y) == colour)
                ++count;
    return count;
}

TEST(Colours, PaintedTextAndBackground)
{
    FakeLinkSystem fake;
    HyperlinkControl link(fake);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog&) {
        RECT client;
        link.GetClientRect(&client);
        testsupport::MemoryDib dib(client.right, client.bottom, RGB(1, 2, 3));
        EXPECT_TRUE(link.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dib.dc())));
        EXPECT_EQ(dib.Pixel(0, 0), GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(dib.Pixel(client.right - 1, client.bottom - 1), GetSysColor(COLOR_BTNFACE));
        link.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.dc()), PRF_CLIENT);
        EXPECT_GT(CountPixels(dib, RGB(0, 0, 238)), 10);
        EXPECT_EQ(CountPixels(dib, RGB(255, 0, 0)), 0);

        link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        dib.Fill(GetSysColor(COLOR_BTNFACE));
        link.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.dc()), PRF_CLIENT);
        EXPECT_GT(CountPixels(dib, RGB(255, 0, 0)), 10);
        EXPECT_EQ(CountPixels(dib, RGB(0, 0, 238)), 0);
    });
}

// ---------------------------------------------------------------------------
// Underline modes and hover tracking

// Counts the link's hover-timer ticks as they are dispatched.
class TimerCounter {
public:
    explicit TimerCounter(HWND hWnd)
    {
        s_target = hWnd;
        s_ticks = 0;
        m_hook = SetWindowsHookExA(WH_GETMESSAGE, &Hook, nullptr, GetCurrentThreadId());
    }
    ~TimerCounter() { UnhookWindowsHookEx(m_hook); }
    int ticks() const { return s_ticks; }
    void reset() { s_ticks = 0; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (code == HC_ACTION && wParam == PM_REMOVE && msg->hwnd == s_target &&
            msg->message == WM_TIMER && msg->wParam == 100)
            ++s_ticks;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static HWND s_target;
    static int s_ticks;
    HHOOK m_hook;
};
HWND TimerCounter::s_target = nullptr;
int TimerCounter::s_ticks = 0;

// Moves the pointer as the user would, so the window under it gets real
// WM_MOUSEMOVE messages.
void MoveMouse(int x, int y)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = (y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

POINT ScreenCentre(HWND hWnd)
{
    RECT r;
    GetWindowRect(hWnd, &r);
    return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
}

TEST(Hover, OnHoverUnderlinesWhileThePointerIsOverTheLinkOnly)
{
    FakeLinkSystem fake;
    HyperlinkControl link(fake);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog& d) {
        HFONT initial = link.GetFont();
        EXPECT_NE(initial, link.GetUnderlinedFont());
        POINT inside = ScreenCentre(link.m_hWnd);
        RECT dialogRect;
        GetWindowRect(d.m_hWnd, &dialogRect);
        POINT outside = { dialogRect.right - 5, dialogRect.bottom - 5 };

        TimerCounter timer(link.m_hWnd);
        SetCursorPos(inside.x, inside.y);
        PumpMessages(50);
        // Moves keep coming for 400 ms; the timer started by the first one
        // is not restarted by the others, so it keeps ticking.
        for (int i = 0; i < 10; ++i) {
            link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
            EXPECT_TRUE(link.IsHovering());
            EXPECT_EQ(link.GetFont(), link.GetUnderlinedFont());
            PumpMessages(40);
        }
        EXPECT_GE(timer.ticks(), 1);
        EXPECT_TRUE(link.IsHovering());  // ticks found the pointer inside

        SetCursorPos(outside.x, outside.y);
        EXPECT_TRUE(PumpUntil([&] { return !link.IsHovering(); }, 2000));
        EXPECT_EQ(link.GetFont(), link.GetNormalFont());
        timer.reset();
        PumpMessages(300);
        EXPECT_EQ(timer.ticks(), 0);  // stopped when the pointer left
    });
}

TEST(Hover, AlwaysAndNeverKeepTheirFontThroughAHover)
{
    FakeLinkSystem fake;
    HyperlinkControl always(fake), never(fake);
    WithLinks({ { IDC_LEFT, &always }, { IDC_RIGHT, &never } }, [&](LinkDialog& d) {
        always.SetUnderlineMode(HyperlinkControl::UnderlineAlways);
        never.SetUnderlineMode(HyperlinkControl::UnderlineNever);
        EXPECT_EQ(always.GetFont(), always.GetUnderlinedFont());
        EXPECT_EQ(never.GetFont(), never.GetNormalFont());

        RECT dialogRect;
        GetWindowRect(d.m_hWnd, &dialogRect);
        SetCursorPos(dialogRect.right - 5, dialogRect.bottom - 5);  // away from both
        PumpMessages(30);
        for (HyperlinkControl* link : { &always, &never })
            link->SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        EXPECT_EQ(always.GetFont(), always.GetUnderlinedFont());
        EXPECT_EQ(never.GetFont(), never.GetNormalFont());
        EXPECT_TRUE(PumpUntil([&] { return !always.IsHovering() && !never.IsHovering(); }, 2000));
        EXPECT_EQ(always.GetFont(), always.GetUnderlinedFont());
        EXPECT_EQ(never.GetFont(), never.GetNormalFont());
    });
}

TEST(Hover, SameModeChangesNothing)
{
    FakeLinkSystem fake;
    HyperlinkControl link(fake);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog& d) {
        HFONT dialogFont = reinterpret_cast<HFONT>(d.SendMessage(WM_GETFONT));
        link.SetUnderlineMode(HyperlinkControl::UnderlineOnHover);
        EXPECT_EQ(link.GetFont(), dialogFont);
    });
}

// ---------------------------------------------------------------------------
// Clicks

void Click(HyperlinkControl& link)
{
    link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
}

TEST(Click, SuccessfulOpenMarksVisitedAndClearsHover)
{
    FakeLinkSystem fake;
    fake.shellResult = 33;
    HyperlinkControl link(fake);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog& d) {
        link.SetLinkTarget("mailto:someone@example.com");
        link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        ASSERT_TRUE(link.IsHovering());
        Click(link);
        ASSERT_EQ(fake.shellCalls.size(), 1u);
        EXPECT_EQ(fake.shellCalls[0], "mailto:someone@example.com");
        EXPECT_EQ(fake.shellShow[0], SW_SHOW);
        EXPECT_TRUE(link.IsVisited());
        EXPECT_FALSE(link.IsHovering());
        EXPECT_EQ(AskColour(d, link).text, RGB(85, 26, 139));
        EXPECT_TRUE(fake.beeps.empty());
        EXPECT_TRUE(fake.messages.empty());
    });
}

TEST(Click, FailedOpenBeepsReportsAndClearsVisited)
{
    FakeLinkSystem fake;
    fake.shellResult = 33;
    HyperlinkControl link(fake);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog& d) {
        Click(link);
        ASSERT_TRUE(link.IsVisited());
        // Now the shell refuses and the browser fallback fails as well.
        fake.shellResult = SE_ERR_FNF;
        fake.RegisterBrowser("\"C:\\missing.exe\" \"%1\"");
        fake.execResult = ERROR_FILE_NOT_FOUND;
        Click(link);
        EXPECT_FALSE(link.IsVisited());
        ASSERT_EQ(fake.execCalls.size(), 1u);
        EXPECT_EQ(fake.execCalls[0], "\"C:\\missing.exe\"  left link");
        ASSERT_EQ(fake.sequence, (std::vector<std::string>{ "beep", "message" }));
        EXPECT_EQ(fake.beeps[0], static_cast<UINT>(MB_ICONEXCLAMATION));
        EXPECT_EQ(fake.messages[0].first, "Unable to open hyperlink:\n\nThe specified file was not found.");
        EXPECT_EQ(AskColour(d, link).text, RGB(0, 0, 238));
        // Still usable: the next click tries again.
        Click(link);
        EXPECT_EQ(fake.shellCalls.size(), 3u);
    });
}

TEST(Click, ShellFailureWithoutBrowserReportsTheShellsCode)
{
    FakeLinkSystem fake;
    fake.shellResult = SE_ERR_NOASSOC;
    HyperlinkControl link(fake);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog&) {
        Click(link);
        ASSERT_EQ(fake.messages.size(), 1u);
        EXPECT_EQ(fake.messages[0].first,
                  "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.");
    });
}

// ---------------------------------------------------------------------------
// Tooltip and teardown

// Watches the tooltip from a timer, so the dialog's own modal loop (and
// with it the relay in the pre-filter) runs meanwhile.
struct TipWatch {
    HyperlinkControl* link = nullptr;
    LinkDialog* dialog = nullptr;
    DWORD start = 0;
    POINT inside = {};
    bool shown = false;
    CString text;
};
TipWatch g_tipWatch;

void CALLBACK WatchTip(HWND hWnd, UINT, UINT_PTR id, DWORD)
{
    TipWatch& w = g_tipWatch;
    HWND tip = w.link->GetToolTip().m_hWnd;
    if (IsWindowVisible(tip)) {
        w.shown = true;
        w.link->GetToolTip().GetWindowText(w.text);
    } else if (GetForegroundWindow() != w.dialog->m_hWnd || (GetTickCount() - w.start) % 1000 < 50) {
        // Tests of other programs may take the activation or the pointer
        // meanwhile: take them back and come in again.
        SetForegroundWindow(w.dialog->m_hWnd);
        POINT inside = w.inside;
        MoveMouse(inside.x - 3, inside.y);
        MoveMouse(inside.x, inside.y);
    }
    if (w.shown || GetTickCount() - w.start > 6000) {
        KillTimer(hWnd, id);
        w.dialog->EndDialog(IDOK);
    }
}

TEST(ToolTip, ShowsTheTargetWhenThePointerRestsOnTheLink)
{
    FakeLinkSystem fake;
    HyperlinkControl link(fake);
    DialogTemplate t = MakeTemplate();
    LinkDialog dlg(t.get());
    dlg.bindings = { { IDC_LEFT, &link } };
    g_tipWatch = TipWatch();
    dlg.body = [&](LinkDialog& d) {
        link.SetLinkTarget("www.example.com/tip");
        // Away from the corner where most test windows appear.
        d.SetWindowPos(nullptr, GetSystemMetrics(SM_CXSCREEN) - 420, GetSystemMetrics(SM_CYSCREEN) - 300, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER);
        SetForegroundWindow(d.m_hWnd);
        POINT inside = ScreenCentre(link.m_hWnd);
        g_tipWatch.inside = inside;
        MoveMouse(inside.x - 3, inside.y);
        MoveMouse(inside.x, inside.y);
        g_tipWatch.link = &link;
        g_tipWatch.dialog = &d;
        g_tipWatch.start = GetTickCount();
        SetTimer(d.m_hWnd, 7, 50, &WatchTip);
        d.keepOpen = true;
    };
    ASSERT_EQ(dlg.DoModal(), IDOK);
    MoveMouse(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    EXPECT_TRUE(g_tipWatch.shown);
    EXPECT_STREQ(g_tipWatch.text, "www.example.com/tip");
}

TEST(Teardown, DestroyedLinksAndDialogsLeaveNothingBound)
{
    size_t before = CWnd::GetPermanentCount();
    for (int i = 0; i < 40; ++i) {
        HCURSOR cursor = nullptr;
        {
            FakeLinkSystem fake;
            HyperlinkControl a(fake), b(fake);
            WithLinks({ { IDC_LEFT, &a }, { IDC_RIGHT, &b } }, [&](LinkDialog&) {
                a.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
                HWND hWnd = a.m_hWnd;
                EXPECT_TRUE(a.DestroyWindow());
                EXPECT_FALSE(IsWindow(hWnd));
                EXPECT_EQ(a.m_hWnd, nullptr);
            });
            EXPECT_EQ(a.GetToolTip().m_hWnd, nullptr);  // went with the dialog
            cursor = b.GetHandCursor();
        }
        ICONINFO info = {};
        ASSERT_FALSE(GetIconInfo(cursor, &info)) << "the link's own cursor outlived it";
        ASSERT_EQ(CWnd::GetPermanentCount(), before);
    }
}

}  // namespace
