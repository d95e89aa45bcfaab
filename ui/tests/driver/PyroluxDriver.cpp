#include "PyroluxDriver.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <vector>

namespace driver {

DWORD Now() { return GetTickCount(); }

std::string WindowText(HWND window)
{
    char text[512] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &result);
    return text;
}

std::string ClassName(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

int ThreadCount(DWORD processId)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == processId)
            ++count;
    }
    CloseHandle(snapshot);
    return count;
}

std::string ExecutableDirectory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    if (slash)
        *slash = '\0';
    return path;
}

std::string ProbeDllPath()
{
    return ExecutableDirectory() + "\\pyrolux_probe.dll";
}

PyroluxProcess::~PyroluxProcess()
{
    Kill();
}

bool PyroluxProcess::Start(const std::string& exePath, const char* directory)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exePath + "\"";
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    return CreateProcessA(exePath.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory, &startup, &m_info) != FALSE;
}

bool PyroluxProcess::HasExited(DWORD waitMilliseconds) const
{
    return m_info.hProcess && WaitForSingleObject(m_info.hProcess, waitMilliseconds) == WAIT_OBJECT_0;
}

DWORD PyroluxProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_info.hProcess, &code);
    return code;
}

void PyroluxProcess::Kill()
{
    if (!m_info.hProcess)
        return;
    if (!HasExited())
        TerminateProcess(m_info.hProcess, 1);
    WaitForSingleObject(m_info.hProcess, 5000);
    CloseHandle(m_info.hThread);
    CloseHandle(m_info.hProcess);
    m_info = {};
}

namespace {

struct FindContext {
    DWORD processId;
    const char* caption;
    bool mustBeVisible;
    HWND found;
};

BOOL CALLBACK FindProc(HWND window, LPARAM lParam)
{
    FindContext* context = reinterpret_cast<FindContext*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != context->processId || ClassName(window) != "#32770")
        return TRUE;
    if (context->mustBeVisible && !IsWindowVisible(window))
        return TRUE;
    if (WindowText(window) != context->caption)
        return TRUE;
    context->found = window;
    return FALSE;
}

}  // namespace

HWND PyroluxProcess::FindDialog(const char* caption, bool mustBeVisible) const
{
    FindContext context = {m_info.dwProcessId, caption, mustBeVisible, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&context));
    return context.found;
}

HWND PyroluxProcess::WaitForDialog(const char* caption, DWORD milliseconds) const
{
    HWND found = nullptr;
    WaitFor([&] { return (found = FindDialog(caption)) != nullptr || HasExited(); }, milliseconds);
    return found;
}

void Click(HWND dialog, int controlId)
{
    PostMessageA(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
}

bool IsChecked(HWND dialog, int controlId)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, controlId), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000,
                        &result);
    return result == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int controlId)
{
    return IsWindowEnabled(GetDlgItem(dialog, controlId)) != FALSE;
}

std::string ItemText(HWND dialog, int controlId)
{
    return WindowText(GetDlgItem(dialog, controlId));
}

int ProgressPos(HWND dialog, int controlId)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, controlId), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000,
                        &result);
    return static_cast<int>(result);
}

Probe::Probe()
{
    m_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                   sizeof(ProbeShared), PROBE_SHARED_NAME);
    if (m_mapping)
        m_shared = static_cast<ProbeShared*>(
            MapViewOfFile(m_mapping, FILE_MAP_WRITE, 0, 0, sizeof(ProbeShared)));
    if (m_shared)
        ZeroMemory(m_shared, sizeof *m_shared);
}

Probe::~Probe()
{
    if (m_hook)
        UnhookWindowsHookEx(m_hook);
    if (m_module)
        FreeLibrary(m_module);
    if (m_shared)
        UnmapViewOfFile(m_shared);
    if (m_mapping)
        CloseHandle(m_mapping);
}

bool Probe::Attach(DWORD uiThreadId)
{
    if (!m_shared)
        return false;
    m_module = LoadLibraryA(ProbeDllPath().c_str());
    if (!m_module)
        return false;
    HOOKPROC proc = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(m_module, PROBE_HOOK_EXPORT)));
    if (!proc)
        return false;
    m_hook = SetWindowsHookExA(WH_GETMESSAGE, proc, m_module, uiThreadId);
    return m_hook != nullptr;
}

bool Probe::Query(HWND window, DWORD milliseconds)
{
    static const UINT message = RegisterWindowMessageA(PROBE_QUERY_MESSAGE);
    LONG before = m_shared->queries;
    PostMessageA(window, message, 0, 0);
    return WaitFor([&] { return m_shared->queries != before; }, milliseconds);
}

}  // namespace driver
