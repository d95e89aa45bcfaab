// Flat scroll bars: the box geometry, and the boxes drawn for real
// scroll-bar controls onto memory DCs.
#include <gtest/gtest.h>

#include "FlatLookTestSupport.h"
#include "FlatPaint.h"
#include "Win32TestSupport.h"

using namespace flatlook;
using flattest::Sys;
using testsupport::MemoryDib;

namespace {

const ScrollBarMetrics Metrics = {16, 8, 17};

SCROLLINFO Info(int nMin, int nMax, UINT nPage, int nPos)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.nMin = nMin;
    info.nMax = nMax;
    info.nPage = nPage;
    info.nPos = nPos;
    return info;
}

::testing::AssertionResult Is(const RECT& r, int l, int t, int rt, int b)
{
    if (r.left == l && r.top == t && r.right == rt && r.bottom == b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "rect is (" << r.left << "," << r.top << ","
                                         << r.right << "," << r.bottom << ")";
}

TEST(ScrollBarLayout, ArrowBoxesAndProportionalThumb)
{
    RECT r = {0, 0, 200, 16};
    SCROLLINFO info = Info(0, 99, 10, 0);
    ScrollBarBoxes b = LayoutScrollBar(r, false, false, Metrics, &info);
    EXPECT_TRUE(Is(b.firstArrow, 0, 0, 16, 16));
    EXPECT_TRUE(Is(b.secondArrow, 184, 0, 200, 16));
    ASSERT_TRUE(b.hasThumb);
    // track 168, thumb MulDiv(10, 168, 100) = 17
    EXPECT_TRUE(Is(b.thumb, 16, 0, 33, 16));

    info.nPos = 90;  // the last position puts the thumb against the second arrow
    b = LayoutScrollBar(r, false, false, Metrics, &info);
    ASSERT_TRUE(b.hasThumb);
    EXPECT_TRUE(Is(b.thumb, 167, 0, 184, 16));

    info = Info(10, 109, 10, 55);  // nMin is subtracted from the position
    b = LayoutScrollBar(r, false, false, Metrics, &info);
    ASSERT_TRUE(b.hasThumb);
    EXPECT_EQ(16 + MulDiv(45, 151, 90), b.thumb.left);
}

TEST(ScrollBarLayout, VerticalUsesTopAndBottom)
{
    RECT r = {5, 10, 21, 110};
    SCROLLINFO info = Info(0, 9, 5, 5);
    ScrollBarBoxes b = LayoutScrollBar(r, true, false, Metrics, &info);
    EXPECT_TRUE(Is(b.firstArrow, 5, 10, 21, 26));
    EXPECT_TRUE(Is(b.secondArrow, 5, 94, 21, 110));
    ASSERT_TRUE(b.hasThumb);
    // track 68, thumb 34, offset MulDiv(5, 34, 5) = 34
    EXPECT_TRUE(Is(b.thumb, 5, 60, 21, 94));
}

TEST(ScrollBarLayout, PageZeroUsesTheSystemThumbSize)
{
    RECT r = {0, 0, 200, 16};
    for (int nMax : {9, 999}) {
        SCROLLINFO info = Info(0, nMax, 0, 0);
        ScrollBarBoxes b = LayoutScrollBar(r, false, false, Metrics, &info);
        ASSERT_TRUE(b.hasThumb) << nMax;
        EXPECT_EQ(Metrics.thumbSize, b.thumb.right - b.thumb.left) << nMax;
    }
}

TEST(ScrollBarLayout, TinyPageGetsTheMinimumThumb)
{
    RECT r = {0, 0, 200, 16};
    SCROLLINFO info = Info(0, 999, 1, 0);
    ScrollBarBoxes b = LayoutScrollBar(r, false, false, Metrics, &info);
    ASSERT_TRUE(b.hasThumb);
    EXPECT_EQ(Metrics.minThumb, b.thumb.right - b.thumb.left);
}

TEST(ScrollBarLayout, PageEqualToRangeFillsTheTrackLessOnePixel)
{
    RECT r = {0, 0, 200, 16};
    SCROLLINFO info = Info(0, 9, 10, 3);
    ScrollBarBoxes control = LayoutScrollBar(r, false, true, Metrics, &info);
    ASSERT_TRUE(control.hasThumb);
    EXPECT_TRUE(Is(control.thumb, 16, 0, 16 + 167, 16));
    // A window's own bar whose thumb would fill the track draws none.
    ScrollBarBoxes own = LayoutScrollBar(r, false, false, Metrics, &info);
    EXPECT_FALSE(own.hasThumb);
}

TEST(ScrollBarLayout, ShortBarSplitsIntoTwoHalfArrows)
{
    RECT r = {0, 0, 21, 16};
    SCROLLINFO info = Info(0, 99, 10, 50);
    ScrollBarBoxes own = LayoutScrollBar(r, false, false, Metrics, &info);
    EXPECT_TRUE(Is(own.firstArrow, 0, 0, 10, 16));
    EXPECT_TRUE(Is(own.secondArrow, 11, 0, 21, 16));
    EXPECT_FALSE(own.hasThumb);

    ScrollBarBoxes control = LayoutScrollBar(r, false, true, Metrics, &info);
    ASSERT_TRUE(control.hasThumb);
    EXPECT_EQ(10, control.thumb.left);
    EXPECT_EQ(11, control.thumb.right) << "the thumb fills the one-pixel track";
}

TEST(ScrollBarLayout, NoThumbWithoutScrollStateOrWithAnEmptyRange)
{
    RECT r = {0, 0, 200, 16};
    ScrollBarBoxes unknown = LayoutScrollBar(r, false, true, Metrics, nullptr);
    EXPECT_FALSE(unknown.hasThumb);
    EXPECT_TRUE(Is(unknown.firstArrow, 0, 0, 16, 16));
    SCROLLINFO empty = Info(0, -1, 0, 0);
    EXPECT_FALSE(LayoutScrollBar(r, false, true, Metrics, &empty).hasThumb);
}

// A real scroll-bar control drawn onto a memory DC.
class ScrollBarControl : public ::testing::Test {
protected:
    void Make(DWORD style, int width, int height)
    {
        m_bar = CreateWindowExA(0, "ScrollBar", "", WS_POPUP | style, 0, 0, width, height,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, m_bar);
    }
    void TearDown() override
    {
        if (m_bar)
            DestroyWindow(m_bar);
    }
    HWND m_bar = nullptr;
};

TEST_F(ScrollBarControl, ThumbDrawnAtItsPosition)
{
    Make(SBS_HORZ, 200, 16);
    SCROLLINFO info = Info(0, 99, 10, 45);
    info.fMask = SIF_ALL;
    SetScrollInfo(m_bar, SB_CTL, &info, FALSE);
    MemoryDib dib(200, 16);
    RECT r = {0, 0, 200, 16};
    DrawScrollBarFlat(dib.dc(), r, false, true, m_bar, false);

    ScrollBarBoxes expected =
        LayoutScrollBar(r, false, true, CurrentScrollBarMetrics(), &info);
    ASSERT_TRUE(expected.hasThumb);
    int a = GetSystemMetrics(SM_CXHSCROLL);
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), dib.Pixel(0, 0));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), dib.Pixel(a - 1, 5));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), dib.Pixel(200 - a, 0));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), dib.Pixel(expected.thumb.left, 0));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), dib.Pixel(expected.thumb.right - 1, 5));
    EXPECT_EQ(Sys(COLOR_BTNFACE), dib.Pixel(expected.thumb.left + 1, 5));
    // The channel between the boxes is left as it was.
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), dib.Pixel(a + 1, 8));
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), dib.Pixel(expected.thumb.right + 1, 8));
}

