// main() for test programs of windows built on the framework: an application
// object (message boxes are captioned with its name) and the common controls
// ready, as in the program.
#include <gtest/gtest.h>

#include "Afx.h"

CWinApp theApp;

int main(int argc, char** argv)
{
    AfxWinInit(GetModuleHandleA(nullptr));
    AfxInitCommonControls(ICC_WIN95_CLASSES);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
