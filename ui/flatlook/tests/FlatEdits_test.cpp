// Edits with and without up-down buddies, combo boxes, date-time pickers and
// up-down controls, in a visible dialog under Xvfb.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <map>

#include "FlatEdits.h"
#include "FlatLookManager.h"
#include "FlatLookTestSupport.h"
#include "NoWindowDC.h"
#include "RingCheck.h"
#include "SysColours.h"
#include "Win32TestSupport.h"

using namespace flatlook;
using flattest::RingIs;
using flattest::Untouched;
using flattest::WindowPixel;
using testsupport::MemoryDib;
using testsupport::PumpMessages;

namespace {

using namespace testsupport::syscolours;

TEST(UpDownArrowBoxes, HalvesWithTheOddPixelBetween)
{
    RECT first, second;
    UpDownArrowBoxes({0, 2, 16, 21}, false, &first, &second);  // 19 high
    EXPECT_EQ(2, first.top);
    EXPECT_EQ(11, first.bottom);
    EXPECT_EQ(12, second.top) << "the odd pixel row stays between the boxes";
    EXPECT_EQ(21, second.bottom);
    EXPECT_EQ(16, second.right);
    UpDownArrowBoxes({0, 0, 30, 16}, true, &first, &second);  // even width
    EXPECT_EQ(15, first.right);
    EXPECT_EQ(15, second.left);
    EXPECT_EQ(16, first.bottom);
}

TEST(DropButton, BoxGeometryAndDisabledLook)
{
    RECT box = DropButtonBox({0, 0, 100, 24}, 16);
    EXPECT_EQ(82, box.left);
    EXPECT_EQ(2, box.top);
    EXPECT_EQ(98, box.right);
    EXPECT_EQ(22, box.bottom);
    MemoryDib disabled(100, 24);
    DrawDropButton(disabled.dc(), box, false, true);
    EXPECT_TRUE(RingIs(disabled, box, FACE, FACE));
    EXPECT_TRUE(RingIs(disabled, flattest::Shrunk(box, 1), FACE, FACE));
    MemoryDib hot(100, 24);
    DrawDropButton(hot.dc(), box, true, true);
    EXPECT_TRUE(RingIs(hot, box, FACE, DKSHADOW));
    EXPECT_TRUE(RingIs(hot, flattest::Shrunk(box, 1), HIGHLIGHT, SHADOW));
}

enum {
    IdEdit = 1, IdUpDown, IdEdit2, IdUpDownLoose, IdReadOnly, IdCombo, IdSimple, IdPickerUpDown,
    IdPicker, IdEditLeft, IdUpDownLeft, IdLabel
};

class Edits : public ::testing::Test {
protected:
    void SetUp() override
    {
        flattest::InitCommonControlsOnce();
        m = GetFlatLookManager();
        m->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);
        const DWORD v = WS_VISIBLE, ce = WS_EX_CLIENTEDGE;
        testsupport::DialogTemplate t("edits", WS_POPUP | WS_VISIBLE, flattest::CornerX - 10,
                                      flattest::CornerY, 260, 160);
        t.AddControl("Edit", "1", v | WS_TABSTOP, 5, 5, 60, 12, IdEdit, ce)
            .AddControl("msctls_updown32", "", v | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_SETBUDDYINT,
                        0, 0, 10, 12, IdUpDown)
            .AddControl("Edit", "2", v, 5, 25, 60, 12, IdEdit2, ce)
            .AddControl("msctls_updown32", "", v | UDS_AUTOBUDDY, 70, 25, 10, 12, IdUpDownLoose)
            .AddControl("Edit", "read only", v | ES_READONLY, 5, 45, 60, 12, IdReadOnly, ce)
            .AddControl("ComboBox", "", v | CBS_DROPDOWNLIST, 5, 65, 60, 60, IdCombo)
            .AddControl("ComboBox", "", v | CBS_SIMPLE, 100, 5, 60, 50, IdSimple)
            .AddControl("SysDateTimePick32", "", v | DTS_UPDOWN, 100, 65, 70, 14, IdPickerUpDown,
                        ce)
            .AddControl("SysDateTimePick32", "", v, 100, 85, 70, 14, IdPicker, ce)
            .AddControl("Edit", "3", v, 5, 100, 60, 12, IdEditLeft, ce)
            .AddControl("msctls_updown32", "", v | UDS_ALIGNLEFT | UDS_AUTOBUDDY, 0, 0, 10, 12,
                        IdUpDownLeft)
            .AddControl("Static", "label", v, 200, 140, 40, 10, IdLabel);
        m_dialog = CreateDialogIndirectParamA(nullptr, t.get(), nullptr,
                                              flattest::PlainDialogProc, 0);
        ASSERT_NE(nullptr, m_dialog);
        // No attached control focused.
        ASSERT_TRUE(flattest::TakeFocus(m_dialog, GetDlgItem(m_dialog, IdLabel)));
        Away();
        PumpMessages(100);
    }
    void TearDown() override
    {
        DestroyWindow(m_dialog);
        m->Uninstall(FlatLookManager::CurrentThread);
    }
    HWND Item(int id) const { return GetDlgItem(m_dialog, id); }
    FlatControl* Object(int id) const { return m->FindControl(Item(id)); }
    static SIZE SizeOf(HWND w)
    {
        RECT r;
        GetWindowRect(w, &r);
        return {r.right - r.left, r.bottom - r.top};
    }
    void Away()
    {
        flattest::ParkCursor();
        m->OnHoverTick();
    }
    void Over(HWND w)
    {
        RECT r;
        GetWindowRect(w, &r);
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        m->OnHoverTick();
    }
    FlatLookManager* m = nullptr;
    HWND m_dialog = nullptr;
};

