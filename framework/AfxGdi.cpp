// The GDI wrappers: fonts and the paint DC.
#include "Afx.h"

// ---------------------------------------------------------------------------
// GDI

BOOL CFont::CreateFontIndirect(const LOGFONTA* lpLogFont)
{
    Reset(::CreateFontIndirectA(lpLogFont));
    return Get() != nullptr;
}

BOOL CFont::DeleteObject()
{
    if (!Get())
        return FALSE;
    Reset();
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd)
{
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWnd, &m_ps);
}
