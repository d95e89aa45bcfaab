// The main dialog's tests run with an application object of their own and
// the flat look installed, as the program runs them.
#include <gtest/gtest.h>

#include "Afx.h"
#include "FlatLookManager.h"

CWinApp theApp;

int main(int argc, char** argv)
{
    AfxWinInit(GetModuleHandleA(nullptr));
    GetFlatLookManager()->Install(static_cast<DWORD>(-1), FlatLookManager::ModeDialogs);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
