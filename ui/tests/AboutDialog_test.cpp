// The About dialog: its template read back from the resource, and the
// dialog shown modally with no owner, its links ready, closed by Enter/Esc.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "AboutDialog.h"
#include "Afx.h"
#include "Win32TestSupport.h"
#include "resource.h"


namespace {

// ---------------------------------------------------------------------------
// The extended dialog template, read field by field.

struct TemplateItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::string cls;   // class name, or "#0x82" style for an atom
    std::string text;  // text, or "#128" for an ordinal
};

struct DialogResource {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu, cls, caption;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::string face;
    std::vector<TemplateItem> items;
};

class Reader {
public:
    explicit Reader(const BYTE* p) : m_p(p) {}
    WORD Word() { WORD w; memcpy(&w, m_p, 2); m_p += 2; return w; }
    DWORD Dword() { DWORD d; memcpy(&d, m_p, 4); m_p += 4; return d; }
    BYTE Byte() { return *m_p++; }
    // sz_Or_Ord: 0, 0xFFFF + ordinal, or a UTF-16 string.
    std::string SzOrOrd()
    {
        WORD first = Word();
        if (first == 0)
            return "";
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        std::string s(1, static_cast<char>(first));
        for (WORD c; (c = Word()) != 0;)
            s += static_cast<char>(c);  // the texts here are ASCII
        return s;
    }
    void Align(size_t n)
    {
        uintptr_t v = reinterpret_cast<uintptr_t>(m_p);
        m_p = reinterpret_cast<const BYTE*>((v + n - 1) & ~(n - 1));
    }

private:
    const BYTE* m_p;
};

DialogResource ReadAboutTemplate()
{
    DialogResource d;
    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_ABOUTBOX), reinterpret_cast<LPCSTR>(RT_DIALOG));
    if (!res)
        return d;
    Reader r(static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res))));
    EXPECT_EQ(r.Word(), 1);       // dlgVer
    EXPECT_EQ(r.Word(), 0xFFFF);  // signature: an extended template
    r.Dword();                    // helpID
    d.exStyle = r.Dword();
    d.style = r.Dword();
    WORD count = r.Word();
    d.x = static_cast<short>(r.Word());
    d.y = static_cast<short>(r.Word());
    d.cx = static_cast<short>(r.Word());
    d.cy = static_cast<short>(r.Word());
    d.menu = r.SzOrOrd();
    d.cls = r.SzOrOrd();
    d.caption = r.SzOrOrd();
    if (d.style & DS_SETFONT) {
        d.pointSize = r.Word();
        d.weight = r.Word();
        d.italic = r.Byte();
        d.charset = r.Byte();
        d.face = r.SzOrOrd();
    }
    for (WORD i = 0; i < count; ++i) {
        r.Align(4);
        TemplateItem item;
        r.Dword();  // helpID
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = static_cast<short>(r.Word());
        item.y = static_cast<short>(r.Word());
        item.cx = static_cast<short>(r.Word());
        item.cy = static_cast<short>(r.Word());
        item.id = static_cast<int>(r.Dword());
        item.cls = r.SzOrOrd();
        item.text = r.SzOrOrd();
        WORD extra = r.Word();
        EXPECT_EQ(extra, 0);
        d.items.push_back(item);
    }
    return d;
}

TEST(AboutTemplate, DialogHeader)
{
    DialogResource d = ReadAboutTemplate();
    EXPECT_EQ(d.caption, "Pyrolux");
    EXPECT_EQ(d.cx, 236);
    EXPECT_EQ(d.cy, 154);
    EXPECT_EQ(d.face, "MS Sans Serif");
    EXPECT_EQ(d.pointSize, 8);
    EXPECT_EQ(d.charset, DEFAULT_CHARSET);
    EXPECT_EQ(d.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SYSMODAL | DS_SETFONT |
                                          DS_CENTER | DS_CENTERMOUSE));
    EXPECT_FALSE(d.style & WS_SYSMENU);
    EXPECT_EQ(d.exStyle, static_cast<DWORD>(WS_EX_DLGMODALFRAME));
    EXPECT_EQ(d.menu, "");
    EXPECT_EQ(d.cls, "");
}

