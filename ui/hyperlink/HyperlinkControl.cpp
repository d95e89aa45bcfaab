#include "HyperlinkControl.h"

#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

const UINT HoverPeriod = 100;          // ms between hover checks
const UINT_PTR ToolId = 1;             // the single tooltip tool
const WORD HelpHandCursor = 106;       // hand cursor inside winhlp32.exe
const int RegistryValueChars = 260;    // one default value
const int ExtraInvalidHeight = 10;     // redrawn below the client area

// The drawn hand, for a 32 x 32 cursor, with its hot spot on the finger
// tip: X black, o white, anything else transparent.
const int DrawnHandSize = 32;
const int DrawnHandHotX = 5;
const char* const DrawnHand[] = {
    "     XX",
    "    XooX",
    "    XooX",
    "    XooX",
    "    XooX",
    "    XooXXX",
    "    XooXooXXX",
    "    XooXooXooXX",
    "XXX XooXooXooXoX",
    "XooXXooooooooXooX",
    "XoooXoooooooooooX",
    " XooXoooooooooooX",
    "  XoXoooooooooooX",
    "  XoooooooooooooX",
    "   XooooooooooooX",
    "   XoooooooooooX",
    "    XooooooooooX",
    "    XoooooooooX",
    "     XooooooooX",
    "     XooooooooX",
    "     XXXXXXXXXX",
};

// COM on the calling thread for as long as it lives: the shell may hand a
// target to a COM object. CoInitialize rather than CoInitializeEx, which
// Windows 95 lacks without DCOM. A thread already in another apartment
// (RPC_E_CHANGED_MODE) has COM and must not be uninitialised here.
class ComOnThisThread {
public:
    explicit ComOnThisThread(LinkSystem& system) : system(system), initialised(SUCCEEDED(system.InitializeCom())) {}
    ~ComOnThisThread()
    {
        if (initialised)
            system.UninitializeCom();
    }
    ComOnThisThread(const ComOnThisThread&) = delete;
    ComOnThisThread& operator=(const ComOnThisThread&) = delete;

private:
    LinkSystem& system;
    bool initialised;
};

// A registry key opened through the link's system for one scope and closed
// through it.
class OpenedKey {
public:
    OpenedKey(LinkSystem& system, HKEY root, const char* subKey)
        : system(system), result(system.OpenKey(root, subKey, &key))
    {
    }
    ~OpenedKey()
    {
        if (result == ERROR_SUCCESS)
            system.CloseKey(key);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    // ERROR_SUCCESS, or why the key could not be opened.
    LONG Result() const { return result; }
    HKEY Get() const { return key; }

private:
    LinkSystem& system;
    HKEY key = nullptr;
    LONG result;
};

}  // namespace

// ---------------------------------------------------------------------------
// The real system calls

INT_PTR LinkSystem::ShellOpen(const char* file, int nShowCmd)
{
    return reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", file, nullptr, nullptr, nShowCmd));
}

LONG LinkSystem::OpenKey(HKEY root, const char* subKey, HKEY* key)
{
    return ::RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, key);
}

LONG LinkSystem::QueryDefaultValue(HKEY key, char* buffer, LONG* size)
{
    return ::RegQueryValueA(key, nullptr, buffer, size);
}

void LinkSystem::CloseKey(HKEY key)
{
    ::RegCloseKey(key);
}

UINT LinkSystem::StartProgram(const char* commandLine, int nShowCmd)
{
    return ::WinExec(commandLine, static_cast<UINT>(nShowCmd));
}

void LinkSystem::Beep(UINT type)
{
    ::MessageBeep(type);
}

int LinkSystem::ShowMessage(const char* text, UINT type)
{
    return AfxMessageBox(text, type);
}

int LinkSystem::DescribeFont(HFONT font, LOGFONTA* description)
{
    return ::GetObjectA(font, sizeof *description, description);
}

HCURSOR LinkSystem::LoadCursorFrom(HMODULE module, const char* name)
{
    return ::LoadCursorA(module, name);
}

SIZE LinkSystem::CursorSize()
{
    return { ::GetSystemMetrics(SM_CXCURSOR), ::GetSystemMetrics(SM_CYCURSOR) };
}

WindowDCSource LinkSystem::WindowDCs()
{
    return SystemWindowDC;
}

HRESULT LinkSystem::InitializeCom()
{
    return ::CoInitialize(nullptr);
}

void LinkSystem::UninitializeCom()
{
    ::CoUninitialize();
}

LinkSystem& RealLinkSystem()
{
    static LinkSystem real;
    return real;
}