TEST_F(Edits, EditFrameOpensTowardAnAlignedBuddy)
{
    HWND edit = Item(IdEdit), upDown = Item(IdUpDown);
    ASSERT_EQ(edit, reinterpret_cast<HWND>(SendMessageA(upDown, UDM_GETBUDDY, 0, 0)));
    ASSERT_EQ(FlatKind::UpDown, flattest::KindOf(Object(IdUpDown)));
    SIZE e = SizeOf(edit);
    Object(IdEdit)->Refresh();
    Object(IdEdit2)->Refresh();
    // The top row runs on to the window's right edge: the right side of the
    // frame lies beyond it, on the up-down's side.
    EXPECT_EQ(SHADOW, WindowPixel(edit, e.cx - 1, 0));
    EXPECT_EQ(HIGHLIGHT, WindowPixel(edit, e.cx - 2, 1)) << "idle small inner ring";
    EXPECT_EQ(HIGHLIGHT, WindowPixel(upDown, 1, 1)) << "the line carried on over the up-down";
    EXPECT_EQ(LIGHT, WindowPixel(upDown, 1, SizeOf(upDown).cy - 2));

    // Beside an up-down that is not aligned to it: the plain closed frame.
    HWND edit2 = Item(IdEdit2), loose = Item(IdUpDownLoose);
    SIZE e2 = SizeOf(edit2);
    EXPECT_EQ(HIGHLIGHT, WindowPixel(edit2, e2.cx - 1, 0));
    EXPECT_EQ(LIGHT, WindowPixel(edit2, e2.cx - 2, e2.cy / 2));
    EXPECT_EQ(HIGHLIGHT, WindowPixel(loose, 0, 0)) << "its own arrow box, from (0, 0)";
    EXPECT_EQ(FACE, WindowPixel(loose, 1, 1));
}

TEST_F(Edits, LeftAlignedBuddyCarriesTheLineDownItsLeftSide)
{
    HWND edit = Item(IdEditLeft), upDown = Item(IdUpDownLeft);
    ASSERT_EQ(edit, reinterpret_cast<HWND>(SendMessageA(upDown, UDM_GETBUDDY, 0, 0)));
    Object(IdEditLeft)->Refresh();
    SIZE u = SizeOf(upDown);
    EXPECT_NE(SHADOW, WindowPixel(edit, 0, SizeOf(edit).cy / 2)) << "open on the left";
    EXPECT_EQ(SHADOW, WindowPixel(edit, 0, 0)) << "the top row runs through";
    EXPECT_EQ(HIGHLIGHT, WindowPixel(upDown, 1, u.cy / 2));
    EXPECT_EQ(HIGHLIGHT, WindowPixel(upDown, 3, 1));
}