TEST(AboutTemplate, TenItemsWithTheirRectanglesStylesAndTexts)
{
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const std::string body =
        "Thank you for testing Pyrolux. This program is currently in beta process. plase feel free to "
        "email your feedbacks,  suggestions or comments. You can also log on to my website to getthe "
        "newest version of Pyrolux.";
    struct Expected {
        int id;
        const char* cls;
        std::string text;
        short x, y, cx, cy;
        DWORD style;
    } expected[] = {
        { -1, "#130", "#128", 11, 17, 20, 20, child | SS_ICON },
        { -1, "#130", "Pyrolux BETA Version 0.94", 40, 10, 119, 8, child | SS_LEFT | SS_NOPREFIX | WS_GROUP },
        { -1, "#130", ABOUT_AUTHOR_LINE, 40, 19, 112, 8, child | SS_LEFT | WS_GROUP },
        { IDOK, "#128", "OK", 179, 133, 50, 14, child | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP },
        { -1, "#130", "Please report all bugs and comments to:", 21, 93, 126, 8, child | SS_LEFT | WS_GROUP },
        { 1022, "#130", ABOUT_EMAIL, 40, 106, 79, 8, child | SS_LEFT | WS_GROUP },
        { 1021, "#130", ABOUT_WEB_ADDRESS, 40, 130, 94, 8, child | SS_LEFT | WS_GROUP },
        { -1, "#130", body, 40, 47, 176, 41, child | SS_LEFT | WS_GROUP },
        { -1, "#130", "", 40, 36, 173, 1, child | SS_ETCHEDHORZ },
        { -1, "#130", "Or log on to:", 20, 117, 40, 8, child | SS_LEFT | WS_GROUP },
    };
    DialogResource d = ReadAboutTemplate();
    ASSERT_EQ(d.items.size(), 10u);
    for (size_t i = 0; i < 10; ++i) {
        const TemplateItem& item = d.items[i];
        const Expected& e = expected[i];
        EXPECT_EQ(item.id, e.id) << i;
        // By atom (0x80 button, 0x82 static) or by name.
        std::string cls = item.cls;
        if (lstrcmpiA(cls.c_str(), "Static") == 0)
            cls = "#130";
        EXPECT_EQ(cls, e.cls) << i;
        EXPECT_EQ(item.text, e.text) << i;
        EXPECT_EQ(item.x, e.x) << i;
        EXPECT_EQ(item.y, e.y) << i;
        EXPECT_EQ(item.cx, e.cx) << i;
        EXPECT_EQ(item.cy, e.cy) << i;
        EXPECT_EQ(item.style, e.style) << i << std::hex << " 0x" << item.style;
        EXPECT_EQ(item.exStyle, 0u) << i;
    }
}

