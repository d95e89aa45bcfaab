// Shared helpers for tests that run real windows under Wine.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Dispatches the calling thread's messages for about `milliseconds`,
// returning early never: painting and timers get their chance.
void PumpMessages(DWORD milliseconds);

// Dispatches messages until `done()` is true or `milliseconds` have passed.
// Returns done()'s last answer.
template <typename Predicate>
bool PumpUntil(Predicate done, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= milliseconds)
            return done();
        PumpMessages(10);
    }
    return true;
}

// Runs a command line and waits up to `milliseconds` for it to end. False
// when it cannot start or does not end in time (it is then ended). With
// `shareOutput` the child writes into this process's standard handles.
bool RunProcess(const std::string& commandLine, DWORD milliseconds, DWORD* exitCode,
                const char* directory = nullptr, bool shareOutput = false);

// How many more GDI objects this process could make right now, counted up
// to `limit` by making pens and deleting them again. A leak of any GDI
// object (a pen, a DC never released) makes it smaller. Wine 8 answers 0 to
// GetGuiResources; this count works there as on Windows.
int GdiRoom(int limit = 100000);

// The windows of the calling thread: top-level ones and all their children.
int ThreadWindowCount();

// A thread running `body` (a Win32 thread: the win32 build has no
// std::thread). The destructor waits for its end.
class TestThread {
public:
    explicit TestThread(std::function<void()> body);
    ~TestThread();
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;

    bool Started() const { return m_thread != nullptr; }
    // Waits up to `milliseconds` for the end; false when it has not ended.
    bool Join(DWORD milliseconds);

private:
    static DWORD WINAPI Entry(LPVOID parameter);
    std::function<void()> m_body;
    HANDLE m_thread = nullptr;
};

// True when the thread `id` has ended and no handle to it is left open in
// this process: only then is its object gone, so that it can no longer be
// opened by its identifier. (Wine 8 answers 0 to GetProcessHandleCount, so
// the handles themselves cannot be counted there.) Close the test's own
// handles to the thread first.
bool ThreadObjectGone(DWORD id);

// A manual-reset event for handshakes between a test and its threads.
class TestEvent {
public:
    TestEvent() : m_event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~TestEvent() { CloseHandle(m_event); }
    TestEvent(const TestEvent&) = delete;
    TestEvent& operator=(const TestEvent&) = delete;

    void Set() { SetEvent(m_event); }
    // True when the event is (or becomes) set within `milliseconds`.
    bool Wait(DWORD milliseconds) const
    { return WaitForSingleObject(m_event, milliseconds) == WAIT_OBJECT_0; }

private:
    HANDLE m_event;
};

// Size of a window's text drawn in `font` on the window's DC.
SIZE WindowTextExtent(HWND window, HFONT font);

// A 32-bpp top-down DIB section selected into its own memory DC.
class MemoryDib {
public:
    MemoryDib(int width, int height, COLORREF fill = RGB(0x12, 0x34, 0x56));
    ~MemoryDib();
    MemoryDib(const MemoryDib&) = delete;
    MemoryDib& operator=(const MemoryDib&) = delete;

    HDC dc() const { return m_dc; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // 0x00BBGGRR, as GetPixel answers.
    COLORREF Pixel(int x, int y) const;
    void Fill(COLORREF colour);

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    void* m_bits = nullptr;
    int m_width;
    int m_height;
};

// Builds an in-memory dialog template (DLGTEMPLATE with DLGITEMTEMPLATEs) so
// a test can make any dialog without a resource script.
class DialogTemplate {
public:
    DialogTemplate(const char* caption, DWORD style, int x, int y, int cx, int cy,
                   const char* fontName = "MS Sans Serif", WORD pointSize = 8);
    DialogTemplate& AddControl(const char* className, const char* text, DWORD style,
                               int x, int y, int cx, int cy, WORD id,
                               DWORD exStyle = 0);
    const DLGTEMPLATE* get();

private:
    void AlignTo(size_t boundary);
    void AddWord(WORD value);
    void AddDword(DWORD value);
    void AddString(const char* text);

    std::vector<WORD> m_words;
    WORD m_count = 0;
};

// A file's whole contents, byte for byte; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace testsupport
