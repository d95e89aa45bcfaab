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

    // Kept past its thread's detach: that thread, to tell when it has
    // ended. Every state of the module is on one list, for the module's end.
    HANDLE hKeptThread = nullptr;
    AfxThreadState* pPrev = nullptr;
    AfxThreadState* pNext = nullptr;
};

// The calling thread's state, made on its first use.
AfxThreadState& AfxGetThreadState();
// The calling thread's state, or null when it has none; never makes one.
AfxThreadState* AfxFindThreadState();
// The module is going: frees the state of every thread (no thread detach
// follows an unload for the threads still running) and gives up the slot.
// A later use takes a new one.
void AfxFreeThreadStateSlot();
// States the module holds now, and has made so far (the leak tests read
// them; the shared fallback counts in neither).
LONG AfxThreadStateCount();
LONG AfxThreadStatesMade();

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
