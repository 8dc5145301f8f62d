// Plein écran: the main window without its frame over its whole monitor, and back exactly as it was.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace molvane::viewer {

// The menu bar and the status bar stay: the commands remain at hand, and
// the image windows keep the whole rest of the monitor.
class FullScreen {
 public:
  bool Active() const { return active_; }
  // Keeps the window's style and placement (maximised or not, its restored
  // rectangle), then covers the monitor that holds most of it.
  void Enter(HWND window);
  // Puts the style and placement back.
  void Leave(HWND window);

 private:
  bool active_ = false;
  LONG_PTR style_ = 0;
  WINDOWPLACEMENT placement_{};
};

}  // namespace molvane::viewer
