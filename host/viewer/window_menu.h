// The Fenêtre menu: cascade, mosaic, close all, and the list of image windows the MDI client keeps in it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace molvane::viewer {

// The popup menu (its commands in main_frame.h; "Fermer tout" is the main window's, which asks as quitting does); hand it to the MDI client as its window menu so the list follows it.
HMENU BuildWindowMenu();
// Cascade or Mosaïque on the client's windows; false for another command.
bool ArrangeWindows(HWND client, UINT command);

}  // namespace molvane::viewer
