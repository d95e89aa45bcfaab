// Toolbars: their buttons' boxes (the control's, or laid out where it does
// not answer TB_GETITEMRECT), hit tests and the boxes drawn; and the
// painters of trackbars, headers, toolbars and tab controls without a
// device context.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "FlatCommonControls.h"
#include "FlatLookFixture.h"
#include "FlatLookManager.h"
#include "FlatLookTestSupport.h"
#include "MessageSequence.h"
#include "NoWindowDC.h"
#include "RingCheck.h"
#include "SysColours.h"
#include "Win32TestSupport.h"

using namespace flatlook;
using flattest::RingIs;
using flattest::Shrunk;
using flattest::Untouched;
using testsupport::MemoryDib;

namespace {

using namespace testsupport::syscolours;
using Window = flattest::ControlHost;

HWND EmptyToolbar(HWND parent)
{
    HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | CCS_NORESIZE | CCS_NODIVIDER, 0, 0, 300,
                               40, parent, nullptr, nullptr, nullptr);
    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return bar;
}

// A button, a separator, a checked check box and a disabled button; with
// `hidden` a hidden button after the separator.
void AddButtons(HWND bar, bool hidden)
{
    std::vector<TBBUTTON> buttons = {
        {I_IMAGENONE, 100, TBSTATE_ENABLED, TBSTYLE_BUTTON, {}, 0, 0},
        {8, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {}, 0, 0},
        {I_IMAGENONE, 102, TBSTATE_ENABLED | TBSTATE_CHECKED, TBSTYLE_CHECK, {}, 0, 0},
        {I_IMAGENONE, 103, 0, TBSTYLE_BUTTON, {}, 0, 0}};
    if (hidden)
        buttons.insert(buttons.begin() + 2,
                       {I_IMAGENONE, 101, TBSTATE_ENABLED | TBSTATE_HIDDEN, TBSTYLE_BUTTON, {}, 0, 0});
    SendMessageA(bar, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
}

HWND MakeToolbar(HWND parent)
{
    HWND bar = EmptyToolbar(parent);
    AddButtons(bar, false);
    return bar;
}

RECT ButtonRect(HWND bar, int i)
{
    RECT r = {};
    SendMessageA(bar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
    return r;
}

TEST_F(Window, ToolbarButtonLooks)
{
    Host(300, 60);
    HWND bar = MakeToolbar(m_host);
    ASSERT_TRUE(m->AttachControl(bar));
    auto* o = static_cast<FlatToolbar*>(m->FindControl(bar));
    RECT b0 = ButtonRect(bar, 0), sep = ButtonRect(bar, 1), b2 = ButtonRect(bar, 2),
         b3 = ButtonRect(bar, 3);
    ASSERT_GT(b0.right, b0.left);
    EXPECT_EQ(-1, ToolbarButtonAt(bar, {(sep.left + sep.right) / 2, (sep.top + sep.bottom) / 2}))
        << "separators are never hit";
    EXPECT_EQ(2, ToolbarButtonAt(bar, {b2.left + 3, b2.top + 3}));

    flattest::ParkCursor();
    MemoryDib idle(300, 40);
    o->Paint(idle.dc());
    EXPECT_EQ(-1, o->HotItem());
    EXPECT_TRUE(RingIs(idle, b0, HIGHLIGHT, SHADOW));
    EXPECT_TRUE(RingIs(idle, Shrunk(b0, 1), FACE, FACE));
    EXPECT_TRUE(RingIs(idle, b2, SHADOW, HIGHLIGHT)) << "checked";
    EXPECT_EQ(Untouched, idle.Pixel(sep.left, (sep.top + sep.bottom) / 2)) << "separator";

    CursorAtClient(bar, b2.left + 3, b2.top + 3);
    MemoryDib checkedHot(300, 40);
    o->Paint(checkedHot.dc());
    EXPECT_EQ(2, o->HotItem());
    EXPECT_TRUE(RingIs(checkedHot, b2, DKSHADOW, HIGHLIGHT));
    EXPECT_TRUE(RingIs(checkedHot, Shrunk(b2, 1), SHADOW, SHADOW));

    CursorAtClient(bar, b0.left + 3, b0.top + 3);
    MemoryDib hot(300, 40);
    o->Paint(hot.dc());
    EXPECT_TRUE(RingIs(hot, b0, HIGHLIGHT, DKSHADOW));
    EXPECT_TRUE(RingIs(hot, Shrunk(b0, 1), LIGHT, SHADOW));

    CursorAtClient(bar, b3.left + 3, b3.top + 3);
    MemoryDib disabled(300, 40);
    o->Paint(disabled.dc());
    EXPECT_EQ(3, o->HotItem()) << "a disabled button is the hot item";
    EXPECT_TRUE(RingIs(disabled, b3, HIGHLIGHT, SHADOW)) << "but is not drawn hot";
}

TEST_F(Window, ToolbarRepaintForgetsTheHotItem)
{
    Host(300, 60, true);
    HWND bar = MakeToolbar(m_host);
    ASSERT_TRUE(m->AttachControl(bar));
    auto* o = static_cast<FlatToolbar*>(m->FindControl(bar));
    RECT b0 = ButtonRect(bar, 0);
    testsupport::PumpMessages(30);
    CursorAtClient(bar, b0.left + 3, b0.top + 3);
    m->OnHoverTick();
    EXPECT_EQ(bar, m->HotWindow());
    EXPECT_EQ(0, o->HotItem());
    SendMessageA(bar, WM_PAINT, 0, 0);  // staying hot: nothing redrawn
    EXPECT_EQ(-1, o->HotItem());
    m->OnHoverTick();  // so the next tick marks the button again
    EXPECT_EQ(0, o->HotItem());
}

// A control that does not answer TB_GETITEMRECT (COMCTL32 4.00, as the
// message tables have it): its buttons are laid out by the button size.
// Where the flat object saw TB_SETBUTTONSIZE give them one, the boxes come
// out where the control itself puts them; otherwise they have the
// documented default size of 24 x 22 (Wine's newer control makes its
// default buttons 23 wide).
TEST_F(Window, ToolbarWithoutItemRectsIsLaidOutByItsButtonSize)
{
    Host(300, 60);
    for (bool sized : {false, true}) {
        SCOPED_TRACE(sized ? "30 x 26 buttons" : "buttons of the default size");
        HWND bar = EmptyToolbar(m_host);
        ASSERT_TRUE(m->AttachControl(bar));
        if (sized)
            SendMessageA(bar, TB_SETBUTTONSIZE, 0, MAKELPARAM(30, 26));
        AddButtons(bar, true);
        std::vector<RECT> expected = {{0, 2, 24, 24}, {24, 2, 32, 24}, {0, 0, 0, 0},
                                      {32, 2, 56, 24}, {56, 2, 80, 24}};
        if (sized) {
            for (int i = 0; i < 5; ++i)
                expected[i] = ButtonRect(bar, i);
            ASSERT_EQ(30, expected[0].right - expected[0].left);
            ASSERT_EQ(26, expected[0].bottom - expected[0].top);
        }
        flattest::AnswerWithoutItemRects(bar);
        RECT none = {};
        ASSERT_FALSE(SendMessageA(bar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&none)));

        const SIZE size = sized ? SIZE{30, 26} : DefaultToolbarButtonSize;
        const std::vector<ToolbarItem> items = ToolbarItems(bar, size);
        ASSERT_EQ(5u, items.size());
        for (int i = 0; i < 5; ++i) {
            const RECT& b = items[i].box;
            EXPECT_TRUE(EqualRect(&b, &expected[i]))
                << i << ": " << b.left << "," << b.top << "," << b.right << "," << b.bottom;
        }
        EXPECT_TRUE(IsRectEmpty(&items[2].box)) << "a hidden button has no box";

        const RECT& checked = expected[3];
        EXPECT_EQ(3, ToolbarButtonAt(bar, {checked.left + 3, checked.top + 3}, size));
        EXPECT_EQ(-1, ToolbarButtonAt(bar, {expected[1].left + 3, checked.top + 3}, size))
            << "separators are never hit";
        // The flat object lays them out by the size it noted.
        auto* o = static_cast<FlatToolbar*>(m->FindControl(bar));
        CursorAtClient(bar, checked.left + 3, checked.top + 3);
        MemoryDib dib(300, 40);
        o->Paint(dib.dc());
        EXPECT_EQ(3, o->HotItem());
        EXPECT_TRUE(RingIs(dib, expected[0], HIGHLIGHT, SHADOW));
        EXPECT_TRUE(RingIs(dib, checked, DKSHADOW, HIGHLIGHT)) << "checked and hot";
        EXPECT_TRUE(RingIs(dib, expected[4], HIGHLIGHT, SHADOW));
        DestroyWindow(bar);
        flattest::ParkCursor();
    }
}

// Windows 9x hands out window DCs from a small cache: a painter that gets
// none asks the control nothing and draws nothing; with one, it asks.
TEST_F(Window, PaintersWithoutADeviceContextDoNothing)
{
    Host(300, 200);
    HWND trackbar = Child(TRACKBAR_CLASSA, 0, 0, 0, 200, 30);
    HWND header = flattest::MakeHeader(m_host, 200, 2);
    HWND toolbar = MakeToolbar(m_host);
    HWND tab = Child(WC_TABCONTROLA, 0, 0, 100, 200, 80);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>("tab");
    SendMessageA(tab, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    const struct {
        HWND window;
        UINT firstQuestion;
    } painters[] = {{trackbar, TBM_GETCHANNELRECT},
                    {header, HDM_GETITEMCOUNT},
                    {toolbar, TB_BUTTONCOUNT},
                    {tab, TCM_ADJUSTRECT}};
    for (const auto& p : painters) {
        SCOPED_TRACE(testsupport::MessageName(p.firstQuestion));
        ASSERT_TRUE(m->AttachControl(p.window));
        FlatControl* o = m->FindControl(p.window);
        RECT client;
        GetClientRect(p.window, &client);
        {
            testsupport::MessageRecorder asked({p.window}, {p.firstQuestion});
            testsupport::NoWindowDC none(p.window);
            o->SetWindowDCSource(none.Source());
            o->DrawFrame(nullptr, client);
            o->SetWindowDCSource(SystemWindowDC);
            EXPECT_GT(none.Refused(), 0) << "it asked for a DC";
            EXPECT_TRUE(asked.sequence.Entries().empty()) << "it went on without one";
        }
        testsupport::MessageRecorder asked({p.window}, {p.firstQuestion});
        o->DrawFrame(nullptr, client);
        EXPECT_FALSE(asked.sequence.Entries().empty()) << "with a DC it paints";
    }
}

}  // namespace
