// What the flat procedures pass on to the control's own procedure, and
// whether the object was refreshed by then: a recorder sits below the flat
// procedure.
#include <windows.h>

#include <gtest/gtest.h>

#include "FlatControl.h"
#include "FlatLookFixture.h"
#include "FlatLookManager.h"
#include "MessageSequence.h"

using namespace flatlook;
using flattest::FlatLook;
using testsupport::CheckWParam;
using testsupport::MessageSequence;
using testsupport::PassedOn;
using testsupport::SequenceIs;

namespace {

// A recorder put under the flat procedure: it sees what the flat object
// passes on, and when (the note: whether the object was refreshed by then,
// or already detached).
struct Recorder {
    static WNDPROC original;
    static MessageSequence sequence;
    // Answers scroll-bar messages itself, as a stand-in control would, so
    // that only the flat procedure's own rules are seen.
    static bool standIn;
    static LRESULT CALLBACK Proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case WM_SETFOCUS:
        case WM_PAINT:
        case WM_NCDESTROY:
        case SBM_SETPOS:
        case SBM_SETRANGEREDRAW:
        case SBM_SETSCROLLINFO: {
            FlatControl* o = GetFlatLookManager()->FindControl(w);
            const char* state = !o ? "detached"
                                : (o->LastDrawnState() & StateReadOnly) ? "refreshed" : "pending";
            sequence.Add(message, PassedOn, wParam, lParam, state);
            break;
        }
        }
        if (standIn && message >= SBM_SETPOS && message <= SBM_GETSCROLLBARINFO)
            return message == SBM_SETSCROLLINFO ? 1000 + static_cast<LRESULT>(wParam) : 1234;
        return CallWindowProcA(original, w, message, wParam, lParam);
    }
};
bool Recorder::standIn = false;
WNDPROC Recorder::original = nullptr;
MessageSequence Recorder::sequence;

// Marks the object so that the recorder can tell whether Refresh ran: the
// read-only flag is copied into the last drawn state by every Refresh and
// recomputed by none of the kinds used here.
void Mark(FlatControl* o, bool on) { o->SetStateFlag(StateReadOnly, on); }

TEST_F(FlatLook, BaseProcedureRefreshesBeforeFocusAndAfterPaint)
{
    HWND host = Popup(0, 0, 300, 200, 0);
    HWND list = Child(host, "ListBox", 0, WS_EX_CLIENTEDGE, 0, 0, 100, 60);
    Recorder::original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Recorder::Proc)));
    Recorder::sequence.Clear();
    ASSERT_TRUE(m->AttachControl(list));
    FlatControl* o = m->FindControl(list);

    Mark(o, true);
    SendMessageA(list, WM_SETFOCUS, 0, 0);  // Refresh first, then pass on
    Mark(o, false);
    EXPECT_EQ(0, SendMessageA(list, WM_PAINT, 0, 0));  // pass on, then Refresh: 0
    EXPECT_FALSE(o->LastDrawnState() & StateReadOnly) << "refreshed after WM_PAINT";
    Mark(o, true);
    DestroyWindow(list);
    EXPECT_TRUE(SequenceIs(Recorder::sequence, {{WM_SETFOCUS, PassedOn, 0, 0, "refreshed"},
                                                {WM_PAINT, PassedOn, 0, 0, "refreshed"},
                                                {WM_NCDESTROY, PassedOn, 0, 0, "pending"}}));
    EXPECT_EQ(nullptr, m->FindControl(list)) << "detached after WM_NCDESTROY was passed on";
}

// A control whose own procedure destroys it on WM_ENABLE or WM_SETTEXT.
struct SelfDestroying {
    static WNDPROC original;
    static LRESULT CALLBACK Proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
    {
        LRESULT result = CallWindowProcA(original, w, message, wParam, lParam);
        if (message == WM_ENABLE || message == WM_SETTEXT)
            DestroyWindow(w);
        return result;
    }
};
WNDPROC SelfDestroying::original = nullptr;

TEST_F(FlatLook, ControlDestroyedWhileHandlingAMessageIsLeftAlone)
{
    HWND host = Popup(0, 0, 300, 200, 0);
    for (const char* cls : {"ListBox", "Edit", "Button"}) {
        HWND w = Child(host, cls, 0, WS_EX_CLIENTEDGE, 0, 0, 100, 60);
        SelfDestroying::original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SelfDestroying::Proc)));
        ASSERT_TRUE(m->AttachControl(w)) << cls;
        if (lstrcmpA(cls, "Button") == 0)
            SetWindowTextA(w, "gone");
        else
            EnableWindow(w, FALSE);
        EXPECT_FALSE(IsWindow(w)) << cls;
        EXPECT_EQ(0u, m->ControlCount()) << cls;
    }
}

TEST_F(FlatLook, ScrollBarControlRefreshRules)
{
    HWND host = Popup(0, 0, 300, 200, 0);
    HWND bar = Child(host, "ScrollBar", SBS_HORZ, 0, 0, 0, 200, 16);
    Recorder::original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Recorder::Proc)));
    Recorder::sequence.Clear();
    Recorder::standIn = true;
    ASSERT_TRUE(m->AttachControl(bar));
    FlatControl* o = m->FindControl(bar);
    auto refreshedBy = [&](UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
        Mark(o, true);
        *result = SendMessageA(bar, message, wParam, lParam);
        bool refreshed = (o->LastDrawnState() & StateReadOnly) != 0;
        Mark(o, false);
        o->Refresh();
        return refreshed;
    };
    LRESULT r;
    EXPECT_TRUE(refreshedBy(SBM_SETPOS, 20, TRUE, &r));
    EXPECT_EQ(0, r) << "a refreshed message answers 0";
    EXPECT_FALSE(refreshedBy(SBM_SETPOS, 0, TRUE, &r)) << "a move to 0 is not refreshed";
    EXPECT_EQ(1234, r) << "the control's own answer";
    EXPECT_FALSE(refreshedBy(SBM_SETPOS, 30, FALSE, &r));
    EXPECT_EQ(1234, r);
    EXPECT_TRUE(refreshedBy(SBM_SETRANGEREDRAW, 0, 50, &r));
    EXPECT_EQ(0, r);
    EXPECT_FALSE(refreshedBy(SBM_SETRANGE, 0, 50, &r));
    SCROLLINFO info = {sizeof info, SIF_POS, 0, 0, 0, 5, 0};
    EXPECT_TRUE(refreshedBy(SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&info), &r));
    EXPECT_EQ(0, r);
    EXPECT_FALSE(refreshedBy(SBM_SETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&info), &r));
    EXPECT_EQ(1000, r) << "passed on with wParam 0, the control's answer returned";
    Recorder::standIn = false;
    // Each message reached the control before any Refresh of it, the quiet
    // SBM_SETSCROLLINFO with wParam 0.
    const unsigned w = PassedOn | CheckWParam;
    EXPECT_TRUE(SequenceIs(Recorder::sequence,
                           {{SBM_SETPOS, w, 20, 0, "pending"}, {SBM_SETPOS, w, 0, 0, "pending"},
                            {SBM_SETPOS, w, 30, 0, "pending"},
                            {SBM_SETRANGEREDRAW, PassedOn, 0, 0, "pending"},
                            {SBM_SETSCROLLINFO, w, TRUE, 0, "pending"},
                            {SBM_SETSCROLLINFO, w, 0, 0, "pending"}}));
}

}  // namespace
