// Two layers on one window, each through its own chain, taken off in either
// order and put back: the window's own procedure gets every message, each
// layer gets them while it is on, and nothing is kept once the window goes.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "SubclassChain.h"

namespace {

const UINT WM_MARKER = WM_APP + 7;

// The window's own procedure: counts what reaches it.
int g_ownMarkers = 0;
bool g_ownNcDestroy = false;

LRESULT CALLBACK OwnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MARKER)
        ++g_ownMarkers;
    if (message == WM_NCDESTROY)
        g_ownNcDestroy = true;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A layer as the flat look and the framework have one: its procedure finds
// the window's entry (its "object") or, without one, forwards for the chain.
struct Layer {
    explicit Layer(WNDPROC procedure) : chain(procedure) {}
    SubclassChain chain;
    std::map<HWND, WNDPROC> on;  // window -> previous, while the layer is on
    int markers = 0;

    void Put(HWND window)
    {
        WNDPROC previous = chain.Install(window);
        ASSERT_NE(nullptr, previous);
        on[window] = previous;
    }
    void Take(HWND window)
    {
        chain.Remove(window, on[window]);
        on.erase(window);
    }
};

template <int N>
LRESULT CALLBACK LayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

Layer g_layers[2] = { Layer(&LayerProc<0>), Layer(&LayerProc<1>) };

template <int N>
LRESULT CALLBACK LayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Layer& layer = g_layers[N];
    auto it = layer.on.find(window);
    if (it == layer.on.end())
        return layer.chain.Forward(window, message, wParam, lParam);
    if (message == WM_MARKER)
        ++layer.markers;
    LRESULT result = CallWindowProcA(it->second, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        layer.on.erase(window);
        layer.chain.Forget(window);
    }
    return result;
}

WNDPROC ProcOf(HWND window)
{
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

class Chain : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SubclassChainTest";
        RegisterClassA(&wc);  // already there from an earlier test is fine
        m_window = CreateWindowExA(0, "SubclassChainTest", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                   nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_window);
        g_ownMarkers = 0;
        g_ownNcDestroy = false;
        for (Layer& layer : g_layers)
            layer.markers = 0;
        lower().Put(m_window);
        upper().Put(m_window);
        ASSERT_EQ(&LayerProc<1>, ProcOf(m_window));
    }
    void TearDown() override
    {
        if (IsWindow(m_window))
            DestroyWindow(m_window);
        for (Layer& layer : g_layers) {
            EXPECT_TRUE(layer.on.empty());
            EXPECT_EQ(0u, layer.chain.ForwarderCount()) << "a kept place outlived its window";
        }
    }
    static Layer& lower() { return g_layers[0]; }
    static Layer& upper() { return g_layers[1]; }

    // Sends a marker; true when the window's own procedure got it, and the
    // two layers saw it as many times as given.
    ::testing::AssertionResult Marker(int lowerSees, int upperSees)
    {
        int own = g_ownMarkers, low = lower().markers, up = upper().markers;
        SendMessageA(m_window, WM_MARKER, 0, 0);
        if (g_ownMarkers != own + 1)
            return ::testing::AssertionFailure() << "own procedure got " << g_ownMarkers - own;
        if (lower().markers - low != lowerSees || upper().markers - up != upperSees)
            return ::testing::AssertionFailure() << "lower layer saw " << lower().markers - low
                                                 << ", upper " << upper().markers - up;
        return ::testing::AssertionSuccess();
    }

    HWND m_window = nullptr;
};

TEST_F(Chain, BothOnEachSeesEveryMessage)
{
    EXPECT_TRUE(Marker(1, 1));
    EXPECT_TRUE(upper().chain.OnTop(m_window));
    EXPECT_FALSE(lower().chain.OnTop(m_window));
}

TEST_F(Chain, UpperTakenOffFirstEachWritesBackItsPredecessor)
{
    upper().Take(m_window);
    EXPECT_EQ(&LayerProc<0>, ProcOf(m_window));
    EXPECT_TRUE(Marker(1, 0));
    lower().Take(m_window);
    EXPECT_EQ(&OwnProc, ProcOf(m_window));
    EXPECT_TRUE(Marker(0, 0));
    EXPECT_EQ(0u, lower().chain.ForwarderCount());
}

TEST_F(Chain, LowerTakenOffFirstStaysInAsAForwarder)
{
    lower().Take(m_window);
    EXPECT_EQ(&LayerProc<1>, ProcOf(m_window)) << "the upper layer is not cut out";
    EXPECT_EQ(1u, lower().chain.ForwarderCount());
    EXPECT_TRUE(Marker(0, 1));
    upper().Take(m_window);
    EXPECT_EQ(&LayerProc<0>, ProcOf(m_window)) << "the forwarder is what the upper layer replaced";
    EXPECT_TRUE(Marker(0, 0));
    DestroyWindow(m_window);
    EXPECT_TRUE(g_ownNcDestroy);
    // TearDown: the forwarder's place is forgotten with the window.
}

TEST_F(Chain, PutBackWhereItForwardsTakesItsPlaceAgain)
{
    lower().Take(m_window);
    lower().Put(m_window);
    EXPECT_EQ(&LayerProc<1>, ProcOf(m_window)) << "not on top a second time";
    EXPECT_EQ(0u, lower().chain.ForwarderCount());
    EXPECT_TRUE(Marker(1, 1)) << "each layer once, no loop";
    upper().Take(m_window);
    lower().Take(m_window);
    EXPECT_EQ(&OwnProc, ProcOf(m_window));
}

TEST_F(Chain, DestroyedWithBothOn)
{
    DestroyWindow(m_window);
    EXPECT_TRUE(g_ownNcDestroy);
}

TEST_F(Chain, TakingOffAGoneWindowKeepsNothing)
{
    DestroyWindow(m_window);
    lower().chain.Remove(m_window, &OwnProc);
    EXPECT_EQ(0u, lower().chain.ForwarderCount());
}

}  // namespace
