// Opens a dialog with one of every flat-look kind in several states and saves
// a screenshot of it as a PNG, so the whole look can be seen at once.
//   flatlook_gallery [output.png]   (default: flatlook_gallery.png beside the program)
#include <windows.h>

#include <commctrl.h>
#include <cstdio>
#include <string>
#include <vector>

#include "FlatControl.h"
#include "FlatLookManager.h"
#include "FlatLookTestSupport.h"
#include "Screenshot.h"
#include "Win32TestSupport.h"

using namespace flatlook;
using testsupport::DialogTemplate;

namespace {

enum : WORD {
    IdHotButton = 100, IdDefault, IdDisabledDefault, IdPlain,
    IdCheck, IdChecked, IdIndeterminate, IdCheckDisabled, IdCheckHot, IdPushLike, IdLeftText,
    IdRadio, IdRadioChecked, IdRadioDisabled, IdRadioHot,
    IdEdit, IdFocusedEdit, IdReadOnly, IdEditDisabled, IdBuddyEdit, IdBuddy, IdLeftEdit,
    IdLeftBuddy,
    IdDropDown, IdDropList, IdComboDisabled, IdComboHot, IdSimple,
    IdList, IdTree, IdListView, IdHotKey, IdIp, IdPicker, IdPickerUpDown,
    IdHScroll, IdVScroll, IdScrollDisabled,
    IdTrackDown, IdTrackUp, IdTrackBoth, IdTrackLeft, IdTrackRight, IdTrackNoThumb, IdTrackHot,
    IdHeader, IdToolbar, IdTabTop, IdTabBottom,
};

void Label(DialogTemplate& t, const char* text, int x, int y)
{
    t.AddControl("Static", text, WS_VISIBLE, x, y, 80, 8, 0xFFFF);
}

void AddButtons(DialogTemplate& t)
{
    const DWORD v = WS_VISIBLE;
    Label(t, "Push buttons", 5, 3);
    t.AddControl("Button", "Hot", v, 5, 12, 50, 14, IdHotButton)
        .AddControl("Button", "Default", v | BS_DEFPUSHBUTTON, 60, 12, 50, 14, IdDefault)
        .AddControl("Button", "Def. off", v | BS_DEFPUSHBUTTON | WS_DISABLED, 115, 12, 50, 14,
                    IdDisabledDefault)
        .AddControl("Button", "Plain", v, 170, 12, 50, 14, IdPlain);
    Label(t, "Check boxes", 5, 30);
    t.AddControl("Button", "Off", v | BS_AUTOCHECKBOX, 5, 40, 40, 12, IdCheck)
        .AddControl("Button", "On", v | BS_AUTOCHECKBOX, 48, 40, 40, 12, IdChecked)
        .AddControl("Button", "Mixed", v | BS_AUTO3STATE, 91, 40, 45, 12, IdIndeterminate)
        .AddControl("Button", "Disabled", v | BS_AUTOCHECKBOX | WS_DISABLED, 139, 40, 50, 12,
                    IdCheckDisabled)
        .AddControl("Button", "Hot", v | BS_AUTOCHECKBOX, 192, 40, 35, 12, IdCheckHot)
        .AddControl("Button", "Push-like", v | BS_AUTOCHECKBOX | BS_PUSHLIKE, 230, 39, 50, 14,
                    IdPushLike)
        .AddControl("Button", "Left text", v | BS_AUTOCHECKBOX | BS_LEFTTEXT, 285, 40, 50, 12,
                    IdLeftText);
    Label(t, "Radio buttons", 5, 56);
    t.AddControl("Button", "Off", v | BS_RADIOBUTTON, 5, 66, 40, 12, IdRadio)
        .AddControl("Button", "On", v | BS_RADIOBUTTON, 48, 66, 40, 12, IdRadioChecked)
        .AddControl("Button", "Disabled", v | BS_RADIOBUTTON | WS_DISABLED, 91, 66, 50, 12,
                    IdRadioDisabled)
        .AddControl("Button", "Hot", v | BS_RADIOBUTTON, 144, 66, 40, 12, IdRadioHot);
}

void AddEditsAndCombos(DialogTemplate& t)
{
    const DWORD v = WS_VISIBLE, ce = WS_EX_CLIENTEDGE, tab = WS_TABSTOP;
    Label(t, "Edits", 5, 82);
    t.AddControl("Edit", "idle", v, 5, 92, 50, 12, IdEdit, ce)
        .AddControl("Edit", "focused", v | tab, 60, 92, 50, 12, IdFocusedEdit, ce)
        .AddControl("Edit", "read-only", v | ES_READONLY, 115, 92, 50, 12, IdReadOnly, ce)
        .AddControl("Edit", "disabled", v | WS_DISABLED, 170, 92, 50, 12, IdEditDisabled, ce)
        .AddControl("Edit", "5", v, 225, 92, 50, 12, IdBuddyEdit, ce)
        .AddControl("msctls_updown32", "", v | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_SETBUDDYINT,
                    0, 0, 10, 12, IdBuddy)
        .AddControl("Edit", "7", v, 290, 92, 50, 12, IdLeftEdit, ce)
        .AddControl("msctls_updown32", "", v | UDS_ALIGNLEFT | UDS_AUTOBUDDY | UDS_SETBUDDYINT,
                    0, 0, 10, 12, IdLeftBuddy);
    Label(t, "Combo boxes", 5, 108);
    t.AddControl("ComboBox", "", v | CBS_DROPDOWN, 5, 118, 60, 60, IdDropDown)
        .AddControl("ComboBox", "", v | CBS_DROPDOWNLIST, 70, 118, 60, 60, IdDropList)
        .AddControl("ComboBox", "", v | CBS_DROPDOWNLIST | WS_DISABLED, 135, 118, 60, 60,
                    IdComboDisabled)
        .AddControl("ComboBox", "", v | CBS_DROPDOWNLIST, 200, 118, 60, 60, IdComboHot)
        .AddControl("ComboBox", "", v | CBS_SIMPLE, 265, 110, 60, 40, IdSimple);
}

void AddListsAndSliders(DialogTemplate& t)
{
    const DWORD v = WS_VISIBLE, ce = WS_EX_CLIENTEDGE;
    Label(t, "Lists and pickers", 5, 136);
    t.AddControl("ListBox", "", v | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 5, 146, 55, 40, IdList,
                 ce)
        .AddControl("SysTreeView32", "", v | TVS_HASLINES, 65, 146, 55, 40, IdTree, ce)
        .AddControl("SysListView32", "", v | LVS_REPORT, 125, 146, 90, 40, IdListView, ce)
        .AddControl("msctls_hotkey32", "", v, 220, 146, 50, 12, IdHotKey, ce)
        .AddControl("SysIPAddress32", "", v, 275, 146, 75, 12, IdIp, ce)
        .AddControl("SysDateTimePick32", "", v, 220, 164, 65, 14, IdPicker, ce)
        .AddControl("SysDateTimePick32", "", v | DTS_UPDOWN, 290, 164, 65, 14, IdPickerUpDown,
                    ce);
    Label(t, "Scroll bars", 5, 190);
    t.AddControl("ScrollBar", "", v | SBS_HORZ, 5, 200, 100, 10, IdHScroll)
        .AddControl("ScrollBar", "", v | SBS_VERT, 110, 192, 10, 40, IdVScroll)
        .AddControl("ScrollBar", "", v | SBS_HORZ | WS_DISABLED, 5, 215, 100, 10,
                    IdScrollDisabled);
    Label(t, "Trackbars", 130, 190);
    t.AddControl("msctls_trackbar32", "", v | TBS_BOTTOM, 130, 200, 60, 18, IdTrackDown)
        .AddControl("msctls_trackbar32", "", v | TBS_TOP, 195, 200, 60, 18, IdTrackUp)
        .AddControl("msctls_trackbar32", "", v | TBS_BOTH, 260, 200, 60, 18, IdTrackBoth)
        .AddControl("msctls_trackbar32", "", v | TBS_NOTHUMB, 325, 200, 60, 18, IdTrackNoThumb)
        .AddControl("msctls_trackbar32", "", v | TBS_VERT | TBS_LEFT, 390, 150, 18, 60,
                    IdTrackLeft)
        .AddControl("msctls_trackbar32", "", v | TBS_VERT, 412, 150, 18, 60, IdTrackRight)
        .AddControl("msctls_trackbar32", "", v | TBS_BOTTOM, 130, 222, 60, 18, IdTrackHot);
}

void AddBars(DialogTemplate& t)
{
    const DWORD v = WS_VISIBLE;
    Label(t, "Header, toolbar, tabs", 5, 244);
    t.AddControl("SysHeader32", "", v | HDS_BUTTONS | HDS_HORZ, 5, 254, 150, 12, IdHeader)
        .AddControl("ToolbarWindow32", "", v | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                    5, 270, 150, 20, IdToolbar)
        .AddControl("SysTabControl32", "", v, 165, 244, 130, 80, IdTabTop)
        .AddControl("SysTabControl32", "", v | TCS_BOTTOM, 300, 244, 130, 80, IdTabBottom);
}

DialogTemplate BuildGallery()
{
    DialogTemplate t("Flat look gallery", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 440, 330);
    AddButtons(t);
    AddEditsAndCombos(t);
    AddListsAndSliders(t);
    AddBars(t);
    return t;
}

void Populate(HWND d)
{
    SendMessageA(d, DM_SETDEFID, IdDefault, 0);
    CheckDlgButton(d, IdChecked, BST_CHECKED);
    CheckDlgButton(d, IdIndeterminate, BST_INDETERMINATE);
    CheckDlgButton(d, IdRadioChecked, BST_CHECKED);
    CheckDlgButton(d, IdPushLike, BST_CHECKED);
    for (int id : {IdDropDown, IdDropList, IdComboDisabled, IdComboHot, IdSimple}) {
        SendDlgItemMessageA(d, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("item"));
        SendDlgItemMessageA(d, id, CB_SETCURSEL, 0, 0);
    }
    for (int i = 0; i < 10; ++i)
        SendDlgItemMessageA(d, IdList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("list item"));
    TVINSERTSTRUCTA node = {};
    node.hInsertAfter = TVI_LAST;
    node.item.mask = TVIF_TEXT;
    node.item.pszText = const_cast<char*>("tree");
    SendDlgItemMessageA(d, IdTree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&node));
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = 60;
        column.pszText = const_cast<char*>("Column");
        SendDlgItemMessageA(d, IdListView, LVM_INSERTCOLUMNA, i,
                            reinterpret_cast<LPARAM>(&column));
    }
    for (int id : {IdHScroll, IdVScroll, IdScrollDisabled}) {
        SCROLLINFO info = {sizeof info, SIF_ALL, 0, 99, 20, 30, 0};
        SendDlgItemMessageA(d, id, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&info));
    }
    HWND header = GetDlgItem(d, IdHeader);
    for (int i = 0; i < 2; ++i) {
        HDITEMA item = {};
        item.mask = HDI_WIDTH | HDI_TEXT;
        item.cxy = 80;
        item.pszText = const_cast<char*>("Header");
        SendMessageA(header, HDM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    HWND bar = GetDlgItem(d, IdToolbar);
    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON buttons[4] = {};
    buttons[0] = {I_IMAGENONE, 1, TBSTATE_ENABLED, TBSTYLE_BUTTON, {}, 0, 0};
    buttons[1] = {8, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {}, 0, 0};
    buttons[2] = {I_IMAGENONE, 2, TBSTATE_ENABLED | TBSTATE_CHECKED, TBSTYLE_CHECK, {}, 0, 0};
    buttons[3] = {I_IMAGENONE, 3, 0, TBSTYLE_BUTTON, {}, 0, 0};
    SendMessageA(bar, TB_ADDBUTTONSA, 4, reinterpret_cast<LPARAM>(buttons));
    for (int id : {IdTabTop, IdTabBottom}) {
        for (int i = 0; i < 3; ++i) {
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<char*>("Tab");
            SendDlgItemMessageA(d, id, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
        }
        SendDlgItemMessageA(d, id, TCM_SETCURSEL, 1, 0);
    }
}

std::string DefaultPath()
{
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path(module, n);
    size_t slash = path.find_last_of("\\/");
    return path.substr(0, slash + 1) + "flatlook_gallery.png";
}

void MarkHot(FlatLookManager* m, HWND d, int id)
{
    if (FlatControl* o = m->FindControl(GetDlgItem(d, id))) {
        o->SetStateFlag(StateHot, true);
        o->Refresh();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::string path = argc > 1 ? argv[1] : DefaultPath();
    flattest::InitCommonControlsOnce();
    FlatLookManager* m = GetFlatLookManager();
    m->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);

    DialogTemplate t = BuildGallery();
    flattest::TestDialog dialog(t.get());
    HWND d = dialog.get();
    if (!d) {
        std::fprintf(stderr, "the gallery dialog could not be created\n");
        return 1;
    }
    Populate(d);
    SetForegroundWindow(d);
    SetFocus(GetDlgItem(d, IdFocusedEdit));
    testsupport::PumpMessages(200);

    // The cursor makes one control hot (and the hover timer keeps it so);
    // a few more are marked hot by hand to show their hot look too.
    RECT hot;
    GetWindowRect(GetDlgItem(d, IdHotButton), &hot);
    SetCursorPos((hot.left + hot.right) / 2, (hot.top + hot.bottom) / 2);
    m->OnHoverTick();
    for (int id : {IdCheckHot, IdRadioHot, IdComboHot, IdTrackHot, IdHScroll})
        MarkHot(m, d, id);
    testsupport::PumpMessages(300);

    bool saved = testsupport::SaveWindowPng(d, path);
    std::printf("%u controls attached; screenshot %s: %s\n",
                static_cast<unsigned>(m->ControlCount()), saved ? "saved" : "NOT saved",
                path.c_str());
    dialog.Destroy();
    m->Uninstall(FlatLookManager::CurrentThread);
    return saved ? 0 : 1;
}
