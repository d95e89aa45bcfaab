#include "Win32TestSupport.h"

#include <cstdio>

namespace testsupport {

void PumpMessages(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

bool RunProcess(const std::string& commandLine, DWORD milliseconds, DWORD* exitCode,
                const char* directory, bool shareOutput)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (shareOutput) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, shareOutput, 0, nullptr, directory,
                        &startup, &process))
        return false;
    bool ended = WaitForSingleObject(process.hProcess, milliseconds) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    *exitCode = 1;
    GetExitCodeProcess(process.hProcess, exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}

bool ThreadObjectGone(DWORD id)
{
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
    if (!thread)
        return true;
    // It may be just past its return: let it end, then ask again without
    // this handle of ours.
    bool ended = WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
    CloseHandle(thread);
    if (!ended)
        return false;
    HANDLE again = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id);
    if (!again)
        return true;
    // The identifier may already belong to a new, running thread.
    DWORD code = 0;
    GetExitCodeThread(again, &code);
    CloseHandle(again);
    return code == STILL_ACTIVE;
}

int GdiRoom(int limit)
{
    std::vector<HGDIOBJ> made;
    made.reserve(static_cast<size_t>(limit));
    for (int i = 0; i < limit; ++i) {
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(i & 0xFF, (i >> 8) & 0xFF, 0));
        if (!pen)
            break;
        made.push_back(pen);
    }
    for (HGDIOBJ object : made)
        DeleteObject(object);
    return static_cast<int>(made.size());
}

namespace {

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountWithChildren(HWND window, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, CountChild, count);
    return TRUE;
}

}  // namespace

int ThreadWindowCount()
{
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWithChildren, reinterpret_cast<LPARAM>(&count));
    return count;
}

TestThread::TestThread(std::function<void()> body) : m_body(std::move(body))
{
    m_thread = CreateThread(nullptr, 0, Entry, this, 0, nullptr);
}

TestThread::~TestThread()
{
    if (m_thread) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
}

bool TestThread::Join(DWORD milliseconds)
{
    return m_thread && WaitForSingleObject(m_thread, milliseconds) == WAIT_OBJECT_0;
}

DWORD WINAPI TestThread::Entry(LPVOID parameter)
{
    static_cast<TestThread*>(parameter)->m_body();
    return 0;
}

SIZE WindowTextExtent(HWND window, HFONT font)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size;
}

MemoryDib::MemoryDib(int width, int height, COLORREF fill) : m_width(width), m_height(height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
    m_oldBitmap = SelectObject(m_dc, m_bitmap);
    Fill(fill);
}

MemoryDib::~MemoryDib()
{
    SelectObject(m_dc, m_oldBitmap);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
}

COLORREF MemoryDib::Pixel(int x, int y) const
{
    GdiFlush();
    return GetPixel(m_dc, x, y);
}

void MemoryDib::Fill(COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = {0, 0, m_width, m_height};
    FillRect(m_dc, &all, brush);
    DeleteObject(brush);
    GdiFlush();
}

DialogTemplate::DialogTemplate(const char* caption, DWORD style, int x, int y, int cx, int cy,
                               const char* fontName, WORD pointSize)
{
    if (fontName)
        style |= DS_SETFONT;
    AddDword(style);
    AddDword(0);  // extended style
    AddWord(0);   // item count, patched by get()
    AddWord(static_cast<WORD>(x));
    AddWord(static_cast<WORD>(y));
    AddWord(static_cast<WORD>(cx));
    AddWord(static_cast<WORD>(cy));
    AddWord(0);  // no menu
    AddWord(0);  // default class
    AddString(caption);
    if (fontName) {
        AddWord(pointSize);
        AddString(fontName);
    }
}

DialogTemplate& DialogTemplate::AddControl(const char* className, const char* text, DWORD style,
                                           int x, int y, int cx, int cy, WORD id, DWORD exStyle)
{
    AlignTo(4);
    AddDword(style | WS_CHILD);
    AddDword(exStyle);
    AddWord(static_cast<WORD>(x));
    AddWord(static_cast<WORD>(y));
    AddWord(static_cast<WORD>(cx));
    AddWord(static_cast<WORD>(cy));
    AddWord(id);
    AddString(className);
    AddString(text ? text : "");
    AddWord(0);  // no creation data
    ++m_count;
    return *this;
}

const DLGTEMPLATE* DialogTemplate::get()
{
    m_words[4] = m_count;  // cdit follows style (2 words) and exStyle (2 words)
    return reinterpret_cast<const DLGTEMPLATE*>(m_words.data());
}

void DialogTemplate::AlignTo(size_t boundary)
{
    while ((m_words.size() * sizeof(WORD)) % boundary)
        m_words.push_back(0);
}

void DialogTemplate::AddWord(WORD value) { m_words.push_back(value); }

void DialogTemplate::AddDword(DWORD value)
{
    m_words.push_back(LOWORD(value));
    m_words.push_back(HIWORD(value));
}

void DialogTemplate::AddString(const char* text)
{
    wchar_t wide[512];
    int n = MultiByteToWideChar(CP_ACP, 0, text ? text : "", -1, wide, 512);
    for (int i = 0; i < n; ++i)
        m_words.push_back(static_cast<WORD>(wide[i]));
    if (n == 0)
        m_words.push_back(0);
}

std::string ReadWholeFile(const std::string& path)
{
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, got);
        std::fclose(file);
    }
    return text;
}

}  // namespace testsupport
