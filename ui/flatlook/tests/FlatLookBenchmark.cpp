// Prints what one Refresh and one hover tick cost. Not a test: figures only.
#include <windows.h>

#include <commctrl.h>
#include <cstdio>

#include "FlatControl.h"
#include "FlatLookManager.h"
#include "FlatLookTestSupport.h"
#include "Win32TestSupport.h"

using namespace flatlook;

namespace {

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

template <typename F>
double PerCall(int count, F f)
{
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    for (int i = 0; i < count; ++i)
        f(i);
    QueryPerformanceCounter(&b);
    return Microseconds(a, b) / count;
}

// 50 controls: list boxes, edits and buttons in a grid.
testsupport::DialogTemplate GridOfControls()
{
    testsupport::DialogTemplate t("benchmark", WS_POPUP | WS_VISIBLE, 0, 0, 420, 260);
    for (int i = 0; i < 50; ++i) {
        int x = 5 + (i % 10) * 40, y = 5 + (i / 10) * 50;
        switch (i % 3) {
        case 0:
            t.AddControl("ListBox", "", WS_VISIBLE | WS_VSCROLL, x, y, 36, 40,
                         static_cast<WORD>(100 + i), WS_EX_CLIENTEDGE);
            break;
        case 1:
            t.AddControl("Edit", "edit", WS_VISIBLE, x, y, 36, 14, static_cast<WORD>(100 + i),
                         WS_EX_CLIENTEDGE);
            break;
        default:
            t.AddControl("Button", "OK", WS_VISIBLE, x, y, 36, 14, static_cast<WORD>(100 + i));
            break;
        }
    }
    return t;
}

void MeasureRefresh(FlatControl* list)
{
    const int refreshes = 2000;
    double refresh = PerCall(refreshes, [&](int i) {
        list->SetStateFlag(StateHot, i % 2 == 0);  // draws every time
        list->Refresh();
    });
    list->SetStateFlag(StateHot, false);
    std::printf("Refresh (frame drawn, list box with scroll bar): %.1f us\n", refresh);
    list->SetStateFlag(StateHot, true);
    list->Refresh();
    double skipped = PerCall(refreshes, [&](int) { list->Refresh(); });
    std::printf("Refresh (staying hot, nothing drawn): %.1f us\n", skipped);
}

// Hover ticks: the cursor alternates between two controls (both redraw)
// and then rests on one (nothing changes).
void MeasureHoverTicks(FlatLookManager* m, HWND first, HWND second)
{
    RECT a, b;
    GetWindowRect(first, &a);
    GetWindowRect(second, &b);
    const int ticks = 500;
    double moving = PerCall(ticks, [&](int i) {
        const RECT& r = (i % 2) ? a : b;
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        m->OnHoverTick();
    });
    double resting = PerCall(ticks, [&](int) { m->OnHoverTick(); });
    double cursorOnly = PerCall(ticks, [&](int i) {
        const RECT& r = (i % 2) ? a : b;
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    });
    std::printf("hover tick, 50 controls, hot control changes: %.1f us "
                "(of which %.1f us moving the cursor)\n",
                moving, cursorOnly);
    std::printf("hover tick, 50 controls, cursor resting: %.1f us\n", resting);
    std::printf("hover period: 100000 us; target for one tick: under 1000 us\n");
}

}  // namespace

int main()
{
    flattest::InitCommonControlsOnce();
    FlatLookManager* m = GetFlatLookManager();
    m->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);

    testsupport::DialogTemplate t = GridOfControls();
    flattest::TestDialog dialog(t.get());
    SetForegroundWindow(dialog.get());
    testsupport::PumpMessages(200);
    std::printf("attached controls: %u\n", static_cast<unsigned>(m->ControlCount()));

    MeasureRefresh(m->FindControl(dialog.Item(100)));
    MeasureHoverTicks(m, dialog.Item(101), dialog.Item(102));
    dialog.Destroy();
    m->Uninstall(FlatLookManager::CurrentThread);
    return 0;
}
