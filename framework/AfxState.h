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

void AfxHookWindowCreate(CWnd* pWnd);
// Removes the creation hook; false when no window was bound meanwhile.
BOOL AfxUnhookWindowCreate();
