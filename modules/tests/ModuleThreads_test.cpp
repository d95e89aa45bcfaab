// A process that hosts a companion library and starts and ends thousands of
// threads must not grow: every ending thread passes through the library's
// thread-detach step, which may release only what the thread really has.
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
    return 0;
}

// Starts `count` threads that end at once, one after another.
bool RunShortThreads(int count)
{
    for (int i = 0; i < count; ++i) {
        HANDLE thread = CreateThread(nullptr, 64 * 1024, DoNothing, nullptr,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!thread)
            return false;
        DWORD waited = WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
        if (waited != WAIT_OBJECT_0)
            return false;
    }
    return true;
}

const int Threads = 3000;

// Growth of private memory over `Threads` threads, after a warm-up that
// lets the heap and the system's per-thread caches settle.
long long GrowthOverThreads()
{
    if (!RunShortThreads(500))
        return -1;
    SIZE_T before = PrivateBytes();
    if (!RunShortThreads(Threads))
        return -1;
    return static_cast<long long>(PrivateBytes()) - static_cast<long long>(before);
}

TEST(ModuleThreads, EndingThreadsCostNothingWithEitherModuleLoaded)
{
    ASSERT_NE(PrivateBytes(), 0u) << "no private memory figure";
    long long alone = GrowthOverThreads();
    ASSERT_GE(alone, -(1LL << 30)) << "threads could not be run";
    // The heap grows in steps of its own: allow a little beside the figure
    // without a module (a leak of even 100 bytes a thread is 300,000 here).
    const long long slack = 192 * 1024;
    for (const char* file : { "MMX.dll", "SSE.dll" }) {
        HMODULE module = LoadLibraryA(testsupport::DistFile(file).c_str());
        ASSERT_NE(module, nullptr) << file << " error " << GetLastError();
        long long hosted = GrowthOverThreads();
        FreeLibrary(module);
        ASSERT_GE(hosted, -(1LL << 30)) << "threads could not be run";
        EXPECT_LE(hosted, (alone > 0 ? alone : 0) + slack) << file;
        std::printf("%s: %lld bytes over %d threads (%lld without a module)\n", file, hosted,
                    Threads, alone);
    }
}

}  // namespace
