// Steps shared by the tests that drive the shipped Pyrolux.exe from outside.
#pragma once

#include "PyroluxDriver.h"

#include <functional>
#include <string>

namespace e2e {

extern const char kMainCaption[];
extern const char kAboutCaption[];
extern const char kNoErrors[];
extern const int kBars[6];

// dist\Pyrolux.exe.
std::string ProgramPath();

// Starts the program, checks that the About dialog comes first and alone,
// closes it, and returns the shown main window; null after a reported
// failure.
HWND StartPastAbout(driver::PyroluxProcess& program);

// The same for the program at `exePath`, started in `directory`;
// `inspectAbout`, when given, sees the About dialog before it is closed.
HWND StartPastAbout(driver::PyroluxProcess& program, const std::string& exePath,
                    const char* directory, const std::function<void(HWND about)>& inspectAbout);

// Runs `regsvr32 /s` on a file in `directory` (the caller's current one if
// null); false when it did not run to its end.
bool Regsvr32(const std::string& file, DWORD* exitCode, const char* directory = nullptr);

// Clicks "&Start Test" and returns how many threads the process gained,
// once that number has reached `expected` and held for a moment.
int WorkerCountAfterStart(driver::PyroluxProcess& program, HWND main, int expected);

// Reads a clock text such as "733.05   MHZ   estimated ": whole megahertz
// without leading zeros or blanks, exactly two decimals, the fixed tail.
// False for any other form.
bool ParseClockText(const std::string& text, double* mhz);

}  // namespace e2e
