// Smoke runs of the shipped binaries (dist/) while Wine reports Windows 95,
// Windows 98, Windows ME or Windows NT 4.0: the program, regsvr32 and a
// child of this test are each told the old version, and each confirms from
// inside that it was.
// The contract check (tests/contract/) records these sessions' calls.
// Wine still offers newer functions, so this catches behaviour that depends
// on the reported version, not missing imports.
#include "CpuIdentification.h"
#include "DistFiles.h"
#include "EndToEnd.h"
#include "PyroluxDriver.h"
#include "Win32TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>

using namespace driver;
using namespace e2e;
using testsupport::DistFile;
using testsupport::RunProcess;

namespace {

struct OldVersion {
    const char* wineName;  // Wine's name for the version
    DWORD platformId;
    DWORD majorVersion;
    DWORD minorVersion;
};

const OldVersion kOldVersions[] = {
    {"win95", VER_PLATFORM_WIN32_WINDOWS, 4, 0},
    {"win98", VER_PLATFORM_WIN32_WINDOWS, 4, 10},
    {"winme", VER_PLATFORM_WIN32_WINDOWS, 4, 90},
    {"nt40", VER_PLATFORM_WIN32_NT, 4, 0},
};

void PrintTo(const OldVersion& version, std::ostream* out) { *out << version.wineName; }

const OldVersion* FindVersion(const char* wineName)
{
    for (const OldVersion& version : kOldVersions) {
        if (std::strcmp(version.wineName, wineName) == 0)
            return &version;
    }
    return nullptr;
}

// Whether a process was really told `expected`: otherwise a run would check
// nothing. GetVersion keeps the major version in its low byte, the minor in
// the next, and sets its high bit on Windows 9x only.
testing::AssertionResult Reports(const OldVersion& expected, const SystemVersionReport& seen)
{
    bool windows9x = expected.platformId == VER_PLATFORM_WIN32_WINDOWS;
    bool highBit = (seen.version & 0x80000000u) != 0;
    if (seen.platformId == expected.platformId && seen.majorVersion == expected.majorVersion &&
        seen.minorVersion == expected.minorVersion &&
        LOBYTE(LOWORD(seen.version)) == expected.majorVersion &&
        HIBYTE(LOWORD(seen.version)) == expected.minorVersion && highBit == windows9x)
        return testing::AssertionSuccess();
    char text[160];
    std::snprintf(text, sizeof text,
                  "reports platform %lu version %lu.%lu, GetVersion 0x%08lX; expected %s",
                  static_cast<unsigned long>(seen.platformId),
                  static_cast<unsigned long>(seen.majorVersion),
                  static_cast<unsigned long>(seen.minorVersion),
                  static_cast<unsigned long>(seen.version), expected.wineName);
    return testing::AssertionFailure() << text;
}

// ---------------------------------------------------------------------------
// Wine's per-program version setting

const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\";
const char kVersion[] = "Version";
// Beside it while an override is in place: the value to put back, "" for
// none.
const char kSavedVersion[] = "PyroluxSavedVersion";

bool ReadString(HKEY key, const char* name, std::string* value)
{
    char buffer[64] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    *value = buffer;
    return true;
}

void WriteString(HKEY key, const char* name, const std::string& value)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

// Makes Wine report `version` to one program (by file name) of this test's
// prefix, and puts back what was there, also when a test fails. The value to
// put back is also kept in the registry, so a run killed half-way is undone
// by the next override of the same program.
class WineVersionOverride {
public:
    WineVersionOverride(const std::string& program, const char* version)
        : m_path(kAppDefaults + program)
    {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_key,
                            nullptr) != ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot open " << m_path;
            m_key = nullptr;
            return;
        }
        PutBack();
        std::string previous;
        WriteString(m_key, kSavedVersion, ReadString(m_key, kVersion, &previous) ? previous : "");
        WriteString(m_key, kVersion, version);
    }
    ~WineVersionOverride()
    {
        if (!m_key)
            return;
        PutBack();
        DWORD subkeys = 0, values = 0;
        RegQueryInfoKeyA(m_key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(m_key);
        if (subkeys == 0 && values == 0)
            RegDeleteKeyA(HKEY_CURRENT_USER, m_path.c_str());
    }
    WineVersionOverride(const WineVersionOverride&) = delete;
    WineVersionOverride& operator=(const WineVersionOverride&) = delete;

private:
    void PutBack()
    {
        std::string saved;
        if (!ReadString(m_key, kSavedVersion, &saved))
            return;
        if (saved.empty())
            RegDeleteValueA(m_key, kVersion);
        else
            WriteString(m_key, kVersion, saved);
        RegDeleteValueA(m_key, kSavedVersion);
    }

    std::string m_path;
    HKEY m_key = nullptr;
};

