// Window-procedure layers put on with SetWindowLong, removable in any order.
//
// A layer replaces a window's procedure and passes messages on to the one it
// replaced. Taking a layer off by writing back that predecessor is right
// only while the layer is on top: with another layer above, it would cut
// that layer out. So a layer that is not on top stays in the chain as a
// forwarder (the layer above still calls it) that passes every message on to
// its predecessor until the window is destroyed. Putting the same layer on
// again takes that place back instead of entering the chain a second time,
// where the shared procedure could not tell its two places apart.
//
// One object serves every window of one layer procedure. Windows 98 and
// NT 4.0 have no comctl32 subclass helpers, hence SetWindowLong.
#pragma once

#include <windows.h>

#include <map>

class SubclassChain {
public:
    explicit SubclassChain(WNDPROC procedure) : m_procedure(procedure) {}
    SubclassChain(const SubclassChain&) = delete;
    SubclassChain& operator=(const SubclassChain&) = delete;

    // Puts the layer on `window`; returns the procedure to pass messages on
    // to, or null when the window's procedure cannot be replaced.
    WNDPROC Install(HWND window);
    // Takes the layer off `window`; `previous` is what Install returned. On
    // top, the predecessor is written back; otherwise the chain stays as it
    // is and the layer forwards to `previous` from now on.
    void Remove(HWND window, WNDPROC previous);

    // For the layer procedure when no object of its own handles `window`:
    // passes the message on to the kept predecessor (DefWindowProc when
    // there is none), and forgets the window after WM_NCDESTROY.
    LRESULT Forward(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The window is gone (after its WM_NCDESTROY): so is its kept place.
    void Forget(HWND window) { m_forwarders.erase(window); }

    // Whether the layer procedure is `window`'s current procedure.
    bool OnTop(HWND window) const;
    // Windows where the layer only forwards.
    size_t ForwarderCount() const { return m_forwarders.size(); }

private:
    WNDPROC m_procedure;
    std::map<HWND, WNDPROC> m_forwarders;  // window -> its kept predecessor
};
