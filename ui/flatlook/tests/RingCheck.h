// Pixel checks of rings on a memory DIB, for the flat-look tests.
#pragma once

#include <gtest/gtest.h>

#include "Win32TestSupport.h"

namespace flattest {

const COLORREF Untouched = RGB(0x12, 0x34, 0x56);  // MemoryDib's fill

// The outline of `r`: top row and left column (but the last pixel) in
// `topLeft`, right column and bottom row in `bottomRight`.
inline ::testing::AssertionResult RingIs(const testsupport::MemoryDib& dib, const RECT& r,
                                         COLORREF topLeft, COLORREF bottomRight)
{
    auto bad = [&](const char* side, int x, int y, COLORREF want) {
        return ::testing::AssertionFailure()
               << side << " pixel (" << x << "," << y << ") is 0x" << std::hex
               << dib.Pixel(x, y) << ", expected 0x" << want;
    };
    for (int x = r.left; x < r.right - 1; ++x)
        if (dib.Pixel(x, r.top) != topLeft)
            return bad("top", x, r.top, topLeft);
    for (int y = r.top; y < r.bottom - 1; ++y)
        if (dib.Pixel(r.left, y) != topLeft)
            return bad("left", r.left, y, topLeft);
    for (int y = r.top; y < r.bottom; ++y)
        if (dib.Pixel(r.right - 1, y) != bottomRight)
            return bad("right", r.right - 1, y, bottomRight);
    for (int x = r.left; x < r.right; ++x)
        if (dib.Pixel(x, r.bottom - 1) != bottomRight)
            return bad("bottom", x, r.bottom - 1, bottomRight);
    return ::testing::AssertionSuccess();
}

inline RECT Shrunk(RECT r, int by)
{
    InflateRect(&r, -by, -by);
    return r;
}

}  // namespace flattest
