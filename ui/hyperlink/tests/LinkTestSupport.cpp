#include "LinkTestSupport.h"

#include <gtest/gtest.h>

namespace linktest {

BEGIN_MESSAGE_MAP(LinkDialog, CDialog)
    ON_MESSAGE(WM_RUN_BODY, &LinkDialog::OnRunBody)
END_MESSAGE_MAP()

DialogTemplate MakeTemplate()
{
    DialogTemplate t("Links", WS_POPUP | WS_CAPTION | DS_SETFONT | DS_MODALFRAME, 0, 0, 240, 140);
    const DWORD child = WS_CHILD | WS_VISIBLE | WS_GROUP;
    t.AddControl("STATIC", "left link", child | SS_LEFT, 10, 5, 150, 12, IDC_LEFT)
        .AddControl("STATIC", "centred link", child | SS_CENTER, 10, 20, 150, 12, IDC_CENTER)
        .AddControl("STATIC", "right link", child | SS_RIGHT, 10, 35, 150, 12, IDC_RIGHT)
        .AddControl("STATIC", "middle", child | SS_LEFT | SS_CENTERIMAGE, 10, 50, 150, 30, IDC_VCENTER)
        .AddControl("STATIC", "", child | SS_LEFT, 10, 85, 150, 12, IDC_EMPTY)
        .AddControl("STATIC", "framed", child | SS_LEFT | WS_BORDER, 10, 100, 150, 20, IDC_BORDER);
    return t;
}

std::map<int, RECT> TemplateRects(DialogTemplate& t)
{
    class Probe : public CDialog {
    public:
        explicit Probe(const DLGTEMPLATE* p) : CDialog(p, nullptr) {}
        std::map<int, RECT> rects;
        BOOL OnInitDialog() override
        {
            for (int id : { IDC_LEFT, IDC_CENTER, IDC_RIGHT, IDC_VCENTER, IDC_BORDER })
                rects[id] = RectInParent(GetDlgItem(id));
            EndDialog(IDOK);
            return TRUE;
        }
    } probe(t.get());
    probe.DoModal();
    return probe.rects;
}

// Window rectangle in the parent's client coordinates.
RECT RectInParent(HWND hWnd)
{
    RECT r;
    GetWindowRect(hWnd, &r);
    MapWindowPoints(nullptr, GetParent(hWnd), reinterpret_cast<LPPOINT>(&r), 2);
    return r;
}

// Runs `body` inside a modal dialog with links bound to the given items.
void WithLinks(std::vector<std::pair<int, HyperlinkControl*>> bindings,
               std::function<void(LinkDialog&)> body)
{
    DialogTemplate t = MakeTemplate();
    LinkDialog dlg(t.get());
    dlg.bindings = std::move(bindings);
    dlg.body = std::move(body);
    ASSERT_EQ(dlg.DoModal(), IDOK);
}
}  // namespace linktest
