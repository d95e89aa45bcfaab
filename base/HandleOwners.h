// Scoped owners of system handles that are not GDI objects, in the manner
// of GdiOwners.h: each takes one thing in its constructor and gives it back
// in its destructor, early returns included.
#pragma once

#include <windows.h>

// A library loaded for one scope (LoadLibraryA) and freed with its owner.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const char* path) : m_module(::LoadLibraryA(path)) {}
    ~LoadedLibrary()
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    // Null when the library could not be loaded.
    HMODULE Get() const { return m_module; }
    operator HMODULE() const { return m_module; }

private:
    HMODULE m_module;
};

// A cursor this code made (CreateCursor, or a CopyIcon of a shared one),
// destroyed with its owner. Never a shared cursor from LoadCursor.
class OwnedCursor {
public:
    OwnedCursor() = default;
    ~OwnedCursor() { Reset(); }
    OwnedCursor(const OwnedCursor&) = delete;
    OwnedCursor& operator=(const OwnedCursor&) = delete;

    HCURSOR Get() const { return m_cursor; }
    operator HCURSOR() const { return m_cursor; }

    // Destroys the cursor held (if any) and holds `cursor` instead.
    void Reset(HCURSOR cursor = nullptr)
    {
        if (m_cursor)
            ::DestroyCursor(m_cursor);
        m_cursor = cursor;
    }

private:
    HCURSOR m_cursor = nullptr;
};
