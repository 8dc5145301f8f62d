// The window wrappers, the shared look, and what every peer does with its windows.
#include "ui/win32/window.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/win32/peers.h"

namespace molvane::ui::win32 {

std::string Window::Text() const {
  int length = ::GetWindowTextLengthA(handle_);
  if (length <= 0) return std::string();
  std::vector<char> buffer(size_t(length) + 1, '\0');
  int got = ::GetWindowTextA(handle_, buffer.data(), length + 1);
  return std::string(buffer.data(), size_t(std::max(got, 0)));
}

void Window::SetText(const std::string& text) const {
  if (!handle_ || Text() == text) return;
  ::SetWindowTextA(handle_, text.c_str());
}

std::string ComboBoxWindow::ItemText(int index) const {
  LRESULT length = Send(CB_GETLBTEXTLEN, WPARAM(index));
  if (length <= 0) return std::string();
  std::vector<char> buffer(size_t(length) + 1, '\0');
  Send(CB_GETLBTEXT, WPARAM(index), LPARAM(buffer.data()));
  return std::string(buffer.data());
}

bool Window::ChangeStyle(DWORD bits, bool on) const {
  DWORD old = Style();
  DWORD style = on ? (old | bits) : (old & ~bits);
  if (style == old) return false;
  SetStyle(style);
  return true;
}

namespace {
const char kBaseProcedure[] = "MolvaneBaseProc";
}

void Subclass(HWND hwnd, WNDPROC procedure) {
  LONG_PTR base = ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  ::SetPropA(hwnd, kBaseProcedure, reinterpret_cast<HANDLE>(base));
}

LRESULT CallBase(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  auto base = reinterpret_cast<WNDPROC>(::GetPropA(hwnd, kBaseProcedure));
  if (message == WM_NCDESTROY) ::RemovePropA(hwnd, kBaseProcedure);
  return base ? ::CallWindowProcA(base, hwnd, message, w, l) : ::DefWindowProcA(hwnd, message, w, l);
}

SIZE MeasureText(HFONT font, const std::string& text, int wrapWidth) {
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font);
  RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
  UINT format = DT_CALCRECT | DT_EXPANDTABS | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE);
  // An empty text still takes a line's height.
  ::DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &r, format);
  if (text.empty()) r.right = r.left;
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

BufferedPaint::BufferedPaint(HWND hwnd) : hwnd_(hwnd) {
  screen_ = ::BeginPaint(hwnd, &ps_);
  ::GetClientRect(hwnd, &client_);
  int width = std::max<int>(client_.right, 1);
  int height = std::max<int>(client_.bottom, 1);
  memory_ = ::CreateCompatibleDC(screen_);
  bitmap_ = ::CreateCompatibleBitmap(screen_, width, height);
  oldBitmap_ = ::SelectObject(memory_, bitmap_);
}

BufferedPaint::~BufferedPaint() {
  ::BitBlt(screen_, 0, 0, client_.right, client_.bottom, memory_, 0, 0, SRCCOPY);
  ::SelectObject(memory_, oldBitmap_);
  ::DeleteObject(bitmap_);
  ::DeleteDC(memory_);
  ::EndPaint(hwnd_, &ps_);
}

// --- the shared look ---------------------------------------------------------

