// Push buttons, check boxes and radio buttons: their looks on memory DCs and
// the frames real buttons get.
#include <windows.h>

#include <gtest/gtest.h>

#include "FlatButtons.h"
#include "FlatLookManager.h"
#include "FlatLookTestSupport.h"
#include "RingCheck.h"
#include "SysColours.h"
#include "Win32TestSupport.h"

using namespace flatlook;
using flattest::RingIs;
using flattest::Shrunk;
using flattest::Sys;
using flattest::Untouched;
using testsupport::MemoryDib;

namespace {

using namespace testsupport::syscolours;

struct PushCase {
    const char* name;
    bool isDefault, checked, active;
    int rings;
    COLORREF colours[6];
};

TEST(PushButtonFrame, EveryRow)
{
    const PushCase cases[] = {
        {"default active", true, false, true, 3,
         {DKSHADOW, DKSHADOW, HIGHLIGHT, DKSHADOW, LIGHT, SHADOW}},
        {"default idle", true, true, false, 3,
         {DKSHADOW, DKSHADOW, HIGHLIGHT, SHADOW, FACE, FACE}},
        {"checked active", false, true, true, 2, {DKSHADOW, HIGHLIGHT, SHADOW, LIGHT}},
        {"checked idle", false, true, false, 2, {SHADOW, HIGHLIGHT, FACE, FACE}},
        {"plain active", false, false, true, 3,
         {HIGHLIGHT, DKSHADOW, LIGHT, SHADOW, FACE, FACE}},
        {"plain idle", false, false, false, 3, {HIGHLIGHT, SHADOW, FACE, FACE, FACE, FACE}},
    };
    for (const PushCase& c : cases) {
        MemoryDib dib(60, 24);
        RECT r = {0, 0, 60, 24};
        DrawPushButtonFrame(dib.dc(), r, c.isDefault, c.checked, c.active);
        for (int ring = 0; ring < c.rings; ++ring)
            EXPECT_TRUE(RingIs(dib, Shrunk(r, ring), c.colours[2 * ring], c.colours[2 * ring + 1]))
                << c.name << " ring " << ring;
        EXPECT_EQ(Untouched, dib.Pixel(c.rings, c.rings)) << c.name;
    }
}

TEST(CheckBoxCell, PositionRules)
{
    RECT r = {0, 0, 100, 30};
    RECT cell = CheckBoxCell(r, BS_AUTOCHECKBOX | BS_LEFTTEXT);
    EXPECT_EQ(87, cell.left);
    EXPECT_EQ(100, cell.right) << "cell from x = 87 to 99";
    EXPECT_EQ(8, cell.top) << "centred: (30 - 13) / 2";
    EXPECT_EQ(0, CheckBoxCell(r, BS_AUTOCHECKBOX).left);
    EXPECT_EQ(1, CheckBoxCell(r, BS_TOP).top);
    EXPECT_EQ(15, CheckBoxCell(r, BS_BOTTOM).top);
    EXPECT_EQ(8, CheckBoxCell(r, BS_VCENTER).top);
    EXPECT_EQ(13, CheckBoxCell(r, BS_TOP).bottom - CheckBoxCell(r, BS_TOP).top);

    POINT radio = RadioGlyphOrigin(r, BS_AUTORADIOBUTTON | BS_LEFTTEXT);
    EXPECT_EQ(88, radio.x);
    EXPECT_EQ(8, radio.y);
    EXPECT_EQ(1, RadioGlyphOrigin(r, BS_AUTORADIOBUTTON).x);
    EXPECT_EQ(15, RadioGlyphOrigin(r, BS_AUTORADIOBUTTON | BS_BOTTOM).y);
}

TEST(CheckBoxCell, RingsByState)
{
    Ring outer, inner;
    CheckBoxCellRings(true, true, BST_CHECKED, &outer, &inner);
    EXPECT_EQ(COLOR_3DDKSHADOW, outer.topLeft);
    EXPECT_EQ(COLOR_BTNHIGHLIGHT, outer.bottomRight);
    EXPECT_EQ(COLOR_BTNSHADOW, inner.topLeft);
    EXPECT_EQ(COLOR_BTNFACE, inner.bottomRight);
    CheckBoxCellRings(false, true, BST_INDETERMINATE, &outer, &inner);
    EXPECT_EQ(COLOR_BTNSHADOW, outer.topLeft);
    EXPECT_EQ(COLOR_BTNHIGHLIGHT, inner.topLeft);
    EXPECT_EQ(COLOR_BTNHIGHLIGHT, inner.bottomRight);
    for (int state : {BST_CHECKED, BST_UNCHECKED}) {
        CheckBoxCellRings(false, true, state, &outer, &inner);
        EXPECT_EQ(COLOR_WINDOW, inner.topLeft) << state;
        EXPECT_EQ(COLOR_WINDOW, inner.bottomRight) << state;
    }
    CheckBoxCellRings(false, false, BST_INDETERMINATE, &outer, &inner);
    EXPECT_EQ(COLOR_BTNFACE, inner.topLeft);

    // The same on pixels.
    MemoryDib dib(20, 20);
    RECT cell = {2, 3, 15, 16};
    DrawCheckBoxCell(dib.dc(), cell, true, true, BST_UNCHECKED);
    EXPECT_TRUE(RingIs(dib, cell, DKSHADOW, HIGHLIGHT));
    EXPECT_TRUE(RingIs(dib, Shrunk(cell, 1), SHADOW, FACE));
    EXPECT_EQ(Untouched, dib.Pixel(4, 5));
}

TEST(RadioGlyph, ArcsAndColours)
{
    int c[4];
    RadioArcColours(true, true, c);
    EXPECT_EQ((std::vector<int>{COLOR_BTNSHADOW, COLOR_3DDKSHADOW, COLOR_BTNFACE, COLOR_WINDOW}),
              std::vector<int>(c, c + 4));
    RadioArcColours(false, true, c);
    EXPECT_EQ((std::vector<int>{COLOR_BTNSHADOW, COLOR_WINDOW, COLOR_BTNFACE, COLOR_WINDOW}),
              std::vector<int>(c, c + 4));
    RadioArcColours(false, false, c);
    EXPECT_EQ(
        (std::vector<int>{COLOR_BTNSHADOW, COLOR_BTNFACE, COLOR_BTNFACE, COLOR_BTNHIGHLIGHT}),
        std::vector<int>(c, c + 4));

    MemoryDib dib(20, 20);
    DrawRadioGlyph(dib.dc(), {3, 4}, true, true);
    EXPECT_EQ(SHADOW, dib.Pixel(3 + 0, 4 + 7)) << "outer top-left arc";
    EXPECT_EQ(SHADOW, dib.Pixel(3 + 9, 4 + 1));
    EXPECT_EQ(DKSHADOW, dib.Pixel(3 + 1, 4 + 5)) << "inner top-left arc";
    EXPECT_EQ(FACE, dib.Pixel(3 + 10, 4 + 6)) << "inner bottom-right arc";
    EXPECT_EQ(Sys(COLOR_WINDOW), dib.Pixel(3 + 11, 4 + 5)) << "outer bottom-right arc";
    EXPECT_EQ(Untouched, dib.Pixel(3, 4)) << "the origin is no glyph point";
    EXPECT_EQ(Untouched, dib.Pixel(3 + 5, 4 + 5)) << "the centre stays as the control drew it";
    int set = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            set += dib.Pixel(x, y) != Untouched;
    EXPECT_EQ(16 + 14 + 14 + 16, set) << "every arc point once, no other pixel";
}

// Real buttons, attached by the hook, drawn onto a memory DC.
class RealButtons : public ::testing::Test {
protected:
    void SetUp() override
    {
        m = GetFlatLookManager();
        m->Install(FlatLookManager::CurrentThread, FlatLookManager::ModeDialogs);
        testsupport::DialogTemplate t("buttons", WS_POPUP, 0, 0, 200, 120);
        t.AddControl("Button", "default", BS_DEFPUSHBUTTON | WS_VISIBLE, 5, 5, 60, 14, 1)
            .AddControl("Button", "three", BS_AUTO3STATE | WS_VISIBLE, 5, 25, 60, 12, 2)
            .AddControl("Button", "like", BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_VISIBLE, 5, 45, 60,
                        14, 3)
            .AddControl("Button", "radio", BS_AUTORADIOBUTTON | WS_VISIBLE, 5, 65, 60, 12, 4);
        m_dialog = CreateDialogIndirectParamA(nullptr, t.get(), nullptr,
                                              flattest::PlainDialogProc, 0);
        ASSERT_NE(nullptr, m_dialog);
    }
    void TearDown() override
    {
        DestroyWindow(m_dialog);
        m->Uninstall(FlatLookManager::CurrentThread);
    }
    // Draws the control's frame as Refresh would, but onto a memory DIB.
    void Draw(int id, MemoryDib& dib)
    {
        FlatControl* o = m->FindControl(GetDlgItem(m_dialog, id));
        ASSERT_NE(nullptr, o);
        RECT r = {0, 0, dib.width(), dib.height()};
        o->DrawFrame(dib.dc(), r);
    }
    FlatLookManager* m = nullptr;
    HWND m_dialog = nullptr;
};

TEST_F(RealButtons, DisabledDefaultButtonIsDrawnPlain)
{
    MemoryDib enabled(60, 24);
    Draw(1, enabled);
    EXPECT_TRUE(RingIs(enabled, {0, 0, 60, 24}, DKSHADOW, DKSHADOW));
    EnableWindow(GetDlgItem(m_dialog, 1), FALSE);
    MemoryDib disabled(60, 24);
    Draw(1, disabled);
    EXPECT_TRUE(RingIs(disabled, {0, 0, 60, 24}, HIGHLIGHT, SHADOW));
    EXPECT_TRUE(RingIs(disabled, {1, 1, 59, 23}, FACE, FACE));
}

TEST_F(RealButtons, CheckBoxCellFollowsTheCheckState)
{
    HWND box = GetDlgItem(m_dialog, 2);
    SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
    MemoryDib checked(100, 21);
    Draw(2, checked);
    RECT cell = {0, 4, 13, 17};
    EXPECT_TRUE(RingIs(checked, cell, SHADOW, HIGHLIGHT));
    EXPECT_TRUE(RingIs(checked, Shrunk(cell, 1), Sys(COLOR_WINDOW), Sys(COLOR_WINDOW)));
    EXPECT_EQ(Untouched, checked.Pixel(14, 10)) << "nothing beside the cell";

    EnableWindow(box, FALSE);
    MemoryDib disabled(100, 21);
    Draw(2, disabled);
    EXPECT_TRUE(RingIs(disabled, Shrunk(cell, 1), FACE, FACE));
}

TEST_F(RealButtons, PushLikeCheckBoxUsesThePushButtonFrame)
{
    HWND like = GetDlgItem(m_dialog, 3);
    MemoryDib plain(60, 24);
    Draw(3, plain);
    EXPECT_TRUE(RingIs(plain, {0, 0, 60, 24}, HIGHLIGHT, SHADOW));
    EXPECT_TRUE(RingIs(plain, {2, 2, 58, 22}, FACE, FACE));
    SendMessageA(like, BM_SETCHECK, BST_CHECKED, 0);
    MemoryDib pressed(60, 24);
    Draw(3, pressed);
    EXPECT_TRUE(RingIs(pressed, {0, 0, 60, 24}, SHADOW, HIGHLIGHT));
    EXPECT_EQ(Untouched, pressed.Pixel(2, 2)) << "checked: two rings only";
}

TEST_F(RealButtons, NewTextAndCheckStateRefreshTheFrame)
{
    HWND radio = GetDlgItem(m_dialog, 4);
    FlatControl* o = m->FindControl(radio);
    o->SetStateFlag(StateReadOnly, true);  // a mark only Refresh copies
    SendMessageA(radio, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_TRUE(o->LastDrawnState() & StateReadOnly);
    o->SetStateFlag(StateReadOnly, false);
    EXPECT_TRUE(SetWindowTextA(radio, "renamed")) << "the control's answer is kept";
    EXPECT_FALSE(o->LastDrawnState() & StateReadOnly);
    char text[32];
    GetWindowTextA(radio, text, sizeof text);
    EXPECT_STREQ("renamed", text);
}

}  // namespace