// The Version value for a program, or "(none)"; "(no key)" without its key.
std::string VersionSetFor(const std::string& program)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (kAppDefaults + program).c_str(), 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return "(no key)";
    std::string value;
    if (!ReadString(key, kVersion, &value))
        value = "(none)";
    RegCloseKey(key);
    return value;
}

TEST(WineVersionOverride, PutsBackWhatWasThereAlsoAfterAKilledRun)
{
    const std::string program = "pyrolux_override_check.exe";
    const std::string path = kAppDefaults + program;
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());

    {
        WineVersionOverride override(program, "win98");
        EXPECT_EQ(VersionSetFor(program), "win98");
    }
    EXPECT_EQ(VersionSetFor(program), "(no key)") << "a key made for the override goes again";

    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
    WriteString(key, kVersion, "winxp");
    RegCloseKey(key);
    {
        WineVersionOverride override(program, "nt40");
        EXPECT_EQ(VersionSetFor(program), "nt40");
    }
    EXPECT_EQ(VersionSetFor(program), "winxp");

    // Never destroyed, as if the run had been killed: the next override of
    // the program puts back the value from before the killed one.
    new WineVersionOverride(program, "win98");
    EXPECT_EQ(VersionSetFor(program), "win98");
    {
        WineVersionOverride override(program, "nt40");
        EXPECT_EQ(VersionSetFor(program), "nt40");
    }
    EXPECT_EQ(VersionSetFor(program), "winxp");

    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

// ---------------------------------------------------------------------------
// The smoke runs

const char* const kModuleExports[] = {"DllCanUnloadNow", "DllGetClassObject",
                                      "DllRegisterServer"};
// First argument of this test program run as the loading child.
const char kChildSwitch[] = "--load-modules-as";

std::string OwnPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string FileNameOf(const std::string& path)
{
    return path.substr(path.find_last_of("\\/") + 1);
}

class OldWindows : public testing::TestWithParam<OldVersion> {};

// Closes (IDOK) every visible dialog of the process but `keep` and `keep2`:
// the link error boxes. Returns how many there were.
struct OtherDialogs {
    DWORD processId;
    HWND keep, keep2;
    int closed;
};

BOOL CALLBACK CloseOtherDialog(HWND window, LPARAM lParam)
{
    OtherDialogs& find = *reinterpret_cast<OtherDialogs*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == find.processId && window != find.keep && window != find.keep2 &&
        IsWindowVisible(window) && ClassName(window) == "#32770") {
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        ++find.closed;
    }
    return TRUE;
}

int CloseOtherDialogs(const PyroluxProcess& program, HWND keep, HWND keep2)
{
    OtherDialogs find = {program.processId(), keep, keep2, 0};
    EnumWindows(CloseOtherDialog, reinterpret_cast<LPARAM>(&find));
    return find.closed;
}

