// Linked with the framework's WinMain like the program. Exit code 0 means:
// the application was named after the module, InitInstance ran once and
// answered false, no message loop ran (it would wait for ever), and
// ExitInstance's code ended the process. The program's stand-ins for the
// C++ runtime's throw helpers are linked in as well: what they throw is
// still caught as a std::exception with the runtime's text.
#include <cstring>
#include <exception>
#include <vector>

#include "Afx.h"

class EntryApp : public CWinApp {
public:
    int initCalls = 0;
    bool namedAfterModule = false;
    int runtimeThrows = 0;

    void Throws(void (*step)(), const char* text)
    {
        try {
            step();
        } catch (const std::exception& e) {
            runtimeThrows += std::strstr(e.what(), text) != nullptr;
        }
    }

    BOOL InitInstance() override
    {
        AfxEnableControlContainer();
        ++initCalls;
        namedAfterModule = m_pszAppName && std::strcmp(m_pszAppName, "framework_winmain_test") == 0;
        Throws([] { std::vector<int> v; v.reserve(v.max_size() + 1); }, "vector::reserve");
        Throws([] { std::vector<int> v(2); v.at(2); }, "vector::_M_range_check");
        return FALSE;
    }
    int ExitInstance() override
    {
        return initCalls == 1 && namedAfterModule && runtimeThrows == 2 && AfxGetApp() == this ? 0 : 1;
    }
};

EntryApp theApp;
