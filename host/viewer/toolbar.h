// The toolbar under the menus: the commands used most, greyed as their menu items are, with French tooltips.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace molvane::viewer {

class Toolbar {
 public:
  // A child of `parent` along its top, shown or hidden; its buttons send WM_COMMAND as the menu does.
  bool Create(HWND parent, bool shown);
  HWND Window() const { return window_; }
  bool Shown() const { return window_ && IsWindowVisible(window_); }
  void Show(bool shown);
  // Its height in the parent, 0 when hidden.
  int Height() const;
  // Each button enabled as its item of `menu` is; one the menu lacks is greyed.
  void Mirror(HMENU menu);
  // Answers a tooltip's question for a button's text (WM_NOTIFY); false for another notification.
  bool Notify(LPARAM lParam);

 private:
  HWND window_ = nullptr;
};

}  // namespace molvane::viewer
