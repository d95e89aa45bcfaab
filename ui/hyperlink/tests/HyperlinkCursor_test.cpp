// The link's hand cursor: the system's where it has one, else the hand
// drawn in the code, in the cursor size the display driver supports.
#include <gtest/gtest.h>

#include "LinkTestSupport.h"

namespace {

using namespace linktest;

TEST(HandCursor, IsShownOverTheLink)
{
    FakeLinkSystem fake;
    HyperlinkControl link(fake);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog&) {
        ASSERT_NE(link.GetHandCursor(), nullptr);
        EXPECT_EQ(GetModuleHandleA("winhlp32.exe"), nullptr) << "the help program stays loaded";
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
        EXPECT_EQ(link.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hWnd),
                                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
        EXPECT_EQ(GetCursor(), link.GetHandCursor());
        // The same image as the system's hand.
        ICONINFO mine = {}, system = {};
        ASSERT_TRUE(GetIconInfo(link.GetHandCursor(), &mine));
        ASSERT_TRUE(GetIconInfo(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)), &system));
        EXPECT_EQ(mine.xHotspot, system.xHotspot);
        EXPECT_EQ(mine.yHotspot, system.yHotspot);
        for (HBITMAP b : { mine.hbmMask, mine.hbmColor, system.hbmMask, system.hbmColor })
            if (b)
                DeleteObject(b);
    });
}

TEST(HandCursor, WithoutAHandInTheSystemTheDrawnOneIsShown)
{
    // Windows 95 and NT 4.0: no IDC_HAND, and a help program without one.
    FakeLinkSystem fake;
    fake.systemHand = false;
    HyperlinkControl link(fake);
    WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog&) {
        ASSERT_NE(link.GetHandCursor(), nullptr);
        EXPECT_EQ(link.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hWnd),
                                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
        EXPECT_EQ(GetCursor(), link.GetHandCursor());
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(link.GetHandCursor(), &info));
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(info.xHotspot, 5u);  // the finger tip
        EXPECT_EQ(info.yHotspot, 0u);
        BITMAP mask = {};
        ASSERT_TRUE(GetObjectA(info.hbmMask, sizeof mask, &mask));
        EXPECT_EQ(mask.bmWidth, 32);
        for (HBITMAP b : { info.hbmMask, info.hbmColor })
            if (b)
                DeleteObject(b);
    });
}

// The cursor's size, hot spot and a few of its pixels, drawn onto white.
struct DrawnCursor {
    SIZE size;
    POINT hotSpot;
    COLORREF tip;      // the finger tip, at the hot spot
    COLORREF palm;     // well inside the hand
    COLORREF corner;   // the top-left corner, left of the finger
};

DrawnCursor LookAt(HCURSOR cursor, int scale)
{
    DrawnCursor d = {};
    ICONINFO info = {};
    if (!GetIconInfo(cursor, &info))
        return d;
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    // A monochrome cursor: the AND and XOR masks one above the other.
    d.size = { mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2 };
    d.hotSpot = { static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot) };
    for (HBITMAP b : { info.hbmMask, info.hbmColor })
        if (b)
            DeleteObject(b);
    testsupport::MemoryDib dib(d.size.cx, d.size.cy);
    RECT all = { 0, 0, d.size.cx, d.size.cy };
    FillRect(dib.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dib.dc(), 0, 0, cursor, 0, 0, 0, nullptr, DI_NORMAL);
    d.tip = dib.Pixel(d.hotSpot.x, d.hotSpot.y);
    d.palm = dib.Pixel(10 * scale, 14 * scale);
    d.corner = dib.Pixel(0, 0);
    return d;
}

TEST(HandCursor, DrawnInTheSizeTheDisplayDriverSupports)
{
    // The system's own size (32 x 32 under Wine), a driver of 48 x 48 (the
    // hand kept at its size, in the corner) and one of 64 x 64 (the hand
    // twice as large).
    const SIZE real = LinkSystem().CursorSize();
    EXPECT_EQ(real.cx, GetSystemMetrics(SM_CXCURSOR));
    EXPECT_EQ(real.cy, GetSystemMetrics(SM_CYCURSOR));
    struct Case {
        SIZE driver;
        int scale;
    } cases[] = { { { 0, 0 }, real.cx / 32 }, { { 48, 48 }, 1 }, { { 64, 64 }, 2 } };
    for (const Case& c : cases) {
        FakeLinkSystem fake;
        fake.systemHand = false;
        fake.cursorSize = c.driver;
        const SIZE expected = c.driver.cx ? c.driver : real;
        HyperlinkControl link(fake);
        WithLinks({ { IDC_LEFT, &link } }, [&](LinkDialog&) {
            ASSERT_NE(link.GetHandCursor(), nullptr) << expected.cx;
            DrawnCursor d = LookAt(link.GetHandCursor(), c.scale);
            EXPECT_EQ(d.size.cx, expected.cx);
            EXPECT_EQ(d.size.cy, expected.cy);
            EXPECT_EQ(d.hotSpot.x, 5 * c.scale) << expected.cx;
            EXPECT_EQ(d.hotSpot.y, 0);
            EXPECT_EQ(d.tip, RGB(0, 0, 0)) << expected.cx << ": the outline at the finger tip";
            EXPECT_EQ(d.palm, RGB(255, 255, 255)) << expected.cx << ": the white palm";
            EXPECT_EQ(d.corner, RGB(255, 255, 255)) << expected.cx << ": transparent";
        });
    }
}

TEST(HandCursor, ASizeTheSystemCannotTellGivesTheClassicOne)
{
    HCURSOR cursor = HyperlinkControl::CreateDrawnHandCursor({ 0, 0 });
    ASSERT_NE(cursor, nullptr);
    DrawnCursor d = LookAt(cursor, 1);
    EXPECT_EQ(d.size.cx, 32);
    EXPECT_EQ(d.size.cy, 32);
    EXPECT_EQ(d.hotSpot.x, 5);
    DestroyCursor(cursor);
}

}  // namespace
