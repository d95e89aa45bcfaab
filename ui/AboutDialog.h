// AboutDialog: names the program, thanks the tester and offers two links,
// one to write to the author and one to the author's web page.
#pragma once

// The product's contact addresses, shared by the dialog template and the
// link targets. The web address has no scheme: it is shown and opened as is.
#define ABOUT_AUTHOR_LINE   "Copyright (C) Quillmark"
#define ABOUT_EMAIL         "pyrolux@example.com"
#define ABOUT_WEB_ADDRESS   "www.example.com/pyrolux"

#ifndef RC_INVOKED

#include "Afx.h"
#include "HyperlinkControl.h"

class AboutDialog : public CDialog {
public:
    AboutDialog();

    HyperlinkControl webLink;
    HyperlinkControl mailLink;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};

#endif
