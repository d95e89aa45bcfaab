// MMX.dll and SSE.dll as shipped (dist/): loaded from bare folders, their
// imports, exports, version resources and string table read back with the
// system's own calls, the three exports called, regsvr32, and a load refused
// when Windows Sockets cannot start.
#include <gtest/gtest.h>

#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "DistFiles.h"
#include "MessageBoxCatcher.h"
#include "Win32TestSupport.h"

namespace {

using testsupport::DistFile;

// This test's own build folder (the stand-in sockets library is there).
std::string TestFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
    return s.substr(0, s.find_last_of("\\/"));
}

// A fresh folder holding only copies of the given files (full paths).
std::string BareFolder(const std::string& name, const std::vector<std::string>& files)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "pyrolux-" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string& from : files) {
        std::string to = folder + "\\" + from.substr(from.find_last_of("\\/") + 1);
        EXPECT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from;
    }
    return folder;
}

void RemoveFolder(const std::string& folder, const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        DeleteFileA((folder + "\\" + name).c_str());
    RemoveDirectoryA(folder.c_str());
}

struct Module {
    const char* name;       // MMX
    const char* file;       // MMX.dll
};

const Module Modules[] = { { "MMX", "MMX.dll" }, { "SSE", "SSE.dll" } };

class Loaded {
public:
    explicit Loaded(const std::string& path) : h(LoadLibraryA(path.c_str())) {}
    ~Loaded() { if (h) FreeLibrary(h); }
    HMODULE h;
};

const IMAGE_NT_HEADERS* Headers(HMODULE h)
{
    const BYTE* base = reinterpret_cast<const BYTE*>(h);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
}

// ---------------------------------------------------------------------------

TEST(ModuleLoad, LoadsFromABareFolderImportingSystemLibrariesOnly)
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    for (const Module& m : Modules) {
        std::string folder = BareFolder("bare", { DistFile(m.file) });
        {
            Loaded dll(folder + "\\" + m.file);
            ASSERT_NE(dll.h, nullptr) << m.file << " error " << GetLastError();
            const BYTE* base = reinterpret_cast<const BYTE*>(dll.h);
            const IMAGE_DATA_DIRECTORY& dir =
                Headers(dll.h)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
            ASSERT_NE(dir.VirtualAddress, 0u);
            std::set<std::string> imports;
            for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
                std::string dllName = reinterpret_cast<const char*>(base + d->Name);
                std::transform(dllName.begin(), dllName.end(), dllName.begin(), ::tolower);
                imports.insert(dllName);
                std::string inSystem = std::string(system) + "\\" + dllName;
                EXPECT_NE(GetFileAttributesA(inSystem.c_str()), INVALID_FILE_ATTRIBUTES) << m.file << " imports " << dllName;
            }
            EXPECT_TRUE(imports.count("wsock32.dll")) << m.file;
            EXPECT_FALSE(imports.count("ws2_32.dll")) << m.file << ": Windows 95 has no Winsock 2";
            EXPECT_FALSE(imports.count("mmx.dll") || imports.count("sse.dll"));
        }
        RemoveFolder(folder, { m.file });
    }
}

TEST(ModuleLoad, ExportsThreeEntriesByNameWithOrdinalsOneToThree)
{
    const char* names[] = { "DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer" };
    for (const Module& m : Modules) {
        Loaded dll(DistFile(m.file));
        ASSERT_NE(dll.h, nullptr);
        const BYTE* base = reinterpret_cast<const BYTE*>(dll.h);
        const IMAGE_DATA_DIRECTORY& dir = Headers(dll.h)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
        EXPECT_STREQ(reinterpret_cast<const char*>(base + exports->Name), m.file);
        EXPECT_EQ(exports->Base, 1u);
        EXPECT_EQ(exports->NumberOfFunctions, 3u);
        ASSERT_EQ(exports->NumberOfNames, 3u);
        auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
        for (int i = 0; i < 3; ++i) {
            EXPECT_STREQ(reinterpret_cast<const char*>(base + nameRvas[i]), names[i]);
            EXPECT_EQ(ordinals[i] + exports->Base, static_cast<DWORD>(i + 1));
            FARPROC byName = GetProcAddress(dll.h, names[i]);
            EXPECT_NE(byName, nullptr) << names[i];
            EXPECT_EQ(GetProcAddress(dll.h, MAKEINTRESOURCEA(i + 1)), byName) << names[i];
        }
        EXPECT_EQ(GetProcAddress(dll.h, "DllUnregisterServer"), nullptr);
    }
}

