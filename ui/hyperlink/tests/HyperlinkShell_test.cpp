// End to end in a throwaway Wine prefix (run-shell-test.sh): the ".htm"
// handler there is link_recorder.exe. A click on a scheme-less link that the
// shell refuses must start it with the target as its argument.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Afx.h"
#include "HyperlinkControl.h"
#include "Win32TestSupport.h"

namespace {

const int IDC_LINK = 500;
const UINT WM_RUN = WM_APP + 1;

bool PrefixIsPrepared()
{
    char value[64] = {};
    LONG size = sizeof value;
    return RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", value, &size) == ERROR_SUCCESS &&
           lstrcmpA(value, "PyroluxTestPage") == 0;
}

class ShellDialog : public CDialog {
public:
    explicit ShellDialog(const DLGTEMPLATE* t) : CDialog(t, nullptr) {}
    HyperlinkControl link;  // the real shell, registry and process start
    std::string recordPath;
    std::string recorded;
    bool visited = false;

    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_LINK, link); }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        PostMessage(WM_RUN);
        return TRUE;
    }
    afx_msg LRESULT OnRun(WPARAM, LPARAM)
    {
        link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
        visited = link.IsVisited();
        testsupport::PumpUntil([&] { return GetFileAttributesA(recordPath.c_str()) != INVALID_FILE_ATTRIBUTES; },
                               15000);
        recorded = testsupport::ReadWholeFile(recordPath);
        EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ShellDialog, CDialog)
    ON_MESSAGE(WM_RUN, &ShellDialog::OnRun)
END_MESSAGE_MAP()

TEST(ShellIntegration, SchemeLessTargetStartsTheHtmHandlerWithTheTarget)
{
    ASSERT_TRUE(PrefixIsPrepared()) << "run through run-shell-test.sh, in its own prefix";
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string recordPath = std::string(temp) + "pyrolux-link-record.txt";
    DeleteFileA(recordPath.c_str());
    SetEnvironmentVariableA("PYROLUX_LINK_RECORD", recordPath.c_str());

    testsupport::DialogTemplate t("Shell", WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 160, 40);
    t.AddControl("STATIC", "example.com/pyrolux-link-test", WS_CHILD | WS_VISIBLE, 5, 5, 150, 10, IDC_LINK);
    ShellDialog dlg(t.get());
    dlg.recordPath = recordPath;
    ASSERT_EQ(dlg.DoModal(), IDOK);

    EXPECT_TRUE(dlg.visited);
    ASSERT_FALSE(dlg.recorded.empty()) << "the .htm handler was not started";
    // The registered command was "<recorder>" "%1" -extra: the quoted
    // placeholder and the switch after it are replaced by the target.
    const std::string suffix = "  example.com/pyrolux-link-test";
    ASSERT_GE(dlg.recorded.size(), suffix.size());
    EXPECT_EQ(dlg.recorded.substr(dlg.recorded.size() - suffix.size()), suffix) << dlg.recorded;
    EXPECT_NE(dlg.recorded.find("link_recorder.exe\""), std::string::npos) << dlg.recorded;
    EXPECT_EQ(dlg.recorded.find("-extra"), std::string::npos) << dlg.recorded;
    DeleteFileA(recordPath.c_str());
}

}  // namespace
