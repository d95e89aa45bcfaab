// CString: the program's narrow text class, below every other library.
//
// A value type over std::string with the small part of the familiar CString
// interface that this program uses. It holds 8-bit text in the system's code
// page and never throws across a window procedure: every operation is total.
// Portable (no Win32 but string resources), so the stress-test core and the
// processor identification use it in the native build too; the dialog
// framework hands it on to its users through Afx.h.
#pragma once

#include <cstdarg>
#include <string>

#if defined(_WIN32)
// windows.h maps LoadString to LoadStringA; every user of this header must
// see the same mapping, so it comes in here.
#include <windows.h>
#endif

class CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}
    CString(const char* text, int length);
    CString(const std::string& text) : m_text(text) {}

    CString& operator=(const char* text);
    CString& operator+=(const CString& other) { m_text += other.m_text; return *this; }
    CString& operator+=(const char* text) { if (text) m_text += text; return *this; }
    CString& operator+=(char ch) { m_text += ch; return *this; }

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    char GetAt(int index) const { return m_text[static_cast<size_t>(index)]; }

    operator const char*() const { return m_text.c_str(); }
    const char* GetString() const { return m_text.c_str(); }
    const std::string& str() const { return m_text; }

    // printf-style formatting; replaces the whole text.
    void Format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void FormatV(const char* format, va_list args);

    int Find(const char* sub, int start = 0) const;
    int Find(char ch, int start = 0) const;
    CString Left(int count) const;
    CString Mid(int first, int count = -1) const;
    CString Right(int count) const;

    // Writable buffer of at least minLength characters plus the terminator;
    // ReleaseBuffer() then cuts the text at its first NUL.
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

#if defined(_WIN32)
    // Loads a string resource of the module (AfxGetResourceHandle); false
    // when missing.
    bool LoadString(unsigned id);
#endif

    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.m_text == (b ? b : ""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend CString operator+(const CString& a, const CString& b) { CString r(a); r += b; return r; }
    friend CString operator+(const CString& a, const char* b) { CString r(a); r += b; return r; }
    friend CString operator+(const char* a, const CString& b) { CString r(a); r += b; return r; }

private:
    std::string m_text;
};

#if defined(_WIN32)
// The module whose resources the framework loads: the one set by its entry
// point, else the module this code is linked into (a DLL finds its own).
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstance);
#endif
