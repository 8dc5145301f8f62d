// The selection rectangle: drawing, handles, cursors, outline.
#include "host/viewer/selection.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace molvane::viewer {
namespace {

constexpr int kHandle = 7;   // a handle's side on screen
constexpr int kReach = 5;    // how far from a handle or side a press still takes it
constexpr int kDash = 4;

// The image edge nearest to a client point (between pixels: 0..width), not cut to the image.
POINT EdgeAt(POINT client, const ViewGeometry& view) {
  return POINT{LONG(std::lround((client.x - view.origin.x) / view.zoom)),
               LONG(std::lround((client.y - view.origin.y) / view.zoom))};
}

POINT ClampedEdge(POINT edge, const ViewGeometry& view) {
  return POINT{std::clamp<LONG>(edge.x, 0, view.width), std::clamp<LONG>(edge.y, 0, view.height)};
}

// The selection's outline on screen: the outer edges of its border pixels.
RECT OnScreen(const PixelRect& rect, const ViewGeometry& view) {
  auto at = [&](double edge, LONG origin) { return origin + LONG(std::floor(edge * view.zoom)); };
  return RECT{at(rect.x, view.origin.x), at(rect.y, view.origin.y), at(rect.x + rect.width, view.origin.x),
              at(rect.y + rect.height, view.origin.y)};
}

bool Near(POINT a, LONG x, LONG y) { return std::abs(a.x - x) <= kReach && std::abs(a.y - y) <= kReach; }

// A dashed line, one pixel thick, from (x, y) along x (horizontal) or y, `length` pixels.
void Dashes(HDC dc, LONG x, LONG y, LONG length, bool horizontal, HBRUSH dark, HBRUSH light) {
  for (LONG at = 0; at < length; at += kDash) {
    const LONG run = std::min<LONG>(kDash, length - at);
    RECT piece = horizontal ? RECT{x + at, y, x + at + run, y + 1} : RECT{x, y + at, x + 1, y + at + run};
    FillRect(dc, &piece, (at / kDash) % 2 ? light : dark);
  }
}

}  // namespace

void Selection::Set(const PixelRect& rect, int32_t width, int32_t height) {
  rect_ = ClippedTo(rect, width, height);
  grip_ = Grip::kNone;
}

void Selection::Clear() {
  rect_ = PixelRect{};
  grip_ = Grip::kNone;
}

Selection::Grip Selection::GripAt(POINT client, const ViewGeometry& view) const {
  if (!Active()) return Grip::kNone;
  const RECT box = OnScreen(rect_, view);
  const LONG midX = (box.left + box.right) / 2, midY = (box.top + box.bottom) / 2;
  // Corners first: on a small selection the handles overlap.
  if (Near(client, box.left, box.top)) return Grip::kTopLeft;
  if (Near(client, box.right, box.top)) return Grip::kTopRight;
  if (Near(client, box.left, box.bottom)) return Grip::kBottomLeft;
  if (Near(client, box.right, box.bottom)) return Grip::kBottomRight;
  const bool acrossX = client.x > box.left && client.x < box.right;
  const bool acrossY = client.y > box.top && client.y < box.bottom;
  if (acrossX && std::abs(client.y - box.top) <= kReach / 2 + (Near(client, midX, box.top) ? kReach : 0))
    return Grip::kTop;
  if (acrossX && std::abs(client.y - box.bottom) <= kReach / 2 + (Near(client, midX, box.bottom) ? kReach : 0))
    return Grip::kBottom;
  if (acrossY && std::abs(client.x - box.left) <= kReach / 2 + (Near(client, box.left, midY) ? kReach : 0))
    return Grip::kLeft;
  if (acrossY && std::abs(client.x - box.right) <= kReach / 2 + (Near(client, box.right, midY) ? kReach : 0))
    return Grip::kRight;
  // A selection of the whole image has nowhere to go: a drag inside draws a new one.
  if (acrossX && acrossY && !(rect_ == PixelRect{0, 0, view.width, view.height})) return Grip::kMove;
  return Grip::kNone;
}

Selection::Grip Selection::Press(POINT client, const ViewGeometry& view) {
  grip_ = GripAt(client, view);
  start_ = rect_;
  moved_ = false;
  const LONG left = rect_.x, top = rect_.y, right = rect_.x + rect_.width, bottom = rect_.y + rect_.height;
  switch (grip_) {
    case Grip::kNone:
      grip_ = Grip::kNew;
      anchor_ = ClampedEdge(EdgeAt(client, view), view);
      break;
    case Grip::kMove: anchor_ = EdgeAt(client, view); break;
    // A corner is dragged as a new drawing from the opposite corner.
    case Grip::kTopLeft: anchor_ = POINT{right, bottom}; break;
    case Grip::kTopRight: anchor_ = POINT{left, bottom}; break;
    case Grip::kBottomLeft: anchor_ = POINT{right, top}; break;
    case Grip::kBottomRight: anchor_ = POINT{left, top}; break;
    default: break;
  }
  return grip_;
}