// About from the system menu; each link clicked (the web address has no
// scheme, so the shell refuses it and the registry's browser is tried);
// whatever error box a link shows is closed, then the dialog.
void AboutWithBothLinks(const PyroluxProcess& program, HWND main)
{
    PostMessageA(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = program.WaitForDialog(kAboutCaption, 5000);
    ASSERT_TRUE(about);
    for (int link : {IDC_WEB_LINK, IDC_MAIL_LINK}) {
        PostMessageA(about, WM_COMMAND, MAKEWPARAM(link, STN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(about, link)));
        // An error box, if any, usually comes within this time.
        WaitFor([&] { return CloseOtherDialogs(program, main, about) > 0; }, 1500);
    }
    // Error boxes that come late are closed too, before the dialog goes.
    DWORD lastOk = 0;
    EXPECT_TRUE(WaitFor([&] {
        if (!IsWindow(about))
            return true;
        if (CloseOtherDialogs(program, main, about) == 0 && Now() - lastOk > 500) {
            PostMessageA(about, WM_COMMAND, IDOK, 0);
            lastOk = Now();
        }
        return false;
    }, 10000));
}

// A short run with each combination of the options the processor allows,
// then Start again at once after a Stop: the previous run's workers must
// leave all the same.
void RunEveryOptionCombination(const PyroluxProcess& program, HWND main, int baseline)
{
    const bool mmx = IsEnabled(main, IDC_USE_MMX), sse = IsEnabled(main, IDC_USE_SSE);
    for (int combination = 0; combination < 4; ++combination) {
        const bool useMmx = (combination & 1) != 0, useSse = (combination & 2) != 0;
        if ((useMmx && !mmx) || (useSse && !sse))
            continue;
        if (IsChecked(main, IDC_USE_MMX) != useMmx)
            Click(main, IDC_USE_MMX);
        if (IsChecked(main, IDC_USE_SSE) != useSse)
            Click(main, IDC_USE_SSE);
        const int workers = 2 + (useMmx ? 1 : 0) + (useSse ? 2 : 0);
        EXPECT_TRUE(WaitFor([&] { return IsChecked(main, IDC_USE_MMX) == useMmx &&
                                         IsChecked(main, IDC_USE_SSE) == useSse; }, 2000));
        Click(main, IDC_START_STOP);
        EXPECT_TRUE(WaitFor([&] { return ThreadCount(program.processId()) == baseline + workers; },
                            5000)) << "options " << combination;
        Click(main, IDC_START_STOP);
        EXPECT_TRUE(WaitFor([&] { return ItemText(main, IDC_START_STOP) == "&Start Test"; }, 2000));
    }
    Click(main, IDC_START_STOP);
    EXPECT_TRUE(WaitFor([&] { return ItemText(main, IDC_START_STOP) == "&Stop"; }, 2000));
    Click(main, IDC_START_STOP);
    Click(main, IDC_START_STOP);
    const int workers = 2 + (IsChecked(main, IDC_USE_MMX) ? 1 : 0) + (IsChecked(main, IDC_USE_SSE) ? 2 : 0);
    Sleep(500);
    EXPECT_TRUE(WaitFor([&] { return ThreadCount(program.processId()) == baseline + workers; }, 10000))
        << "a Start right after a Stop kept the previous run's workers";
    Click(main, IDC_START_STOP);
    EXPECT_TRUE(WaitFor([&] { return ThreadCount(program.processId()) == baseline; }, 10000));
}

TEST_P(OldWindows, ProgramShowsTheProcessorRunsATestStopsAndExits)
{
    const OldVersion& version = GetParam();
    ProcessorRecord record = {};
    IdentifyProcessor(&record);
    int workers = 2 + ((record.usableFeatures & FeatureMMX) ? 1 : 0) +
                  ((record.usableFeatures & FeatureSSE) ? 2 : 0);

    WineVersionOverride override(FileNameOf(ProgramPath()), version.wineName);
    PyroluxProcess program;
    HWND main = StartPastAbout(program);
    ASSERT_TRUE(main);
    Probe probe;
    ASSERT_TRUE(probe.Attach(program.uiThreadId()));
    ASSERT_TRUE(probe.Query(main));
    ASSERT_TRUE(Reports(version, probe.shared().system)) << "Pyrolux.exe";

    std::string model = ItemText(main, IDC_CPU_TEXT);
    EXPECT_NE(model, "");
    EXPECT_EQ(model, record.modelName);
    std::string clock = ItemText(main, IDC_CLOCK_TEXT);
    double mhz = 0;
    EXPECT_TRUE(ParseClockText(clock, &mhz)) << clock;
    EXPECT_GT(mhz, 0.0) << clock;
    EXPECT_EQ(ItemText(main, IDC_ERROR_TEXT), "");

    // A few seconds of load: every worker runs, the bars move, and the
    // error line never reports anything.
    int baseline = ThreadCount(program.processId());
    EXPECT_EQ(WorkerCountAfterStart(program, main, workers), workers);
    ASSERT_TRUE(WaitFor([&] { return ItemText(main, IDC_START_STOP) == "&Stop"; }, 2000));
    ASSERT_TRUE(WaitFor([&] { return ItemText(main, IDC_ERROR_TEXT) == kNoErrors; }, 2000));
    int before = ProgressPos(main, IDC_PROGRESS_COMPLEX_MATRIX);
    std::string error;
    bool failed = WaitFor([&] { return (error = ItemText(main, IDC_ERROR_TEXT)) != kNoErrors; },
                          3000);
    EXPECT_FALSE(failed) << error;
    EXPECT_NE(ProgressPos(main, IDC_PROGRESS_COMPLEX_MATRIX), before);

    Click(main, IDC_START_STOP);
    EXPECT_TRUE(WaitFor([&] { return ItemText(main, IDC_START_STOP) == "&Start Test"; }, 2000));
    EXPECT_EQ(ItemText(main, IDC_ERROR_TEXT), kNoErrors);
    EXPECT_TRUE(WaitFor([&] { return ThreadCount(program.processId()) == baseline; }, 5000))
        << "workers must end after their pass";

    RunEveryOptionCombination(program, main, baseline);
    AboutWithBothLinks(program, main);

    Click(main, IDOK);  // "E&xit"
    ASSERT_TRUE(program.HasExited(5000));
    EXPECT_EQ(program.ExitCode(), 0u);
}

TEST_P(OldWindows, ModulesRegisterAndLoad)
{
    const OldVersion& version = GetParam();
    {
        WineVersionOverride override("regsvr32.exe", version.wineName);
        // regsvr32 tells through the probe's registration entry which
        // version it was given.
        Probe probe;
        DWORD code = 1;
        ASSERT_TRUE(Regsvr32(ProbeDllPath(), &code));
        ASSERT_EQ(code, 0u);
        ASSERT_EQ(probe.shared().registrations, 1);
        ASSERT_TRUE(Reports(version, probe.shared().registrar)) << "regsvr32.exe";
        for (const std::string& module : testsupport::DeliveredModules()) {
            code = 1;
            ASSERT_TRUE(Regsvr32(DistFile(module), &code)) << module;
            EXPECT_EQ(code, 0u) << module;
        }
    }

    // This program again, told the old version, loads both modules (below).
    std::string self = OwnPath();
    WineVersionOverride override(FileNameOf(self), version.wineName);
    DWORD code = 1;
    ASSERT_TRUE(RunProcess("\"" + self + "\" " + kChildSwitch + " " + version.wineName, 30000,
                           &code, nullptr, true));
    EXPECT_EQ(code, 0u) << "the child's report is above";
}

INSTANTIATE_TEST_SUITE_P(Versions, OldWindows, testing::ValuesIn(kOldVersions),
                         [](const testing::TestParamInfo<OldVersion>& info) {
                             return std::string(info.param.wineName);
                         });

DWORD WINAPI EndAtOnce(LPVOID)
{
    return 0;
}

// The child: confirms the version it was told, then loads each module with
// LoadLibrary and finds its three exports. Exit code 0 when all holds.
int LoadModulesAs(const char* wineName)
{
    const OldVersion* version = FindVersion(wineName);
    if (!version) {
        std::fprintf(stderr, "child: unknown version %s\n", wineName);
        return 2;
    }
    SystemVersionReport seen = {};
    ReadSystemVersion(&seen);
    testing::AssertionResult reported = Reports(*version, seen);
    if (!reported) {
        std::fprintf(stderr, "child: %s\n", reported.message());
        return 3;
    }
    for (const std::string& module : testsupport::DeliveredModules()) {
        std::string path = DistFile(module);
        HMODULE loaded = LoadLibraryA(path.c_str());
        if (!loaded) {
            std::fprintf(stderr, "child: LoadLibrary %s failed, error %lu\n", path.c_str(),
                         static_cast<unsigned long>(GetLastError()));
            return 4;
        }
        for (const char* name : kModuleExports) {
            if (!GetProcAddress(loaded, name)) {
                std::fprintf(stderr, "child: %s has no %s\n", module.c_str(), name);
                FreeLibrary(loaded);
                return 5;
            }
        }
        // A thread that starts and ends while the module is loaded.
        DWORD threadId = 0;
        HANDLE thread = CreateThread(nullptr, 0, EndAtOnce, nullptr, 0, &threadId);
        if (!thread || WaitForSingleObject(thread, 10000) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "child: a thread beside %s did not end\n", module.c_str());
            return 7;
        }
        CloseHandle(thread);
        if (!FreeLibrary(loaded)) {
            std::fprintf(stderr, "child: FreeLibrary %s failed\n", module.c_str());
            return 6;
        }
    }
    std::printf("child under %s: both modules loaded\n", wineName);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], kChildSwitch) == 0)
        return LoadModulesAs(argv[2]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