TEST(AboutTemplate, WebAddressHasNoScheme)
{
    EXPECT_EQ(std::string(ABOUT_WEB_ADDRESS).find("://"), std::string::npos);
    EXPECT_NE(std::string(ABOUT_EMAIL).find("@example.com"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The running dialog, driven from a thread timer inside its modal loop. A
// dialog that does not show up within the time limit ends the modal run and
// fails the test instead of leaving it waiting for ever.

const DWORD ShowLimitMs = 10000;

struct Probe {
    std::function<void(HWND)> check;  // runs once the dialog is up
    WPARAM key = 0;                   // then this key is pressed
    bool ran = false;
    bool gaveUp = false;
    DWORD start = 0;
    CDialog* dialog = nullptr;        // ended when it never shows
};
Probe g_probe;

void CALLBACK ProbeAbout(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = GetActiveWindow();
    char title[32] = {};
    GetWindowTextA(dialog, title, sizeof title);
    if (!dialog || lstrcmpA(title, "Pyrolux") != 0) {
        // Not shown yet.
        if (GetTickCount() - g_probe.start >= ShowLimitMs) {
            KillTimer(nullptr, id);
            g_probe.gaveUp = true;
            g_probe.dialog->EndDialog(IDABORT);
        }
        return;
    }
    KillTimer(nullptr, id);
    g_probe.ran = true;
    if (g_probe.check)
        g_probe.check(dialog);
    HWND focus = GetFocus();
    PostMessageA(focus, WM_KEYDOWN, g_probe.key, 1);
    PostMessageA(focus, WM_KEYUP, g_probe.key, 0xC0000001);
}

INT_PTR RunAbout(WPARAM key, std::function<void(HWND)> check = nullptr)
{
    AboutDialog about;
    g_probe = Probe();
    g_probe.key = key;
    g_probe.check = std::move(check);
    g_probe.start = GetTickCount();
    g_probe.dialog = &about;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, &ProbeAbout);
    INT_PTR result = about.DoModal();
    KillTimer(nullptr, timer);  // a run that never started leaves no probe behind
    EXPECT_FALSE(g_probe.gaveUp) << "the About dialog did not show within " << ShowLimitMs << " ms";
    EXPECT_TRUE(g_probe.ran);
    return result;
}

TEST(AboutDialogRun, EnterClosesWithOk)
{
    EXPECT_EQ(RunAbout(VK_RETURN), IDOK);
}

TEST(AboutDialogRun, EscCloses)
{
    EXPECT_EQ(RunAbout(VK_ESCAPE), IDCANCEL);
}

HyperlinkControl* LinkOf(HWND dialog, int id)
{
    return dynamic_cast<HyperlinkControl*>(CWnd::FromHandlePermanent(GetDlgItem(dialog, id)));
}


TEST(AboutDialogRun, ShownWithoutOwnerWithBothLinksReady)
{
    bool checked = false;
    RunAbout(VK_RETURN, [&](HWND dialog) {
        checked = true;
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(GetSystemMenu(dialog, FALSE), nullptr);
        HWND icon = GetWindow(dialog, GW_CHILD);
        EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0);

        struct { int id; const char* target; const char* text; } links[] = {
            { IDC_MAIL_LINK, "mailto:" ABOUT_EMAIL, ABOUT_EMAIL },
            { IDC_WEB_LINK, ABOUT_WEB_ADDRESS, ABOUT_WEB_ADDRESS },
        };
        for (const auto& l : links) {
            HyperlinkControl* link = LinkOf(dialog, l.id);
            ASSERT_NE(link, nullptr) << l.id;
            EXPECT_STREQ(link->GetLinkTarget(), l.target);
            CString text;
            link->GetWindowText(text);
            EXPECT_STREQ(text, l.text);
            EXPECT_EQ(link->GetUnderlineMode(), HyperlinkControl::UnderlineAlways);
            LOGFONTA lf = {};
            GetObjectA(link->GetFont(), sizeof lf, &lf);
            EXPECT_TRUE(lf.lfUnderline) << l.id;
            EXPECT_TRUE(link->GetStyle() & SS_NOTIFY);
            RECT client;
            link->GetClientRect(&client);
            SIZE extent = testsupport::WindowTextExtent(link->m_hWnd, link->GetUnderlinedFont());
            EXPECT_EQ(client.right, extent.cx) << l.id;
            EXPECT_EQ(client.bottom, extent.cy) << l.id;
            EXPECT_NE(link->GetHandCursor(), nullptr);
            EXPECT_EQ(link->SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(link->m_hWnd),
                                        MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
            EXPECT_EQ(GetCursor(), link->GetHandCursor());
            EXPECT_STREQ(link->GetToolTip().GetText(link, 1), l.target);
        }
        // The OK button has the focus and is the default.
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
        EXPECT_EQ(LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)), IDOK);
    });
    EXPECT_TRUE(checked);
}

TEST(AboutDialogRun, FreshObjectEachShowingLeavesNothingBound)
{
    size_t before = CWnd::GetPermanentCount();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(RunAbout(i % 2 ? VK_ESCAPE : VK_RETURN), i % 2 ? IDCANCEL : IDOK);
    EXPECT_EQ(CWnd::GetPermanentCount(), before);
}

}  // namespace
