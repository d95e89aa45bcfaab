// pyrolux_demo: starts Pyrolux.exe, clicks through a short session as a
// user would, and saves screenshots along the way.
//   pyrolux_demo <Pyrolux.exe> <output folder>
#include "PyroluxDriver.h"
#include "Screenshot.h"
#include "resource.h"

#include <cstdio>
#include <string>

using namespace driver;

static bool Shot(HWND window, const std::string& folder, const char* name)
{
    std::string path = folder + "\\" + name;
    bool ok = testsupport::SaveWindowPng(window, path);
    std::printf("%s %s\n", ok ? "saved" : "could not save", name);
    return ok;
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: pyrolux_demo <Pyrolux.exe> <output folder>\n");
        return 2;
    }
    std::string folder = argv[2];
    PyroluxProcess program;
    if (!program.Start(argv[1])) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    std::printf("estimating the clock (one second)...\n");
    HWND about = program.WaitForDialog("Pyrolux", 20000);
    if (!about) {
        std::fprintf(stderr, "the About dialog did not appear\n");
        return 1;
    }
    Sleep(500);
    bool ok = Shot(about, folder, "about.png");
    Click(about, IDOK);

    HWND main = program.WaitForDialog("Pyrolux BETA v.94", 10000);
    if (!main) {
        std::fprintf(stderr, "the main window did not appear\n");
        return 1;
    }
    Sleep(500);
    std::printf("CPU: %s\nClock: %s\n", ItemText(main, IDC_CPU_TEXT).c_str(),
                ItemText(main, IDC_CLOCK_TEXT).c_str());
    ok = Shot(main, folder, "idle.png") && ok;

    std::printf("running a test for three seconds...\n");
    Click(main, IDC_START_STOP);
    Sleep(3000);
    std::printf("Errors: %s\nClock while running: %s\n", ItemText(main, IDC_ERROR_TEXT).c_str(),
                ItemText(main, IDC_CLOCK_TEXT).c_str());
    ok = Shot(main, folder, "running.png") && ok;

    Click(main, IDC_START_STOP);
    Sleep(300);
    Click(main, IDOK);
    if (!program.HasExited(5000)) {
        std::fprintf(stderr, "the program did not end\n");
        return 1;
    }
    return ok ? 0 : 1;
}