PixelRect Selection::Between(POINT anchor, POINT edge, bool square, const ViewGeometry& view) {
  if (square) {
    const LONG dx = edge.x - anchor.x, dy = edge.y - anchor.y;
    const LONG signX = dx < 0 ? -1 : 1, signY = dy < 0 ? -1 : 1;
    // The larger of the two sides, as far as the image leaves room for it.
    const LONG side = std::min({std::max(std::abs(dx), std::abs(dy)), signX > 0 ? view.width - anchor.x : anchor.x,
                                signY > 0 ? view.height - anchor.y : anchor.y});
    edge = POINT{anchor.x + signX * side, anchor.y + signY * side};
  }
  return PixelRect{std::min(anchor.x, edge.x), std::min(anchor.y, edge.y), std::abs(edge.x - anchor.x),
                   std::abs(edge.y - anchor.y)};
}

bool Selection::Drag(POINT client, bool square, const ViewGeometry& view) {
  if (!Dragging()) return false;
  const POINT raw = EdgeAt(client, view), edge = ClampedEdge(raw, view);
  PixelRect next = rect_;
  const LONG left = start_.x, top = start_.y, right = start_.x + start_.width, bottom = start_.y + start_.height;
  switch (grip_) {
    case Grip::kNew:
      if (!moved_ && edge.x == anchor_.x && edge.y == anchor_.y) return false;
      next = Between(anchor_, edge, square, view);
      break;
    case Grip::kTopLeft:
    case Grip::kTopRight:
    case Grip::kBottomLeft:
    case Grip::kBottomRight: next = Between(anchor_, edge, square, view); break;
    case Grip::kMove:
      next.x = std::clamp<int32_t>(start_.x + (raw.x - anchor_.x), 0, view.width - start_.width);
      next.y = std::clamp<int32_t>(start_.y + (raw.y - anchor_.y), 0, view.height - start_.height);
      break;
    case Grip::kLeft: next = Between(POINT{right, top}, POINT{edge.x, bottom}, false, view); break;
    case Grip::kRight: next = Between(POINT{left, top}, POINT{edge.x, bottom}, false, view); break;
    case Grip::kTop: next = Between(POINT{left, bottom}, POINT{right, edge.y}, false, view); break;
    case Grip::kBottom: next = Between(POINT{left, top}, POINT{right, edge.y}, false, view); break;
    default: return false;
  }
  moved_ = true;
  if (next == rect_) return false;
  rect_ = next;
  return true;
}

void Selection::Release() {
  // A click outside drops the selection; a drawing or a handle pulled flat leaves none.
  if ((grip_ == Grip::kNew && !moved_) || rect_.Empty()) rect_ = PixelRect{};
  grip_ = Grip::kNone;
}

HCURSOR Selection::CursorAt(POINT client, const ViewGeometry& view) const {
  switch (Dragging() ? grip_ : GripAt(client, view)) {
    case Grip::kNew: return LoadCursor(nullptr, IDC_CROSS);
    case Grip::kMove: return LoadCursor(nullptr, IDC_SIZEALL);
    case Grip::kLeft:
    case Grip::kRight: return LoadCursor(nullptr, IDC_SIZEWE);
    case Grip::kTop:
    case Grip::kBottom: return LoadCursor(nullptr, IDC_SIZENS);
    case Grip::kTopLeft:
    case Grip::kBottomRight: return LoadCursor(nullptr, IDC_SIZENWSE);
    case Grip::kTopRight:
    case Grip::kBottomLeft: return LoadCursor(nullptr, IDC_SIZENESW);
    default: return nullptr;
  }
}

void Selection::Paint(HDC dc, const ViewGeometry& view) const {
  if (!Active()) return;
  const RECT box = OnScreen(rect_, view);
  // At a small zoom a pixel may take no screen pixel: the outline keeps one.
  const LONG right = std::max(box.right - 1, box.left), bottom = std::max(box.bottom - 1, box.top);
  HBRUSH dark = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  HBRUSH light = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  Dashes(dc, box.left, box.top, right - box.left + 1, true, dark, light);
  Dashes(dc, box.left, bottom, right - box.left + 1, true, dark, light);
  Dashes(dc, box.left, box.top, bottom - box.top + 1, false, dark, light);
  Dashes(dc, right, box.top, bottom - box.top + 1, false, dark, light);
  if (Dragging()) return;
  const LONG midX = (box.left + right) / 2, midY = (box.top + bottom) / 2;
  for (POINT at : {POINT{box.left, box.top}, POINT{midX, box.top}, POINT{right, box.top}, POINT{right, midY},
                   POINT{right, bottom}, POINT{midX, bottom}, POINT{box.left, bottom}, POINT{box.left, midY}}) {
    RECT handle{at.x - kHandle / 2, at.y - kHandle / 2, at.x + kHandle / 2 + 1, at.y + kHandle / 2 + 1};
    FillRect(dc, &handle, dark);
    InflateRect(&handle, -1, -1);
    FillRect(dc, &handle, light);
  }
}

std::string SelectionText(const PixelRect& rect) {
  if (rect.Empty()) return std::string();
  return "Sélection : " + std::to_string(rect.x) + ", " + std::to_string(rect.y) + " ; " + std::to_string(rect.width) +
         " x " + std::to_string(rect.height);
}

}  // namespace molvane::viewer
