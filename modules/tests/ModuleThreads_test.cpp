// A process that hosts a companion library and starts and ends thousands of
// threads must not grow: every ending thread passes through the library's
// thread-detach step, which may release only what the thread really has,
// and must release what it has (threads that ran code of the module).
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <string>

#include "DistFiles.h"

namespace {

// The process's private memory in bytes (psapi: a test-only import). The
// commit charge is read: Wine 8 leaves PrivateUsage at 0, and on Windows
// both are the same figure.
SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return counters.PagefileUsage;
}

DWORD WINAPI DoNothing(LPVOID)
{
    return 1;
}

// Starts `count` threads running `body` one after another; each must end
// with 1, as both procedures do.
bool RunShortThreads(int count, LPTHREAD_START_ROUTINE body)
{
    for (int i = 0; i < count; ++i) {
        HANDLE thread = CreateThread(nullptr, 64 * 1024, body, nullptr,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!thread)
            return false;
        DWORD waited = WaitForSingleObject(thread, 10000), code = 0;
        GetExitCodeThread(thread, &code);
        CloseHandle(thread);
        if (waited != WAIT_OBJECT_0 || code != 1)
            return false;
    }
    return true;
}

const int Threads = 3000;

// Growth of private memory over `Threads` threads, after a warm-up that
// lets the heap and the system's per-thread caches settle.
long long GrowthOverThreads(LPTHREAD_START_ROUTINE body = DoNothing)
{
    if (!RunShortThreads(500, body))
        return -(1LL << 40);
    SIZE_T before = PrivateBytes();
    if (!RunShortThreads(Threads, body))
        return -(1LL << 40);
    return static_cast<long long>(PrivateBytes()) - static_cast<long long>(before);
}

// The module skeleton with an export that leaves the framework's and the
// C++ runtime's per-thread data behind, built beside this program.
std::string ThreadDataModule()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/")) + "\\thread_data_module.dll";
}

TEST(ModuleThreads, EndingThreadsCostNothingWithEitherModuleLoaded)
{
    ASSERT_NE(PrivateBytes(), 0u) << "no private memory figure";
    long long alone = GrowthOverThreads();
    ASSERT_GE(alone, -(1LL << 30)) << "threads could not be run";
    // The heap grows in steps of its own: allow a little beside the figure
    // without a module (a leak of even 100 bytes a thread is 300,000 here).
    const long long slack = 192 * 1024;
    struct Hosted {
        std::string file;
        const char* threadBody;  // an export every thread runs, or none
    };
    const Hosted modules[] = {
        { testsupport::DistFile("MMX.dll"), nullptr },
        { testsupport::DistFile("SSE.dll"), nullptr },
        { ThreadDataModule(), "UseThreadData" },
    };
    for (const Hosted& m : modules) {
        HMODULE module = LoadLibraryA(m.file.c_str());
        ASSERT_NE(module, nullptr) << m.file << " error " << GetLastError();
        LPTHREAD_START_ROUTINE body = DoNothing;
        if (m.threadBody) {
            // Through a generic function pointer: FARPROC has no parameters.
            body = reinterpret_cast<LPTHREAD_START_ROUTINE>(
                reinterpret_cast<void (*)()>(GetProcAddress(module, m.threadBody)));
            ASSERT_NE(body, nullptr) << m.file;
        }
        long long hosted = GrowthOverThreads(body);
        FreeLibrary(module);
        ASSERT_GE(hosted, -(1LL << 30)) << "threads could not be run";
        EXPECT_LE(hosted, (alone > 0 ? alone : 0) + slack) << m.file;
        std::printf("%s: %lld bytes over %d threads (%lld without a module)\n", m.file.c_str(),
                    hosted, Threads, alone);
    }
}

}  // namespace
