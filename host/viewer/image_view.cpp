// One image's window: painting at a zoom, scrolling, the mouse in image pixels.
#include "host/viewer/image_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <windowsx.h>

namespace molvane::viewer {
namespace {

// The zoom menu's steps, as image editors offer them.
constexpr double kZoomSteps[] = {1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1,
                                 1.5,      2,        3,       4,       6,       8,       12,      16,      32};

}  // namespace

double ImageView::ZoomStep(double zoom, int direction) {
  if (direction > 0) {
    for (double step : kZoomSteps)
      if (step > zoom * 1.0001) return step;
    return kZoomSteps[sizeof kZoomSteps / sizeof kZoomSteps[0] - 1];
  }
  for (auto step = std::rbegin(kZoomSteps); step != std::rend(kZoomSteps); ++step)
    if (*step < zoom / 1.0001) return *step;
  return kZoomSteps[0];
}

std::vector<int> ImageView::StepFactors() {
  std::vector<int> factors;
  for (double step : kZoomSteps)
    if (ReductionFactor(step) > 1) factors.push_back(ReductionFactor(step));
  return factors;
}

namespace {

const COLORREF kBackground = RGB(96, 96, 96);
// Posted by the first paint of new pixels, which showed them before their bitmap was made.
constexpr UINT kCopyBitmap = WM_APP + 0x4D1;

}  // namespace

constexpr char ImageView::kClassName[];
// kClassName for the wide functions, which register and create the windows.
constexpr wchar_t kWideClassName[] = L"MolvaneImage";

void ImageView::RegisterClass(HINSTANCE instance) {
  // A window of wide texts: titles show file names in any script.
  WNDCLASSEXW windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.cbSize = sizeof windowClass;
  // A new size repaints the whole window: the picture is centred in it.
  windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &ImageView::Procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  windowClass.hCursor = nullptr;
  windowClass.hbrBackground = nullptr;
  windowClass.lpszClassName = kWideClassName;
  RegisterClassExW(&windowClass);
}

ImageView::ImageView(std::unique_ptr<ImageDocument> document, ViewEvents& events)
    : document_(std::move(document)), events_(events), picture_(StepFactors()) {
  RebuildBitmap(true);
}

ImageView* ImageView::Create(HWND client, std::unique_ptr<ImageDocument> document, ViewEvents& events) {
  // Ours until the window exists; the window's end deletes it after that.
  std::unique_ptr<ImageView> owned(new ImageView(std::move(document), events));
  ImageView* view = owned.get();
  MDICREATESTRUCTW create;
  std::memset(&create, 0, sizeof create);
  const std::wstring title = view->document_->DisplayName();
  create.szClass = kWideClassName;
  create.szTitle = title.c_str();
  create.hOwner = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(client, GWLP_HINSTANCE));
  create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
  create.style = WS_HSCROLL | WS_VSCROLL;
  create.lParam = reinterpret_cast<LPARAM>(view);
  HWND window = reinterpret_cast<HWND>(SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
  if (!window) return nullptr;
  owned.release();
  view->ownedByWindow_ = true;
  view->ZoomToFit();
  view->UpdateTitle();
  return view;
}

ImageView* ImageView::From(HWND window) {
  if (!window) return nullptr;
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, kClassName) != 0) return nullptr;
  return reinterpret_cast<ImageView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK ImageView::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ImageView* view = reinterpret_cast<ImageView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    const auto* mdi = static_cast<const MDICREATESTRUCTW*>(create->lpCreateParams);
    view = reinterpret_cast<ImageView*>(mdi->lParam);
    view->window_ = window;
    view->picture_.PostReadyTo(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
  }
  if (!view) return DefMDIChildProcW(window, message, wParam, lParam);
  // No exception may cross into the system's code.
  try {
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      if (view->ownedByWindow_) {
        view->events_.ViewDestroyed(*view);
        delete view;
      }
      return DefMDIChildProcW(window, message, wParam, lParam);
    }
    return view->Handle(message, wParam, lParam);
  } catch (...) {
    return DefMDIChildProcW(window, message, wParam, lParam);
  }
}

