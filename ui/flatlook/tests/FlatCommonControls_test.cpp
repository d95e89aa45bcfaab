// Trackbars, headers, toolbars and tab controls: their parts drawn onto
// memory DCs, from pure geometry and from real controls.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "FlatCommonControls.h"
#include "FlatLookFixture.h"
#include "FlatLookManager.h"
#include "FlatLookTestSupport.h"
#include "RingCheck.h"
#include "SysColours.h"
#include "Win32TestSupport.h"

using namespace flatlook;
using flattest::RingIs;
using flattest::Shrunk;
using flattest::MakeHeader;
using flattest::Untouched;
using testsupport::MemoryDib;

namespace {

using namespace testsupport::syscolours;

// --- Trackbars ---------------------------------------------------------------

TEST(Trackbar, VerticalChannelIsRebuiltAroundTheThumb)
{
    RECT reported = {8, 10, 100, 14};  // 4 thick, laid out horizontally
    RECT thumb = {5, 40, 25, 50};      // 20 wide
    RECT left = VerticalTrackbarChannel(reported, thumb, TBS_VERT | TBS_LEFT);
    EXPECT_EQ(14, left.left);  // 5 + (10 - 2) + 1
    EXPECT_EQ(18, left.right);
    EXPECT_EQ(8, left.top);
    EXPECT_EQ(100, left.bottom);
    EXPECT_EQ(13, VerticalTrackbarChannel(reported, thumb, TBS_VERT | TBS_BOTH).left);
    EXPECT_EQ(12, VerticalTrackbarChannel(reported, thumb, TBS_VERT).left);
}

TEST(Trackbar, ChannelIsRebuiltOnlyWhenReportedHorizontally)
{
    RECT thumb = {5, 40, 25, 50};
    RECT horizontal = {8, 10, 100, 14};
    RECT rebuilt = TrackbarChannel(horizontal, thumb, TBS_VERT);
    EXPECT_EQ(4, rebuilt.right - rebuilt.left);
    EXPECT_EQ(92, rebuilt.bottom - rebuilt.top);

    RECT vertical = {12, 8, 16, 100};
    RECT kept = TrackbarChannel(vertical, thumb, TBS_VERT);
    EXPECT_TRUE(EqualRect(&kept, &vertical)) << "an already vertical channel stays as reported";

    RECT plain = TrackbarChannel(horizontal, thumb, 0);
    EXPECT_TRUE(EqualRect(&plain, &horizontal)) << "a horizontal trackbar keeps its channel";
}

TEST(Trackbar, ChannelRings)
{
    RECT k = {2, 2, 60, 8};
    MemoryDib idle(64, 10), active(64, 10);
    DrawTrackbarChannel(idle.dc(), k, false);
    DrawTrackbarChannel(active.dc(), k, true);
    EXPECT_TRUE(RingIs(idle, k, SHADOW, HIGHLIGHT));
    EXPECT_TRUE(RingIs(idle, Shrunk(k, 1), FACE, FACE));
    EXPECT_TRUE(RingIs(active, Shrunk(k, 1), DKSHADOW, LIGHT));
}

TEST(Trackbar, RectangularThumbWithBoth)
{
    RECT t = {4, 4, 24, 14};
    MemoryDib idle(30, 20), active(30, 20);
    DrawTrackbarThumb(idle.dc(), t, TBS_VERT | TBS_BOTH, false);
    DrawTrackbarThumb(active.dc(), t, TBS_BOTH, true);
    EXPECT_TRUE(RingIs(idle, t, HIGHLIGHT, SHADOW));
    EXPECT_TRUE(RingIs(idle, Shrunk(t, 1), FACE, FACE));
    EXPECT_EQ(FACE, idle.Pixel(10, 8)) << "filled";
    EXPECT_TRUE(RingIs(active, t, HIGHLIGHT, DKSHADOW));
    EXPECT_TRUE(RingIs(active, Shrunk(t, 1), LIGHT, SHADOW));
}

TEST(Trackbar, PointedThumbsEveryOrientation)
{
    // Vertical thumbs on (10, 10, 30, 21): v = 5.
    RECT v = {10, 10, 30, 21};
    MemoryDib left(40, 40);
    HGDIOBJ penBefore = GetCurrentObject(left.dc(), OBJ_PEN);
    DrawTrackbarThumb(left.dc(), v, TBS_VERT | TBS_LEFT, false);
    EXPECT_EQ(penBefore, GetCurrentObject(left.dc(), OBJ_PEN)) << "the DC's pen is put back";
    EXPECT_EQ(SHADOW, left.Pixel(10, 15)) << "tip on the left";
    EXPECT_EQ(HIGHLIGHT, left.Pixel(12, 13)) << "upper slope";
    EXPECT_EQ(HIGHLIGHT, left.Pixel(20, 10)) << "top edge";
    EXPECT_EQ(SHADOW, left.Pixel(20, 20)) << "bottom edge";
    EXPECT_EQ(SHADOW, left.Pixel(29, 15)) << "flat right side";
    EXPECT_EQ(FACE, left.Pixel(20, 15));
    EXPECT_EQ(FACE, left.Pixel(10, 11)) << "beyond the slope only the FACE fill";

    MemoryDib right(40, 40);
    DrawTrackbarThumb(right.dc(), v, TBS_VERT, true);
    EXPECT_EQ(HIGHLIGHT, right.Pixel(10, 15)) << "flat left side";
    EXPECT_EQ(HIGHLIGHT, right.Pixel(26, 12)) << "upper slope toward the tip";
    EXPECT_EQ(DKSHADOW, right.Pixel(20, 20)) << "active bottom edge";
    EXPECT_EQ(LIGHT, right.Pixel(20, 11)) << "active inner top line";
    EXPECT_EQ(FACE, right.Pixel(29, 11)) << "beyond the slope only the FACE fill";
    EXPECT_EQ(Untouched, right.Pixel(30, 15)) << "nothing outside the rectangle";

    // Horizontal thumbs on (10, 10, 21, 30): w = 5.
    RECT h = {10, 10, 21, 30};
    MemoryDib up(40, 40), down(40, 40);
    DrawTrackbarThumb(up.dc(), h, TBS_TOP, false);
    DrawTrackbarThumb(down.dc(), h, TBS_BOTTOM, false);
    EXPECT_EQ(SHADOW, up.Pixel(15, 10)) << "tip on top";
    EXPECT_EQ(FACE, up.Pixel(10, 10));
    EXPECT_EQ(SHADOW, up.Pixel(15, 29)) << "flat bottom";
    EXPECT_EQ(HIGHLIGHT, down.Pixel(15, 10)) << "flat top";
    EXPECT_EQ(HIGHLIGHT, down.Pixel(10, 10));
    EXPECT_EQ(FACE, down.Pixel(10, 29)) << "beyond the slope near the tip";
    EXPECT_EQ(SHADOW, down.Pixel(15, 29)) << "tip at the bottom";
}

using Window = flattest::ControlHost;

TEST_F(Window, TrackbarPaintsChannelAndThumbOrOnlyTheChannel)
{
    Host(300, 100);
    HWND both = Child(TRACKBAR_CLASSA, TBS_VERT | TBS_BOTH, 0, 0, 40, 100);
    HWND bare = Child(TRACKBAR_CLASSA, TBS_NOTHUMB, 50, 0, 200, 40);
    ASSERT_TRUE(m->AttachControl(both));
    ASSERT_TRUE(m->AttachControl(bare));

    MemoryDib dib(40, 100);
    static_cast<FlatTrackbar*>(m->FindControl(both))->Paint(dib.dc());
    RECT thumb;
    SendMessageA(both, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    EXPECT_TRUE(RingIs(dib, thumb, HIGHLIGHT, SHADOW));
    // A vertical trackbar's channel rings stand upright, whichever way the
    // control reports its channel.
    RECT reported;
    SendMessageA(both, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&reported));
    RECT vchannel = TrackbarChannel(reported, thumb, TBS_VERT | TBS_BOTH);
    EXPECT_GT(vchannel.bottom - vchannel.top, vchannel.right - vchannel.left);
    EXPECT_EQ(SHADOW, dib.Pixel(vchannel.left, (vchannel.top + vchannel.bottom) / 2));
    EXPECT_EQ(HIGHLIGHT, dib.Pixel(vchannel.right - 1, (vchannel.top + vchannel.bottom) / 2));

    MemoryDib channelOnly(200, 40);
    static_cast<FlatTrackbar*>(m->FindControl(bare))->Paint(channelOnly.dc());
    RECT channel;
    SendMessageA(bare, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    EXPECT_TRUE(RingIs(channelOnly, channel, SHADOW, HIGHLIGHT));
    int touched = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            touched += channelOnly.Pixel(x, y) != Untouched;
    int perimeter = 2 * (channel.right - channel.left + channel.bottom - channel.top) - 4;
    EXPECT_EQ(2 * perimeter - 8, touched) << "the two channel rings and nothing else";
}

TEST_F(Window, ThousandsOfDrawsLeaveNoGdiObjectBehind)
{
    Host(300, 100, true);
    HWND bar = Child(TRACKBAR_CLASSA, TBS_VERT, 0, 0, 40, 100);
    ASSERT_TRUE(m->AttachControl(bar));
    FlatControl* o = m->FindControl(bar);
    testsupport::PumpMessages(30);
    o->Refresh();
    // Each draw takes two DCs and makes four pens. The room left for GDI
    // objects shows a leak of any of them (Wine answers 0 to
    // GetGuiResources); a leak of all of them would also run Wine's table of
    // 65536 entries dry before the end, and the last thumb would not be drawn.
    int room = testsupport::GdiRoom();
    const int draws = 17000;
    for (int i = 0; i < draws; ++i) {
        o->SetStateFlag(StateHot, i % 2 == 0);
        o->Refresh();
    }
    EXPECT_GE(testsupport::GdiRoom(), room) << "GDI objects left behind by the draws";
    RECT thumb;
    SendMessageA(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    HDC dc = GetDC(bar);
    ASSERT_NE(nullptr, dc);
    SolidFill(dc, thumb, RGB(1, 2, 3));
    o->SetStateFlag(StateHot, false);
    o->Refresh();
    EXPECT_EQ(HIGHLIGHT, GetPixel(dc, thumb.left, thumb.top + 1)) << "the last draw still works";
    ReleaseDC(bar, dc);
}

// --- Headers -------------------------------------------------------------------

TEST_F(Window, HeaderItemIsHotOnlyWithTheCursorInTheParent)
{
    Host(200, 100);
    for (bool comctl400 : {false, true}) {
        SCOPED_TRACE(comctl400 ? "COMCTL32 4.00: laid out by the widths alone" : "");
        HWND header = MakeHeader(m_host, 400, 3);  // sticks out of its 200-pixel parent
        if (comctl400)
            flattest::AnswerAsComctl400Header(header);
        ASSERT_TRUE(m->AttachControl(header));
        auto* o = static_cast<FlatHeader*>(m->FindControl(header));

        EXPECT_EQ(1, HeaderItemAt(header, {150, 5}));
        EXPECT_EQ(-1, HeaderItemAt(header, {350, 5}));

        CursorAtClient(header, 50, 10);
        MemoryDib inside(400, 20);
        o->Paint(inside.dc());
        EXPECT_EQ(0, o->HotItem());
        EXPECT_TRUE(RingIs(inside, {0, 0, 100, 20}, HIGHLIGHT, DKSHADOW));
        EXPECT_TRUE(RingIs(inside, {1, 1, 99, 19}, LIGHT, SHADOW));
        EXPECT_TRUE(RingIs(inside, {100, 0, 200, 20}, HIGHLIGHT, SHADOW));
        EXPECT_TRUE(RingIs(inside, {300, 0, 400, 20}, HIGHLIGHT, SHADOW)) << "the remainder";

        CursorAtClient(header, 250, 10);  // over item 2, outside the parent's client area
        MemoryDib outside(400, 20);
        o->Paint(outside.dc());
        EXPECT_EQ(-1, o->HotItem());
        EXPECT_TRUE(RingIs(outside, {200, 0, 300, 20}, HIGHLIGHT, SHADOW));
        DestroyWindow(header);
    }
}

TEST_F(Window, HeaderWithoutItemsIsOneBox)
{
    Host(200, 100);
    HWND header = MakeHeader(m_host, 150, 0);
    ASSERT_TRUE(m->AttachControl(header));
    MemoryDib dib(150, 20);
    static_cast<FlatHeader*>(m->FindControl(header))->Paint(dib.dc());
    EXPECT_TRUE(RingIs(dib, {0, 0, 150, 20}, HIGHLIGHT, SHADOW));
    EXPECT_TRUE(RingIs(dib, {1, 1, 149, 19}, FACE, FACE));
}

TEST_F(Window, HotHeaderItemMakesItsListViewHot)
{
    Host(320, 200, true);
    HWND list = Child(WC_LISTVIEWA, LVS_REPORT, 0, 0, 320, 200, WS_EX_CLIENTEDGE);
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = 100;
        column.pszText = const_cast<char*>("column");
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    HWND header = GetTopWindow(list);
    ASSERT_NE(nullptr, header);
    ASSERT_TRUE(GetWindowLongA(header, GWL_STYLE) & HDS_BUTTONS);
    ASSERT_TRUE(m->AttachControl(list));
    ASSERT_NE(nullptr, m->FindControl(header));
    testsupport::PumpMessages(50);

    CursorAtClient(header, 50, 5);
    m->OnHoverTick();
    EXPECT_EQ(header, m->HotWindow());
    EXPECT_TRUE(m->FindControl(list)->State() & StateHot) << "the parent follows its header";
    CursorAtClient(header, 150, 5);
    m->OnHoverTick();
    EXPECT_EQ(1, static_cast<FlatHeader*>(m->FindControl(header))->HotItem());
    EXPECT_TRUE(m->FindControl(list)->State() & StateHot) << "still hot on the next item";
    flattest::ParkCursor();
    m->OnHoverTick();
    EXPECT_FALSE(m->FindControl(list)->State() & StateHot);
    EXPECT_FALSE(m->FindControl(header)->State() & StateHot);
}

// --- Tab controls -----------------------------------------------------------------

TEST(TabOrientation, FromTheStyle)
{
    EXPECT_EQ(TabOrientation::Top, TabOrientationOf(0));
    EXPECT_EQ(TabOrientation::Bottom, TabOrientationOf(TCS_BOTTOM));
    EXPECT_EQ(TabOrientation::Left, TabOrientationOf(TCS_VERTICAL));
    EXPECT_EQ(TabOrientation::Right, TabOrientationOf(TCS_VERTICAL | TCS_RIGHT));
}

TEST(TabOutline, NeighboursOfTheSelectedTabLoseTheirEdgeOnItsSide)
{
    RECT tab = {10, 10, 50, 30};
    MemoryDib all(60, 40);
    DrawTabOutline(all.dc(), TabOrientation::Top, tab, 1, -1, false, false);
    EXPECT_EQ(HIGHLIGHT, all.Pixel(10, 20)) << "leading outer";
    EXPECT_EQ(FACE, all.Pixel(11, 20)) << "leading inner";
    EXPECT_EQ(HIGHLIGHT, all.Pixel(11, 11)) << "corner";
    EXPECT_EQ(HIGHLIGHT, all.Pixel(30, 10)) << "far outer";
    EXPECT_EQ(SHADOW, all.Pixel(49, 20)) << "trailing outer";
    EXPECT_EQ(SHADOW, all.Pixel(48, 11)) << "trailing corner";

    MemoryDib afterSelected(60, 40);
    DrawTabOutline(afterSelected.dc(), TabOrientation::Top, tab, 1, 0, false, false);
    EXPECT_EQ(Untouched, afterSelected.Pixel(10, 20));
    EXPECT_EQ(Untouched, afterSelected.Pixel(11, 11));
    EXPECT_EQ(SHADOW, afterSelected.Pixel(49, 20));

    MemoryDib beforeSelected(60, 40);
    DrawTabOutline(beforeSelected.dc(), TabOrientation::Top, tab, 1, 2, false, false);
    EXPECT_EQ(HIGHLIGHT, beforeSelected.Pixel(10, 20));
    EXPECT_EQ(Untouched, beforeSelected.Pixel(49, 20));

    MemoryDib selected(60, 40);
    DrawTabOutline(selected.dc(), TabOrientation::Top, tab, 1, 1, true, true);
    EXPECT_EQ(HIGHLIGHT, selected.Pixel(8, 20)) << "grown by 2 on the left";
    EXPECT_EQ(LIGHT, selected.Pixel(9, 20)) << "hot inner light line";
    EXPECT_EQ(DKSHADOW, selected.Pixel(51, 20)) << "grown by 2 on the right, hot";
    EXPECT_EQ(SHADOW, selected.Pixel(50, 20));
    EXPECT_EQ(HIGHLIGHT, selected.Pixel(30, 8));
}

TEST(TabOutline, OtherOrientations)
{
    RECT tab = {10, 10, 50, 30};
    MemoryDib bottom(60, 40);
    DrawTabOutline(bottom.dc(), TabOrientation::Bottom, tab, 0, -1, false, false);
    EXPECT_EQ(SHADOW, bottom.Pixel(30, 29)) << "dark far edge at the bottom";
    EXPECT_EQ(HIGHLIGHT, bottom.Pixel(10, 15));
    EXPECT_EQ(Untouched, bottom.Pixel(30, 10)) << "open toward the page";

    MemoryDib left(60, 40);
    DrawTabOutline(left.dc(), TabOrientation::Left, tab, 0, -1, false, false);
    EXPECT_EQ(HIGHLIGHT, left.Pixel(10, 20)) << "light far edge on the left";
    EXPECT_EQ(HIGHLIGHT, left.Pixel(30, 10)) << "leading edge on top";
    EXPECT_EQ(SHADOW, left.Pixel(30, 29)) << "trailing edge at the bottom";
    EXPECT_EQ(Untouched, left.Pixel(49, 20));

    MemoryDib right(60, 40);
    DrawTabOutline(right.dc(), TabOrientation::Right, tab, 0, -1, false, true);
    EXPECT_EQ(DKSHADOW, right.Pixel(49, 20)) << "hot dark far edge on the right";
    EXPECT_EQ(Untouched, right.Pixel(10, 20));
}

TEST(TabPageBorder, OpenBesideTheSelectedTab)
{
    RECT page = {10, 10, 110, 90};
    RECT selected = {40, 88, 70, 104};  // a bottom tab below the page
    MemoryDib bottom(130, 110);
    DrawTabPageBorder(bottom.dc(), TabOrientation::Bottom, page, &selected);
    // The page's bottom is raised by 2: its row lies at y = 87.
    EXPECT_EQ(SHADOW, bottom.Pixel(20, 87));
    EXPECT_EQ(SHADOW, bottom.Pixel(80, 87));
    EXPECT_NE(SHADOW, bottom.Pixel(50, 87)) << "open where the selected tab joins";
    EXPECT_EQ(SHADOW, bottom.Pixel(109, 50)) << "right column";
    EXPECT_EQ(FACE, bottom.Pixel(108, 50)) << "FACE ring inside";
    EXPECT_EQ(FACE, bottom.Pixel(11, 50));
    EXPECT_EQ(Untouched, bottom.Pixel(10, 50)) << "the left outer edge stays as painted";

    MemoryDib unselected(130, 110);
    DrawTabPageBorder(unselected.dc(), TabOrientation::Bottom, page, nullptr);
    EXPECT_EQ(Untouched, unselected.Pixel(20, 87)) << "no selected tab: its rows are left out";
    EXPECT_EQ(SHADOW, unselected.Pixel(109, 50));

    RECT side = {108, 30, 124, 60};  // a right tab beside the page
    MemoryDib right(130, 110);
    DrawTabPageBorder(right.dc(), TabOrientation::Right, page, &side);
    EXPECT_EQ(SHADOW, right.Pixel(107, 20)) << "column above the tab (right edge - 2)";
    EXPECT_NE(SHADOW, right.Pixel(107, 45)) << "open beside the tab";
    EXPECT_EQ(SHADOW, right.Pixel(107, 70)) << "column below the tab";
    EXPECT_EQ(SHADOW, right.Pixel(50, 89)) << "bottom row";
}

HWND MakeTab(HWND parent, DWORD style, int selected)
{
    HWND tab = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 300,
                               150, parent, nullptr, nullptr, nullptr);
    for (int i = 0; i < 3; ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>("page");
        SendMessageA(tab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(tab, TCM_SETCURSEL, selected, 0);
    return tab;
}

TEST_F(Window, TabControlPaintTopTabs)
{
    Host(320, 200);
    RECT frame = {0, 0, 300, 150};

    HWND buttons = MakeTab(m_host, TCS_BUTTONS, 1);
    ASSERT_TRUE(m->AttachControl(buttons));
    MemoryDib untouched(300, 150);
    static_cast<FlatTab*>(m->FindControl(buttons))->Paint(untouched.dc(), frame);
    int touched = 0;
    for (int y = 0; y < 150; y += 3)
        for (int x = 0; x < 300; x += 3)
            touched += untouched.Pixel(x, y) != Untouched;
    EXPECT_EQ(0, touched) << "TCS_BUTTONS is left as the control painted it";
    DestroyWindow(buttons);

    HWND first = MakeTab(m_host, 0, 0);
    ASSERT_TRUE(m->AttachControl(first));
    MemoryDib firstSelected(300, 150);
    static_cast<FlatTab*>(m->FindControl(first))->Paint(firstSelected.dc(), frame);
    RECT s;
    SendMessageA(first, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&s));
    EXPECT_NE(FACE, firstSelected.Pixel(0, s.top + 1)) << "no FACE strip with tab 0 selected";
    EXPECT_EQ(HIGHLIGHT, firstSelected.Pixel(s.left - 2, (s.top + s.bottom) / 2));
    // The page border: right column and bottom row in SHADOW.
    RECT q = frame;
    SendMessageA(first, TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&q));
    InflateRect(&q, 4, 4);
    q.top += 2;
    EXPECT_EQ(SHADOW, firstSelected.Pixel(q.right - 1, (q.top + q.bottom) / 2));
    EXPECT_EQ(SHADOW, firstSelected.Pixel((q.left + q.right) / 2, q.bottom - 1));
    EXPECT_EQ(FACE, firstSelected.Pixel(q.right - 2, (q.top + q.bottom) / 2)) << "FACE ring";
    DestroyWindow(first);

    HWND second = MakeTab(m_host, 0, 1);
    ASSERT_TRUE(m->AttachControl(second));
    MemoryDib secondSelected(300, 150);
    static_cast<FlatTab*>(m->FindControl(second))->Paint(secondSelected.dc(), frame);
    SendMessageA(second, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&s));
    EXPECT_EQ(FACE, secondSelected.Pixel(0, 0)) << "the FACE strip";
    EXPECT_EQ(FACE, secondSelected.Pixel(1, s.bottom - s.top + 1));
    RECT t0;
    SendMessageA(second, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&t0));
    EXPECT_EQ(HIGHLIGHT, secondSelected.Pixel(t0.left, (t0.top + t0.bottom) / 2 + 2))
        << "tab 0 keeps its leading edge";
    DestroyWindow(second);
}