namespace {

// An 8-point font of that face, `width` its average character width (0:
// the face's own); when `exact`, null if the system would substitute another.
HFONT DialogFont(HDC screen, const char* face, int weight, bool exact, int width = 0) {
  LOGFONTA font{};
  font.lfHeight = -::MulDiv(8, screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96, 72);
  font.lfWidth = width;
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
  HFONT made = ::CreateFontIndirectA(&font);
  if (!made || !exact || !screen) return made;
  char got[LF_FACESIZE] = {};
  HGDIOBJ old = ::SelectObject(screen, made);
  ::GetTextFaceA(screen, LF_FACESIZE, got);
  ::SelectObject(screen, old);
  if (::lstrcmpiA(got, face) == 0) return made;
  ::DeleteObject(made);
  return nullptr;
}

// The dialogs were laid out in MS Sans Serif 8 pt: their label boxes and
// the gaps between labels and controls fit its widths. This sentence, the
// longest label, is that wide in it at 96 dpi (normal, bold).
const char kLayoutSentence[] = "Sélection de la couleur de fond sur l'image originale";
constexpr int kLayoutWidth[2] = {241, 294};

struct Measured {
  int width;
  int averageCharWidth;
};

Measured Measure(HDC screen, HFONT font) {
  HGDIOBJ old = ::SelectObject(screen, font);
  SIZE size{};
  ::GetTextExtentPoint32A(screen, kLayoutSentence, int(sizeof kLayoutSentence - 1), &size);
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(screen, &metrics);
  ::SelectObject(screen, old);
  return Measured{int(size.cx), int(metrics.tmAveCharWidth)};
}

// Where MS Sans Serif is missing (most Wine prefixes): the narrowest of the
// usual sans-serif faces the system has, at 8 pt, its characters narrowed
// further until the layout's sentence fits as it did.
HFONT FallbackFont(HDC screen, int weight) {
  const char* const faces[] = {"Microsoft Sans Serif", "Tahoma", "Arial", "Liberation Sans",
                               "DejaVu Sans Condensed", "DejaVu Sans"};
  const char* face = "MS Shell Dlg";
  HFONT best = nullptr;
  Measured bestSize{0, 0};
  for (const char* candidate : faces) {
    HFONT font = DialogFont(screen, candidate, weight, true);
    if (!font) continue;
    const Measured size = Measure(screen, font);
    if (best && size.width >= bestSize.width) {
      ::DeleteObject(font);
      continue;
    }
    if (best) ::DeleteObject(best);
    best = font;
    bestSize = size;
    face = candidate;
  }
  if (!best) {
    best = DialogFont(screen, face, weight, false);
    if (!best) return nullptr;
    bestSize = Measure(screen, best);
  }
  const int target = kLayoutWidth[weight == FW_BOLD ? 1 : 0];
  if (bestSize.width <= target || bestSize.width <= 0) return best;
  for (int width = std::max(1, bestSize.averageCharWidth * target / bestSize.width); width >= 1; --width) {
    HFONT narrowed = DialogFont(screen, face, weight, false, width);
    if (!narrowed) break;
    if (Measure(screen, narrowed).width <= target) {
      ::DeleteObject(best);
      return narrowed;
    }
    ::DeleteObject(narrowed);
  }
  return best;
}

Look* theLook = nullptr;

Look MakeLook() {
  Look made;
  HDC screen = ::GetDC(nullptr);
  made.normal = DialogFont(screen, "MS Sans Serif", FW_NORMAL, true);
  made.bold = DialogFont(screen, "MS Sans Serif", FW_BOLD, true);
  if ((!made.normal || !made.bold) && screen) {
    if (made.normal) ::DeleteObject(made.normal);
    if (made.bold) ::DeleteObject(made.bold);
    made.normal = FallbackFont(screen, FW_NORMAL);
    made.bold = FallbackFont(screen, FW_BOLD);
  }
  if (screen) ::ReleaseDC(nullptr, screen);
  if (!made.normal) made.normal = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  if (!made.bold) made.bold = made.normal;
  made.faceColour = ::GetSysColor(COLOR_BTNFACE);
  made.face = ::GetSysColorBrush(COLOR_BTNFACE);
  return made;
}

}  // namespace

const Look& TheLook() {
  if (!theLook) theLook = new Look(MakeLook());
  return *theLook;
}

void ReleaseLook() {
  if (!theLook) return;
  HGDIOBJ stock = ::GetStockObject(DEFAULT_GUI_FONT);
  if (theLook->bold != theLook->normal && theLook->bold != stock) ::DeleteObject(theLook->bold);
  if (theLook->normal != stock) ::DeleteObject(theLook->normal);
  delete theLook;
  theLook = nullptr;
}

HFONT FontOf(const Component& component) {
  return component.Weight() == FontWeight::Bold ? TheLook().bold : TheLook().normal;
}

HINSTANCE ThisModule() {
  static HINSTANCE module = [] {
    HMODULE found = nullptr;
    ::GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&TheLook), &found);
    return found ? found : ::GetModuleHandleA(nullptr);
  }();
  return module;
}

namespace {
int mirroring = 0;
int nextControlId = 100;  // clear of IDOK and IDCANCEL
}  // namespace

bool MirroringModel() { return mirroring > 0; }
MirrorScope::MirrorScope() { ++mirroring; }
MirrorScope::~MirrorScope() { --mirroring; }

Peer* PeerOf(HWND hwnd) {
  return hwnd ? reinterpret_cast<Peer*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA)) : nullptr;
}

// --- what every peer does ----------------------------------------------------

RECT Peer::Place() const {
  Rect b = model_.Bounds();
  int x = b.left;
  int y = b.top;
  for (Component* p = model_.Parent(); p && p->GetKind() != Component::Kind::Form; p = p->Parent()) {
    x += p->Bounds().left;
    y += p->Bounds().top;
  }
  return RECT{x, y, x + std::max(b.width, 0), y + std::max(b.height, 0)};
}

bool Peer::ShownOnForm() const {
  for (const Component* c = &model_; c && c->GetKind() != Component::Kind::Form; c = c->Parent())
    if (!c->Visible()) return false;
  return true;
}

bool Peer::EnabledOnForm() const {
  for (const Component* c = &model_; c && c->GetKind() != Component::Kind::Form; c = c->Parent())
    if (!c->Enabled()) return false;
  return true;
}

