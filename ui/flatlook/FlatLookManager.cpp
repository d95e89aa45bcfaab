#include "FlatLookManager.h"

#include <new>

#include "Classification.h"
#include "FlatButtons.h"
#include "FlatCommonControls.h"
#include "FlatControl.h"
#include "FlatEdits.h"
#include "FlatScrollBar.h"
#include "SubclassedWindow.h"

using namespace flatlook;

namespace {

constexpr UINT HoverPeriod = 100;  // ms

FlatControl* NewFlatControl(FlatKind kind)
{
    switch (kind) {
    case FlatKind::Generic: return new (std::nothrow) FlatControl;
    case FlatKind::PushButton: return new (std::nothrow) FlatPushButton;
    case FlatKind::CheckBox: return new (std::nothrow) FlatCheckBox;
    case FlatKind::RadioButton: return new (std::nothrow) FlatRadioButton;
    case FlatKind::ComboBox: return new (std::nothrow) FlatComboBox;
    case FlatKind::Edit: return new (std::nothrow) FlatEdit;
    case FlatKind::ComboEdit: return new (std::nothrow) FlatComboEdit;
    case FlatKind::DateTime: return new (std::nothrow) FlatDateTime;
    case FlatKind::UpDown: return new (std::nothrow) FlatUpDown;
    case FlatKind::ScrollBar: return new (std::nothrow) FlatScrollBar;
    case FlatKind::IPAddress: return new (std::nothrow) FlatIPAddress;
    case FlatKind::Trackbar: return new (std::nothrow) FlatTrackbar;
    case FlatKind::Header: return new (std::nothrow) FlatHeader;
    case FlatKind::Toolbar: return new (std::nothrow) FlatToolbar;
    case FlatKind::Tab: return new (std::nothrow) FlatTab;
    case FlatKind::None: break;
    }
    return nullptr;
}

void ClassName(HWND window, char (&name)[64])
{
    name[0] = '\0';
    GetClassNameA(window, name, sizeof name);
}

}  // namespace

FlatLookManager* GetFlatLookManager()
{
    static FlatLookManager manager;
    return &manager;
}

namespace {
// Built during static initialisation, before any start-up code can ask.
FlatLookManager* const g_constructedEarly = GetFlatLookManager();
}  // namespace

FlatLookManager::FlatLookManager()
    : m_controlChain(ControlWindowProc), m_dialogChain(DialogWindowProc)
{
}

FlatLookManager::~FlatLookManager()
{
    Teardown();
}

DWORD FlatLookManager::ResolveThread(DWORD threadId)
{
    return threadId == CurrentThread ? GetCurrentThreadId() : threadId;
}

bool FlatLookManager::Install(DWORD threadId, AttachMode mode)
{
    m_mode = mode;
    DWORD thread = ResolveThread(threadId);
    if (m_hooks.count(thread))
        return true;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CallWndHook, nullptr, thread);
    if (!hook)
        return false;
    m_hooks[thread] = hook;
    return true;
}

void FlatLookManager::Uninstall(DWORD threadId)
{
    auto it = m_hooks.find(ResolveThread(threadId));
    if (it == m_hooks.end())
        return;
    UnhookWindowsHookEx(it->second);
    m_hooks.erase(it);
    if (m_hoverTimer && m_hooks.empty())
        StopHoverTimer();
}

HHOOK FlatLookManager::HookOf(DWORD threadId) const
{
    auto it = m_hooks.find(ResolveThread(threadId));
    return it == m_hooks.end() ? nullptr : it->second;
}

