#include "EndToEnd.h"

#include "DistFiles.h"
#include "Win32TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace e2e {

const char kMainCaption[] = "Pyrolux BETA v.94";
const char kAboutCaption[] = "Pyrolux";
const char kNoErrors[] = "No Error(s) detected yet!";
const int kBars[6] = {IDC_PROGRESS_COMPLEX_MATRIX, IDC_PROGRESS_CHIPSET_MEMORY,
                      IDC_PROGRESS_CPU_CHIPSET,    IDC_PROGRESS_FIBONACCI,
                      IDC_PROGRESS_PI,             IDC_PROGRESS_PRIME};

std::string ProgramPath()
{
    return testsupport::DistFile("Pyrolux.exe");
}

HWND StartPastAbout(driver::PyroluxProcess& program)
{
    return StartPastAbout(program, ProgramPath(), nullptr, nullptr);
}

HWND StartPastAbout(driver::PyroluxProcess& program, const std::string& exePath,
                    const char* directory, const std::function<void(HWND about)>& inspectAbout)
{
    if (!program.Start(exePath, directory)) {
        ADD_FAILURE() << "cannot start " << exePath;
        return nullptr;
    }
    HWND about = program.WaitForDialog(kAboutCaption, 20000);
    if (!about) {
        ADD_FAILURE() << "no About dialog";
        return nullptr;
    }
    HWND hiddenMain = program.FindDialog(kMainCaption, false);
    EXPECT_TRUE(hiddenMain == nullptr || !IsWindowVisible(hiddenMain))
        << "the main window must stay hidden while the About dialog shows";
    if (inspectAbout)
        inspectAbout(about);
    driver::Click(about, IDOK);
    HWND main = program.WaitForDialog(kMainCaption, 10000);
    EXPECT_TRUE(main != nullptr) << "no main window after the About dialog";
    if (main) {
        EXPECT_TRUE(driver::WaitFor([&] { return !IsWindow(about); }, 5000));
    }
    return main;
}

int WorkerCountAfterStart(driver::PyroluxProcess& program, HWND main, int expected)
{
    int baseline = driver::ThreadCount(program.processId());
    driver::Click(main, IDC_START_STOP);
    // Wait for the count to reach the expected value, then make sure it
    // stays there (no extra thread appears a moment later).
    driver::WaitFor(
        [&] { return driver::ThreadCount(program.processId()) - baseline >= expected; }, 5000);
    Sleep(300);
    return driver::ThreadCount(program.processId()) - baseline;
}

bool ParseClockText(const std::string& text, double* mhz)
{
    static const char kTail[] = "   MHZ   estimated ";
    const size_t tailLength = std::strlen(kTail);
    if (text.size() <= tailLength || text.compare(text.size() - tailLength, tailLength, kTail) != 0)
        return false;
    const size_t number = text.size() - tailLength;
    const size_t point = text.find('.');
    if (point == std::string::npos || point == 0 || point + 3 != number)
        return false;
    for (size_t i = 0; i < number; ++i) {
        if (i != point && !std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    if (text[0] == '0' && point != 1)
        return false;
    *mhz = std::atof(text.substr(0, number).c_str());
    return true;
}

bool Regsvr32(const std::string& file, DWORD* exitCode, const char* directory)
{
    return testsupport::RunProcess("regsvr32.exe /s \"" + file + "\"", 30000, exitCode,
                                   directory);
}

}  // namespace e2e
