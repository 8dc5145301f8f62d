// Plein écran.
#include "host/viewer/full_screen.h"

namespace molvane::viewer {

void FullScreen::Enter(HWND window) {
  if (active_) return;
  placement_.length = sizeof placement_;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetWindowPlacement(window, &placement_) ||
      !GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
    return;
  style_ = GetWindowLongPtrA(window, GWL_STYLE);
  SetWindowLongPtrA(window, GWL_STYLE, (style_ & ~(WS_OVERLAPPEDWINDOW | WS_MAXIMIZE)) | WS_POPUP);
  const RECT& area = monitor.rcMonitor;
  SetWindowPos(window, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
               SWP_FRAMECHANGED | SWP_NOOWNERZORDER | SWP_SHOWWINDOW);
  active_ = true;
}

void FullScreen::Leave(HWND window) {
  if (!active_) return;
  active_ = false;
  // Maximised again by the placement, not by the style: the system then
  // computes the maximised rectangle afresh.
  SetWindowLongPtrA(window, GWL_STYLE, style_ & ~WS_MAXIMIZE);
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER);
  SetWindowPlacement(window, &placement_);
}

}  // namespace molvane::viewer
