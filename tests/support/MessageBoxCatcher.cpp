#include "MessageBoxCatcher.h"

static MessageBoxCatcher* g_catcher = nullptr;
static HHOOK g_hook = nullptr;

static std::string TextOf(HWND hWnd)
{
    char buffer[1024] = {};
    GetWindowTextA(hWnd, buffer, sizeof buffer);
    return buffer;
}

static BOOL CALLBACK CountButton(HWND hWnd, LPARAM lParam)
{
    char cls[32] = {};
    GetClassNameA(hWnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") == 0)
        ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

MessageBoxCatcher::MessageBoxCatcher()
{
    g_catcher = this;
    m_hook = SetWindowsHookExA(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
    g_hook = m_hook;
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    UnhookWindowsHookEx(m_hook);
    g_catcher = nullptr;
    g_hook = nullptr;
}

LRESULT CALLBACK MessageBoxCatcher::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_catcher) {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        char cls[32] = {};
        GetClassNameA(hWnd, cls, sizeof cls);
        // A message box: a dialog whose text item has the id 0xFFFF.
        HWND hText = GetDlgItem(hWnd, 0xFFFF);
        if (lstrcmpA(cls, "#32770") == 0 && hText) {
            CaughtMessageBox box;
            box.caption = TextOf(hWnd);
            box.text = TextOf(hText);
            HWND hIcon = GetDlgItem(hWnd, 0x0440);  // the box's icon item
            HICON exclamation = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_EXCLAMATION));
            box.exclamationIcon = hIcon &&
                reinterpret_cast<HICON>(SendMessageA(hIcon, STM_GETICON, 0, 0)) == exclamation;
            EnumChildWindows(hWnd, &CountButton, reinterpret_cast<LPARAM>(&box.buttons));
            g_catcher->boxes.push_back(box);
            // Close it with its first button once the box runs its loop.
            HWND hButton = GetWindow(hWnd, GW_CHILD);
            int id = IDOK;
            for (; hButton; hButton = GetWindow(hButton, GW_HWNDNEXT)) {
                char bcls[32] = {};
                GetClassNameA(hButton, bcls, sizeof bcls);
                if (lstrcmpiA(bcls, "Button") == 0) {
                    id = GetDlgCtrlID(hButton);
                    break;
                }
            }
            PostMessageA(hWnd, WM_COMMAND, static_cast<WPARAM>(id), 0);
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}
