// Framework state shared by its own sources (not part of the public header).
#pragma once

#include "Afx.h"

#include <unordered_map>

// Per-thread: windows belong to the thread that created them.
struct AfxThreadState {
    std::unordered_map<HWND, CWnd*> windows;  // handle -> bound object
    CWnd* pWndInit = nullptr;                  // waits for its window
    HHOOK hHookCbt = nullptr;
    MSG lastSent = {};                         // the message being handled
};

AfxThreadState& AfxGetThreadState();
// Frees the calling thread's state unless it still binds a window or waits
// for one (a module's thread-detach step; the program's threads keep
// theirs until the process ends).
void AfxFreeThreadState();
void AfxHookWindowCreate(CWnd* pWnd);
// Removes the creation hook; false when no window was bound meanwhile.
BOOL AfxUnhookWindowCreate();