// Windows 9x's small cache of common DCs may have none left for the
// up-down: the line stops at the edit, whose own frame is drawn all the same.
TEST_F(Edits, WithoutTheUpDownsDeviceContextTheEditFrameIsStillDrawn)
{
    const COLORREF marker = RGB(1, 2, 3);
    HWND edit = Item(IdEdit), upDown = Item(IdUpDown);
    const SIZE e = SizeOf(edit), u = SizeOf(upDown);
    HDC dc = GetWindowDC(edit);
    SolidFill(dc, 0, 0, e.cx, e.cy, marker);
    ReleaseDC(edit, dc);
    dc = GetDC(upDown);
    SolidFill(dc, 0, 0, u.cx, u.cy, marker);
    ReleaseDC(upDown, dc);
    {
        testsupport::NoWindowDC none(upDown);
        Object(IdEdit)->SetWindowDCSource(none.Source());
        Object(IdEdit)->Refresh();
        Object(IdEdit)->SetWindowDCSource(SystemWindowDC);
        EXPECT_GT(none.Refused(), 0) << "the edit asked for the up-down's DC";
    }
    EXPECT_EQ(SHADOW, WindowPixel(edit, e.cx - 1, 0)) << "the edit's frame";
    EXPECT_EQ(marker, WindowPixel(upDown, 2, 1)) << "no line on the up-down";
}

// The up-down draws the same rows itself, so they are overwritten with a
// marker first: whatever then shows came from the edit's own frame. The
// edit overlaps the up-down's first two columns and covers them on screen.
TEST_F(Edits, EditDrawsItsLineOntoTheUpDown)
{
    const COLORREF marker = RGB(1, 2, 3);
    const int e = GetSystemMetrics(SM_CXEDGE);
    auto mark = [&](HWND upDown) {
        SIZE u = SizeOf(upDown);
        HDC dc = GetDC(upDown);
        SolidFill(dc, 0, 0, u.cx, u.cy, marker);
        ReleaseDC(upDown, dc);
    };

    HWND edit = Item(IdEdit), upDown = Item(IdUpDown);
    SIZE u = SizeOf(upDown);
    mark(upDown);
    Object(IdEdit)->Refresh();
    EXPECT_EQ(HIGHLIGHT, WindowPixel(upDown, 2, 1)) << "idle: HIGHLIGHT";
    EXPECT_EQ(HIGHLIGHT, WindowPixel(upDown, u.cx - e - 1, 1)) << "last pixel of the line";
    EXPECT_EQ(marker, WindowPixel(upDown, u.cx - e, 1));
    EXPECT_EQ(marker, WindowPixel(upDown, 2, 2)) << "one row only";

    mark(upDown);
    Over(edit);
    ASSERT_TRUE(Object(IdEdit)->State() & StateHot);
    EXPECT_EQ(DKSHADOW, WindowPixel(upDown, u.cx - e - 1, 1)) << "active edit: DKSHADOW";

    HWND left = Item(IdUpDownLeft);
    SIZE l = SizeOf(left);
    mark(left);
    Object(IdEditLeft)->Refresh();
    EXPECT_EQ(HIGHLIGHT, WindowPixel(left, 1, 1));
    EXPECT_EQ(HIGHLIGHT, WindowPixel(left, 1, l.cy - e - 1)) << "the column down the left side";
    EXPECT_EQ(marker, WindowPixel(left, 1, l.cy - e));
    EXPECT_EQ(marker, WindowPixel(left, 2, 2));
}

