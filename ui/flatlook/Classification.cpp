#include <windows.h>

#include "Classification.h"

#include <commctrl.h>

namespace flatlook {

namespace {

// Whether every bit of the type value `type` is set in the style.
bool HasTypeBits(DWORD style, DWORD type) { return (style & type) == type; }

}  // namespace

// The type values are tested as bit patterns, not as values of
// style & BS_TYPEMASK, so that every type value, undefined ones included,
// falls to one kind by the same rules.
FlatKind ClassifyButton(DWORD style)
{
    if (HasTypeBits(style, BS_OWNERDRAW) || HasTypeBits(style, BS_GROUPBOX) ||
        (style & BS_FLAT))
        return FlatKind::None;
    if (HasTypeBits(style, BS_AUTOCHECKBOX) || (style & BS_CHECKBOX) ||
        HasTypeBits(style, BS_3STATE))
        return FlatKind::CheckBox;
    if (HasTypeBits(style, BS_AUTORADIOBUTTON) || (style & BS_RADIOBUTTON))
        return FlatKind::RadioButton;
    return FlatKind::PushButton;
}

namespace {

bool Is(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

Classification Make(FlatKind kind, ChildRule children = ChildRule::None)
{
    return {kind, children};
}

const Classification Nothing = {FlatKind::None, ChildRule::None};

}  // namespace

Classification ClassifyControl(const char* name, DWORD style, DWORD exStyle,
                               const char* parentClass, DWORD parentStyle)
{
    const bool clientEdge = (exStyle & WS_EX_CLIENTEDGE) != 0;

    if (Is(name, "Button"))
        return Make(ClassifyButton(style));
    if (Is(name, "ComboBox")) {
        if ((style & ComboTypeMask) != CBS_SIMPLE)
            return Make(FlatKind::ComboBox);
        return Make(FlatKind::None, ChildRule::AllChildrenInstead);
    }
    if (Is(name, "Edit")) {
        if (parentClass && Is(parentClass, "ComboBox") && (parentStyle & ComboTypeMask) == CBS_SIMPLE)
            return Make(FlatKind::ComboEdit);
        return clientEdge ? Make(FlatKind::Edit) : Nothing;
    }
    if (Is(name, "ListBox"))
        return clientEdge ? Make(FlatKind::Generic) : Nothing;
    if (Is(name, "SysListView32"))
        return clientEdge ? Make(FlatKind::Generic, ChildRule::FirstChildBefore) : Nothing;
    if (Is(name, "SHELLDLL_DefView"))
        return Make(FlatKind::None, ChildRule::FirstChildInstead);
    if (Is(name, "SysTreeView32"))
        return clientEdge ? Make(FlatKind::Generic) : Nothing;
    if (Is(name, "SysDateTimePick32")) {
        if (!clientEdge)
            return Nothing;
        return Make(FlatKind::DateTime,
                    (style & DTS_UPDOWN) ? ChildRule::FirstChildBefore : ChildRule::None);
    }
    if (Is(name, "SysMonthCal32"))
        return Make(FlatKind::Generic);
    if (Is(name, "msctls_updown32"))
        return Make(FlatKind::UpDown);
    if (Is(name, "ComboLBox"))
        return clientEdge ? Make(FlatKind::Generic) : Nothing;
    if (Is(name, "ScrollBar"))
        return (style & (SBS_SIZEBOX | SBS_SIZEGRIP)) == 0 ? Make(FlatKind::ScrollBar) : Nothing;
    if (Is(name, "ComboBoxEx32"))
        return Make(FlatKind::None, ChildRule::FirstChildInstead);
    if (Is(name, "msctls_hotkey32"))
        return clientEdge ? Make(FlatKind::Generic) : Nothing;
    if (Is(name, "SysIPAddress32"))
        return clientEdge ? Make(FlatKind::IPAddress) : Nothing;
    if (Is(name, "msctls_trackbar32"))
        return Make(FlatKind::Trackbar);
    if (Is(name, "RichEdit") || Is(name, "RichEdit20W"))
        return clientEdge ? Make(FlatKind::Generic) : Nothing;
    if (Is(name, "SysHeader32"))
        return (style & HDS_BUTTONS) ? Make(FlatKind::Header) : Nothing;
    if (Is(name, "ToolbarWindow32")) {
        if (style & TBSTYLE_FLAT)
            return Nothing;
        return Make(FlatKind::Toolbar, ChildRule::AllChildrenBefore);
    }
    if (Is(name, "SysTabControl32"))
        return Make(FlatKind::Tab, ChildRule::FirstChildBefore);
    return Nothing;
}

const char* KindName(FlatKind kind)
{
    switch (kind) {
    case FlatKind::None: return "None";
    case FlatKind::Generic: return "Generic";
    case FlatKind::PushButton: return "PushButton";
    case FlatKind::CheckBox: return "CheckBox";
    case FlatKind::RadioButton: return "RadioButton";
    case FlatKind::ComboBox: return "ComboBox";
    case FlatKind::Edit: return "Edit";
    case FlatKind::ComboEdit: return "ComboEdit";
    case FlatKind::DateTime: return "DateTime";
    case FlatKind::UpDown: return "UpDown";
    case FlatKind::ScrollBar: return "ScrollBar";
    case FlatKind::IPAddress: return "IPAddress";
    case FlatKind::Trackbar: return "Trackbar";
    case FlatKind::Header: return "Header";
    case FlatKind::Toolbar: return "Toolbar";
    case FlatKind::Tab: return "Tab";
    }
    return "?";
}

}  // namespace flatlook
