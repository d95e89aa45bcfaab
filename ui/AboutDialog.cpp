#include "AboutDialog.h"

#include "resource.h"

AboutDialog::AboutDialog() : CDialog(IDD_ABOUTBOX, nullptr)
{
}

void AboutDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MAIL_LINK, mailLink);
    DDX_Control(pDX, IDC_WEB_LINK, webLink);
}

BOOL AboutDialog::OnInitDialog()
{
    CDialog::OnInitDialog();

    mailLink.SetLinkTarget("mailto:" ABOUT_EMAIL);
    mailLink.SetUnderlineMode(HyperlinkControl::UnderlineAlways);

    webLink.SetLinkTarget(ABOUT_WEB_ADDRESS);
    webLink.SetUnderlineMode(HyperlinkControl::UnderlineAlways);

    return TRUE;
}