TEST_F(Window, TabControlPaintBottomTabsAndNoSelection)
{
    Host(320, 200);
    RECT frame = {0, 0, 300, 150};
    RECT s;

    // Bottom tabs get the FACE strip at the frame's bottom-left corner.
    HWND bottom = MakeTab(m_host, TCS_BOTTOM, 1);
    ASSERT_TRUE(m->AttachControl(bottom));
    MemoryDib bottomSelected(300, 150);
    static_cast<FlatTab*>(m->FindControl(bottom))->Paint(bottomSelected.dc(), frame);
    SendMessageA(bottom, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&s));
    int strip = s.bottom - s.top + 2;
    EXPECT_EQ(FACE, bottomSelected.Pixel(0, 149)) << "the FACE strip of a bottom tab control";
    EXPECT_EQ(FACE, bottomSelected.Pixel(1, 150 - strip));
    EXPECT_NE(FACE, bottomSelected.Pixel(0, 149 - strip)) << "strip height";
    DestroyWindow(bottom);

    HWND none = MakeTab(m_host, 0, -1);
    ASSERT_TRUE(m->AttachControl(none));
    ASSERT_EQ(-1, SendMessageA(none, TCM_GETCURSEL, 0, 0));
    MemoryDib noneSelected(300, 150);
    static_cast<FlatTab*>(m->FindControl(none))->Paint(noneSelected.dc(), frame);
    SendMessageA(none, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&s));
    EXPECT_EQ(HIGHLIGHT, noneSelected.Pixel(s.left, (s.top + s.bottom) / 2 + 2))
        << "with nothing selected every tab has all its edges";
    EXPECT_EQ(SHADOW, noneSelected.Pixel(s.right - 1, (s.top + s.bottom) / 2 + 2));
    DestroyWindow(none);
}

