// The flat control look of a user-interface thread: a WH_CALLWNDPROC hook
// that attaches a flat-painting object to every standard and common control
// of each dialog as it is initialised, and a 100 ms hover timer that tracks
// the control under the mouse.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "SubclassChain.h"

namespace flatlook {
class FlatControl;
class FlatDialog;
}  // namespace flatlook

class FlatLookManager {
public:
    // When controls are attached.
    enum class AttachMode : int {
        // Attach every child window at its WM_CREATE (any mode other than 1).
        ModeChildCreation = 0,
        // Attach the controls of every dialog at its WM_INITDIALOG.
        ModeDialogs = 1,
    };
    static constexpr AttachMode ModeChildCreation = AttachMode::ModeChildCreation;
    static constexpr AttachMode ModeDialogs = AttachMode::ModeDialogs;
    // Thread identifier meaning "the calling thread".
    static constexpr DWORD CurrentThread = static_cast<DWORD>(-1);

    FlatLookManager();
    // Unhooks every thread and restores every subclassed procedure.
    ~FlatLookManager();
    FlatLookManager(const FlatLookManager&) = delete;
    FlatLookManager& operator=(const FlatLookManager&) = delete;

    // Hooks `threadId` (-1: the calling thread) once; the mode is stored on
    // every call. False when the system refuses the hook: the thread then
    // stays unhooked, with no entry.
    bool Install(DWORD threadId, AttachMode mode);
    void Uninstall(DWORD threadId);

    // Returns true when `window` itself was attached.
    bool AttachControl(HWND window);
    void AttachDialog(HWND dialog);
    // Returns true when an object was removed.
    bool DetachControl(HWND window);
    void DetachDialog(HWND dialog);

    // The hover timer's work: mark the attached control under the cursor hot.
    void OnHoverTick();

    // Unhook every thread and put every subclassed procedure back; the
    // destructor does this at process exit.
    void Teardown();

    // Tables, read by the per-control objects and by tests.
    flatlook::FlatControl* FindControl(HWND window) const;
    flatlook::FlatDialog* FindDialog(HWND dialog) const;
    size_t ControlCount() const { return m_controls.size(); }
    size_t DialogCount() const { return m_dialogs.size(); }
    HHOOK HookOf(DWORD threadId) const;
    size_t HookCount() const { return m_hooks.size(); }
    AttachMode Mode() const { return m_mode; }
    UINT_PTR HoverTimer() const { return m_hoverTimer; }
    HWND HotWindow() const { return m_hotWindow; }
    // The two layers' chains (controls, dialogs): where a removed layer only
    // forwards.
    const SubclassChain& ControlChain() const { return m_controlChain; }
    const SubclassChain& DialogChain() const { return m_dialogChain; }

    static LRESULT CALLBACK CallWndHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam);
    static LRESULT CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);

private:
    static void CALLBACK HoverTimerProc(HWND, UINT, UINT_PTR, DWORD);
    static DWORD ResolveThread(DWORD threadId);
    void AttachChildren(HWND window, bool firstOnly);
    void StopHoverTimer();
    void ClearHot();

    AttachMode m_mode = ModeDialogs;
    UINT_PTR m_hoverTimer = 0;
    std::map<DWORD, HHOOK> m_hooks;  // HookTable
    std::map<HWND, std::unique_ptr<flatlook::FlatControl>> m_controls;  // ControlTable
    std::map<HWND, std::unique_ptr<flatlook::FlatDialog>> m_dialogs;    // DialogTable
    HWND m_hotWindow = nullptr;  // HotWindow
    SubclassChain m_controlChain;
    SubclassChain m_dialogChain;
};

// The single manager, alive from static initialisation to process exit.
FlatLookManager* GetFlatLookManager();
