// Test support of the link tests: a system whose answers a test sets and
// whose calls it records, and a dialog with static items to bind links to.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Afx.h"
#include "HyperlinkControl.h"
#include "Win32TestSupport.h"

namespace linktest {

using testsupport::DialogTemplate;
using testsupport::PumpMessages;
using testsupport::PumpUntil;

// ---------------------------------------------------------------------------
// A system whose answers the test sets and whose calls it records.

struct FakeKey {
    LONG openResult = ERROR_SUCCESS;
    LONG queryResult = ERROR_SUCCESS;
    std::string value;
};

class FakeLinkSystem : public LinkSystem {
public:
    INT_PTR shellResult = SE_ERR_FNF;
    UINT execResult = 33;
    std::map<std::string, FakeKey> keys;  // under HKEY_CLASSES_ROOT

    std::vector<std::string> shellCalls;
    std::vector<int> shellShow;
    std::vector<std::string> opened;
    int closed = 0;
    std::vector<std::string> execCalls;
    std::vector<UINT> beeps;
    std::vector<std::pair<std::string, UINT>> messages;
    std::vector<std::string> sequence;     // beep/message order
    std::vector<std::string> comSequence;  // COM and shell calls in order
    // Old systems' answers: NT 4.0's shorter font description, no system
    // hand cursor (95, NT 4.0), no cursor in the help program, a display
    // driver's cursor size ({0, 0}: the system's own), a thread already in
    // another COM apartment.
    bool nt4FontLength = false;
    bool noFontDescription = false;
    bool systemHand = true;
    bool helpCursor = false;
    SIZE cursorSize = { 0, 0 };
    WindowDCSource windowDCs = nullptr;  // the system's when null
    HRESULT comResult = S_OK;
    int comInitialised = 0;  // initialisations not yet undone

    INT_PTR ShellOpen(const char* file, int nShowCmd) override
    {
        shellCalls.push_back(file);
        shellShow.push_back(nShowCmd);
        comSequence.push_back(comInitialised > 0 || comResult == RPC_E_CHANGED_MODE ? "shell with COM" : "shell");
        return shellResult;
    }
    LONG OpenKey(HKEY root, const char* subKey, HKEY* key) override
    {
        opened.push_back(subKey);
        auto it = keys.find(subKey);
        if (root != HKEY_CLASSES_ROOT || it == keys.end())
            return ERROR_FILE_NOT_FOUND;
        if (it->second.openResult != ERROR_SUCCESS)
            return it->second.openResult;
        *key = reinterpret_cast<HKEY>(&it->second);
        return ERROR_SUCCESS;
    }
    LONG QueryDefaultValue(HKEY key, char* buffer, LONG* size) override
    {
        FakeKey* fake = reinterpret_cast<FakeKey*>(key);
        if (fake->queryResult != ERROR_SUCCESS)
            return fake->queryResult;
        if (static_cast<LONG>(fake->value.size() + 1) > *size)
            return ERROR_MORE_DATA;
        memcpy(buffer, fake->value.c_str(), fake->value.size() + 1);
        *size = static_cast<LONG>(fake->value.size() + 1);
        return ERROR_SUCCESS;
    }
    void CloseKey(HKEY) override { ++closed; }
    UINT StartProgram(const char* commandLine, int) override
    {
        execCalls.push_back(commandLine);
        return execResult;
    }
    void Beep(UINT type) override
    {
        beeps.push_back(type);
        sequence.push_back("beep");
    }
    int ShowMessage(const char* text, UINT type) override
    {
        messages.emplace_back(text, type);
        sequence.push_back("message");
        return IDOK;
    }

    int DescribeFont(HFONT font, LOGFONTA* description) override
    {
        if (noFontDescription)
            return 0;
        const int length = LinkSystem::DescribeFont(font, description);
        if (!nt4FontLength || length == 0)
            return length;
        // NT 4.0: the used part only, the face name up to its NUL.
        const size_t used = offsetof(LOGFONTA, lfFaceName) + strlen(description->lfFaceName) + 1;
        memset(reinterpret_cast<char*>(description) + used, 0, sizeof *description - used);
        return static_cast<int>(used);
    }
    HCURSOR LoadCursorFrom(HMODULE module, const char* name) override
    {
        if (module ? !helpCursor : !systemHand)
            return nullptr;
        return LinkSystem::LoadCursorFrom(module, name);
    }
    SIZE CursorSize() override
    {
        if (cursorSize.cx || cursorSize.cy)
            return cursorSize;
        return LinkSystem::CursorSize();
    }
    WindowDCSource WindowDCs() override { return windowDCs ? windowDCs : LinkSystem::WindowDCs(); }
    HRESULT InitializeCom() override
    {
        comSequence.push_back("com init");
        if (SUCCEEDED(comResult))
            ++comInitialised;
        return comResult;
    }
    void UninitializeCom() override
    {
        comSequence.push_back("com uninit");
        --comInitialised;
    }

    void RegisterBrowser(const std::string& command)
    {
        keys[".htm"].value = "htmlfile";
        keys["htmlfile\\shell\\open\\command"].value = command;
    }
};

// ---------------------------------------------------------------------------
// Attached to dialog items

const int IDC_LEFT = 401;
const int IDC_CENTER = 402;
const int IDC_RIGHT = 403;
const int IDC_VCENTER = 404;
const int IDC_EMPTY = 405;
const int IDC_BORDER = 406;
const UINT WM_RUN_BODY = WM_APP + 20;

class LinkDialog : public CDialog {
public:
    explicit LinkDialog(const DLGTEMPLATE* t) : CDialog(t, nullptr) {}
    std::vector<std::pair<int, HyperlinkControl*>> bindings;
    std::function<void(LinkDialog&)> body;
    bool keepOpen = false;  // the body ends the dialog later itself

    void DoDataExchange(CDataExchange* pDX) override
    {
        for (auto& b : bindings)
            DDX_Control(pDX, b.first, *b.second);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        PostMessage(WM_RUN_BODY);
        return TRUE;
    }
    afx_msg LRESULT OnRunBody(WPARAM, LPARAM)
    {
        if (body)
            body(*this);
        if (!keepOpen)
            EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

DialogTemplate MakeTemplate();
// The items' rectangles in the template, before anything is bound.
std::map<int, RECT> TemplateRects(DialogTemplate& t);

// Window rectangle in the parent's client coordinates.
RECT RectInParent(HWND hWnd);

// Runs `body` inside a modal dialog with links bound to the given items.
void WithLinks(std::vector<std::pair<int, HyperlinkControl*>> bindings,
               std::function<void(LinkDialog&)> body);

}  // namespace linktest
