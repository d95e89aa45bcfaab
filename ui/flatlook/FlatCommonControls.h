// Trackbars, header controls, toolbars and tab controls: kinds that draw
// parts inside the control (channel, thumb, items) rather than a frame.
#pragma once

#include "FlatControl.h"

namespace flatlook {

class FlatTrackbar final : public FlatControl {
public:
    void DrawFrame(HDC dc, const RECT& rect) override;
};

class FlatHeader final : public FlatItemControl {
public:
    bool HoverChanged(POINT screenPoint) override;
    void DrawFrame(HDC dc, const RECT& rect) override;
};

// The toolbar window procedure, shared by toolbars and tab controls: a
// repaint forgets the hot item, so the next hover tick marks it again.
class FlatToolbarBase : public FlatItemControl {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class FlatToolbar final : public FlatToolbarBase {
public:
    bool HoverChanged(POINT screenPoint) override;
    void DrawFrame(HDC dc, const RECT& rect) override;
};

class FlatTab final : public FlatToolbarBase {
public:
    bool HoverChanged(POINT screenPoint) override;
    void DrawFrame(HDC dc, const RECT& rect) override;
    bool HasFocus() override { return false; }
};

// Item hit tests in client coordinates; -1 when no item is there.
int HeaderItemAt(HWND header, POINT clientPoint);
int ToolbarButtonAt(HWND toolbar, POINT clientPoint);
int TabItemAt(HWND tab, POINT clientPoint);

}  // namespace flatlook
