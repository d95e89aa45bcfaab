// The fixtures of the flat-look tests with real controls. FlatLook hooks
// the thread: it installs the look for the thread, destroys the windows a
// test made, and checks that nothing is left attached. ControlHost attaches
// controls one by one.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "FlatLookManager.h"
#include "FlatLookTestSupport.h"
#include "Win32TestSupport.h"

namespace flattest {

using testsupport::DialogTemplate;

class FlatLook : public ::testing::Test {
protected:
    void SetUp() override
    {
        flattest::InitCommonControlsOnce();
        m = GetFlatLookManager();
        m->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);
    }
    void TearDown() override
    {
        for (HWND w : m_windows)
            if (IsWindow(w))
                DestroyWindow(w);
        m->Uninstall(FlatLookManager::CurrentThread);
        EXPECT_EQ(0u, m->HookCount());
        EXPECT_EQ(0u, m->ControlCount());
        EXPECT_EQ(0u, m->DialogCount());
        EXPECT_EQ(0u, m->HoverTimer());
    }
    HWND Popup(int x, int y, int cx, int cy, DWORD style = WS_VISIBLE)
    {
        HWND w = CreateWindowExA(0, "Static", "", WS_POPUP | style, x, y, cx, cy, nullptr,
                                 nullptr, nullptr, nullptr);
        m_windows.push_back(w);
        return w;
    }
    static HWND Child(HWND parent, const char* cls, DWORD style, DWORD ex, int x, int y, int cx,
                      int cy)
    {
        return CreateWindowExA(ex, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                               nullptr, nullptr, nullptr);
    }
    // A visible dialog at the screen's top-left area with a few controls.
    static DialogTemplate& ListDialog(DialogTemplate& t)
    {
        return t.AddControl("ListBox", "", WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 10,
                            10, 80, 60, 1, WS_EX_CLIENTEDGE)
            .AddControl("Edit", "text", WS_VISIBLE | WS_TABSTOP, 100, 10, 80, 12, 2,
                        WS_EX_CLIENTEDGE)
            .AddControl("Button", "OK", WS_VISIBLE | WS_TABSTOP, 100, 40, 50, 14, 3)
            .AddControl("Static", "label", WS_VISIBLE, 100, 60, 50, 10, 4)
            .AddControl("ComboBox", "", WS_VISIBLE | CBS_DROPDOWN, 10, 80, 80, 60, 5);
    }
    static POINT CentreOf(HWND w)
    {
        RECT r;
        GetWindowRect(w, &r);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    static void CursorTo(POINT p) { SetCursorPos(p.x, p.y); }

    FlatLookManager* m = nullptr;
    std::vector<HWND> m_windows;
};

// The fixture of the tests that attach real controls one by one, without
// the hook: a hidden (or shown) popup hosts them, and nothing may be left
// attached once it is gone.
class ControlHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        flattest::InitCommonControlsOnce();
        m = GetFlatLookManager();
        flattest::ParkCursor();
    }
    void TearDown() override
    {
        if (m_host)
            DestroyWindow(m_host);
        EXPECT_EQ(0u, m->ControlCount());
    }
    HWND Host(int cx, int cy, bool visible = false)
    {
        m_host = CreateWindowExA(0, "Static", "", WS_POPUP | (visible ? WS_VISIBLE : 0), 640,
                                 480, cx, cy, nullptr, nullptr, nullptr, nullptr);
        return m_host;
    }
    HWND Child(const char* cls, DWORD style, int x, int y, int cx, int cy, DWORD ex = 0)
    {
        return CreateWindowExA(ex, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, m_host,
                               nullptr, nullptr, nullptr);
    }
    static void CursorAtClient(HWND w, int x, int y)
    {
        POINT p = {x, y};
        ClientToScreen(w, &p);
        SetCursorPos(p.x, p.y);
    }
    FlatLookManager* m = nullptr;
    HWND m_host = nullptr;
};

}  // namespace flattest
