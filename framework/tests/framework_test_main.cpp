// The framework tests run with an application object of their own, named
// after the test program as the framework names any unnamed application.
#include <gtest/gtest.h>

#include "Afx.h"
#include "framework_test_app.h"

TestApp theApp;

int main(int argc, char** argv)
{
    AfxWinInit(GetModuleHandleA(nullptr));
    AfxInitCommonControls(ICC_WIN95_CLASSES);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
