// Moving a tool's dialog aside.
#include "host/viewer/dialog_placement.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace molvane::viewer {
namespace {

int64_t Overlap(const RECT& a, const RECT& b) {
  RECT both;
  return IntersectRect(&both, &a, &b) ? int64_t(both.right - both.left) * (both.bottom - both.top) : 0;
}

}  // namespace

RECT OnScreen(const ImageView& view, const PixelRect& area) {
  const ViewGeometry geometry = view.Geometry();
  const PixelRect shown = area.Empty() ? PixelRect{0, 0, geometry.width, geometry.height} : area;
  auto at = [&](int32_t edge, LONG origin) { return origin + LONG(edge * geometry.zoom); };
  RECT target{at(shown.x, geometry.origin.x), at(shown.y, geometry.origin.y), at(shown.x + shown.width, geometry.origin.x),
              at(shown.y + shown.height, geometry.origin.y)};
  RECT client;
  GetClientRect(view.Window(), &client);
  IntersectRect(&target, &target, &client);
  MapWindowPoints(view.Window(), nullptr, reinterpret_cast<POINT*>(&target), 2);
  return target;
}

void MoveAside(HWND dialog, const RECT& keepInSight, const RECT& ratherNotCover) {
  RECT box;
  if (!dialog || !GetWindowRect(dialog, &box) || Overlap(box, keepInSight) == 0) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromRect(&keepInSight, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT work = monitor.rcWork;
  const LONG width = std::min(box.right - box.left, work.right - work.left);
  const LONG height = std::min(box.bottom - box.top, work.bottom - work.top);
  RECT best = box;
  std::pair<int64_t, int64_t> least{Overlap(box, keepInSight), Overlap(box, ratherNotCover)};
  for (LONG x : {work.left, work.right - width})
    for (LONG y : {work.top, work.bottom - height}) {
      const RECT there{x, y, x + width, y + height};
      const std::pair<int64_t, int64_t> covered{Overlap(there, keepInSight), Overlap(there, ratherNotCover)};
      if (covered < least) best = there, least = covered;
    }
  SetWindowPos(dialog, nullptr, best.left, best.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace molvane::viewer
