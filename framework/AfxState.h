// Framework state shared by its own sources (not part of the public header).
#pragma once

#include "Afx.h"

#include <unordered_map>

#include "SubclassChain.h"

// Per-thread: windows belong to the thread that created them.
struct AfxThreadState {
    std::unordered_map<HWND, CWnd*> windows;  // handle -> bound object
    CWnd* pWndInit = nullptr;                  // waits for its window
    HHOOK hHookCbt = nullptr;
    MSG lastSent = {};                         // the message being handled
    SubclassChain chain{&AfxWndProc};          // AfxWndProc's places
};

// The calling thread's state, made on its first use.
AfxThreadState& AfxGetThreadState();
// The calling thread's state, or null when it has none; never makes one.
AfxThreadState* AfxFindThreadState();
// Gives up the module's per-thread slot (the module is going). A later use
// takes a new one.
void AfxFreeThreadStateSlot();

// The window's whole text.
CString AfxGetWindowText(HWND hWnd);

// Has the next window created on this thread bound to pWnd; false when the
// system refuses the creation hook (then nothing waits).
BOOL AfxHookWindowCreate(CWnd* pWnd);
// Removes the creation hook; false when no window was bound meanwhile.
BOOL AfxUnhookWindowCreate();
// Creates the window `cs` describes bound to pWnd from its first message,
// putting the creation hook on with `hookCreation`. A window that could not
// be bound is destroyed at once: the result is the bound window or null.
HWND AfxCreateBoundWindow(CWnd* pWnd, const CREATESTRUCTA& cs,
                          BOOL (*hookCreation)(CWnd*) = &AfxHookWindowCreate);