// ---------------------------------------------------------------------------
// HyperlinkControl

BEGIN_MESSAGE_MAP(HyperlinkControl, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
    ON_WM_SETCURSOR()
    ON_WM_MOUSEMOVE()
    ON_WM_TIMER()
    ON_CONTROL_REFLECT(STN_CLICKED, &HyperlinkControl::OnClicked)
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

HyperlinkControl::HyperlinkControl(LinkSystem& linkSystem) : system(linkSystem)
{
}

HyperlinkControl::~HyperlinkControl()
{
    // The fonts and the cursor free themselves; a tooltip left by a link
    // that goes before its dialog does not.
    toolTip.DestroyWindow();
}

void HyperlinkControl::PreSubclassWindow()
{
    ModifyStyle(0, SS_NOTIFY);

    CString text;
    GetWindowText(text);
    if (target.IsEmpty())
        target = text;
    if (text.IsEmpty())
        SetWindowText(target);

    HFONT font = GetFont();
    if (!font)
        font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    if (!font)
        font = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
    LOGFONTA lf = {};
    // NT 4.0 fills the face name only up to its NUL (the rest stays zero
    // here); later systems fill the whole structure. Without any font to
    // copy the link keeps the window's own font, only without its underline.
    const int length = font ? system.DescribeFont(font, &lf) : 0;
    if (length > static_cast<int>(offsetof(LOGFONTA, lfFaceName)) && length <= static_cast<int>(sizeof lf)) {
        normalFont.CreateFontIndirect(&lf);
        lf.lfUnderline = TRUE;
        underlinedFont.CreateFontIndirect(&lf);
    }

    FitToText();
    LoadHandCursor();
    SetUnderlineMode(UnderlineOnHover);

    CRect rect;
    GetClientRect(&rect);
    if (toolTip.Create(this))
        toolTip.AddTool(this, target, &rect, ToolId);

    CStatic::PreSubclassWindow();
}

void HyperlinkControl::SetLinkTarget(const char* text)
{
    target = text;
    if (!m_hWnd)
        return;
    FitToText();
    toolTip.UpdateTipText(target, this, ToolId);
}

void HyperlinkControl::SetUnderlineMode(UnderlineMode mode)
{
    if (mode == underlineMode)
        return;
    if (m_hWnd) {
        ShowFont(mode == UnderlineAlways ? underlinedFont : normalFont);
        Invalidate(TRUE);
    }
    underlineMode = mode;
}

void HyperlinkControl::ShowFont(HFONT font)
{
    if (font)
        SetFont(font, TRUE);
}

void HyperlinkControl::MarkVisited(bool flag)
{
    visited = flag;
    if (m_hWnd)
        Invalidate(TRUE);
}

void HyperlinkControl::FitToText()
{
    if (!m_hWnd || !fitToText)
        return;

    CRect windowRect;
    GetWindowRect(&windowRect);
    CRect clientRect;
    GetClientRect(&clientRect);
    ClientToScreen(&clientRect);
    HWND parent = (GetStyle() & WS_CHILD) ? GetParent() : nullptr;
    if (parent) {
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<LPPOINT>(&windowRect), 2);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<LPPOINT>(&clientRect), 2);
    }

    CString text;
    GetWindowText(text);
    SIZE extent = { 0, 0 };
    {
        // Without a DC (Windows 9x's cache of common DCs is small) the text
        // cannot be measured: the window keeps its size.
        CClientDC dc(this, system.WindowDCs());
        if (!dc)
            return;
        SelectedObject font(dc, underlinedFont);
        ::GetTextExtentPoint32A(dc, text, text.GetLength(), &extent);
    }

    // The frame the window draws around its client area stays.
    int neededWidth = extent.cx + (windowRect.Width() - clientRect.Width());
    int neededHeight = extent.cy + (windowRect.Height() - clientRect.Height());

    DWORD style = GetStyle();
    if (style & SS_CENTERIMAGE) {
        int shrink = (windowRect.Height() - neededHeight) / 2;
        windowRect.top += shrink;
        windowRect.bottom -= shrink;
    } else {
        windowRect.bottom = windowRect.top + neededHeight;
    }
    // Single bits rather than style & SS_TYPEMASK: a link is a text item
    // (SS_LEFT, SS_CENTER or SS_RIGHT), and these two bits tell them apart.
    if (style & SS_CENTER) {
        int shrink = (windowRect.Width() - neededWidth) / 2;
        windowRect.left += shrink;
        windowRect.right -= shrink;
    } else if (style & SS_RIGHT) {
        windowRect.left = windowRect.right - neededWidth;
    } else {
        windowRect.right = windowRect.left + neededWidth;
    }
    SetWindowPos(nullptr, windowRect.left, windowRect.top, windowRect.Width(), windowRect.Height(),
                 SWP_NOZORDER);
}

