// The application object: installs the flat control look, runs the main
// dialog modally, and ends the program when it closes.
#pragma once

#include "Afx.h"

class CPyroluxApp : public CWinApp {
public:
    CPyroluxApp() = default;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
