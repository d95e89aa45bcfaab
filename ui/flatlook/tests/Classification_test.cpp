// The classification table, as pure rules and on real controls of a dialog.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "Classification.h"
#include "FlatLookFixture.h"
#include "FlatLookManager.h"
#include "FlatLookTestSupport.h"
#include "Win32TestSupport.h"

using namespace flatlook;
using flattest::KindOf;
using testsupport::DialogTemplate;

namespace {

TEST(ClassifyButton, EveryButtonType)
{
    struct {
        DWORD style;
        FlatKind kind;
    } cases[] = {
        {BS_PUSHBUTTON, FlatKind::PushButton},   {BS_DEFPUSHBUTTON, FlatKind::PushButton},
        {BS_USERBUTTON, FlatKind::PushButton},   {BS_CHECKBOX, FlatKind::CheckBox},
        {BS_AUTOCHECKBOX, FlatKind::CheckBox},   {BS_3STATE, FlatKind::CheckBox},
        {BS_AUTO3STATE, FlatKind::CheckBox},     {BS_PUSHBOX, FlatKind::CheckBox},
        {BS_RADIOBUTTON, FlatKind::RadioButton}, {BS_AUTORADIOBUTTON, FlatKind::RadioButton},
        {BS_GROUPBOX, FlatKind::None},           {BS_OWNERDRAW, FlatKind::None},
        {BS_PUSHBUTTON | BS_FLAT, FlatKind::None}, {BS_AUTOCHECKBOX | BS_FLAT, FlatKind::None},
        {BS_AUTORADIOBUTTON | BS_FLAT, FlatKind::None},
        {BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_LEFTTEXT, FlatKind::CheckBox},
        {BS_RADIOBUTTON | WS_TABSTOP | BS_CENTER, FlatKind::RadioButton},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.kind, ClassifyButton(c.style)) << "style 0x" << std::hex << c.style;
}

TEST(ClassifyControl, ConditionsOfTheTable)
{
    const DWORD ce = WS_EX_CLIENTEDGE;
    auto kind = [](const char* name, DWORD style, DWORD exStyle) {
        return ClassifyControl(name, style, exStyle, "", 0).kind;
    };
    EXPECT_EQ(FlatKind::ComboBox, kind("ComboBox", CBS_DROPDOWN, 0));
    EXPECT_EQ(FlatKind::ComboBox, kind("combobox", CBS_DROPDOWNLIST, 0));
    Classification simple = ClassifyControl("ComboBox", CBS_SIMPLE, ce, "", 0);
    EXPECT_EQ(FlatKind::None, simple.kind);
    EXPECT_EQ(ChildRule::AllChildrenInstead, simple.children);

    EXPECT_EQ(FlatKind::Edit, kind("Edit", 0, ce));
    EXPECT_EQ(FlatKind::None, kind("Edit", WS_BORDER, 0));
    EXPECT_EQ(FlatKind::ComboEdit,
              ClassifyControl("Edit", 0, 0, "ComboBox", CBS_SIMPLE).kind);
    EXPECT_EQ(FlatKind::Edit,
              ClassifyControl("Edit", 0, ce, "ComboBox", CBS_DROPDOWN).kind);
    EXPECT_EQ(FlatKind::None,
              ClassifyControl("Edit", 0, 0, "ComboBox", CBS_DROPDOWN).kind);

    for (const char* name : {"ListBox", "SysTreeView32", "ComboLBox", "msctls_hotkey32",
                             "RichEdit", "RichEdit20W"}) {
        EXPECT_EQ(FlatKind::Generic, kind(name, 0, ce)) << name;
        EXPECT_EQ(FlatKind::None, kind(name, WS_BORDER, 0)) << name;
    }
    EXPECT_EQ(FlatKind::None, kind("RichEdit20A", 0, ce)) << "only the wide class is listed";

    Classification listView = ClassifyControl("SysListView32", LVS_REPORT, ce, "", 0);
    EXPECT_EQ(FlatKind::Generic, listView.kind);
    EXPECT_EQ(ChildRule::FirstChildBefore, listView.children);
    EXPECT_EQ(FlatKind::None, kind("SysListView32", LVS_REPORT, 0));

    Classification shellView = ClassifyControl("SHELLDLL_DefView", 0, ce, "", 0);
    EXPECT_EQ(FlatKind::None, shellView.kind);
    EXPECT_EQ(ChildRule::FirstChildInstead, shellView.children);

    EXPECT_EQ(FlatKind::DateTime, kind("SysDateTimePick32", 0, ce));
    EXPECT_EQ(ChildRule::None, ClassifyControl("SysDateTimePick32", 0, ce, "", 0).children);
    EXPECT_EQ(ChildRule::FirstChildBefore,
              ClassifyControl("SysDateTimePick32", DTS_UPDOWN, ce, "", 0).children);
    EXPECT_EQ(FlatKind::None, kind("SysDateTimePick32", DTS_UPDOWN, 0));

    EXPECT_EQ(FlatKind::Generic, kind("SysMonthCal32", 0, 0));
    EXPECT_EQ(FlatKind::UpDown, kind("msctls_updown32", 0, 0));
    EXPECT_EQ(FlatKind::ScrollBar, kind("ScrollBar", SBS_VERT, 0));
    EXPECT_EQ(FlatKind::ScrollBar, kind("scrollbar", SBS_HORZ, 0));
    EXPECT_EQ(FlatKind::None, kind("ScrollBar", SBS_SIZEBOX, 0));
    EXPECT_EQ(FlatKind::None, kind("ScrollBar", SBS_SIZEGRIP, 0));

    Classification comboEx = ClassifyControl("ComboBoxEx32", 0, ce, "", 0);
    EXPECT_EQ(FlatKind::None, comboEx.kind);
    EXPECT_EQ(ChildRule::FirstChildInstead, comboEx.children);

    EXPECT_EQ(FlatKind::IPAddress, kind("SysIPAddress32", 0, ce));
    EXPECT_EQ(FlatKind::None, kind("SysIPAddress32", 0, 0));
    EXPECT_EQ(FlatKind::Trackbar, kind("msctls_trackbar32", TBS_VERT, 0));
    EXPECT_EQ(FlatKind::Header, kind("SysHeader32", HDS_BUTTONS, 0));
    EXPECT_EQ(FlatKind::None, kind("SysHeader32", HDS_HORZ, ce));

    Classification toolbar = ClassifyControl("ToolbarWindow32", CCS_TOP, 0, "", 0);
    EXPECT_EQ(FlatKind::Toolbar, toolbar.kind);
    EXPECT_EQ(ChildRule::AllChildrenBefore, toolbar.children);
    Classification flatBar = ClassifyControl("ToolbarWindow32", TBSTYLE_FLAT, 0, "", 0);
    EXPECT_EQ(FlatKind::None, flatBar.kind);
    EXPECT_EQ(ChildRule::None, flatBar.children) << "a flat toolbar's children are left alone";

    Classification tab = ClassifyControl("SysTabControl32", TCS_BUTTONS, 0, "", 0);
    EXPECT_EQ(FlatKind::Tab, tab.kind);
    EXPECT_EQ(ChildRule::FirstChildBefore, tab.children);

    EXPECT_EQ(FlatKind::None, kind("Static", 0, ce));
    EXPECT_EQ(FlatKind::None, kind("#32770", WS_CHILD, ce));
}

// One real control of every class, in a dialog initialised under the hook.
class RealControls : public flattest::FlatLook {
protected:
    bool Subclassed(HWND w) const
    {
        return GetWindowLongA(w, GWL_WNDPROC) ==
               reinterpret_cast<LONG>(FlatLookManager::ControlWindowProc);
    }
    FlatKind Kind(HWND w) const
    {
        FlatKind k = KindOf(m->FindControl(w));
        EXPECT_EQ(k != FlatKind::None, Subclassed(w)) << "kind " << KindName(k);
        return k;
    }
};

TEST_F(RealControls, EveryClassAttachedOrLeftAloneAsTheTableSays)
{
    const DWORD v = WS_VISIBLE, ce = WS_EX_CLIENTEDGE;
    DialogTemplate t("classes", WS_POPUP | WS_CAPTION, 0, 0, 400, 300);
    struct Item {
        const char* cls;
        DWORD style;
        DWORD ex;
        FlatKind kind;
        bool withoutEdge = false;
        FlatKind withEdge = FlatKind::None;
    };
    const Item items[] = {
        {"Button", BS_PUSHBUTTON, 0, FlatKind::PushButton},
        {"Button", BS_DEFPUSHBUTTON, 0, FlatKind::PushButton},
        {"Button", BS_USERBUTTON, 0, FlatKind::PushButton},
        {"Button", BS_CHECKBOX, 0, FlatKind::CheckBox},
        {"Button", BS_AUTOCHECKBOX, 0, FlatKind::CheckBox},
        {"Button", BS_3STATE, 0, FlatKind::CheckBox},
        {"Button", BS_AUTO3STATE, 0, FlatKind::CheckBox},
        {"Button", BS_PUSHBOX, 0, FlatKind::CheckBox},
        {"Button", BS_RADIOBUTTON, 0, FlatKind::RadioButton},
        {"Button", BS_AUTORADIOBUTTON, 0, FlatKind::RadioButton},
        {"Button", BS_GROUPBOX, 0, FlatKind::None},
        {"Button", BS_OWNERDRAW, 0, FlatKind::None},
        {"Button", BS_PUSHBUTTON | BS_FLAT, 0, FlatKind::None},
        {"ComboBox", CBS_DROPDOWN | WS_VSCROLL, 0, FlatKind::ComboBox},
        {"ComboBox", CBS_DROPDOWNLIST, 0, FlatKind::ComboBox},
        {"ComboBox", CBS_SIMPLE, 0, FlatKind::None},
        {"Edit", ES_AUTOHSCROLL, ce, FlatKind::Edit},
        {"Edit", 0, 0, FlatKind::None, true, FlatKind::Edit},
        {"ListBox", WS_VSCROLL, ce, FlatKind::Generic},
        {"ListBox", 0, 0, FlatKind::None, true, FlatKind::Generic},
        {"SysListView32", LVS_REPORT, ce, FlatKind::Generic},
        {"SysTreeView32", 0, ce, FlatKind::Generic},
        {"SysTreeView32", 0, 0, FlatKind::None, true, FlatKind::Generic},
        {"SysDateTimePick32", 0, ce, FlatKind::DateTime},
        {"SysDateTimePick32", DTS_UPDOWN, ce, FlatKind::DateTime},
        {"SysDateTimePick32", 0, 0, FlatKind::None, true, FlatKind::DateTime},
        {"SysMonthCal32", 0, 0, FlatKind::Generic},
        {"msctls_updown32", 0, 0, FlatKind::UpDown},
        {"ScrollBar", SBS_HORZ, 0, FlatKind::ScrollBar},
        {"ScrollBar", SBS_SIZEGRIP, 0, FlatKind::None},
        {"ScrollBar", SBS_SIZEBOX, 0, FlatKind::None},
        {"ComboBoxEx32", CBS_DROPDOWN, 0, FlatKind::None},
        {"msctls_hotkey32", 0, ce, FlatKind::Generic},
        {"SysIPAddress32", 0, ce, FlatKind::IPAddress},
        {"SysIPAddress32", 0, 0, FlatKind::None, true, FlatKind::IPAddress},
        {"msctls_trackbar32", 0, 0, FlatKind::Trackbar},
        {"SysHeader32", HDS_BUTTONS, 0, FlatKind::Header},
        {"SysHeader32", HDS_HORZ, 0, FlatKind::None},
        {"ToolbarWindow32", CCS_NORESIZE | CCS_NOPARENTALIGN, 0, FlatKind::Toolbar},
        {"ToolbarWindow32", CCS_NORESIZE | CCS_NOPARENTALIGN | TBSTYLE_FLAT, 0, FlatKind::None},
        {"SysTabControl32", 0, 0, FlatKind::Tab},
        {"Static", SS_LEFT, ce, FlatKind::None},
    };
    const int count = sizeof items / sizeof items[0];
    for (int i = 0; i < count; ++i)
        t.AddControl(items[i].cls, "x", v | items[i].style, 5 + (i % 6) * 64, 5 + (i / 6) * 36,
                     60, 30, static_cast<WORD>(100 + i), items[i].ex);
    flattest::TestDialog dialog(t.get());
    ASSERT_NE(nullptr, dialog.get());
    EXPECT_NE(nullptr, m->FindDialog(dialog.get()));

    for (int i = 0; i < count; ++i) {
        HWND w = dialog.Item(100 + i);
        ASSERT_NE(nullptr, w) << items[i].cls << " " << i;
        FlatKind expected = items[i].kind;
        // Dialogs give WS_BORDER controls a client edge, and some controls
        // take one themselves: items listed without it follow the window.
        if (items[i].withoutEdge && (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
            expected = items[i].withEdge;
        EXPECT_EQ(expected, Kind(w))
            << items[i].cls << " style 0x" << std::hex << items[i].style;
    }

    // Children: the simple combo box's edit and list, the up-down of a
    // DTS_UPDOWN picker, the combo inside ComboBoxEx32, the list view header.
    HWND simple = dialog.Item(100 + 15);
    for (HWND c = GetTopWindow(simple); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char name[64];
        GetClassNameA(c, name, sizeof name);
        if (lstrcmpiA(name, "Edit") == 0) {
            EXPECT_EQ(FlatKind::ComboEdit, Kind(c));
        } else if (lstrcmpiA(name, "ComboLBox") == 0) {
            EXPECT_EQ((GetWindowLongA(c, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ? FlatKind::Generic
                                                                         : FlatKind::None,
                      Kind(c));
        }
    }
    HWND dropDown = dialog.Item(100 + 13);
    for (HWND c = GetTopWindow(dropDown); c; c = GetWindow(c, GW_HWNDNEXT))
        EXPECT_EQ(FlatKind::None, Kind(c)) << "children of a drop-down combo stay alone";

    HWND upDownPicker = dialog.Item(100 + 24);
    HWND pickerUpDown = GetTopWindow(upDownPicker);
    ASSERT_NE(nullptr, pickerUpDown);
    EXPECT_EQ(FlatKind::UpDown, Kind(pickerUpDown));
    if (HWND plainPickerChild = GetTopWindow(dialog.Item(100 + 23))) {
        EXPECT_EQ(FlatKind::None, Kind(plainPickerChild));
    }

    HWND comboEx = dialog.Item(100 + 31);
    HWND comboExChild = GetTopWindow(comboEx);
    ASSERT_NE(nullptr, comboExChild);
    EXPECT_EQ(FlatKind::ComboBox, Kind(comboExChild));

    HWND listView = dialog.Item(100 + 20);
    HWND header = GetTopWindow(listView);
    if (header && (GetWindowLongA(header, GWL_STYLE) & HDS_BUTTONS)) {
        EXPECT_EQ(FlatKind::Header, Kind(header));
    }

    size_t attached = m->ControlCount();
    dialog.Destroy();
    EXPECT_GT(attached, 30u);
    EXPECT_EQ(0u, m->ControlCount()) << "every object goes with its window";
    EXPECT_EQ(0u, m->DialogCount());
}

TEST_F(RealControls, ToolbarChildrenFollowTheToolbar)
{
    HWND host = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                                nullptr, nullptr);
    for (DWORD flat : {0ul, static_cast<unsigned long>(TBSTYLE_FLAT)}) {
        HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | CCS_NORESIZE | flat, 0,
                                   0, 300, 40, host, nullptr, nullptr, nullptr);
        HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD, 100, 5, 80, 20,
                                    bar, nullptr, nullptr, nullptr);
        bool attached = m->AttachControl(bar);
        EXPECT_EQ(flat == 0, attached);
        EXPECT_EQ(flat == 0 ? FlatKind::Edit : FlatKind::None, Kind(edit));
        DestroyWindow(bar);
    }
    DestroyWindow(host);
}

TEST_F(RealControls, AttachingTwiceAndDetachingRestoreTheProcedure)
{
    HWND host = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                                nullptr, nullptr);
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, "ListBox", "", WS_CHILD, 0, 0, 100, 60, host,
                                nullptr, nullptr, nullptr);
    LONG original = GetWindowLongA(list, GWL_WNDPROC);
    EXPECT_FALSE(m->AttachControl(nullptr));
    EXPECT_TRUE(m->AttachControl(list));
    EXPECT_FALSE(m->AttachControl(list));
    EXPECT_EQ(1u, m->ControlCount());
    EXPECT_TRUE(Subclassed(list));
    EXPECT_EQ(original, reinterpret_cast<LONG>(m->FindControl(list)->PreviousProcedure()));
    EXPECT_TRUE(m->DetachControl(list));
    EXPECT_FALSE(m->DetachControl(list));
    EXPECT_EQ(original, GetWindowLongA(list, GWL_WNDPROC));
    EXPECT_EQ(0u, m->ControlCount());
    DestroyWindow(host);
}

}  // namespace