LRESULT CALLBACK FlatLookManager::CallWndHook(int code, WPARAM wParam, LPARAM lParam)
{
    FlatLookManager* self = GetFlatLookManager();
    auto it = self->m_hooks.find(GetCurrentThreadId());
    if (it == self->m_hooks.end())
        return 0;
    HHOOK hook = it->second;
    if (code == HC_ACTION) {
        const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (self->m_mode == ModeDialogs) {
            if (call->message == WM_INITDIALOG)
                self->AttachDialog(call->hwnd);
        } else if (call->message == WM_CREATE &&
                   (GetWindowLongA(call->hwnd, GWL_STYLE) & WS_CHILD)) {
            char name[64];
            ClassName(call->hwnd, name);
            // Scroll bars made by the system for its own windows are left
            // alone; only this exact spelling is.
            if (lstrcmpA(name, "ScrollBar") != 0)
                self->AttachControl(call->hwnd);
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

void FlatLookManager::AttachDialog(HWND dialog)
{
    if (m_dialogs.count(dialog))
        return;
    for (HWND child = GetTopWindow(dialog); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongA(child, GWL_STYLE) & WS_CHILD))
            continue;
        char name[64];
        ClassName(child, name);
        // Nested dialogs attach their own controls at their WM_INITDIALOG.
        if (lstrcmpiA(name, "#32770") != 0)
            AttachControl(child);
    }

    FlatDialog* object = new (std::nothrow) FlatDialog;
    if (!object)
        return;
    try {
        auto& slot = m_dialogs[dialog];
        slot.reset(object);
    } catch (...) {
        delete object;
        return;
    }
    object->Subclass(dialog, m_dialogChain);

    for (HWND child = GetTopWindow(dialog); child; child = GetWindow(child, GW_HWNDNEXT))
        if (FlatControl* control = FindControl(child))
            control->Refresh();
}

void FlatLookManager::AttachChildren(HWND window, bool firstOnly)
{
    if (firstOnly) {
        AttachControl(GetTopWindow(window));
        return;
    }
    for (HWND child = GetTopWindow(window); child; child = GetWindow(child, GW_HWNDNEXT))
        AttachControl(child);
}

bool FlatLookManager::AttachControl(HWND window)
{
    if (!window || m_controls.count(window))
        return false;

    char name[64];
    ClassName(window, name);
    DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    char parentName[64] = "";
    DWORD parentStyle = 0;
    if (lstrcmpiA(name, "Edit") == 0) {
        HWND parent = GetParent(window);
        ClassName(parent, parentName);
        parentStyle = static_cast<DWORD>(GetWindowLongA(parent, GWL_STYLE));
    }

    Classification found = ClassifyControl(name, style, exStyle, parentName, parentStyle);
    switch (found.children) {
    case ChildRule::FirstChildBefore:
    case ChildRule::FirstChildInstead:
        AttachChildren(window, true);
        break;
    case ChildRule::AllChildrenBefore:
    case ChildRule::AllChildrenInstead:
        AttachChildren(window, false);
        break;
    case ChildRule::None:
        break;
    }
    if (found.kind == FlatKind::None)
        return false;

    FlatControl* object = NewFlatControl(found.kind);
    if (!object)
        return false;
    try {
        m_controls[window].reset(object);
    } catch (...) {
        delete object;
        return false;
    }
    object->Subclass(window, m_controlChain);
    if (m_hoverTimer == 0)
        m_hoverTimer = SetTimer(nullptr, 0, HoverPeriod, HoverTimerProc);
    return true;
}

bool FlatLookManager::DetachControl(HWND window)
{
    auto it = m_controls.find(window);
    if (it == m_controls.end())
        return false;
    it->second->Unsubclass();
    m_controls.erase(it);
    // A handle value can come back for a new window; it must not inherit
    // the hot mark.
    if (m_hotWindow == window)
        m_hotWindow = nullptr;
    if (m_controls.empty())
        StopHoverTimer();
    return true;
}

void FlatLookManager::DetachDialog(HWND dialog)
{
    auto it = m_dialogs.find(dialog);
    if (it == m_dialogs.end())
        return;
    it->second->Unsubclass();
    m_dialogs.erase(it);
}

void FlatLookManager::StopHoverTimer()
{
    KillTimer(nullptr, m_hoverTimer);
    m_hoverTimer = 0;
}

FlatControl* FlatLookManager::FindControl(HWND window) const
{
    auto it = m_controls.find(window);
    return it == m_controls.end() ? nullptr : it->second.get();
}

FlatDialog* FlatLookManager::FindDialog(HWND dialog) const
{
    auto it = m_dialogs.find(dialog);
    return it == m_dialogs.end() ? nullptr : it->second.get();
}

void CALLBACK FlatLookManager::HoverTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    GetFlatLookManager()->OnHoverTick();
}

void FlatLookManager::ClearHot()
{
    if (FlatControl* hot = FindControl(m_hotWindow)) {
        hot->SetStateFlag(StateHot, false);
        hot->Refresh();
        m_hotWindow = nullptr;
    }
}

void FlatLookManager::OnHoverTick()
{
    // A window holding the capture (a drag, a pressed button) keeps the hot
    // control as it is.
    if (m_controls.empty() || GetCapture())
        return;
    POINT p;
    GetCursorPos(&p);
    HWND w = WindowFromPoint(p);
    FlatControl* object = FindControl(w);
    if (!object) {
        w = GetParent(w);
        if (w)
            object = FindControl(w);
    }
    if (object) {
        if (!object->HoverChanged(p))
            return;
        ClearHot();
        object->SetStateFlag(StateHot, true);
        object->Refresh();
        m_hotWindow = w;
    } else {
        ClearHot();
    }
}

void FlatLookManager::Teardown()
{
    while (!m_hooks.empty())
        Uninstall(m_hooks.begin()->first);
    for (auto& entry : m_controls)
        entry.second->Unsubclass();
    m_controls.clear();
    for (auto& entry : m_dialogs)
        entry.second->Unsubclass();
    m_dialogs.clear();
    if (m_hoverTimer)
        StopHoverTimer();
    m_hotWindow = nullptr;
}

namespace {

// A layer procedure: the window's object handles the message, or, with the
// object gone while another layer stays above, the chain forwards it.
LRESULT LayerMessage(SubclassedWindow* object, SubclassChain& chain, HWND window, UINT message,
                     WPARAM wParam, LPARAM lParam)
{
    if (!object)
        return chain.Forward(window, message, wParam, lParam);
    LRESULT result = object->WindowProc(message, wParam, lParam);  // may delete the object
    if (message == WM_NCDESTROY)
        chain.Forget(window);
    return result;
}

}  // namespace

LRESULT CALLBACK FlatLookManager::ControlWindowProc(HWND window, UINT message, WPARAM wParam,
                                                    LPARAM lParam)
{
    FlatLookManager* self = GetFlatLookManager();
    return LayerMessage(self->FindControl(window), self->m_controlChain, window, message, wParam,
                        lParam);
}

LRESULT CALLBACK FlatLookManager::DialogWindowProc(HWND window, UINT message, WPARAM wParam,
                                                   LPARAM lParam)
{
    FlatLookManager* self = GetFlatLookManager();
    return LayerMessage(self->FindDialog(window), self->m_dialogChain, window, message, wParam,
                        lParam);
}
