// Which flat kind a window gets, from its class name and styles alone.
#pragma once

#include <windows.h>

namespace flatlook {

enum class FlatKind {
    None,
    Generic,
    PushButton,
    CheckBox,
    RadioButton,
    ComboBox,
    Edit,
    ComboEdit,
    DateTime,
    UpDown,
    ScrollBar,
    IPAddress,
    Trackbar,
    Header,
    Toolbar,
    Tab,
};

// What happens to a window's children when it is classified.
enum class ChildRule {
    None,
    FirstChildBefore,   // attach the first child, then the window itself
    AllChildrenBefore,  // attach every child, then the window itself
    FirstChildInstead,  // the window is left alone, its first child attached
    AllChildrenInstead, // the window is left alone, every child attached
};

struct Classification {
    FlatKind kind;
    ChildRule children;
};

// The type field of a combo box's style (CBS_SIMPLE, CBS_DROPDOWN,
// CBS_DROPDOWNLIST); the headers name no mask for it.
constexpr DWORD ComboTypeMask = CBS_SIMPLE | CBS_DROPDOWN | CBS_DROPDOWNLIST;

// Button styles: left alone (owner-draw, group box, BS_FLAT), check box
// (BS_PUSHBOX included), radio button, or push button.
FlatKind ClassifyButton(DWORD style);

// The classification table. `parentClass` and `parentStyle` matter only to
// edits (the edit of a CBS_SIMPLE combo box).
Classification ClassifyControl(const char* className, DWORD style, DWORD exStyle,
                               const char* parentClass, DWORD parentStyle);

const char* KindName(FlatKind kind);

}  // namespace flatlook
