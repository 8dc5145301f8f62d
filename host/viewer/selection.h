// The rectangle drawn on an image with the mouse: its handles and cursors, its outline, its text.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "host/viewer/pixel_rect.h"

namespace molvane::viewer {

// Where a view shows its image: the picture's top-left corner in the client
// area, screen pixels per image pixel, and the image's size.
struct ViewGeometry {
  POINT origin;
  double zoom;
  int32_t width;
  int32_t height;
};

// A rectangle of whole image pixels, drawn by a left drag (Shift: a square),
// adjusted by the handles at its corners and sides or moved from inside; a
// press and release outside it without a drag drops it.
class Selection {
 public:
  enum class Grip { kNone, kNew, kMove, kLeft, kTop, kRight, kBottom, kTopLeft, kTopRight, kBottomLeft, kBottomRight };

  const PixelRect& Rect() const { return rect_; }
  bool Active() const { return !rect_.Empty(); }
  // The rectangle cut to the image; empty drops the selection.
  void Set(const PixelRect& rect, int32_t width, int32_t height);
  void Clear();

  bool Dragging() const { return grip_ != Grip::kNone; }
  // The left button went down at `client`: what it holds from now on.
  Grip Press(POINT client, const ViewGeometry& view);
  // The pointer moved with the button down; true when the rectangle changed.
  bool Drag(POINT client, bool square, const ViewGeometry& view);
  // The button came up.
  void Release();

  // The cursor for the pointer at `client` (during a drag, the drag's); null for the arrow.
  HCURSOR CursorAt(POINT client, const ViewGeometry& view) const;
  // The outline, black and white dashes seen on any picture, and its handles.
  void Paint(HDC dc, const ViewGeometry& view) const;

 private:
  Grip GripAt(POINT client, const ViewGeometry& view) const;
  // The rectangle between two image edges (Shift: a square from `anchor`).
  static PixelRect Between(POINT anchor, POINT edge, bool square, const ViewGeometry& view);

  PixelRect rect_;
  Grip grip_ = Grip::kNone;
  PixelRect start_;    // the rectangle when the button went down
  POINT anchor_{0, 0};  // the fixed image edge of a drawing, or where a move began
  bool moved_ = false;
};

// "Sélection : X, Y ; W x H", or empty without one.
std::string SelectionText(const PixelRect& rect);

}  // namespace molvane::viewer
