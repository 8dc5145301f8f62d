// A tool's dialog moved off the part of the image the person is to click.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/viewer/image_view.h"

namespace molvane::viewer {

// What the screen shows of `area` of the view's image (empty: the whole image), in screen coordinates.
RECT OnScreen(const ImageView& view, const PixelRect& area);

// When `dialog` covers `keepInSight` (screen coordinates), moves it, whole
// on its monitor's work area, to the corner of that area where it covers
// the least of it, and then the least of `ratherNotCover` (the viewer's
// window, its menus and status bar).
void MoveAside(HWND dialog, const RECT& keepInSight, const RECT& ratherNotCover);

}  // namespace molvane::viewer
