// Painting vocabulary of the flat control look: system colours, the drawing
// primitives every kind shares, and the geometry of flat scroll bars. Nothing
// here needs a window except DrawScrollBarFlat, which reads the scroll state.
#pragma once

#include <windows.h>

namespace flatlook {

// State flags of an attached control.
enum : WORD {
    StateHot = 1,
    StateSmall = 2,
    StateFocused = 4,
    StateReadOnly = 8,
};
// A control is active while it is hot or focused.
constexpr WORD StateActiveMask = StateHot | StateFocused;
inline bool IsActive(WORD state) { return (state & StateActiveMask) != 0; }

// One ring of a frame, as two system colour indices.
struct Ring {
    int topLeft;
    int bottomRight;
};

// Fills (x, y, x + width, y + height) with ExtTextOutA/ETO_OPAQUE. The
// rectangle is not normalised: a negative size covers the column (row) just
// before x (y).
void SolidFill(HDC dc, int x, int y, int width, int height, COLORREF colour);
void SolidFill(HDC dc, const RECT& rect, COLORREF colour);

// A one-pixel outline: top and left in one colour, right and bottom in the
// other.
void EdgeRect(HDC dc, int x, int y, int width, int height, COLORREF topLeft,
              COLORREF bottomRight);
void EdgeRect(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight);

// Rings of system colours (indices), outermost on `rect`, each further ring
// one pixel further in.
void TwoRingFrame(HDC dc, const RECT& rect, int outerTopLeft, int outerBottomRight,
                  int innerTopLeft, int innerBottomRight);
void ThreeRingFrame(HDC dc, const RECT& rect, int outerTopLeft, int outerBottomRight,
                    int middleTopLeft, int middleBottomRight, int innerTopLeft,
                    int innerBottomRight);
void TwoRingFrame(HDC dc, const RECT& rect, Ring outer, Ring inner);

// Sets a pixel at (x + dx, y + dy) for each pair of `points` up to the (0, 0)
// pair that ends the list.
void PixelGlyph(HDC dc, int x, int y, const signed char* points, int colourIndex);

// The box look of scroll arrows, scroll thumbs, drop buttons and up-down
// arrows.
void ScrollBoxRings(bool active, Ring* outer, Ring* inner);
void DrawScrollBox(HDC dc, const RECT& rect, bool active);

// The inner ring of the frame drawn around list boxes, edits and the like;
// the outer ring is always SHADOW/HIGHLIGHT.
Ring GenericInnerRing(WORD state, bool enabled);
void DrawGenericRings(HDC dc, const RECT& rect, WORD state, bool enabled);

// Where a window's own scroll bars lie inside its frame rectangle, by its
// WS_HSCROLL/WS_VSCROLL style. Returns false for a bar that is not there.
struct WindowScrollBars {
    bool horizontal;
    RECT horizontalRect;
    bool vertical;
    RECT verticalRect;
};
WindowScrollBars LayoutWindowScrollBars(const RECT& frame, DWORD style, int edge, int scrollSize);

// System metrics that shape a flat scroll bar.
struct ScrollBarMetrics {
    int arrow;      // SM_CXHSCROLL
    int minThumb;   // a / 2 on Windows 9x (GetVersion high bit), else 8
    int thumbSize;  // SM_CXHTHUMB, used when the page is 0
};
ScrollBarMetrics CurrentScrollBarMetrics();

// The boxes of one flat scroll bar. `info` is null when the scroll state
// could not be read (or a disabled scroll-bar control is drawn): then no
// thumb.
struct ScrollBarBoxes {
    RECT firstArrow;
    RECT secondArrow;
    bool hasThumb;
    RECT thumb;
};
ScrollBarBoxes LayoutScrollBar(const RECT& rect, bool vertical, bool standalone,
                               const ScrollBarMetrics& metrics, const SCROLLINFO* info);

// Draws a scroll bar's arrow boxes and thumb box flat. `standalone` is true
// for a scroll-bar control (SB_CTL; a disabled one gets no thumb) and false
// for a window's own bar (SB_VERT or SB_HORZ by `vertical`).
void DrawScrollBarFlat(HDC dc, const RECT& rect, bool vertical, bool standalone, HWND window,
                       bool active);

// The generic frame: the two rings plus the window's own scroll bars, flat.
void DrawGenericFrame(HDC dc, const RECT& rect, HWND window, WORD state);

}  // namespace flatlook