LRESULT ImageView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case kCopyBitmap:
      if (bitmapPending_) {
        CopyBitmap();
        InvalidateRect(window_, nullptr, FALSE);
      }
      return 0;
    case ZoomedPicture::kCopyReady:
      // The quick first picture gives way to the exact one.
      if (picture_.ShowsQuickPicture()) InvalidateRect(window_, nullptr, FALSE);
      // The copies are all made: the next tool run's copy finds its block ready.
      if (lParam == 1) document_->PrepareCopyBeforeRun();
      return 0;
    case WM_SIZE:
      Resized();
      break;  // the MDI child's default handling must see it too
    case WM_MDIACTIVATE:
      if (reinterpret_cast<HWND>(lParam) == window_) events_.PointerMoved(*this, false, POINT{0, 0});
      break;
    case WM_HSCROLL:
      Scroll(SB_HORZ, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_VSCROLL:
      Scroll(SB_VERT, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      Wheel(wParam, lParam, message == WM_MOUSEHWHEEL);
      return 0;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      events_.PointerMoved(*this, false, POINT{0, 0});
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: {
      const POINT client{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      POINT pixel{0, 0};
      const bool inImage = PixelAt(client, pixel);
      if (message == WM_LBUTTONDOWN) {
        SetFocus(window_);
        if (!events_.ViewClicked(*this, inImage, pixel)) PressSelection(client);
      } else {
        if (selection_.Dragging()) DragSelection(client, (wParam & MK_SHIFT) != 0);
        if (!trackingLeave_) {
          TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window_, 0};
          trackingLeave_ = TrackMouseEvent(&track) != FALSE;
        }
        events_.PointerMoved(*this, inImage, pixel);
      }
      return 0;
    }
    case WM_LBUTTONUP:
      if (selection_.Dragging()) EndSelectionDrag();
      return 0;
    case WM_CAPTURECHANGED:
      if (selection_.Dragging()) EndSelectionDrag();
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        HCURSOR cursor = events_.CursorFor(*this);
        if (!cursor) {
          POINT at;
          GetCursorPos(&at);
          ScreenToClient(window_, &at);
          cursor = selection_.CursorAt(at, Geometry());
        }
        SetCursor(cursor ? cursor : LoadCursor(nullptr, IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      if (!events_.MayClose(*this)) return 0;
      break;
    default:
      break;
  }
  return DefMDIChildProcW(window_, message, wParam, lParam);
}

void ImageView::RebuildBitmap(bool newImage) {
  // Its background thread reads the bitmap: stopped before the bitmap changes.
  picture_.Forget();
  picture_.AllowQuickPicture(newImage);
  quickPictureAllowed_ = newImage;
  bitmapPending_ = true;
  shown_ = other_ ? SIZE{other_->width, other_->height} : SIZE{document_->Width(), document_->Height()};
}

void ImageView::CopyBitmap() {
  if (other_) CopyIntoDib(other_->pixels.data(), other_->width, other_->height, bitmap_);
  else CopyIntoDib(document_->Pixels().Data(), document_->Width(), document_->Height(), bitmap_);
  bitmapPending_ = false;
}

RECT ImageView::DrawPicture(HDC dc, POINT origin, RECT visible) {
  const Pixel24* pixels = other_ ? other_->pixels.data() : document_->Pixels().Data();
  if (bitmapPending_ && quickPictureAllowed_ && pixels && ReductionFactor(zoom_) > 1) {
    // A large image reaches the screen sooner: its bitmap is copied once this paint is shown.
    PostMessageA(window_, kCopyBitmap, 0, 0);
    return picture_.DrawQuick(dc, pixels, shown_, zoom_, origin, visible);
  }
  if (bitmapPending_) CopyBitmap();
  return picture_.Draw(dc, bitmap_, zoom_, origin, visible);
}

SIZE ImageView::ZoomedSize() const {
  return SIZE{LONG(std::ceil(document_->Width() * zoom_)), LONG(std::ceil(document_->Height() * zoom_))};
}

SIZE ImageView::ClientSize() const {
  RECT client{0, 0, 0, 0};
  GetClientRect(window_, &client);
  return SIZE{client.right, client.bottom};
}

POINT ImageView::Origin() const {
  const SIZE zoomed = ZoomedSize(), client = ClientSize();
  // A picture smaller than the window is centred; a larger one scrolls.
  return POINT{zoomed.cx < client.cx ? (client.cx - zoomed.cx) / 2 : -scroll_.x,
               zoomed.cy < client.cy ? (client.cy - zoomed.cy) / 2 : -scroll_.y};
}

bool ImageView::PixelAt(POINT client, POINT& pixel) const {
  const POINT origin = Origin();
  const double x = std::floor((client.x - origin.x) / zoom_), y = std::floor((client.y - origin.y) / zoom_);
  if (x < 0 || y < 0 || x >= document_->Width() || y >= document_->Height()) return false;
  pixel = POINT{LONG(x), LONG(y)};
  return true;
}

POINT ImageView::ClientPointOf(POINT pixel) const {
  const POINT origin = Origin();
  return POINT{origin.x + LONG(std::floor((pixel.x + 0.5) * zoom_)), origin.y + LONG(std::floor((pixel.y + 0.5) * zoom_))};
}

void ImageView::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  const SIZE client = ClientSize();
  // Another image is placed so that its part matching the document covers it.
  POINT origin = Origin();
  if (other_) origin = POINT{origin.x - LONG(std::lround(otherAt_.x * zoom_)), origin.y - LONG(std::lround(otherAt_.y * zoom_))};
  const int width = shown_.cx, height = shown_.cy;
  // The visible part of the image only: a zoomed photograph can be huge.
  const int left = std::max(0, int(std::floor(-origin.x / zoom_)));
  const int top = std::max(0, int(std::floor(-origin.y / zoom_)));
  const int right = std::min(width, int(std::ceil((client.cx - origin.x) / zoom_)));
  const int bottom = std::min(height, int(std::ceil((client.cy - origin.y) / zoom_)));
  RECT picture{0, 0, 0, 0};
  if (left < right && top < bottom) picture = DrawPicture(dc, origin, RECT{left, top, right, bottom});
  const int saved = SaveDC(dc);
  if (left < right && top < bottom) ExcludeClipRect(dc, picture.left, picture.top, picture.right, picture.bottom);
  HBRUSH brush = CreateSolidBrush(kBackground);
  RECT all{0, 0, client.cx, client.cy};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  RestoreDC(dc, saved);
  // Over the picture and the margin alike: a handle may stand beside the picture.
  if (!other_) selection_.Paint(dc, Geometry());
  EndPaint(window_, &paint);
}

void ImageView::UpdateScrollBars() {
  const SIZE zoomed = ZoomedSize(), client = ClientSize();
  scroll_.x = std::max(0L, std::min(scroll_.x, zoomed.cx - client.cx));
  scroll_.y = std::max(0L, std::min(scroll_.y, zoomed.cy - client.cy));
  SCROLLINFO info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMax = zoomed.cx - 1;
  info.nPage = UINT(std::max(0L, client.cx));
  info.nPos = scroll_.x;
  SetScrollInfo(window_, SB_HORZ, &info, TRUE);
  info.nMax = zoomed.cy - 1;
  info.nPage = UINT(std::max(0L, client.cy));
  info.nPos = scroll_.y;
  SetScrollInfo(window_, SB_VERT, &info, TRUE);
}

void ImageView::Scroll(int bar, WORD request, WORD thumb) {
  SCROLLINFO info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(window_, bar, &info);
  int position = bar == SB_HORZ ? scroll_.x : scroll_.y;
  const int line = 3 * GetSystemMetrics(SM_CYVSCROLL);
  switch (request) {
    case SB_LINEUP: position -= line; break;
    case SB_LINEDOWN: position += line; break;
    case SB_PAGEUP: position -= int(info.nPage); break;
    case SB_PAGEDOWN: position += int(info.nPage); break;
    case SB_THUMBTRACK: position = info.nTrackPos; break;
    // The message's 16-bit position, unless the range needs the bar's 32-bit one.
    case SB_THUMBPOSITION: position = info.nMax <= 0xFFFF ? thumb : info.nTrackPos; break;
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = info.nMax; break;
    default: return;
  }
  if (bar == SB_HORZ) ScrollTo(position, scroll_.y);
  else ScrollTo(scroll_.x, position);
}

void ImageView::ScrollTo(int x, int y) {
  scroll_ = POINT{x, y};
  UpdateScrollBars();
  InvalidateRect(window_, nullptr, FALSE);
  ReportPointer();
}

void ImageView::ReportPointer() {
  // The picture moved under a still pointer: the readout follows it.
  POINT at{0, 0}, pixel{0, 0};
  GetCursorPos(&at);
  const bool over = WindowFromPoint(at) == window_;
  ScreenToClient(window_, &at);
  const bool inImage = over && PixelAt(at, pixel);
  events_.PointerMoved(*this, inImage, pixel);
}

void ImageView::Wheel(WPARAM wParam, LPARAM lParam, bool sideways) {
  const int steps = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
  const WORD keys = GET_KEYSTATE_WPARAM(wParam);
  const int line = 3 * GetSystemMetrics(SM_CYVSCROLL);
  if (!sideways && (keys & MK_CONTROL)) {
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(window_, &at);
    for (int i = 0; i < std::abs(steps); ++i) ZoomAround(ZoomStep(zoom_, steps > 0 ? 1 : -1), at);
  } else if (sideways) {
    ScrollTo(scroll_.x + steps * line, scroll_.y);  // a tilt to the right is positive
  } else if (keys & MK_SHIFT) {
    ScrollTo(scroll_.x - steps * line, scroll_.y);
  } else {
    ScrollTo(scroll_.x, scroll_.y - steps * line);
  }
}

void ImageView::Resized() {
  // Maximised, restored or resized: a picture fitted to the window is fitted again.
  if (fitting_) ZoomToFit();
  else UpdateScrollBars();
  InvalidateRect(window_, nullptr, FALSE);
}

void ImageView::ZoomAround(double zoom, POINT client) {
  zoom = std::max(kMinZoom, std::min(kMaxZoom, zoom));
  fitting_ = false;
  // The image point under `client` stays under it.
  const POINT origin = Origin();
  const double imageX = (client.x - origin.x) / zoom_, imageY = (client.y - origin.y) / zoom_;
  zoom_ = zoom;
  scroll_ = POINT{LONG(std::lround(imageX * zoom_ - client.x)), LONG(std::lround(imageY * zoom_ - client.y))};
  UpdateScrollBars();
  InvalidateRect(window_, nullptr, FALSE);
  ReportPointer();
}

void ImageView::SetZoom(double zoom) {
  const SIZE client = ClientSize();
  ZoomAround(zoom, POINT{client.cx / 2, client.cy / 2});
}

void ImageView::ZoomToFit() {
  const SIZE client = ClientSize();
  if (client.cx <= 0 || client.cy <= 0) return;
  SetZoom(std::min(double(client.cx) / document_->Width(), double(client.cy) / document_->Height()));
  fitting_ = true;
}

void ImageView::ZoomIn() { SetZoom(ZoomStep(zoom_, 1)); }

void ImageView::ZoomOut() { SetZoom(ZoomStep(zoom_, -1)); }

void ImageView::ShowDocument(std::unique_ptr<ImageDocument> document) {
  document_ = std::move(document);
  scroll_ = POINT{0, 0};
  other_.reset();
  selection_.Clear();
  RebuildBitmap(true);
  if (fitting_) ZoomToFit();
  else SetZoom(zoom_);
  InvalidateRect(window_, nullptr, FALSE);
  UpdateWindow(window_);
  UpdateTitle();
  events_.SelectionChanged(*this);
  events_.PointerMoved(*this, false, POINT{0, 0});
}

void ImageView::Refresh() {
  const bool resized = shown_.cx != document_->Width() || shown_.cy != document_->Height();
  other_.reset();
  RebuildBitmap(false);
  if (resized) {
    selection_.Clear();
    if (fitting_) ZoomToFit();
    else UpdateScrollBars();
    events_.SelectionChanged(*this);
  }
  InvalidateRect(window_, nullptr, FALSE);
  UpdateWindow(window_);
  UpdateTitle();
}

void ImageView::ShowInstead(std::unique_ptr<host::Bitmap24> image, POINT at) {
  other_ = std::move(image);
  otherAt_ = at;
  RebuildBitmap(false);
  InvalidateRect(window_, nullptr, FALSE);
  UpdateWindow(window_);
}

ViewGeometry ImageView::Geometry() const {
  return ViewGeometry{Origin(), zoom_, document_->Width(), document_->Height()};
}

void ImageView::Select(const PixelRect& rect) {
  if (selection_.Dragging()) ReleaseCapture();
  selection_.Set(rect, document_->Width(), document_->Height());
  InvalidateRect(window_, nullptr, FALSE);
  events_.SelectionChanged(*this);
}

void ImageView::PressSelection(POINT client) {
  if (other_) return;
  selection_.Press(client, Geometry());
  SetCapture(window_);
}

void ImageView::DragSelection(POINT client, bool square) {
  if (!selection_.Drag(client, square, Geometry())) return;
  InvalidateRect(window_, nullptr, FALSE);
  events_.SelectionChanged(*this);
}

void ImageView::EndSelectionDrag() {
  selection_.Release();
  if (GetCapture() == window_) ReleaseCapture();
  InvalidateRect(window_, nullptr, FALSE);
  events_.SelectionChanged(*this);
}

void ImageView::UpdateTitle() {
  const std::wstring title = document_->DisplayName() + (document_->Modified() ? L" *" : L"");
  SetWindowTextW(window_, title.c_str());
  // The Fenêtre menu lists the windows by their titles, which the system does not follow by itself.
  SendMessageA(GetParent(window_), WM_MDIREFRESHMENU, 0, 0);
}

}  // namespace molvane::viewer
