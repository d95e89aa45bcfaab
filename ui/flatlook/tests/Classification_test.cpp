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

// What ClassifyControl makes of a window: its class name, styles and, for
// an edit, the class and style of its parent.
struct KindCase {
    const char* name;
    DWORD style;
    DWORD exStyle;
    FlatKind kind;
    const char* note = "";
    const char* parent = "";
    DWORD parentStyle = 0;
};

const DWORD ce = WS_EX_CLIENTEDGE;

const KindCase kKindCases[] = {
    {"ComboBox", CBS_DROPDOWN, 0, FlatKind::ComboBox},
    {"combobox", CBS_DROPDOWNLIST, 0, FlatKind::ComboBox},
    {"ComboBox", CBS_SIMPLE, ce, FlatKind::None},
    {"Edit", 0, ce, FlatKind::Edit},
    {"Edit", WS_BORDER, 0, FlatKind::None},
    {"Edit", 0, 0, FlatKind::ComboEdit, "", "ComboBox", CBS_SIMPLE},
    {"Edit", 0, ce, FlatKind::Edit, "", "ComboBox", CBS_DROPDOWN},
    {"Edit", 0, 0, FlatKind::None, "", "ComboBox", CBS_DROPDOWN},
    {"RichEdit20A", 0, ce, FlatKind::None, "only the wide class is listed"},
    {"SysListView32", LVS_REPORT, ce, FlatKind::Generic},
    {"SysListView32", LVS_REPORT, 0, FlatKind::None},
    {"SHELLDLL_DefView", 0, ce, FlatKind::None},
    {"SysDateTimePick32", 0, ce, FlatKind::DateTime},
    {"SysDateTimePick32", DTS_UPDOWN, 0, FlatKind::None},
    {"SysMonthCal32", 0, 0, FlatKind::Generic},
    {"msctls_updown32", 0, 0, FlatKind::UpDown},
    {"ScrollBar", SBS_VERT, 0, FlatKind::ScrollBar},
    {"scrollbar", SBS_HORZ, 0, FlatKind::ScrollBar},
    {"ScrollBar", SBS_SIZEBOX, 0, FlatKind::None},
    {"ScrollBar", SBS_SIZEGRIP, 0, FlatKind::None},
    {"ComboBoxEx32", 0, ce, FlatKind::None},
    {"SysIPAddress32", 0, ce, FlatKind::IPAddress},
    {"SysIPAddress32", 0, 0, FlatKind::None},
    {"msctls_trackbar32", TBS_VERT, 0, FlatKind::Trackbar},
    {"SysHeader32", HDS_BUTTONS, 0, FlatKind::Header},
    {"SysHeader32", HDS_HORZ, ce, FlatKind::None},
    {"ToolbarWindow32", CCS_TOP, 0, FlatKind::Toolbar},
    {"ToolbarWindow32", TBSTYLE_FLAT, 0, FlatKind::None},
    {"SysTabControl32", TCS_BUTTONS, 0, FlatKind::Tab},
    {"Static", 0, ce, FlatKind::None},
    {"#32770", WS_CHILD, ce, FlatKind::None},
};

// Classes drawn flat only when they have a client edge.
const char* const kGenericWithAnEdge[] = {"ListBox",         "SysTreeView32", "ComboLBox",
                                          "msctls_hotkey32", "RichEdit",      "RichEdit20W"};

TEST(ClassifyControl, KindsOfTheTable)
{
    for (const KindCase& c : kKindCases)
        EXPECT_EQ(c.kind,
                  ClassifyControl(c.name, c.style, c.exStyle, c.parent, c.parentStyle).kind)
            << c.name << " style 0x" << std::hex << c.style << " ex 0x" << c.exStyle << " in '"
            << c.parent << "' " << c.note;
    for (const char* name : kGenericWithAnEdge) {
        EXPECT_EQ(FlatKind::Generic, ClassifyControl(name, 0, ce, "", 0).kind) << name;
        EXPECT_EQ(FlatKind::None, ClassifyControl(name, WS_BORDER, 0, "", 0).kind) << name;
    }
}

// Which children of a control get the look, and when.
struct ChildCase {
    const char* name;
    DWORD style;
    DWORD exStyle;
    ChildRule children;
    const char* note = "";
};

const ChildCase kChildCases[] = {
    {"ComboBox", CBS_SIMPLE, ce, ChildRule::AllChildrenInstead},
    {"SysListView32", LVS_REPORT, ce, ChildRule::FirstChildBefore},
    {"SHELLDLL_DefView", 0, ce, ChildRule::FirstChildInstead},
    {"SysDateTimePick32", 0, ce, ChildRule::None},
    {"SysDateTimePick32", DTS_UPDOWN, ce, ChildRule::FirstChildBefore},
    {"ComboBoxEx32", 0, ce, ChildRule::FirstChildInstead},
    {"ToolbarWindow32", CCS_TOP, 0, ChildRule::AllChildrenBefore},
    {"ToolbarWindow32", TBSTYLE_FLAT, 0, ChildRule::None,
     "a flat toolbar's children are left alone"},
    {"SysTabControl32", TCS_BUTTONS, 0, ChildRule::FirstChildBefore},
};

TEST(ClassifyControl, ChildRulesOfTheTable)
{
    for (const ChildCase& c : kChildCases)
        EXPECT_EQ(c.children, ClassifyControl(c.name, c.style, c.exStyle, "", 0).children)
            << c.name << " style 0x" << std::hex << c.style << " " << c.note;
}

// One real control of every class, in a dialog initialised under the hook.
// Controls listed without a client edge get one from the dialog when it
// gives WS_BORDER controls one, or take one themselves: then `withEdge`.
struct Item {
    const char* cls;
    DWORD style;
    DWORD ex;
    FlatKind kind;
    bool withoutEdge = false;
    FlatKind withEdge = FlatKind::None;
};

