// Helpers shared by the flat-look tests.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "Classification.h"
#include "FlatControl.h"

namespace flattest {

// System colours as the prefix has them. They are never changed by a test:
// Wine keeps them in the wineserver, shared by every process of the prefix.
// With Wine's defaults FACE, SHADOW, DKSHADOW and LIGHT all differ, and
// HIGHLIGHT equals WINDOW (white).
inline COLORREF Sys(int index) { return GetSysColor(index); }

// The kind of an attached object, or None for null.
flatlook::FlatKind KindOf(const flatlook::FlatControl* control);

// A modeless dialog from an in-memory template, shown at a screen position
// nothing else of this test uses; destroyed with the object.
class TestDialog {
public:
    TestDialog(const DLGTEMPLATE* dialogTemplate, HWND owner = nullptr,
               DLGPROC procedure = nullptr, LPARAM param = 0);
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND get() const { return m_hWnd; }
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
    void Destroy();

private:
    HWND m_hWnd = nullptr;
};

// A plain dialog procedure that accepts the focus default.
INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM);

// Where the visible test windows go (dialog units): the lower right part of
// the 1024 x 768 screen, away from the centre and the top-left corner where
// other programs' windows tend to open.
constexpr int CornerX = 430, CornerY = 290;

// Puts the cursor in the bottom-left corner, over none of the test windows.
inline void ParkCursor() { SetCursorPos(2, 765); }

// Activates `dialog` and puts the focus on `control`, again and again for up
// to two seconds: a window of another test process running beside this one
// may take the activation away. Returns whether `control` has the focus.
bool TakeFocus(HWND dialog, HWND control);

// Reads a pixel of a window's own window DC (screen content under Xvfb).
COLORREF WindowPixel(HWND window, int x, int y);

// Registers every common control class once.
void InitCommonControlsOnce();

// A header with `items` items 100 pixels wide, child of `parent`.
HWND MakeHeader(HWND parent, int width, int items, DWORD style = HDS_BUTTONS);

// Makes a header answer as one of COMCTL32 4.00 (Windows 95, NT 4.0 without
// Internet Explorer): no HDM_GETITEMRECT and no item order.
void AnswerAsComctl400Header(HWND header);

// Makes a toolbar answer TB_GETITEMRECT as a control that does not know it
// (FALSE, nothing written), as COMCTL32 4.00 is said to.
void AnswerWithoutItemRects(HWND toolbar);

}  // namespace flattest