TEST_F(Window, TabHoverFollowsItsItems)
{
    Host(320, 200, true);
    HWND tab = MakeTab(m_host, 0, 1);
    ASSERT_TRUE(m->AttachControl(tab));
    auto* o = static_cast<FlatTab*>(m->FindControl(tab));
    testsupport::PumpMessages(30);
    RECT t0, t2;
    SendMessageA(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&t0));
    SendMessageA(tab, TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&t2));
    EXPECT_EQ(2, TabItemAt(tab, {t2.left + 3, t2.top + 3}));
    EXPECT_EQ(-1, TabItemAt(tab, {150, 120}));

    CursorAtClient(tab, t0.left + 3, t0.top + 3);
    m->OnHoverTick();
    EXPECT_EQ(tab, m->HotWindow());
    EXPECT_EQ(0, o->HotItem());
    // Same item on the next tick: nothing is refreshed.
    o->SetStateFlag(StateReadOnly, true);  // a mark only Refresh copies
    m->OnHoverTick();
    EXPECT_FALSE(o->LastDrawnState() & StateReadOnly);
    // Another item of the same control: refreshed again, the new item hot.
    CursorAtClient(tab, t2.left + 3, t2.top + 3);
    m->OnHoverTick();
    EXPECT_TRUE(o->LastDrawnState() & StateReadOnly);
    EXPECT_EQ(2, o->HotItem());
    EXPECT_TRUE(o->State() & StateHot);
    flattest::ParkCursor();
    m->OnHoverTick();
    EXPECT_EQ(nullptr, m->HotWindow());
    EXPECT_EQ(-1, o->HotItem());
}

}  // namespace
