// Drawing primitives, rings and the generic frame on memory DCs.
#include <gtest/gtest.h>

#include "FlatLookTestSupport.h"
#include "FlatPaint.h"
#include "Win32TestSupport.h"

using namespace flatlook;
using flattest::Sys;
using testsupport::MemoryDib;

namespace {

const COLORREF Background = RGB(0x12, 0x34, 0x56);
const COLORREF Red = RGB(255, 0, 0);
const COLORREF Blue = RGB(0, 0, 255);

// Expects the outline of `rect` (one ring) in the two colours.
void ExpectRing(const MemoryDib& dib, const RECT& r, COLORREF topLeft, COLORREF bottomRight,
                const char* what)
{
    SCOPED_TRACE(what);
    for (int x = r.left; x < r.right - 1; ++x)
        ASSERT_EQ(topLeft, dib.Pixel(x, r.top)) << "top x=" << x;
    for (int y = r.top; y < r.bottom - 1; ++y)
        ASSERT_EQ(topLeft, dib.Pixel(r.left, y)) << "left y=" << y;
    for (int y = r.top; y < r.bottom; ++y)
        ASSERT_EQ(bottomRight, dib.Pixel(r.right - 1, y)) << "right y=" << y;
    for (int x = r.left; x < r.right; ++x)
        ASSERT_EQ(bottomRight, dib.Pixel(x, r.bottom - 1)) << "bottom x=" << x;
}

RECT Shrunk(RECT r, int by)
{
    InflateRect(&r, -by, -by);
    return r;
}

TEST(SolidFill, FillsExactlyTheRectangle)
{
    MemoryDib dib(20, 20);
    SolidFill(dib.dc(), 3, 4, 5, 2, Red);
    EXPECT_EQ(Red, dib.Pixel(3, 4));
    EXPECT_EQ(Red, dib.Pixel(7, 5));
    EXPECT_EQ(Background, dib.Pixel(8, 4));
    EXPECT_EQ(Background, dib.Pixel(3, 6));
    EXPECT_EQ(Background, dib.Pixel(2, 4));
}

TEST(SolidFill, NegativeSizeCoversThePixelBeforeTheOrigin)
{
    MemoryDib dib(20, 20);
    SolidFill(dib.dc(), 10, 2, -1, 3, Red);  // column x = 9, rows 2..4
    EXPECT_EQ(Red, dib.Pixel(9, 2));
    EXPECT_EQ(Red, dib.Pixel(9, 4));
    EXPECT_EQ(Background, dib.Pixel(10, 2));
    EXPECT_EQ(Background, dib.Pixel(8, 2));
    SolidFill(dib.dc(), 2, 15, 4, -1, Blue);  // row y = 14, columns 2..5
    EXPECT_EQ(Blue, dib.Pixel(2, 14));
    EXPECT_EQ(Blue, dib.Pixel(5, 14));
    EXPECT_EQ(Background, dib.Pixel(2, 15));
    EXPECT_EQ(Background, dib.Pixel(6, 14));
}

TEST(SolidFill, RectangleFormMatches)
{
    MemoryDib dib(10, 10);
    RECT r = {1, 1, 4, 3};
    SolidFill(dib.dc(), r, Blue);
    EXPECT_EQ(Blue, dib.Pixel(1, 1));
    EXPECT_EQ(Blue, dib.Pixel(3, 2));
    EXPECT_EQ(Background, dib.Pixel(4, 2));
    EXPECT_EQ(Background, dib.Pixel(3, 3));
}

TEST(EdgeRect, TenByTenPaintsTheDocumentedPixels)
{
    MemoryDib dib(12, 12);
    EdgeRect(dib.dc(), 0, 0, 10, 10, Red, Blue);
    for (int i = 0; i <= 8; ++i) {
        EXPECT_EQ(Red, dib.Pixel(i, 0)) << "top row x=" << i;
        EXPECT_EQ(Red, dib.Pixel(0, i)) << "left column y=" << i;
    }
    for (int i = 0; i <= 9; ++i) {
        EXPECT_EQ(Blue, dib.Pixel(9, i)) << "column x=9, y=" << i;
        EXPECT_EQ(Blue, dib.Pixel(i, 9)) << "row y=9, x=" << i;
    }
    // The interior and the outside stay as they were.
    EXPECT_EQ(Background, dib.Pixel(1, 1));
    EXPECT_EQ(Background, dib.Pixel(8, 8));
    EXPECT_EQ(Background, dib.Pixel(10, 0));
    EXPECT_EQ(Background, dib.Pixel(0, 10));
}

TEST(EdgeRect, RectangleFormAtAnOffset)
{
    MemoryDib dib(20, 20);
    RECT r = {5, 6, 11, 10};
    EdgeRect(dib.dc(), r, Red, Blue);
    ExpectRing(dib, r, Red, Blue, "ring");
    EXPECT_EQ(Background, dib.Pixel(6, 7));
    EXPECT_EQ(Background, dib.Pixel(4, 6));
}

TEST(RingFrames, TwoAndThreeRingsNestInward)
{
    MemoryDib dib(30, 30);
    RECT r = {2, 2, 28, 28};
    TwoRingFrame(dib.dc(), r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW,
                 COLOR_3DLIGHT);
    ExpectRing(dib, r, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT), "outer");
    ExpectRing(dib, Shrunk(r, 1), Sys(COLOR_3DDKSHADOW), Sys(COLOR_3DLIGHT), "inner");
    EXPECT_EQ(Background, dib.Pixel(4, 4));

