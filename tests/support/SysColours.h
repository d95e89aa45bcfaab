// The system colours that flat frames are drawn in, as the test prefix has
// them. Tests never change them: Wine keeps them in the wineserver, shared
// by every process of the prefix. With Wine's defaults FACE, SHADOW,
// DKSHADOW and LIGHT all differ, and HIGHLIGHT equals WINDOW (white).
#pragma once

#include <windows.h>

namespace testsupport {
namespace syscolours {

inline const COLORREF FACE = GetSysColor(COLOR_BTNFACE);
inline const COLORREF SHADOW = GetSysColor(COLOR_BTNSHADOW);
inline const COLORREF HIGHLIGHT = GetSysColor(COLOR_BTNHIGHLIGHT);
inline const COLORREF DKSHADOW = GetSysColor(COLOR_3DDKSHADOW);
inline const COLORREF LIGHT = GetSysColor(COLOR_3DLIGHT);

}  // namespace syscolours
}  // namespace testsupport