TEST_F(Edits, DisablingTheEditRepaintsItsUpDownInFace)
{
    HWND edit = Item(IdEdit), upDown = Item(IdUpDown);
    SIZE u = SizeOf(upDown);
    Object(IdUpDown)->Refresh();
    // Columns 0 and 1 lie under the edit; read the up-down's own pixels
    // right of them.
    ASSERT_EQ(LIGHT, WindowPixel(upDown, 5, u.cy - 2));
    ASSERT_EQ(LIGHT, WindowPixel(upDown, u.cx - 2, u.cy / 2));
    // Overwrite the up-down, so that only a repaint can bring its frame back.
    const COLORREF marker = RGB(1, 2, 3);
    HDC dc = GetDC(upDown);
    SolidFill(dc, 0, 0, u.cx, u.cy, marker);
    ReleaseDC(upDown, dc);
    EnableWindow(edit, FALSE);  // no pumping: WM_ENABLE alone repaints the up-down
    EXPECT_EQ(FACE, WindowPixel(upDown, 2, 1)) << "the continued lines follow the edit";
    EXPECT_EQ(FACE, WindowPixel(upDown, 5, u.cy - 2)) << "the up-down's own bottom row";
    EXPECT_EQ(FACE, WindowPixel(upDown, u.cx - 2, u.cy / 2)) << "and its right column";
    EXPECT_EQ(HIGHLIGHT, WindowPixel(upDown, 2, 2)) << "flat arrow boxes";
    EXPECT_EQ(FACE, WindowPixel(upDown, 3, 3));
    EXPECT_EQ(FACE, WindowPixel(edit, 1, SizeOf(edit).cy / 2)) << "disabled inner ring";

    // Even a hovered up-down keeps flat arrows while its buddy is disabled.
    Over(upDown);
    EXPECT_FALSE(Object(IdEdit)->State() & StateHot) << "a disabled buddy is not made hot";
    EXPECT_EQ(HIGHLIGHT, WindowPixel(upDown, 2, 2));
    EXPECT_EQ(FACE, WindowPixel(upDown, 3, 3));
}

TEST_F(Edits, ReadOnlyEditKeepsAFaceInnerRing)
{
    HWND edit = Item(IdReadOnly);
    FlatControl* o = Object(IdReadOnly);
    o->Refresh();
    EXPECT_TRUE(o->State() & StateReadOnly);
    SIZE e = SizeOf(edit);
    EXPECT_EQ(SHADOW, WindowPixel(edit, 0, e.cy / 2));
    EXPECT_EQ(FACE, WindowPixel(edit, 1, e.cy / 2));
    EnableWindow(edit, FALSE);
    EXPECT_EQ(FACE, WindowPixel(edit, 1, e.cy / 2));
    EnableWindow(edit, TRUE);
    Over(edit);
    EXPECT_EQ(DKSHADOW, WindowPixel(edit, 1, e.cy / 2)) << "active wins over read-only";
}

TEST_F(Edits, HoveringAnUpDownMakesItsBuddyHot)
{
    Over(Item(IdUpDown));
    EXPECT_EQ(Item(IdUpDown), m->HotWindow());
    EXPECT_TRUE(Object(IdEdit)->State() & StateHot);
    EXPECT_EQ(DKSHADOW, WindowPixel(Item(IdEdit), 1, SizeOf(Item(IdEdit)).cy / 2));
    // The up-down's own arrow boxes take the active look (column 2 on: the
    // first two lie under the edit).
    EXPECT_EQ(FACE, WindowPixel(Item(IdUpDown), 2, 2));
    EXPECT_EQ(HIGHLIGHT, WindowPixel(Item(IdUpDown), 3, 3));
    Away();
    EXPECT_FALSE(Object(IdUpDown)->State() & StateHot);
    EXPECT_FALSE(Object(IdEdit)->State() & StateHot);
    EXPECT_EQ(HIGHLIGHT, WindowPixel(Item(IdEdit), 1, SizeOf(Item(IdEdit)).cy / 2));
    EXPECT_EQ(HIGHLIGHT, WindowPixel(Item(IdUpDown), 2, 2));
    EXPECT_EQ(FACE, WindowPixel(Item(IdUpDown), 3, 3));
}

