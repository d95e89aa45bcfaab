// Started by the manager tests: installs the flat look, leaves an attached
// dialog alive and returns from main, so the manager's teardown runs at
// process exit with live subclassed windows. Exits 0 unless that crashes.
#include <windows.h>

#include <cstdio>

#include "FlatLookManager.h"
#include "FlatLookTestSupport.h"
#include "Win32TestSupport.h"

int main()
{
    flattest::InitCommonControlsOnce();
    FlatLookManager* m = GetFlatLookManager();
    m->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);
    testsupport::DialogTemplate t("exit", WS_POPUP, 0, 0, 200, 100);
    t.AddControl("ListBox", "", WS_VISIBLE | WS_VSCROLL, 5, 5, 80, 60, 1, WS_EX_CLIENTEDGE)
        .AddControl("Button", "OK", WS_VISIBLE, 100, 5, 50, 14, 2);
    HWND dialog = CreateDialogIndirectParamA(nullptr, t.get(), nullptr,
                                             flattest::PlainDialogProc, 0);
    std::printf("attached %u controls, %u dialogs\n", static_cast<unsigned>(m->ControlCount()),
                static_cast<unsigned>(m->DialogCount()));
    std::fflush(stdout);
    // The dialog is still alive here: teardown must put its procedures back.
    return dialog && m->ControlCount() == 2 && m->DialogCount() == 1 ? 0 : 2;
}
