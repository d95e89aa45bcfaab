// A window whose procedure has been replaced, remembering the one it had.
#pragma once

#include <windows.h>

namespace flatlook {

class SubclassedWindow {
public:
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    void Subclass(HWND window, WNDPROC procedure);
    void Unsubclass();

    HWND Window() const { return m_hWnd; }
    WNDPROC PreviousProcedure() const { return m_previous; }

protected:
    SubclassedWindow() = default;
    // Objects are deleted through their own kind (FlatDialog, FlatControl),
    // which keeps WindowProc the first virtual slot.
    ~SubclassedWindow() = default;

    // Hands a message to the procedure the window had before.
    LRESULT PassOn(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    WNDPROC m_previous = nullptr;
};

// A dialog watched for controls created after its initialisation and for its
// destruction.
class FlatDialog final : public SubclassedWindow {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace flatlook
