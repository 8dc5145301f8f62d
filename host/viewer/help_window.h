// "?" ▸ Aide: the help pages in a window of the viewer's own, a list of pages beside the chosen page's text.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>

namespace molvane::viewer {

// One window, made on first use, owned by the frame so that it stays above
// it; closing it destroys it, and the next Show makes it again.
class HelpWindow {
 public:
  static constexpr char kClassName[] = "MolvaneAide";
  HelpWindow() = default;
  ~HelpWindow();
  HelpWindow(const HelpWindow&) = delete;
  HelpWindow& operator=(const HelpWindow&) = delete;

  // Shows page `page` (help_pages.h) in front of `owner`.
  void Show(HWND owner, size_t page);
  HWND Window() const { return window_; }
  // The list of pages and the read-only text.
  HWND List() const { return list_; }
  HWND Text() const { return text_; }
  // Tab between the list and the text, Échap closes: true when the key was the window's.
  bool TakesKey(MSG& message);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool Create(HWND owner);
  void Select(size_t page);
  void Layout();

  HWND window_ = nullptr;
  HWND list_ = nullptr;
  HWND text_ = nullptr;
  HFONT font_ = nullptr;
};

}  // namespace molvane::viewer
