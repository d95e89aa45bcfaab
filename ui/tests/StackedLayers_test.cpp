// Two window-procedure layers on one button, as the main dialog has them:
// the flat look subclasses its buttons, then the framework's data exchange
// subclasses them again. Either layer may go first, and the window may go
// with both on; every message must still reach the button's own procedure,
// and each layer must see them while it is on.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>

#include "Afx.h"
#include "AfxState.h"
#include "FlatControl.h"
#include "FlatLookManager.h"

namespace {

const UINT WM_MARKER = WM_APP + 5;

// The button's own procedure, watched: a plain layer put on before the two
// under test, recording what reaches it.
class OwnProcedure {
public:
    explicit OwnProcedure(HWND button)
    {
        s_self = this;
        m_real = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~OwnProcedure() { s_self = nullptr; }
    OwnProcedure(const OwnProcedure&) = delete;
    OwnProcedure& operator=(const OwnProcedure&) = delete;

    int markers = 0;
    bool ncDestroy = false;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        WNDPROC real = s_self->m_real;
        if (message == WM_MARKER)
            ++s_self->markers;
        if (message == WM_NCDESTROY)
            s_self->ncDestroy = true;
        return CallWindowProcA(real, window, message, wParam, lParam);
    }
    static OwnProcedure* s_self;
    WNDPROC m_real = nullptr;
};
OwnProcedure* OwnProcedure::s_self = nullptr;

// The framework's layer: a bound control object that counts the markers.
class CountingButton : public CButton {
public:
    int markers = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_MARKER)
            ++markers;
        return CButton::WindowProc(message, wParam, lParam);
    }
};

enum class Order { FlatFirst, FrameworkFirst };

void PrintTo(Order order, std::ostream* out)
{
    *out << (order == Order::FlatFirst ? "flat layer below" : "framework layer below");
}

class StackedLayers : public ::testing::TestWithParam<Order> {
protected:
    void SetUp() override
    {
        m = GetFlatLookManager();
        m_host = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(nullptr, m_host);
        m_button = CreateWindowExA(0, "BUTTON", "check", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX,
                                   10, 10, 100, 20, m_host, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_button);
        m_own = new OwnProcedure(m_button);
        if (GetParam() == Order::FlatFirst) {
            ASSERT_TRUE(m->AttachControl(m_button));
            ASSERT_TRUE(m_wnd.SubclassWindow(m_button));
        } else {
            ASSERT_TRUE(m_wnd.SubclassWindow(m_button));
            ASSERT_TRUE(m->AttachControl(m_button));
        }
    }
    void TearDown() override
    {
        if (IsWindow(m_host))
            DestroyWindow(m_host);
        delete m_own;
        EXPECT_EQ(0u, m->ControlCount());
        EXPECT_EQ(nullptr, m_wnd.m_hWnd);
        // A layer that only forwarded is forgotten with the window.
        EXPECT_EQ(0u, m->ControlChain().ForwarderCount());
        EXPECT_EQ(0u, AfxGetThreadState().chain.ForwarderCount());
    }

    // The button's own procedure answers (the check state is its own) and
    // sees a marker; `frameworkOn` and `flatOn` tell which layers must see
    // it too.
    void ExpectMessagesGetThrough(bool frameworkOn, bool flatOn, const char* when)
    {
        SCOPED_TRACE(when);
        int ownBefore = m_own->markers, wndBefore = m_wnd.markers;
        SendMessageA(m_button, WM_MARKER, 0, 0);
        EXPECT_EQ(ownBefore + 1, m_own->markers) << "the button's own procedure";
        EXPECT_EQ(wndBefore + (frameworkOn ? 1 : 0), m_wnd.markers) << "the framework's layer";

        flatlook::FlatControl* flat = m->FindControl(m_button);
        EXPECT_EQ(flatOn, flat != nullptr);
        if (flat)
            flat->SetStateFlag(flatlook::StateReadOnly, true);  // only a Refresh copies it
        for (WPARAM check : { BST_CHECKED, BST_UNCHECKED }) {
            SendMessageA(m_button, BM_SETCHECK, check, 0);
            EXPECT_EQ(static_cast<LRESULT>(check), SendMessageA(m_button, BM_GETCHECK, 0, 0));
        }
        if (flat) {
            EXPECT_TRUE(flat->LastDrawnState() & flatlook::StateReadOnly)
                << "the flat layer refreshes on BM_SETCHECK";
            flat->SetStateFlag(flatlook::StateReadOnly, false);
        }
    }
    void RemoveFlat() { EXPECT_TRUE(m->DetachControl(m_button)); }
    void RemoveFramework() { EXPECT_EQ(m_button, m_wnd.UnsubclassWindow()); }

    FlatLookManager* m = nullptr;
    HWND m_host = nullptr;
    HWND m_button = nullptr;
    OwnProcedure* m_own = nullptr;
    CountingButton m_wnd;
};

TEST_P(StackedLayers, FlatLayerRemovedFirst)
{
    ExpectMessagesGetThrough(true, true, "both on");
    RemoveFlat();
    EXPECT_EQ(GetParam() == Order::FlatFirst ? 1u : 0u, m->ControlChain().ForwarderCount())
        << "only a layer under another one stays in as a forwarder";
    ExpectMessagesGetThrough(true, false, "framework layer left");
    RemoveFramework();
    ExpectMessagesGetThrough(false, false, "both off");
    DestroyWindow(m_host);
    EXPECT_TRUE(m_own->ncDestroy);
}

TEST_P(StackedLayers, FrameworkLayerRemovedFirst)
{
    RemoveFramework();
    ExpectMessagesGetThrough(false, true, "flat layer left");
    RemoveFlat();
    ExpectMessagesGetThrough(false, false, "both off");
    DestroyWindow(m_host);
    EXPECT_TRUE(m_own->ncDestroy);
}

TEST_P(StackedLayers, DestroyedWithBothOn)
{
    DestroyWindow(m_host);
    EXPECT_TRUE(m_own->ncDestroy);
    EXPECT_EQ(nullptr, m->FindControl(m_button));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(m_button));
}

// A layer taken off and put on again while the other one stays above it.
TEST_P(StackedLayers, LowerLayerRemovedAndPutBackWhileTheUpperStays)
{
    if (GetParam() == Order::FlatFirst) {
        RemoveFlat();
        ASSERT_TRUE(m->AttachControl(m_button));
    } else {
        RemoveFramework();
        ASSERT_TRUE(m_wnd.SubclassWindow(m_button));
    }
    ExpectMessagesGetThrough(true, true, "both on again");
    RemoveFlat();
    RemoveFramework();
    ExpectMessagesGetThrough(false, false, "both off");
}

INSTANTIATE_TEST_SUITE_P(BothOrders, StackedLayers,
                         ::testing::Values(Order::FlatFirst, Order::FrameworkFirst),
                         [](const ::testing::TestParamInfo<Order>& info) {
                             return info.param == Order::FlatFirst ? "FlatBelow" : "FrameworkBelow";
                         });

}  // namespace