HWND Peer::MakeChild(const char* windowClass, const std::string& text, DWORD style, DWORD exStyle,
                     const RECT& place) {
  style |= WS_CHILD | WS_CLIPSIBLINGS;
  if (ShownOnForm()) style |= WS_VISIBLE;
  if (!EnabledOnForm()) style |= WS_DISABLED;
  HWND hwnd = ::CreateWindowExA(exStyle, windowClass, text.c_str(), style, place.left, place.top,
                                place.right - place.left, place.bottom - place.top,
                                form_.Handle(), reinterpret_cast<HMENU>(INT_PTR(nextControlId++)),
                                ThisModule(), nullptr);
  if (!hwnd) return nullptr;
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Window(hwnd).SetFont(FontOf(model_));
  return hwnd;
}

HBRUSH Peer::Colours(HDC dc, HWND) {
  ::SetTextColor(dc, EnabledOnForm() ? COLORREF(model_.FontColour()) : ::GetSysColor(COLOR_GRAYTEXT));
  ::SetBkColor(dc, TheLook().faceColour);
  return TheLook().face;
}

void SingleWindowPeer::Update(Property property) {
  if (!window_.Handle()) return;
  switch (property) {
    case Property::Bounds:
      window_.Move(WindowPlace());
      break;
    case Property::Visible:
      window_.Show(ShownOnForm());
      break;
    case Property::Enabled:
      window_.Enable(EnabledOnForm());
      window_.Invalidate();
      break;
    case Property::Caption:
      window_.SetText(Model().Caption());
      break;
    case Property::Font:
      window_.SetFont(FontOf(Model()));
      window_.Invalidate();
      break;
    default:
      break;
  }
}

void SingleWindowPeer::Collect(std::vector<HWND>& painted, std::vector<Stacked>& native) const {
  if (!window_.Handle()) return;
  if (Painted()) painted.push_back(window_.Handle());
  else native.push_back(Stacked{window_.Handle(), RadioSet(), Overlay()});
}

void SingleWindowPeer::DestroyWindows() {
  HWND hwnd = window_.Detach();
  if (!hwnd) return;
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  if (::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId()) ::DestroyWindow(hwnd);
}

// --- bitmaps -----------------------------------------------------------------

void DrawBitmap(HDC dc, const RECT& dest, const Bitmap24& bitmap, bool stretch, bool transparent) {
  if (bitmap.Empty()) return;
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  const int dw = stretch ? int(dest.right - dest.left) : std::min<int>(w, dest.right - dest.left);
  const int dh = stretch ? int(dest.bottom - dest.top) : std::min<int>(h, dest.bottom - dest.top);
  if (dw <= 0 || dh <= 0) return;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // rows top first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;

  if (!transparent) {
    int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, dest.left, dest.top, dest.left + dw, dest.top + dh);
    if (stretch) {
      ::SetStretchBltMode(dc, COLORONCOLOR);
      ::StretchDIBits(dc, dest.left, dest.top, dw, dh, 0, 0, w, h, bitmap.Bytes(), &info,
                      DIB_RGB_COLORS, SRCCOPY);
    } else {
      ::SetDIBitsToDevice(dc, dest.left, dest.top, DWORD(w), DWORD(h), 0, 0, 0, UINT(h),
                          bitmap.Bytes(), &info, DIB_RGB_COLORS);
    }
    ::RestoreDC(dc, saved);
    return;
  }

  // Pixels of the key colour keep what dc already shows there: read the area
  // back, lay the other pixels over it, and put it back.
  BITMAPINFO areaInfo = info;
  areaInfo.bmiHeader.biWidth = dw;
  areaInfo.bmiHeader.biHeight = -dh;
  void* bits = nullptr;
  HBITMAP area = ::CreateDIBSection(dc, &areaInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!area || !bits) {
    if (area) ::DeleteObject(area);
    return;
  }
  HDC memory = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(memory, area);
  ::BitBlt(memory, 0, 0, dw, dh, dc, dest.left, dest.top, SRCCOPY);
  ::GdiFlush();
  const Pixel24 key = bitmap.ScanLine(h - 1)[0];
  const int areaStride = (dw * 3 + 3) & ~3;
  auto* areaBytes = static_cast<uint8_t*>(bits);
  for (int y = 0; y < dh; ++y) {
    const int sy = stretch ? int(int64_t(y) * h / dh) : y;
    const Pixel24* source = bitmap.ScanLine(sy);
    auto* target = reinterpret_cast<Pixel24*>(areaBytes + size_t(y) * size_t(areaStride));
    for (int x = 0; x < dw; ++x) {
      const Pixel24 p = source[stretch ? int(int64_t(x) * w / dw) : x];
      if (p.b == key.b && p.g == key.g && p.r == key.r) continue;
      target[x] = p;
    }
  }
  ::BitBlt(dc, dest.left, dest.top, dw, dh, memory, 0, 0, SRCCOPY);
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::DeleteObject(area);
}

}  // namespace molvane::ui::win32
