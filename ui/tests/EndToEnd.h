// Steps shared by the tests that drive the shipped Pyrolux.exe from outside.
#pragma once

#include "PyroluxDriver.h"

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

// Clicks "&Start Test" and returns how many threads the process gained,
// once that number has reached `expected` and held for a moment.
int WorkerCountAfterStart(driver::PyroluxProcess& program, HWND main, int expected);

// Reads a clock text such as "733.05   MHZ   estimated ": whole megahertz
// without leading zeros or blanks, exactly two decimals, the fixed tail.
// False for any other form.
bool ParseClockText(const std::string& text, double* mhz);

}  // namespace e2e