TEST_F(ScrollBarControl, ActiveLookOnArrowsAndThumb)
{
    Make(SBS_VERT, 16, 150);
    SCROLLINFO info = Info(0, 9, 0, 0);
    info.fMask = SIF_ALL;
    SetScrollInfo(m_bar, SB_CTL, &info, FALSE);
    MemoryDib dib(16, 150);
    RECT r = {0, 0, 16, 150};
    DrawScrollBarFlat(dib.dc(), r, true, true, m_bar, true);
    int a = GetSystemMetrics(SM_CXHSCROLL);
    EXPECT_EQ(Sys(COLOR_BTNFACE), dib.Pixel(0, 0));
    EXPECT_EQ(Sys(COLOR_3DDKSHADOW), dib.Pixel(15, a - 1));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), dib.Pixel(1, 150 - a + 1));
    EXPECT_EQ(Sys(COLOR_BTNFACE), dib.Pixel(0, a)) << "page 0: thumb right after the arrow";
    EXPECT_EQ(Sys(COLOR_3DDKSHADOW),
              dib.Pixel(5, a + GetSystemMetrics(SM_CXHTHUMB) - 1));
}

TEST_F(ScrollBarControl, DisabledControlGetsArrowBoxesButNoThumb)
{
    Make(SBS_HORZ, 200, 16);
    SCROLLINFO info = Info(0, 99, 10, 45);
    info.fMask = SIF_ALL;
    SetScrollInfo(m_bar, SB_CTL, &info, FALSE);
    EnableWindow(m_bar, FALSE);
    MemoryDib dib(200, 16);
    RECT r = {0, 0, 200, 16};
    DrawScrollBarFlat(dib.dc(), r, false, true, m_bar, false);
    int a = GetSystemMetrics(SM_CXHSCROLL);
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), dib.Pixel(0, 0));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), dib.Pixel(200 - a, 0));
    for (int x = a + 1; x < 200 - a - 1; ++x)
        ASSERT_EQ(RGB(0x12, 0x34, 0x56), dib.Pixel(x, 0)) << "x=" << x;
}

}  // namespace
