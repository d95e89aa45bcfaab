// HyperlinkControl: a static-text item of a dialog that behaves as a link.
//
// Bound to an existing static item (DDX_Control), it draws its text in link
// colours, underlines it, shows a hand cursor and a tooltip with its target,
// and opens the target through the shell when clicked, falling back to the
// ".htm" browser from the registry and finally to an error box.
#pragma once

#include "Afx.h"
#include "HandleOwners.h"

// What the link needs from the system to open a target and to report a
// failure. The default members make the real calls; tests replace them.
class LinkSystem {
public:
    virtual ~LinkSystem() = default;
    // ShellExecuteA(no owner, "open", file, no parameters, no directory).
    virtual INT_PTR ShellOpen(const char* file, int nShowCmd);
    // RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, key).
    virtual LONG OpenKey(HKEY root, const char* subKey, HKEY* key);
    // RegQueryValueA(key, no value name, buffer, size): the default value.
    virtual LONG QueryDefaultValue(HKEY key, char* buffer, LONG* size);
    virtual void CloseKey(HKEY key);
    // WinExec.
    virtual UINT StartProgram(const char* commandLine, int nShowCmd);
    virtual void Beep(UINT type);
    // The application's message box (AfxMessageBox).
    virtual int ShowMessage(const char* text, UINT type);
    // GetObjectA(font, sizeof(LOGFONTA), description): the bytes written.
    // NT 4.0 writes the face name only up to its NUL and says so.
    virtual int DescribeFont(HFONT font, LOGFONTA* description);
    // LoadCursorA: a cursor of `module`, or of the system when it is null.
    virtual HCURSOR LoadCursorFrom(HMODULE module, const char* name);
    // GetSystemMetrics(SM_CXCURSOR, SM_CYCURSOR): the one cursor size the
    // display driver supports (CreateCursor makes no other).
    virtual SIZE CursorSize();
    // Where the link takes its window DCs: GetDC and GetWindowDC.
    virtual WindowDCSource WindowDCs();
    // CoInitialize(nullptr) and CoUninitialize on the calling thread.
    virtual HRESULT InitializeCom();
    virtual void UninitializeCom();
};

// The real calls, shared by every link.
LinkSystem& RealLinkSystem();

class HyperlinkControl : public CStatic {
public:
    enum class UnderlineMode : int { UnderlineNever = 0, UnderlineAlways = 1, UnderlineOnHover = -1 };
    static constexpr UnderlineMode UnderlineNever = UnderlineMode::UnderlineNever;
    static constexpr UnderlineMode UnderlineAlways = UnderlineMode::UnderlineAlways;
    static constexpr UnderlineMode UnderlineOnHover = UnderlineMode::UnderlineOnHover;

    explicit HyperlinkControl(LinkSystem& system = RealLinkSystem());
    ~HyperlinkControl() override;

    void SetLinkTarget(const char* text);
    void SetUnderlineMode(UnderlineMode mode);
    void MarkVisited(bool flag);
    void FitToText();
    void LoadHandCursor();
    // The hand drawn in the code: the cursor when neither the help program
    // nor the system has one (the system's hand is Windows 98 / 2000 on).
    // Made in the system's cursor size `size`, the hand drawn for 32 x 32
    // enlarged by the whole factor that fits, in the top-left corner.
    static HCURSOR CreateDrawnHandCursor(SIZE size);
    // The shell's result, or the fallback's; > 32 means opened.
    LONG OpenTarget(const char* text, int nShowCmd);
    // 0, or the error of opening (or reading) root\subKey; on 0 `value`
    // holds the key's default value.
    LONG ReadClassesRootDefault(HKEY root, const char* subKey, CString& value);
    void ShowOpenError(int code);

    // The text the error box explains `code` with.
    static CString OpenErrorText(int code);
    // The fallback command line: the registry command with its "%1"
    // placeholder (and whatever follows it) replaced by a blank and `text`.
    static CString BuildBrowserCommand(const CString& registryCommand, const char* text);

    COLORREF GetLinkColour() const { return linkColour; }
    COLORREF GetVisitedColour() const { return visitedColour; }
    COLORREF GetHoverColour() const { return hoverColour; }
    bool IsHovering() const { return hovering != FALSE; }
    bool IsVisited() const { return visited != FALSE; }
    UnderlineMode GetUnderlineMode() const { return underlineMode; }
    const CString& GetLinkTarget() const { return target; }
    HFONT GetNormalFont() const { return normalFont; }
    HFONT GetUnderlinedFont() const { return underlinedFont; }
    HCURSOR GetHandCursor() const { return handCursor; }
    CToolTipCtrl& GetToolTip() { return toolTip; }

    void PreSubclassWindow() override;
    BOOL DestroyWindow() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    afx_msg HBRUSH CtlColor(HDC hDC, UINT nCtlColor);
    afx_msg BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT message);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnClicked();
    afx_msg BOOL OnEraseBkgnd(HDC hDC);

    DECLARE_MESSAGE_MAP()

private:
    // Sets font on the window with redraw; a font that could not be made
    // leaves the window's own font in place.
    void ShowFont(HFONT font);

    COLORREF linkColour = RGB(0, 0, 238);
    COLORREF visitedColour = RGB(85, 26, 139);
    COLORREF hoverColour = RGB(255, 0, 0);
    BOOL hovering = FALSE;
    BOOL visited = FALSE;
    UnderlineMode underlineMode = UnderlineOnHover;
    BOOL fitToText = TRUE;
    CString target;
    CFont underlinedFont;
    CFont normalFont;
    OwnedCursor handCursor;  // our own copy
    CToolTipCtrl toolTip;
    UINT hoverTimerId = 100;

    LinkSystem& system;
};