TEST_F(Edits, UpDownInsideAPickerPassesItsHotStateOn)
{
    HWND picker = Item(IdPickerUpDown);
    HWND inner = GetTopWindow(picker);
    ASSERT_NE(nullptr, inner);
    ASSERT_EQ(FlatKind::UpDown, flattest::KindOf(m->FindControl(inner)));
    Over(inner);
    EXPECT_EQ(inner, m->HotWindow());
    EXPECT_TRUE(Object(IdPickerUpDown)->State() & StateHot);
    Away();
    EXPECT_FALSE(Object(IdPickerUpDown)->State() & StateHot);
}

TEST_F(Edits, ComboAndPickerFrames)
{
    int s = GetSystemMetrics(SM_CXHSCROLL);
    auto draw = [&](int id, MemoryDib& dib) {
        RECT r = {0, 0, dib.width(), dib.height()};
        Object(id)->DrawFrame(dib.dc(), r);
    };
    MemoryDib combo(100, 24);
    draw(IdCombo, combo);
    RECT box = DropButtonBox({0, 0, 100, 24}, s);
    EXPECT_TRUE(RingIs(combo, {0, 0, 100, 24}, SHADOW, HIGHLIGHT));
    EXPECT_TRUE(RingIs(combo, box, HIGHLIGHT, SHADOW));
    Object(IdCombo)->SetStateFlag(StateHot, true);
    MemoryDib hot(100, 24);
    draw(IdCombo, hot);
    Object(IdCombo)->SetStateFlag(StateHot, false);
    EXPECT_TRUE(RingIs(hot, box, FACE, DKSHADOW)) << "a hot combo's drop box";
    EXPECT_TRUE(RingIs(hot, flattest::Shrunk(box, 1), HIGHLIGHT, SHADOW));
    EnableWindow(Item(IdCombo), FALSE);
    MemoryDib disabled(100, 24);
    draw(IdCombo, disabled);
    EXPECT_TRUE(RingIs(disabled, box, FACE, FACE)) << "a disabled combo's drop box is all FACE";
    EXPECT_TRUE(RingIs(disabled, flattest::Shrunk(box, 1), FACE, FACE));

    MemoryDib picker(100, 24);
    draw(IdPicker, picker);
    EXPECT_TRUE(RingIs(picker, box, HIGHLIGHT, SHADOW)) << "a picker without DTS_UPDOWN";
    MemoryDib pickerUpDown(100, 24);
    draw(IdPickerUpDown, pickerUpDown);
    EXPECT_TRUE(RingIs(pickerUpDown, {0, 0, 100, 24}, SHADOW, HIGHLIGHT));
    EXPECT_EQ(Untouched, pickerUpDown.Pixel(box.left, box.top + 5)) << "no drop box";
}

TEST_F(Edits, SimpleComboEditIsFramedOnTheComboBox)
{
    HWND simple = Item(IdSimple);
    HWND edit = nullptr;
    for (HWND c = GetTopWindow(simple); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char name[64];
        GetClassNameA(c, name, sizeof name);
        if (lstrcmpiA(name, "Edit") == 0)
            edit = c;
    }
    ASSERT_NE(nullptr, edit);
    FlatControl* o = m->FindControl(edit);
    ASSERT_EQ(FlatKind::ComboEdit, flattest::KindOf(o));
    o->Refresh();
    SIZE e = SizeOf(edit);
    // The edit's rectangle grown by 3, placed at the combo box's (0, 0).
    EXPECT_EQ(SHADOW, WindowPixel(simple, 0, 0));
    EXPECT_EQ(SHADOW, WindowPixel(simple, 0, (e.cy + 6) / 2));
    EXPECT_EQ(HIGHLIGHT, WindowPixel(simple, e.cx + 5, (e.cy + 6) / 2));
    EXPECT_EQ(HIGHLIGHT, WindowPixel(simple, 1, (e.cy + 6) / 2)) << "small idle inner ring";
}

