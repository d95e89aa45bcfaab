// The scoped GDI owners give back what they took: a DC to its window's
// cache, the pen a selection replaced, and the objects they made.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "GdiOwners.h"

namespace {

// A DC released at the end of each scope is handed out again by the next
// GetDC; one kept would make the system hand out a new one every time.
template <typename DC>
size_t DistinctDCs(HWND window)
{
    std::set<HDC> seen;
    for (int i = 0; i < 20; ++i) {
        DC dc(window);
        EXPECT_NE(nullptr, dc.Get());
        EXPECT_EQ(window, WindowFromDC(dc));
        seen.insert(dc);
    }
    return seen.size();
}

TEST(GdiOwners, DeviceContextsGoBackToTheirWindow)
{
    HWND window = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 40, 20, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    EXPECT_LE(DistinctDCs<ClientDC>(window), 2u);
    EXPECT_LE(DistinctDCs<WindowDC>(window), 2u);
    DestroyWindow(window);
}

// Both owners take their DC from the source they are given, which may have
// none to give (Windows 9x's cache of common DCs): the owner is then null and
// releases nothing.
HWND g_asked = nullptr;
bool g_askedWhole = false;
HDC NoDC(HWND window, bool wholeWindow)
{
    g_asked = window;
    g_askedWhole = wholeWindow;
    return nullptr;
}

TEST(GdiOwners, AnOwnerWithoutADeviceContextIsNull)
{
    HWND window = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 40, 20, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    {
        ClientDC client(window, NoDC);
        EXPECT_EQ(nullptr, client.Get());
        EXPECT_FALSE(client);
        EXPECT_EQ(window, g_asked);
        EXPECT_FALSE(g_askedWhole);
        WindowDC whole(window, NoDC);
        EXPECT_EQ(nullptr, whole.Get());
        EXPECT_TRUE(g_askedWhole);
    }
    {
        ClientDC client(window);
        EXPECT_NE(nullptr, client.Get());
    }
    DestroyWindow(window);
}

TEST(GdiOwners, SelectionRestoresTheFirstReplacedObjectBeforeItsPensGo)
{
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, dc);
    HGDIOBJ original = GetCurrentObject(dc, OBJ_PEN);
    HPEN first = nullptr, second = nullptr;
    {
        OwnedPen a(CreatePen(PS_SOLID, 1, RGB(1, 2, 3)));
        OwnedPen b(CreatePen(PS_SOLID, 1, RGB(4, 5, 6)));
        first = a;
        second = b;
        SelectedObject pen(dc, a);
        EXPECT_EQ(first, GetCurrentObject(dc, OBJ_PEN));
        pen.Select(b);
        pen.Select(nullptr);  // selects nothing
        EXPECT_EQ(second, GetCurrentObject(dc, OBJ_PEN));
    }
    EXPECT_EQ(original, GetCurrentObject(dc, OBJ_PEN));
    EXPECT_EQ(0u, GetObjectType(first)) << "deleted with its owner";
    EXPECT_EQ(0u, GetObjectType(second));
    DeleteDC(dc);
}

}  // namespace