void* Proc(HMODULE h, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(h, name));
}

typedef HRESULT(STDAPICALLTYPE* CanUnloadNowFn)();
typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDAPICALLTYPE* RegisterServerFn)();

TEST(ModuleExports, CanUnloadNowAndNoClassObjects)
{
    const CLSID some[] = {
        CLSID_NULL,
        { 0x00000000, 0x0000, 0x0000, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } },
        { 0x12345678, 0x9ABC, 0xDEF0, { 1, 2, 3, 4, 5, 6, 7, 8 } },
    };
    for (const Module& m : Modules) {
        Loaded dll(DistFile(m.file));
        ASSERT_NE(dll.h, nullptr);
        auto canUnload = reinterpret_cast<CanUnloadNowFn>(Proc(dll.h, "DllCanUnloadNow"));
        auto getClass = reinterpret_cast<GetClassObjectFn>(Proc(dll.h, "DllGetClassObject"));
        EXPECT_EQ(canUnload(), S_OK) << m.name;
        for (const CLSID& clsid : some) {
            void* out = reinterpret_cast<void*>(0xBAADF00D);
            EXPECT_EQ(getClass(clsid, IID_IUnknown, &out), CLASS_E_CLASSNOTAVAILABLE) << m.name;
            EXPECT_EQ(out, nullptr) << m.name;
        }
        EXPECT_EQ(canUnload(), S_OK) << m.name;
    }
}

// Signals when anything under one of the roots changes.
class RegistryWatch {
public:
    RegistryWatch()
    {
        for (HKEY root : { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS }) {
            HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            HKEY key;
            RegOpenKeyExA(root, nullptr, 0, KEY_NOTIFY, &key);
            RegNotifyChangeKeyValue(key, TRUE,
                                    REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, event, TRUE);
            m_keys.push_back(key);
            m_events.push_back(event);
        }
    }
    ~RegistryWatch()
    {
        for (HKEY key : m_keys)
            RegCloseKey(key);
        for (HANDLE event : m_events)
            CloseHandle(event);
    }
    bool Changed(DWORD waitMs) const
    {
        return WaitForMultipleObjects(static_cast<DWORD>(m_events.size()), m_events.data(), FALSE, waitMs) !=
               WAIT_TIMEOUT;
    }

private:
    std::vector<HKEY> m_keys;
    std::vector<HANDLE> m_events;
};

TEST(ModuleExports, RegisterServerSucceedsAndWritesNothing)
{
    {
        // The watch does see a write.
        RegistryWatch watch;
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\PyroluxWatchCheck", &key), ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_TRUE(watch.Changed(2000));
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\PyroluxWatchCheck");
    }
    for (const Module& m : Modules) {
        Loaded dll(DistFile(m.file));
        ASSERT_NE(dll.h, nullptr);
        auto registerServer = reinterpret_cast<RegisterServerFn>(Proc(dll.h, "DllRegisterServer"));
        RegistryWatch watch;
        EXPECT_EQ(registerServer(), S_OK) << m.name;
        EXPECT_FALSE(watch.Changed(300)) << m.name;
    }
}

TEST(ModuleExports, Regsvr32RegistersEachModule)
{
    for (const Module& m : Modules) {
        DWORD code = 1;
        ASSERT_TRUE(testsupport::RunProcess("regsvr32.exe /s \"" + DistFile(m.file) + "\"", 30000, &code));
        EXPECT_EQ(code, 0u) << m.name;
    }
}

// ---------------------------------------------------------------------------
// Resources

std::string VersionString(const std::vector<BYTE>& block, const char* name, bool* present)
{
    std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    *present = VerQueryValueA(block.data(), path.c_str(), &value, &length) != FALSE;
    return *present && value && length ? std::string(static_cast<const char*>(value)) : std::string();
}

