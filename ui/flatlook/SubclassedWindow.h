// A window whose procedure has been replaced, remembering the one it had.
#pragma once

#include <windows.h>

class SubclassChain;

namespace flatlook {

class SubclassedWindow {
public:
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // Puts this object's layer (the procedure of `chain`) on `window`.
    void Subclass(HWND window, SubclassChain& chain);
    // Takes the layer off: on top, the previous procedure comes back; under
    // another layer, it stays in the chain and forwards (see SubclassChain).
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
    SubclassChain* m_chain = nullptr;
};

// A dialog watched for controls created after its initialisation and for its
// destruction.
class FlatDialog final : public SubclassedWindow {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace flatlook
