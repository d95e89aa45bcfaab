// The scoped owners of libraries and cursors give back what they took.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "HandleOwners.h"

namespace {

// A cursor no longer there: the system no longer describes it.
bool CursorGone(HCURSOR cursor)
{
    ICONINFO info = {};
    if (!GetIconInfo(cursor, &info))
        return true;
    for (HBITMAP bitmap : { info.hbmMask, info.hbmColor })
        if (bitmap)
            DeleteObject(bitmap);
    return false;
}

HCURSOR MakeCursor()
{
    BYTE andPlane[32 * 4], xorPlane[32 * 4] = {};
    memset(andPlane, 0xFF, sizeof andPlane);
    return CreateCursor(GetModuleHandleA(nullptr), 0, 0, 32, 32, andPlane, xorPlane);
}

TEST(HandleOwners, ALibraryIsFreedWithItsOwner)
{
    // One this test program does not load itself.
    ASSERT_EQ(nullptr, GetModuleHandleA("lz32.dll"));
    {
        LoadedLibrary library("lz32.dll");
        ASSERT_NE(nullptr, library.Get());
        EXPECT_EQ(library.Get(), GetModuleHandleA("lz32.dll"));
    }
    EXPECT_EQ(nullptr, GetModuleHandleA("lz32.dll")) << "still loaded";
    LoadedLibrary missing("no-such-library.dll");
    EXPECT_EQ(nullptr, missing.Get());
}

TEST(HandleOwners, ACursorIsDestroyedWithItsOwnerOrWhenReplaced)
{
    HCURSOR first = MakeCursor(), second = MakeCursor();
    ASSERT_FALSE(CursorGone(first));
    ASSERT_FALSE(CursorGone(second));
    {
        OwnedCursor cursor;
        EXPECT_EQ(nullptr, cursor.Get());
        cursor.Reset(first);
        EXPECT_EQ(first, cursor.Get());
        cursor.Reset(second);
        EXPECT_TRUE(CursorGone(first)) << "the replaced cursor stays";
        EXPECT_FALSE(CursorGone(second));
    }
    EXPECT_TRUE(CursorGone(second)) << "the cursor outlived its owner";
}

}  // namespace