std::vector<BYTE> VersionBlock(const std::string& path)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::vector<BYTE> block(size);
    if (size)
        GetFileVersionInfoA(path.c_str(), 0, size, block.data());
    return block;
}

struct VersionTable {
    const char* file;
    DWORD fileMS, fileLS, productMS, productLS, flags;
    std::vector<std::pair<const char*, const char*>> strings;
};

const VersionTable kVersionTables[] = {
    { "MMX.dll", 0x00010001, 0x00000000, 0x00010001, 0x00000001, VS_FF_SPECIALBUILD,
      { { "FileDescription", "MMX Module for Pyrolux 1.1a" },
        { "FileVersion", "1, 1, 0, 0" },
        { "InternalName", "MMX" },
        { "OriginalFilename", "MMX.DLL" },
        { "ProductName", "MMX - Module  Dynamic Link Library" },
        { "ProductVersion", "1.1a" },
        { "SpecialBuild", "234" },
        { "OLESelfRegister", "" },
        { "Comments", "" },
        { "CompanyName", "" },
        { "LegalTrademarks", "" },
        { "PrivateBuild", "" } } },
    { "SSE.dll", 0x00010001, 0x00000001, 0x00010001, 0x00000002, 0,
      { { "FileDescription", "Intel SSE Module DLL" },
        { "FileVersion", "1, 2c" },
        { "InternalName", "SSE" },
        { "OriginalFilename", "SSE.DLL" },
        { "ProductName", "SSE Module Dynamic Link Library" },
        { "ProductVersion", "1, 1, 0, 2" },
        { "SpecialBuild", "" },
        { "OLESelfRegister", "" },
        { "Comments", "" },
        { "CompanyName", "" },
        { "LegalTrademarks", "" },
        { "PrivateBuild", "" } } },
};

TEST(ModuleResources, VersionResourcesAsPublished)
{
    for (const VersionTable& t : kVersionTables) {
        std::vector<BYTE> block = VersionBlock(DistFile(t.file));
        ASSERT_FALSE(block.empty()) << t.file;
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwFileVersionMS, t.fileMS) << t.file;
        EXPECT_EQ(fixed->dwFileVersionLS, t.fileLS) << t.file;
        EXPECT_EQ(fixed->dwProductVersionMS, t.productMS) << t.file;
        EXPECT_EQ(fixed->dwProductVersionLS, t.productLS) << t.file;
        EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, t.flags) << t.file;
        EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32)) << t.file;
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL)) << t.file;

        WORD* translation = nullptr;
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                                   reinterpret_cast<void**>(&translation), &length));
        ASSERT_GE(length, 4u);
        EXPECT_EQ(translation[0], 0x0409);
        EXPECT_EQ(translation[1], 1200);

        for (const auto& s : t.strings) {
            bool present = false;
            EXPECT_EQ(VersionString(block, s.first, &present), s.second) << t.file << " " << s.first;
            EXPECT_TRUE(present) << t.file << " " << s.first;
        }
        bool present = true;
        VersionString(block, "LegalCopyright", &present);
        EXPECT_FALSE(present) << t.file;
    }
}

