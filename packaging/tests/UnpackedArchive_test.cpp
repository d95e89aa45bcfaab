// The release archive as a user unpacks it (package_test.py unpacks it
// before this runs): the program starts from the unpacked folder, its About
// dialog names what README.txt names, and both modules register from there.
#include "DistFiles.h"
#include "EndToEnd.h"
#include "PyroluxDriver.h"
#include "Win32TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace driver;
using namespace e2e;

namespace {

// The one Pyrolux-<version> folder the archive unpacked into; "" if none.
std::string UnpackedFolder(std::string* version)
{
    const std::string parent = testsupport::WindowsPath(PYROLUX_UNPACKED_DIR);
    std::vector<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((parent + "\\Pyrolux-*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                found.push_back(entry.cFileName);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    if (found.size() != 1)
        return "";
    *version = found[0].substr(found[0].find('-') + 1);
    return parent + "\\" + found[0];
}

// The texts of a dialog's child windows.
std::vector<std::string> ChildTexts(HWND dialog)
{
    std::vector<std::string> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(WindowText(child));
    return texts;
}

bool Contains(const std::vector<std::string>& texts, const std::string& wanted)
{
    for (const std::string& text : texts) {
        if (text == wanted)
            return true;
    }
    return false;
}

TEST(UnpackedArchive, ProgramStartsFromItsFolderAndShowsWhatTheReadmeSays)
{
    std::string version;
    const std::string folder = UnpackedFolder(&version);
    ASSERT_NE(folder, "") << "no single Pyrolux-<version> folder in " << PYROLUX_UNPACKED_DIR;
    const std::string exe = folder + "\\Pyrolux.exe";
    const std::string readme = testsupport::ReadWholeFile(folder + "\\README.txt");
    ASSERT_NE(readme, "") << folder << "\\README.txt";

    PyroluxProcess program;
    Probe probe;
    HWND main = StartPastAbout(program, exe, folder.c_str(), [&](HWND about) {
        // The file running is the unpacked one, not a copy elsewhere.
        ASSERT_TRUE(probe.Attach(program.uiThreadId()));
        ASSERT_TRUE(probe.Query(about));
        EXPECT_EQ(lstrcmpiA(probe.shared().modulePath, exe.c_str()), 0)
            << probe.shared().modulePath;

        EXPECT_TRUE(Contains(ChildTexts(about), "Pyrolux BETA Version " + version))
            << "the folder's version " << version << " is not the About dialog's";
        for (int link : {IDC_MAIL_LINK, IDC_WEB_LINK}) {
            std::string text = ItemText(about, link);
            EXPECT_NE(text, "");
            EXPECT_NE(readme.find("\r\n    " + text + "\r\n"), std::string::npos)
                << "README.txt does not name " << text << " on a line of its own";
        }
        EXPECT_NE(readme.find("Version " + version + "\r\n"), std::string::npos);
    });
    ASSERT_TRUE(main);
    Click(main, IDOK);  // "E&xit"
    ASSERT_TRUE(program.HasExited(5000));
    EXPECT_EQ(program.ExitCode(), 0u);
}

TEST(UnpackedArchive, ModulesRegisterFromTheFolder)
{
    std::string version;
    const std::string folder = UnpackedFolder(&version);
    ASSERT_NE(folder, "");
    for (const std::string& module : testsupport::DeliveredModules()) {
        DWORD code = 1;
        ASSERT_TRUE(Regsvr32(module.c_str(), &code, folder.c_str())) << module;
        EXPECT_EQ(code, 0u) << module << " from " << folder;
    }
}

}  // namespace
