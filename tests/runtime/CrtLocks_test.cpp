// The C runtime's _lock/_unlock as the shipped binaries link them. crtdll.dll
// exports none, so the runtime brings its own (scripts/i486-runtime/
// crt-crtdll-locks.patch): a DLL's atexit table goes through them, and
// function-local statics reach it from any thread. A lock must keep other
// threads out until its owner has released it as often as it took it, a
// thread that does not hold it cannot release it, and each number is a lock
// of its own. A plain program: whatever links GoogleTest links msvcrt.dll,
// whose own _lock would be tested instead.
#include <windows.h>

#include <cstdio>

extern "C" void __cdecl _lock(int locknum);
extern "C" void __cdecl _unlock(int locknum);

namespace {

const int ExitLock = 8;  // _EXIT_LOCK1, the atexit table's
const int OtherLock = 9;
const DWORD Blocked = 300;    // ms a blocked thread is given to get in anyway
const DWORD Bound = 10000;    // ms a free lock may take to be taken

int g_failures = 0;

void Expect(bool ok, const char* what)
{
    if (!ok) {
        std::printf("FAILED: %s\n", what);
        ++g_failures;
    }
}

// A thread that takes a lock, says so, and keeps it until told.
class Holder {
public:
    explicit Holder(int lock) : m_lock(lock)
    {
        m_taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        DWORD id = 0;
        m_thread = CreateThread(nullptr, 0, Run, this, 0, &id);
    }
    ~Holder()
    {
        Release();
        CloseHandle(m_thread);
        CloseHandle(m_taken);
        CloseHandle(m_release);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    bool TakenWithin(DWORD ms) const { return WaitForSingleObject(m_taken, ms) == WAIT_OBJECT_0; }
    // Lets the thread release the lock (once it has it) and end.
    void Release()
    {
        SetEvent(m_release);
        WaitForSingleObject(m_thread, INFINITE);
    }

private:
    static DWORD WINAPI Run(LPVOID self)
    {
        Holder* h = static_cast<Holder*>(self);
        _lock(h->m_lock);
        SetEvent(h->m_taken);
        WaitForSingleObject(h->m_release, INFINITE);
        _unlock(h->m_lock);
        return 0;
    }

    int m_lock;
    HANDLE m_taken;
    HANDLE m_release;
    HANDLE m_thread;
};

}  // namespace

int main()
{
    // Taken twice by its owner, released once: still held.
    _lock(ExitLock);
    _lock(ExitLock);
    {
        Holder second(ExitLock);
        Expect(!second.TakenWithin(Blocked), "another thread took a held lock");
        _unlock(ExitLock);
        Expect(!second.TakenWithin(Blocked), "the lock went after one of two releases");
        _unlock(ExitLock);
        Expect(second.TakenWithin(Bound), "a released lock was not taken");

        // Now the other thread holds it. This thread cannot release it, and
        // another number is another lock (it would hang here otherwise).
        _unlock(ExitLock);
        Holder third(ExitLock);
        Expect(!third.TakenWithin(Blocked), "a thread released a lock it does not hold");
        _lock(OtherLock);
        _unlock(OtherLock);
        second.Release();
        Expect(third.TakenWithin(Bound), "the lock was not passed on");
        third.Release();
    }
    // Both holders have released it.
    _lock(ExitLock);
    _unlock(ExitLock);
    // Numbers beyond the table are no locks at all.
    _lock(-1);
    _unlock(-1);
    _lock(64);
    _unlock(64);

    std::printf("%s\n", g_failures ? "runtime locks: FAILED" : "runtime locks: passed");
    return g_failures ? 1 : 0;
}