const Item kItems[] = {
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
const int kItemCount = sizeof kItems / sizeof kItems[0];
const WORD kFirstId = 100;

class RealControls : public flattest::FlatLook {
protected:
    bool Subclassed(HWND w) const
    {
        return GetWindowLongPtrA(w, GWLP_WNDPROC) ==
               reinterpret_cast<LONG_PTR>(FlatLookManager::ControlWindowProc);
    }
    FlatKind Kind(HWND w) const
    {
        FlatKind k = KindOf(m->FindControl(w));
        EXPECT_EQ(k != FlatKind::None, Subclassed(w)) << "kind " << KindName(k);
        return k;
    }
    // A dialog with every control of kItems, six to a row.
    static DialogTemplate EveryClass()
    {
        DialogTemplate t("classes", WS_POPUP | WS_CAPTION, 0, 0, 400, 300);
        for (int i = 0; i < kItemCount; ++i)
            t.AddControl(kItems[i].cls, "x", WS_VISIBLE | kItems[i].style, 5 + (i % 6) * 64,
                         5 + (i / 6) * 36, 60, 30, static_cast<WORD>(kFirstId + i), kItems[i].ex);
        return t;
    }
    // The dialog's control made from the first row of kItems with these
    // class and styles.
    static HWND ControlOf(const flattest::TestDialog& dialog, const char* cls, DWORD style,
                          DWORD ex = 0)
    {
        for (int i = 0; i < kItemCount; ++i)
            if (lstrcmpA(kItems[i].cls, cls) == 0 && kItems[i].style == style &&
                kItems[i].ex == ex)
                return dialog.Item(kFirstId + i);
        ADD_FAILURE() << cls << " style 0x" << std::hex << style << " is not in the table";
        return nullptr;
    }
};

TEST_F(RealControls, EveryClassAttachedOrLeftAloneAsTheTableSays)
{
    DialogTemplate t = EveryClass();
    flattest::TestDialog dialog(t.get());
    ASSERT_NE(nullptr, dialog.get());
    EXPECT_NE(nullptr, m->FindDialog(dialog.get()));

    for (int i = 0; i < kItemCount; ++i) {
        HWND w = dialog.Item(kFirstId + i);
        ASSERT_NE(nullptr, w) << kItems[i].cls << " " << i;
        FlatKind expected = kItems[i].kind;
        if (kItems[i].withoutEdge && (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
            expected = kItems[i].withEdge;
        EXPECT_EQ(expected, Kind(w))
            << kItems[i].cls << " style 0x" << std::hex << kItems[i].style;
    }

    size_t attached = m->ControlCount();
    dialog.Destroy();
    EXPECT_GT(attached, 30u);
    EXPECT_EQ(0u, m->ControlCount()) << "every object goes with its window";
    EXPECT_EQ(0u, m->DialogCount());
}

// The simple combo box's edit and list, the up-down of a DTS_UPDOWN picker,
// the combo inside ComboBoxEx32, the list view header.
TEST_F(RealControls, ChildrenAttachedOrLeftAloneAsTheirParentsSay)
{
    DialogTemplate t = EveryClass();
    flattest::TestDialog dialog(t.get());
    ASSERT_NE(nullptr, dialog.get());

    HWND simple = ControlOf(dialog, "ComboBox", CBS_SIMPLE);
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
    HWND dropDown = ControlOf(dialog, "ComboBox", CBS_DROPDOWN | WS_VSCROLL);
    for (HWND c = GetTopWindow(dropDown); c; c = GetWindow(c, GW_HWNDNEXT))
        EXPECT_EQ(FlatKind::None, Kind(c)) << "children of a drop-down combo stay alone";

    HWND upDownPicker = ControlOf(dialog, "SysDateTimePick32", DTS_UPDOWN, ce);
    HWND pickerUpDown = GetTopWindow(upDownPicker);
    ASSERT_NE(nullptr, pickerUpDown);
    EXPECT_EQ(FlatKind::UpDown, Kind(pickerUpDown));
    if (HWND plainPickerChild = GetTopWindow(ControlOf(dialog, "SysDateTimePick32", 0, ce))) {
        EXPECT_EQ(FlatKind::None, Kind(plainPickerChild));
    }

    HWND comboExChild = GetTopWindow(ControlOf(dialog, "ComboBoxEx32", CBS_DROPDOWN));
    ASSERT_NE(nullptr, comboExChild);
    EXPECT_EQ(FlatKind::ComboBox, Kind(comboExChild));

    HWND header = GetTopWindow(ControlOf(dialog, "SysListView32", LVS_REPORT, ce));
    if (header && (GetWindowLongA(header, GWL_STYLE) & HDS_BUTTONS)) {
        EXPECT_EQ(FlatKind::Header, Kind(header));
    }
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
    LONG_PTR original = GetWindowLongPtrA(list, GWLP_WNDPROC);
    EXPECT_FALSE(m->AttachControl(nullptr));
    EXPECT_TRUE(m->AttachControl(list));
    EXPECT_FALSE(m->AttachControl(list));
    EXPECT_EQ(1u, m->ControlCount());
    EXPECT_TRUE(Subclassed(list));
    EXPECT_EQ(original, reinterpret_cast<LONG_PTR>(m->FindControl(list)->PreviousProcedure()));
    EXPECT_TRUE(m->DetachControl(list));
    EXPECT_FALSE(m->DetachControl(list));
    EXPECT_EQ(original, GetWindowLongPtrA(list, GWLP_WNDPROC));
    EXPECT_EQ(0u, m->ControlCount());
    DestroyWindow(host);
}

}  // namespace