TEST_F(Edits, ComboProcedureRefreshesOnClosedDropDown)
{
    FlatControl* o = Object(IdCombo);
    o->SetStateFlag(StateReadOnly, true);  // a mark only Refresh copies
    SendMessageA(Item(IdCombo), WM_LBUTTONUP, 0, 5);
    EXPECT_FALSE(o->LastDrawnState() & StateReadOnly);
    SendMessageA(Item(IdCombo), WM_LBUTTONUP, 0, -1);
    EXPECT_TRUE(o->LastDrawnState() & StateReadOnly);
}

// Counts the UDM_GETBUDDY messages each window is sent: every drawing of an
// up-down's frame asks the up-down once.
class BuddyQueries {
public:
    BuddyQueries()
    {
        s_counts.clear();
        m_hook = SetWindowsHookExA(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    }
    ~BuddyQueries() { UnhookWindowsHookEx(m_hook); }
    BuddyQueries(const BuddyQueries&) = delete;
    BuddyQueries& operator=(const BuddyQueries&) = delete;
    int Of(HWND window) const { return s_counts[window]; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == UDM_GETBUDDY)
            ++s_counts[call->hwnd];
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static std::map<HWND, int> s_counts;
    HHOOK m_hook;
};
std::map<HWND, int> BuddyQueries::s_counts;

// An up-down that is its own buddy, or two that are each other's, would
// refresh each other without end: each frame drawing refreshes its buddy.
// A refresh already under way is not started again, so each draws once.
class UpDownBuddies : public Edits {
protected:
    // A right-aligned up-down made after the dialog's initialisation: the
    // dialog attaches it at its creation.
    HWND NewUpDown(int x)
    {
        HWND upDown = CreateWindowExA(0, UPDOWN_CLASSA, "", WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT,
                                      x, 200, 16, 24, m_dialog, nullptr, nullptr, nullptr);
        EXPECT_NE(nullptr, m->FindControl(upDown));
        return upDown;
    }
    static void SetBuddy(HWND upDown, HWND buddy)
    {
        SendMessageA(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
        EXPECT_EQ(buddy, reinterpret_cast<HWND>(SendMessageA(upDown, UDM_GETBUDDY, 0, 0)));
    }
    // Marks two pixels of the first arrow box, refreshes, and checks that
    // the box was drawn in the idle look (corner HIGHLIGHT, inside FACE).
    void ExpectDrawnOnRefresh(HWND upDown)
    {
        const COLORREF marker = RGB(1, 2, 3);
        HDC dc = GetWindowDC(upDown);
        SetPixel(dc, 0, 2, marker);
        SetPixel(dc, 1, 3, marker);
        ReleaseDC(upDown, dc);
        m->FindControl(upDown)->Refresh();
        EXPECT_EQ(HIGHLIGHT, WindowPixel(upDown, 0, 2));
        EXPECT_EQ(FACE, WindowPixel(upDown, 1, 3));
    }
};

TEST_F(UpDownBuddies, OwnBuddyDrawsOnceAndReturns)
{
    HWND self = NewUpDown(150);
    SetBuddy(self, self);
    PumpMessages(50);  // its repaint refreshes too
    ASSERT_GE(SizeOf(self).cx, 8);
    BuddyQueries queries;
    ExpectDrawnOnRefresh(self);
    EXPECT_EQ(1, queries.Of(self));
}

TEST_F(UpDownBuddies, EachOthersBuddiesDrawOnceEachAndReturn)
{
    HWND a = NewUpDown(150), b = NewUpDown(200);
    SetBuddy(a, b);
    SetBuddy(b, a);
    // Aligning takes the up-down's width off its buddy: both are put back.
    MoveWindow(a, 150, 200, 16, 24, TRUE);
    MoveWindow(b, 200, 200, 16, 24, TRUE);
    PumpMessages(50);
    ASSERT_GE(SizeOf(a).cx, 8);
    ASSERT_GE(SizeOf(b).cx, 8);
    for (HWND first : { a, b }) {
        BuddyQueries queries;
        ExpectDrawnOnRefresh(first);
        EXPECT_EQ(1, queries.Of(a)) << (first == a ? "a refreshed" : "b refreshed");
        EXPECT_EQ(1, queries.Of(b)) << (first == a ? "a refreshed" : "b refreshed");
    }
}

}  // namespace
