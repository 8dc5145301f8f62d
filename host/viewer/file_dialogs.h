// The system's open and save dialogs, asking for an image file in the formats the viewer knows.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace molvane::viewer {

// The file the user chose to open; empty when they cancelled.
std::string ChooseImageToOpen(HWND owner);

// Where the user chose to save, starting from `suggested`; empty when they
// cancelled. A name typed without a writable extension gets the one of the
// chosen type.
std::string ChooseWhereToSave(HWND owner, const std::string& suggested);

}  // namespace molvane::viewer
