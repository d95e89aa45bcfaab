// main() for test programs of windows built on the framework: an application
// object (message boxes are captioned with its name; a program that brings
// its own keeps it) and the common controls ready, as in the program.
#include <gtest/gtest.h>

#include "Afx.h"

int main(int argc, char** argv)
{
    if (!AfxGetApp())
        new CWinApp;  // lives as long as the program
    AfxWinInit(GetModuleHandleA(nullptr));
    AfxInitCommonControls(ICC_WIN95_CLASSES);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