void HyperlinkControl::LoadHandCursor()
{
    if (handCursor)
        return;
    char path[MAX_PATH + 1] = {};
    UINT length = ::GetWindowsDirectoryA(path, MAX_PATH);
    if (length > 0 && length < MAX_PATH - 14) {
        lstrcatA(path, "\\winhlp32.exe");
        // The copy outlives the library; the cursor loaded from it does not.
        LoadedLibrary help(path);
        if (help) {
            HCURSOR cursor = system.LoadCursorFrom(help, MAKEINTRESOURCEA(HelpHandCursor));
            if (cursor)
                handCursor.Reset(static_cast<HCURSOR>(::CopyIcon(cursor)));
        }
    }
    // Help programs without a hand cursor are the rule today: the system
    // has one from Windows 98 and 2000 on, and the drawn one is left.
    if (!handCursor) {
        HCURSOR cursor = system.LoadCursorFrom(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
        if (cursor)
            handCursor.Reset(static_cast<HCURSOR>(::CopyIcon(cursor)));
    }
    if (!handCursor)
        handCursor.Reset(CreateDrawnHandCursor(system.CursorSize()));
}

HCURSOR HyperlinkControl::CreateDrawnHandCursor(SIZE size)
{
    // A size the system cannot tell is taken as the classic 32 x 32.
    if (size.cx <= 0 || size.cy <= 0)
        size = { DrawnHandSize, DrawnHandSize };
    const int scale = std::max(1, static_cast<int>(std::min(size.cx, size.cy)) / DrawnHandSize);
    // One bit per pixel, rows padded to whole 16-bit words as in any
    // monochrome bitmap. Transparent: AND 1, XOR 0; black: 0, 0; white: 0, 1.
    const int rowBytes = (size.cx + 15) / 16 * 2;
    std::vector<BYTE> andPlane(static_cast<size_t>(rowBytes * size.cy), 0xFF);
    std::vector<BYTE> xorPlane(andPlane.size(), 0);
    const int rows = static_cast<int>(sizeof DrawnHand / sizeof DrawnHand[0]);
    for (int y = 0; y < rows * scale && y < size.cy; ++y) {
        const char* row = DrawnHand[y / scale];
        const int length = static_cast<int>(strlen(row));
        for (int x = 0; x < length * scale && x < size.cx; ++x) {
            const char pixel = row[x / scale];
            if (pixel != 'X' && pixel != 'o')
                continue;
            const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
            andPlane[y * rowBytes + x / 8] &= static_cast<BYTE>(~bit);
            if (pixel == 'o')
                xorPlane[y * rowBytes + x / 8] |= bit;
        }
    }
    return ::CreateCursor(AfxGetInstanceHandle(), DrawnHandHotX * scale, 0, size.cx, size.cy,
                          andPlane.data(), xorPlane.data());
}

BOOL HyperlinkControl::DestroyWindow()
{
    KillTimer(hoverTimerId);
    return CStatic::DestroyWindow();
}

BOOL HyperlinkControl::PreTranslateMessage(MSG* pMsg)
{
    // The tooltip sees the pointer only through this relay.
    if (toolTip.m_hWnd)
        toolTip.RelayEvent(pMsg);
    return CStatic::PreTranslateMessage(pMsg);
}

HBRUSH HyperlinkControl::CtlColor(HDC hDC, UINT)
{
    if (hovering)
        ::SetTextColor(hDC, hoverColour);
    else if (visited)
        ::SetTextColor(hDC, visitedColour);
    else
        ::SetTextColor(hDC, linkColour);
    ::SetBkMode(hDC, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL HyperlinkControl::OnSetCursor(HWND, UINT, UINT)
{
    if (!handCursor)
        return FALSE;
    ::SetCursor(handCursor);
    return TRUE;
}

void HyperlinkControl::OnMouseMove(UINT nFlags, CPoint point)
{
    if (!hovering) {
        hovering = TRUE;
        if (underlineMode == UnderlineOnHover)
            ShowFont(underlinedFont);
        Invalidate(TRUE);
        SetTimer(hoverTimerId, HoverPeriod);
    }
    CStatic::OnMouseMove(nFlags, point);
}

void HyperlinkControl::OnTimer(UINT_PTR nIDEvent)
{
    DWORD position = ::GetMessagePos();
    POINT point = { static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position)) };
    ScreenToClient(&point);
    CRect rect;
    GetClientRect(&rect);
    if (!::PtInRect(&rect, point)) {
        hovering = FALSE;
        KillTimer(hoverTimerId);
        if (underlineMode != UnderlineAlways)
            ShowFont(normalFont);
        rect.bottom += ExtraInvalidHeight;
        InvalidateRect(&rect, TRUE);
    }
    CStatic::OnTimer(nIDEvent);
}

void HyperlinkControl::OnClicked()
{
    hovering = FALSE;
    LONG result = OpenTarget(target, SW_SHOW);
    visited = result > 32;
    if (result > 32) {
        MarkVisited(true);
    } else {
        system.Beep(MB_ICONEXCLAMATION);
        ShowOpenError(result);
    }
}

BOOL HyperlinkControl::OnEraseBkgnd(HDC hDC)
{
    CRect rect;
    GetClientRect(&rect);
    ::FillRect(hDC, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
    return TRUE;
}

// ---------------------------------------------------------------------------
// Opening

LONG HyperlinkControl::OpenTarget(const char* text, int nShowCmd)
{
    INT_PTR shellResult;
    {
        ComOnThisThread com(system);
        shellResult = system.ShellOpen(text, nShowCmd);
    }
    if (static_cast<UINT_PTR>(shellResult) > 32)
        return static_cast<LONG>(shellResult);

    // The shell refused (typically a target without a scheme): start the
    // browser that opens ".htm" files with the target as its argument.
    CString command;
    if (ReadClassesRootDefault(HKEY_CLASSES_ROOT, ".htm", command) != 0)
        return static_cast<LONG>(shellResult);
    command += "\\shell\\open\\command";
    if (ReadClassesRootDefault(HKEY_CLASSES_ROOT, command, command) != 0)
        return static_cast<LONG>(shellResult);

    // Built to fit: a long command is never run cut short.
    CString commandLine = BuildBrowserCommand(command, text);
    return static_cast<LONG>(system.StartProgram(commandLine, nShowCmd));
}

CString HyperlinkControl::BuildBrowserCommand(const CString& registryCommand, const char* text)
{
    CString command = registryCommand;
    int placeholder = command.Find("\"%1\"");
    if (placeholder < 0)
        placeholder = command.Find("%1");
    if (placeholder >= 0)
        command = command.Left(placeholder);
    command += " ";
    command += text;
    return command;
}

LONG HyperlinkControl::ReadClassesRootDefault(HKEY root, const char* subKey, CString& value)
{
    OpenedKey key(system, root, subKey);
    if (key.Result() != ERROR_SUCCESS)
        return key.Result();
    char buffer[RegistryValueChars] = {};
    LONG size = sizeof buffer;
    LONG query = system.QueryDefaultValue(key.Get(), buffer, &size);
    // A default value that cannot be read (or does not fit) counts as a
    // missing key: nothing half-read is ever run.
    if (query != ERROR_SUCCESS)
        return query;
    buffer[RegistryValueChars - 1] = '\0';
    value = buffer;
    return 0;
}

CString HyperlinkControl::OpenErrorText(int code)
{
    switch (code) {
    case 0: return "The operating system is out\nof memory or resources.";
    case SE_ERR_FNF: return "The specified file was not found.";
    case SE_ERR_PNF: return "The specified path was not found.";
    case SE_ERR_ACCESSDENIED: return "The operating system denied\naccess to the specified file.";
    case SE_ERR_OOM: return "There was not enough memory to complete the operation.";
    case ERROR_BAD_FORMAT: return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case SE_ERR_SHARE: return "A sharing violation occurred. ";
    case SE_ERR_ASSOCINCOMPLETE: return "The filename association is\nincomplete or invalid.";
    case SE_ERR_DDETIMEOUT: return "The DDE transaction could not\nbe completed because the request timed out.";
    case SE_ERR_DDEFAIL: return "The DDE transaction failed.";
    case SE_ERR_DDEBUSY:
        return "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case SE_ERR_NOASSOC: return "There is no application associated\nwith the given filename extension.";
    case SE_ERR_DLLNOTFOUND: return "The specified dynamic-link library was not found.";
    default: {
        CString text;
        text.Format("Unknown Error (%d) occurred.", code);
        return text;
    }
    }
}

void HyperlinkControl::ShowOpenError(int code)
{
    CString message = "Unable to open hyperlink:\n\n";
    message += OpenErrorText(code);
    system.ShowMessage(message, MB_ICONEXCLAMATION | MB_OK);
}