    MemoryDib three(30, 30);
    ThreeRingFrame(three.dc(), r, COLOR_3DDKSHADOW, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT,
                   COLOR_BTNSHADOW, COLOR_3DLIGHT, COLOR_BTNFACE);
    ExpectRing(three, r, Sys(COLOR_3DDKSHADOW), Sys(COLOR_3DDKSHADOW), "outer");
    ExpectRing(three, Shrunk(r, 1), Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_BTNSHADOW), "middle");
    ExpectRing(three, Shrunk(r, 2), Sys(COLOR_3DLIGHT), Sys(COLOR_BTNFACE), "inner");
    EXPECT_EQ(Background, three.Pixel(5, 5));
}

TEST(PixelGlyph, SetsEachPointUpToTheTerminator)
{
    MemoryDib dib(20, 20);
    const signed char points[] = {1, 0, 0, 1, 3, 4, 0, 0, 5, 5};
    PixelGlyph(dib.dc(), 10, 10, points, COLOR_3DDKSHADOW);
    EXPECT_EQ(Sys(COLOR_3DDKSHADOW), dib.Pixel(11, 10));
    EXPECT_EQ(Sys(COLOR_3DDKSHADOW), dib.Pixel(10, 11));
    EXPECT_EQ(Sys(COLOR_3DDKSHADOW), dib.Pixel(13, 14));
    EXPECT_EQ(Background, dib.Pixel(10, 10)) << "the origin itself is never part of a glyph";
    EXPECT_EQ(Background, dib.Pixel(15, 15)) << "points after the terminator are ignored";
}

TEST(ScrollBox, ActiveAndInactiveRings)
{
    RECT r = {0, 0, 16, 16};
    MemoryDib active(16, 16);
    DrawScrollBox(active.dc(), r, true);
    ExpectRing(active, r, Sys(COLOR_BTNFACE), Sys(COLOR_3DDKSHADOW), "active outer");
    ExpectRing(active, Shrunk(r, 1), Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_BTNSHADOW),
               "active inner");

    MemoryDib idle(16, 16);
    DrawScrollBox(idle.dc(), r, false);
    ExpectRing(idle, r, Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_BTNSHADOW), "idle outer");
    ExpectRing(idle, Shrunk(r, 1), Sys(COLOR_BTNFACE), Sys(COLOR_BTNFACE), "idle inner");
}

struct InnerRingCase {
    const char* name;
    WORD state;
    bool enabled;
    int topLeft;
    int bottomRight;
};

TEST(GenericFrame, InnerRingFollowsTheState)
{
    const InnerRingCase cases[] = {
        {"hot", StateHot, true, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
        {"focused", StateFocused, true, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
        {"hot wins over disabled", StateHot, false, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
        {"focused read-only", StateFocused | StateReadOnly, true, COLOR_3DDKSHADOW,
         COLOR_3DLIGHT},
        {"idle small", StateSmall, true, COLOR_BTNHIGHLIGHT, COLOR_3DLIGHT},
        {"idle tall", 0, true, COLOR_3DLIGHT, COLOR_3DLIGHT},
        {"disabled", 0, false, COLOR_BTNFACE, COLOR_BTNFACE},
        {"disabled small", StateSmall, false, COLOR_BTNFACE, COLOR_BTNFACE},
        {"read-only", StateReadOnly | StateSmall, true, COLOR_BTNFACE, COLOR_BTNFACE},
    };
    for (const InnerRingCase& c : cases) {
        MemoryDib dib(40, 40);
        RECT r = {0, 0, 40, 40};
        DrawGenericRings(dib.dc(), r, c.state, c.enabled);
        ExpectRing(dib, r, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT), c.name);
        ExpectRing(dib, Shrunk(r, 1), Sys(c.topLeft), Sys(c.bottomRight), c.name);
        EXPECT_EQ(Background, dib.Pixel(2, 2)) << c.name << ": the interior is never erased";
    }
}

TEST(WindowScrollBars, RectanglesFollowTheStyle)
{
    RECT frame = {0, 0, 200, 100};
    const int e = 2, s = 16;
    WindowScrollBars both = LayoutWindowScrollBars(frame, WS_HSCROLL | WS_VSCROLL, e, s);
    ASSERT_TRUE(both.horizontal);
    ASSERT_TRUE(both.vertical);
    RECT h = {2, 82, 182, 98}, v = {182, 2, 198, 82};
    EXPECT_TRUE(EqualRect(&both.horizontalRect, &h));
    EXPECT_TRUE(EqualRect(&both.verticalRect, &v));

    WindowScrollBars vOnly = LayoutWindowScrollBars(frame, WS_VSCROLL, e, s);
    RECT v2 = {182, 2, 198, 98};
    EXPECT_FALSE(vOnly.horizontal);
    ASSERT_TRUE(vOnly.vertical);
    EXPECT_TRUE(EqualRect(&vOnly.verticalRect, &v2));

    WindowScrollBars hOnly = LayoutWindowScrollBars(frame, WS_HSCROLL, e, s);
    RECT h2 = {2, 82, 198, 98};
    EXPECT_FALSE(hOnly.vertical);
    ASSERT_TRUE(hOnly.horizontal);
    EXPECT_TRUE(EqualRect(&hOnly.horizontalRect, &h2));

    WindowScrollBars none = LayoutWindowScrollBars(frame, WS_BORDER, e, s);
    EXPECT_FALSE(none.horizontal);
    EXPECT_FALSE(none.vertical);
}

}  // namespace
