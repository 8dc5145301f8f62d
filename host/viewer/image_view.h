// One image's window: the picture at any zoom with scroll bars, and the mouse on it in image pixels.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>
#include <vector>

#include "host/bmp.h"
#include "host/viewer/image_document.h"
#include "host/viewer/zoomed_picture.h"
#include "host/viewer/selection.h"

namespace molvane::viewer {

class ImageView;

// What the view tells the main window.
class ViewEvents {
 public:
  virtual ~ViewEvents() = default;
  // A left click; `inImage` false when it fell beside the picture. False
  // when no tool takes it: the press then draws or adjusts the selection.
  virtual bool ViewClicked(ImageView& view, bool inImage, POINT pixel) = 0;
  // The selection was drawn, adjusted or dropped.
  virtual void SelectionChanged(ImageView& view) = 0;
  // The pointer moved or left, the zoom changed or the window came to the
  // front: the status bar follows.
  virtual void PointerMoved(ImageView& view, bool inImage, POINT pixel) = 0;
  // The cursor over the view: null for the arrow.
  virtual HCURSOR CursorFor(ImageView& view) = 0;
  // False keeps the window open (the user kept unsaved changes, or a tool works on it).
  virtual bool MayClose(ImageView& view) = 0;
  virtual void ViewDestroyed(ImageView& view) = 0;
};

class ImageView {
 public:
  static constexpr char kClassName[] = "MolvaneImage";
  static void RegisterClass(HINSTANCE instance);
  // A new MDI child of `client` showing `document`; null when the window cannot be made.
  static ImageView* Create(HWND client, std::unique_ptr<ImageDocument> document, ViewEvents& events);
  static ImageView* From(HWND window);

  HWND Window() const { return window_; }
  ImageDocument& Document() { return *document_; }
  const ImageDocument& Document() const { return *document_; }

  // Screen pixels per image pixel.
  double Zoom() const { return zoom_; }
  void SetZoom(double zoom);
  void ZoomToFit();
  void ZoomIn();
  void ZoomOut();
  // The zoom menu's next step above (direction 1) or below (-1) a zoom that may lie between steps.
  static double ZoomStep(double zoom, int direction);
  // The reduction factors of the steps below 50 %: their copies are made ahead.
  static std::vector<int> StepFactors();
  static constexpr double kMinZoom = 1.0 / 16;
  static constexpr double kMaxZoom = 32;
  // The scroll bars' positions, in screen pixels of the zoomed picture.
  POINT ScrollPosition() const { return scroll_; }
  void ScrollTo(int x, int y);

  // The image pixel under a point of the client area; false beside the picture.
  bool PixelAt(POINT client, POINT& pixel) const;
  // The client point at the centre of an image pixel.
  POINT ClientPointOf(POINT pixel) const;

  // Another image in this window (the next of a folder): the old one and its
  // undo steps go; the zoom fits the new one, or stays as chosen.
  void ShowDocument(std::unique_ptr<ImageDocument> document);
  // The pixels changed: rebuild the picture and repaint now; the title
  // follows, and the zoom and scroll bars when the size changed. A new size
  // (a crop, a turn, their undo) drops the selection.
  void Refresh();
  // Another image shown in place of the document's (the state before a
  // change), at the same zoom, its point `at` where the document's corner
  // is; null shows the document again.
  void ShowInstead(std::unique_ptr<host::Bitmap24> image, POINT at = POINT{0, 0});
  bool ShowsAnother() const { return other_ != nullptr; }

  // The rectangle drawn on the image, in image pixels.
  Selection& CurrentSelection() { return selection_; }
  const Selection& CurrentSelection() const { return selection_; }
  // Sets or drops (empty) the selection and repaints.
  void Select(const PixelRect& rect);
  ViewGeometry Geometry() const;
  // What paints the picture, with the copies it made.
  ZoomedPicture& Picture() { return picture_; }
  void UpdateTitle();
  // The zoomed picture's top-left corner in the client area.
  POINT Origin() const;

 private:
  ImageView(std::unique_ptr<ImageDocument> document, ViewEvents& events);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  // The pixels shown changed: the window's bitmap is made again. For an
  // image newly shown (`newImage`), after the first paint when that can show
  // a quick picture of the pixels themselves; a change to the image shown is
  // painted exact at once, as a quick picture of an edited image (a contour,
  // a threshold) would look like a wrong result.
  void RebuildBitmap(bool newImage);
  void CopyBitmap();
  RECT DrawPicture(HDC dc, POINT origin, RECT visible);
  // The left button on the picture with no tool taking it, the drag, its end.
  void PressSelection(POINT client);
  void DragSelection(POINT client, bool square);
  void EndSelectionDrag();
  void Paint();
  void UpdateScrollBars();
  void Scroll(int bar, WORD request, WORD thumb);
  SIZE ZoomedSize() const;
  SIZE ClientSize() const;
  void ZoomAround(double zoom, POINT client);
  void Resized();
  void ReportPointer();
  void Wheel(WPARAM wParam, LPARAM lParam, bool sideways);

  HWND window_ = nullptr;
  std::unique_ptr<ImageDocument> document_;
  ViewEvents& events_;
  // The picture as a bottom-up DIB, rows padded to 4 bytes, of the
  // document's pixels or of `other_`, and what paints it.
  DibPixels bitmap_;
  bool bitmapPending_ = false;
  bool quickPictureAllowed_ = false;
  SIZE shown_{0, 0};
  ZoomedPicture picture_;
  std::unique_ptr<host::Bitmap24> other_;
  POINT otherAt_{0, 0};
  Selection selection_;
  double zoom_ = 1;
  POINT scroll_{0, 0};
  bool fitting_ = false;  // the zoom follows the window's size until another zoom is chosen
  bool trackingLeave_ = false;
  bool ownedByWindow_ = false;
};

}  // namespace molvane::viewer