TEST(ModuleResources, EnglishStringOneHundredOne)
{
    for (const Module& m : Modules) {
        HMODULE h = LoadLibraryExA((DistFile(m.file)).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(h, nullptr);
        // Strings live in blocks of 16: 101 is in block 7.
        EXPECT_NE(FindResourceExA(h, reinterpret_cast<LPCSTR>(RT_STRING), MAKEINTRESOURCEA(101 / 16 + 1),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
                  nullptr);
        char text[128] = {};
        EXPECT_GT(LoadStringA(h, 101, text, sizeof text), 0);
        EXPECT_STREQ(text, "Windows sockets initialization failed.");
        FreeLibrary(h);
    }
}

// ---------------------------------------------------------------------------
// A load refused when Windows Sockets cannot start. The child run of this
// program loads a module next to a wsock32.dll that refuses; the module
// must tell the user once and fail the load. A child that skips itself also
// ends with 0, so the child leaves a mark beside the module once its checks
// have all passed, and the parent requires the mark.

const char* const ChildRanMark = "child-ran.mark";

TEST(NoSocketsChild, LoadIsRefusedAfterOneMessage)
{
    char mode[16] = {};
    if (!GetEnvironmentVariableA("PYROLUX_WSA_STUB", mode, sizeof mode))
        GTEST_SKIP() << "runs as the child of ModuleLoad.RefusedWhenSocketsCannotStart";
    char path[MAX_PATH] = {};
    ASSERT_TRUE(GetEnvironmentVariableA("PYROLUX_MODULE_PATH", path, MAX_PATH));
    char name[16] = {};
    GetEnvironmentVariableA("PYROLUX_MODULE_NAME", name, sizeof name);
    MessageBoxCatcher catcher;
    HMODULE h = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    EXPECT_EQ(h, nullptr);
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].text, "Windows sockets initialization failed.");
    EXPECT_EQ(catcher.boxes[0].caption, name);
    EXPECT_TRUE(catcher.boxes[0].exclamationIcon);
    EXPECT_EQ(catcher.boxes[0].buttons, 1);
    if (HasFailure())
        return;
    std::string mark(path);
    mark = mark.substr(0, mark.find_last_of("\\/") + 1) + ChildRanMark;
    HANDLE file = CreateFileA(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

// Sets environment variables for the lifetime of the object.
class EnvironmentOverride {
public:
    explicit EnvironmentOverride(std::vector<std::pair<std::string, std::string>> vars) : m_vars(std::move(vars))
    {
        for (auto& v : m_vars) {
            char old[2048] = {};
            bool had = GetEnvironmentVariableA(v.first.c_str(), old, sizeof old) != 0;
            m_old.emplace_back(had, old);
            SetEnvironmentVariableA(v.first.c_str(), v.second.c_str());
        }
    }
    ~EnvironmentOverride()
    {
        for (size_t i = 0; i < m_vars.size(); ++i)
            SetEnvironmentVariableA(m_vars[i].first.c_str(), m_old[i].first ? m_old[i].second.c_str() : nullptr);
    }

private:
    std::vector<std::pair<std::string, std::string>> m_vars;
    std::vector<std::pair<bool, std::string>> m_old;
};

// Wine's per-program setting that makes a copy of this test prefer the
// stub over the system's wsock32 (in the test prefix only, removed after).
const char* const ChildExe = "pyrolux_nosockets_child.exe";
const char* const AppDefaults = "Software\\Wine\\AppDefaults\\pyrolux_nosockets_child.exe";

TEST(ModuleLoad, RefusedWhenSocketsCannotStart)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, (std::string(AppDefaults) + "\\DllOverrides").c_str(), &key),
              ERROR_SUCCESS);
    const char order[] = "native,builtin";
    RegSetValueExA(key, "wsock32", 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
    RegCloseKey(key);

    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    for (const char* mode : { "fail", "version" }) {
        for (const Module& m : Modules) {
            std::string folder = BareFolder(std::string("nosockets-") + mode,
                                            { DistFile(m.file), TestFolder() + "\\wsockstub\\wsock32.dll" });
            std::string child = folder + "\\" + ChildExe;
            ASSERT_TRUE(CopyFileA(self, child.c_str(), FALSE));
            // The child inherits these.
            EnvironmentOverride env({ { "PYROLUX_WSA_STUB", mode },
                                      { "PYROLUX_MODULE_PATH", folder + "\\" + m.file },
                                      { "PYROLUX_MODULE_NAME", m.name } });
            std::string command = "\"" + child + "\" --gtest_filter=NoSocketsChild.*";
            // The child's report goes to our own output.
            DWORD code = 1;
            ASSERT_TRUE(testsupport::RunProcess(command, 30000, &code, folder.c_str(), true));
            EXPECT_EQ(code, 0u) << m.name << " " << mode;
            std::string mark = folder + "\\" + ChildRanMark;
            EXPECT_NE(GetFileAttributesA(mark.c_str()), INVALID_FILE_ATTRIBUTES)
                << m.name << " " << mode << ": the child did not run its checks";
            RemoveFolder(folder, { m.file, "wsock32.dll", ChildExe, ChildRanMark });
        }
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(AppDefaults) + "\\DllOverrides").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, AppDefaults);
}

}  // namespace
