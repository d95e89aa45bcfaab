// The scroll-bar control drawn flat.
#pragma once

#include "FlatControl.h"

namespace flatlook {

class FlatScrollBar final : public FlatControl {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawFrame(HDC dc, const RECT& rect) override;
};

}  // namespace flatlook
