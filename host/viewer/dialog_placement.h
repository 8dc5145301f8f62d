// A tool's dialog moved off the part of the image the person is to click.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace molvane::viewer {

// When `dialog` covers `keepInSight` (screen coordinates), moves it, whole
// on its monitor's work area, to the corner of that area where it covers
// the least of it, and then the least of `ratherNotCover` (the viewer's
// window, its menus and status bar).
void MoveAside(HWND dialog, const RECT& keepInSight, const RECT& ratherNotCover);

}  // namespace molvane::viewer
