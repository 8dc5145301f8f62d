// Driving real dialogs as a user does, through user32 and gdi32 loaded at run time.
#include "host/dialog_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace molvane::host {
namespace {

// The window functions the driver calls, looked up once in user32 and gdi32.
#define MOLVANE_USER32_FUNCTIONS(X) \
  X(CreateWindowExA)                \
  X(DestroyWindow)                  \
  X(EnumChildWindows)               \
  X(EnumThreadWindows)              \
  X(GetClassNameA)                  \
  X(GetDlgCtrlID)                   \
  X(GetDlgItem)                     \
  X(GetParent)                      \
  X(GetWindowDC)                    \
  X(GetWindowRect)                  \
  X(GetWindowTextA)                 \
  X(GetWindowTextLengthA)           \
  X(IsWindow)                       \
  X(IsWindowEnabled)                \
  X(IsWindowVisible)                \
  X(KillTimer)                      \
  X(MapWindowPoints)                \
  X(PeekMessageA)                   \
  X(PostMessageA)                   \
  X(RedrawWindow)                   \
  X(ReleaseDC)                      \
  X(SendMessageA)                   \
  X(SetFocus)                       \
  X(SetTimer)                       \
  X(TranslateMessage)               \
  X(DispatchMessageA)

#define MOLVANE_GDI32_FUNCTIONS(X) \
  X(BitBlt)                        \
  X(CreateCompatibleDC)            \
  X(CreateDIBSection)              \
  X(DeleteDC)                      \
  X(DeleteObject)                  \
  X(GdiFlush)                      \
  X(SelectObject)

struct WindowFunctions {
#define MOLVANE_FIELD(name) decltype(&::name) name = nullptr;
  MOLVANE_USER32_FUNCTIONS(MOLVANE_FIELD)
  MOLVANE_GDI32_FUNCTIONS(MOLVANE_FIELD)
#undef MOLVANE_FIELD
  bool complete = false;
  std::string missing;
};

template <typename Fn>
void Resolve(HMODULE module, const char* name, Fn& target, std::string& missing) {
  target = module ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
  if (!target) missing += std::string(missing.empty() ? "" : ", ") + name;
}

const WindowFunctions& Api() {
  static const WindowFunctions functions = [] {
    WindowFunctions f;
    HMODULE user32 = LoadLibraryA("user32.dll");
    HMODULE gdi32 = LoadLibraryA("gdi32.dll");
#define MOLVANE_RESOLVE_USER32(name) Resolve(user32, #name, f.name, f.missing);
#define MOLVANE_RESOLVE_GDI32(name) Resolve(gdi32, #name, f.name, f.missing);
    MOLVANE_USER32_FUNCTIONS(MOLVANE_RESOLVE_USER32)
    MOLVANE_GDI32_FUNCTIONS(MOLVANE_RESOLVE_GDI32)
#undef MOLVANE_RESOLVE_USER32
#undef MOLVANE_RESOLVE_GDI32
    f.complete = f.missing.empty();
    return f;
  }();
  return functions;
}

LRESULT Send(HWND window, UINT message, WPARAM w = 0, LPARAM l = 0) {
  return Api().SendMessageA(window, message, w, l);
}

bool SameClass(HWND window, const char* windowClass) {
  return windowClass == nullptr || lstrcmpiA(ClassOf(window).c_str(), windowClass) == 0;
}

struct ChildSearch {
  const char* windowClass;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ChildSearch*>(data);
  if (Api().IsWindowVisible(child) && SameClass(child, search->windowClass)) search->found.push_back(child);
  return TRUE;
}

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM data) {
  if (Api().IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

// Control ids of the system's file dialogs: the name field, as an edit or a combo box.
constexpr int kFileNameEdit = 0x480;
constexpr int kFileNameCombo = 0x47C;
// The static control holding a message box's text.
constexpr int kMessageBoxText = 0xFFFF;

}  // namespace

bool WindowFunctionsAvailable(std::string* error) {
  const WindowFunctions& f = Api();
  if (!f.complete && error) *error = "user32/gdi32 lack " + f.missing;
  return f.complete;
}

// --- finding windows -------------------------------------------------------------

std::string TextOf(HWND window) {
  if (!window) return std::string();
  const int length = Api().GetWindowTextLengthA(window);
  std::string text(size_t(std::max(length, 0)) + 1, '\0');
  const int copied = Api().GetWindowTextA(window, &text[0], int(text.size()));
  text.resize(size_t(std::max(copied, 0)));
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  if (window) Api().GetClassNameA(window, name, sizeof name);
  return name;
}

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  Api().EnumThreadWindows(GetCurrentThreadId(), CollectTopLevel, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND FindDialog(const std::string& caption) {
  for (HWND window : ThreadWindows())
    if (TextOf(window) == caption) return window;
  return nullptr;
}

HWND FindSystemDialog(const char* caption) {
  for (HWND window : ThreadWindows())
    if (ClassOf(window) == kSystemDialogClass && (!caption || TextOf(window) == caption)) return window;
  return nullptr;
}

std::vector<HWND> ChildrenOfClass(HWND dialog, const char* windowClass) {
  ChildSearch search{windowClass, {}};
  if (dialog) Api().EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindChild(HWND dialog, const char* windowClass, const std::string& caption) {
  for (HWND child : ChildrenOfClass(dialog, windowClass))
    if (TextOf(child) == caption) return child;
  return nullptr;
}

RECT PlaceIn(HWND dialog, HWND window) {
  RECT r{};
  Api().GetWindowRect(window, &r);
  Api().MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

HWND ChildAt(HWND dialog, const char* windowClass, int x, int y) {
  for (HWND child : ChildrenOfClass(dialog, windowClass)) {
    const RECT r = PlaceIn(dialog, child);
    if (r.left == x && r.top == y) return child;
  }
  return nullptr;
}

// --- a user's actions -------------------------------------------------------------

void Click(HWND button) { Send(button, BM_CLICK); }

void PostClick(HWND button) { Api().PostMessageA(button, BM_CLICK, 0, 0); }

bool IsChecked(HWND button) { return Send(button, BM_GETCHECK) == BST_CHECKED; }

bool IsEnabled(HWND window) { return window && Api().IsWindowEnabled(window); }

void PressKey(HWND window, UINT key) {
  Send(window, WM_KEYDOWN, key, 1);
  Send(window, WM_KEYUP, key, LPARAM(0xC0000001u));
}

int TrackBarPosition(HWND bar) { return int(Send(bar, TBM_GETPOS)); }

bool ReleaseOnThumb(HWND bar) {
  RECT thumb{};
  if (!bar) return false;
  Send(bar, TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
  if (thumb.right <= thumb.left || thumb.bottom <= thumb.top) return false;
  const LPARAM centre = MAKELPARAM((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
  Send(bar, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  Send(bar, WM_LBUTTONUP, 0, centre);
  return true;
}

bool MoveTrackBar(HWND bar, int target) {
  if (!bar) return false;
  Api().SetFocus(bar);
  const int low = int(Send(bar, TBM_GETRANGEMIN));
  const int high = int(Send(bar, TBM_GETRANGEMAX));
  const int page = std::max(int(Send(bar, TBM_GETPAGESIZE)), 1);
  if (target < low || target > high) return false;
  bool pagesWork = true;
  for (int keys = 0; keys < 2 * (high - low) + 4; ++keys) {
    const int position = TrackBarPosition(bar);
    if (position == target) return true;
    UINT key;
    if (target == low) key = VK_HOME;
    else if (target == high) key = VK_END;
    else if (pagesWork && target - position >= page) key = VK_NEXT;
    else if (pagesWork && position - target >= page) key = VK_PRIOR;
    else key = target > position ? VK_RIGHT : VK_LEFT;
    PressKey(bar, key);
    const int moved = TrackBarPosition(bar);
    if (moved == position) return false;
    // A page key that goes the other way on this bar: arrows only from now on.
    if ((key == VK_NEXT || key == VK_PRIOR) && std::abs(target - moved) > std::abs(target - position))
      pagesWork = false;
  }
  return TrackBarPosition(bar) == target;
}

bool PickComboItem(HWND combo, const std::string& item) {
  const LRESULT index = Send(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(item.c_str()));
  if (index == CB_ERR) return false;
  Api().SetFocus(combo);
  Send(combo, CB_SETCURSEL, WPARAM(index));
  Send(Api().GetParent(combo), WM_COMMAND, MAKEWPARAM(Api().GetDlgCtrlID(combo), CBN_SELCHANGE),
       LPARAM(combo));
  return true;
}

std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  const int count = int(Send(combo, CB_GETCOUNT));
  for (int i = 0; i < count; ++i) {
    const LRESULT length = Send(combo, CB_GETLBTEXTLEN, WPARAM(i));
    std::string text(size_t(std::max<LRESULT>(length, 0)) + 1, '\0');
    Send(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(&text[0]));
    text.resize(std::strlen(text.c_str()));
    items.push_back(text);
  }
  return items;
}

int ComboSelection(HWND combo) { return int(Send(combo, CB_GETCURSEL)); }

void TypeInto(HWND edit, const std::string& text) {
  Api().SetFocus(edit);
  Send(edit, EM_SETSEL, 0, -1);
  Send(edit, EM_REPLACESEL, TRUE, LPARAM(text.c_str()));
}

void TypeCharacters(HWND window, const std::string& text) {
  for (unsigned char c : text) Send(window, WM_CHAR, WPARAM(c), 1);
}

HWND GridEditor(HWND grid) {
  const std::vector<HWND> editors = ChildrenOfClass(grid, "Edit");
  return editors.empty() ? nullptr : editors.front();
}

bool TypeInGrid(HWND grid, GridCells geometry, int col, int row, const std::vector<std::string>& texts) {
  const int x = col * (geometry.cellWidth + 1) + geometry.cellWidth / 2;
  const int y = row * (geometry.cellHeight + 1) + geometry.cellHeight / 2;
  Send(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  Send(grid, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  for (size_t i = 0; i < texts.size(); ++i) {
    HWND editor = GridEditor(grid);
    if (!editor) return false;
    Send(editor, EM_SETSEL, 0, -1);
    TypeCharacters(editor, texts[i]);
    if (i + 1 < texts.size()) PressKey(editor, VK_TAB);
  }
  return GridEditor(grid) != nullptr;
}

void PumpMessages() {
  MSG message;
  while (Api().PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    Api().TranslateMessage(&message);
    Api().DispatchMessageA(&message);
  }
}

HostWindow::HostWindow(const char* title)
    : window_(Api().CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 800, 600,
                                    nullptr, nullptr, nullptr, nullptr)) {
  PumpMessages();
}

HostWindow::~HostWindow() {
  if (window_) Api().DestroyWindow(window_);
}

// --- the system's boxes and dialogs ---------------------------------------------------

bool IsMessageBox(HWND dialog) {
  return dialog && ClassOf(dialog) == kSystemDialogClass && Api().GetDlgItem(dialog, kMessageBoxText) != nullptr;
}

std::string MessageBoxText(HWND box) { return TextOf(Api().GetDlgItem(box, kMessageBoxText)); }

HWND FindFileDialog() {
  for (HWND window : ThreadWindows())
    if (ClassOf(window) == kSystemDialogClass && !IsMessageBox(window)) return window;
  return nullptr;
}

void PressOk(HWND dialog) {
  Api().PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(Api().GetDlgItem(dialog, IDOK)));
}

void PressCancel(HWND dialog) {
  Api().PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     LPARAM(Api().GetDlgItem(dialog, IDCANCEL)));
}

bool AnswerFileDialog(HWND dialog, const std::string& path) {
  HWND field = Api().GetDlgItem(dialog, kFileNameEdit);
  if (!field || !Api().IsWindowVisible(field)) {
    HWND combo = Api().GetDlgItem(dialog, kFileNameCombo);
    const std::vector<HWND> inside = ChildrenOfClass(combo, "Edit");
    field = !inside.empty() ? inside.front() : combo;
  }
  if (!field) {
    const std::vector<HWND> edits = ChildrenOfClass(dialog, "Edit");
    if (edits.empty()) return false;
    field = edits.front();
  }
  Send(field, WM_SETTEXT, 0, LPARAM(path.c_str()));
  PressOk(dialog);
  return true;
}

// --- seeing what the screen shows --------------------------------------------------------

bool CaptureScreen(const std::vector<HWND>& windows, Bitmap24& image) {
  RECT area{};
  bool any = false;
  for (HWND window : windows) {
    if (!window || !Api().IsWindow(window)) continue;
    RECT r{};
    Api().GetWindowRect(window, &r);
    if (!any) area = r;
    area.left = std::min(area.left, r.left);
    area.top = std::min(area.top, r.top);
    area.right = std::max(area.right, r.right);
    area.bottom = std::max(area.bottom, r.bottom);
    any = true;
  }
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (!any || width <= 0 || height <= 0) return false;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = Api().CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = Api().CreateCompatibleDC(nullptr);
  bool copied = dib && memory;
  if (copied) {
    HGDIOBJ old = Api().SelectObject(memory, dib);
    // Each window's own pixels, later windows over earlier ones: what the
    // screen shows once the system has caught up with the painting (reading
    // the screen itself may still show what was there before).
    for (HWND window : windows) {
      if (!window || !Api().IsWindow(window)) continue;
      Api().RedrawWindow(window, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
      RECT r{};
      Api().GetWindowRect(window, &r);
      HDC dc = Api().GetWindowDC(window);
      copied = dc && Api().BitBlt(memory, r.left - area.left, r.top - area.top, r.right - r.left,
                                  r.bottom - r.top, dc, 0, 0, SRCCOPY) != FALSE && copied;
      if (dc) Api().ReleaseDC(window, dc);
    }
    Api().GdiFlush();
    Api().SelectObject(memory, old);
  }
  if (copied) {
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    image.width = width;
    image.height = height;
    image.pixels.resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
      std::memcpy(&image.pixels[size_t(y) * size_t(width)], static_cast<const uint8_t*>(bits) + size_t(y) * stride,
                  size_t(width) * 3);
  }
  if (memory) Api().DeleteDC(memory);
  if (dib) Api().DeleteObject(dib);
  return copied;
}

bool SaveScreenshot(const std::vector<HWND>& windows, const std::string& path, std::string& error) {
  Bitmap24 image;
  if (!CaptureScreen(windows, image)) {
    error = "could not read the screen under the windows for " + path;
    return false;
  }
  return WriteBmpFile(path, image, error);
}

// --- scripts ---------------------------------------------------------------------------------

namespace {
DialogScript* runningScript = nullptr;
}  // namespace

DialogScript& DialogScript::Then(const std::string& what, Step step) {
  steps_.push_back({what, std::move(step)});
  return *this;
}

DialogScript& DialogScript::Do(const std::string& what, std::function<void()> step) {
  return Then(what, [step = std::move(step)] {
    step();
    return true;
  });
}

DialogScript& DialogScript::WaitFor(const std::string& caption) {
  return Then("wait for the dialog \"" + caption + "\"", [caption] { return FindDialog(caption) != nullptr; });
}

DialogScript& DialogScript::OnSystemDialog(const std::string& what, std::function<void(HWND)> answer) {
  return Then(what, [answer = std::move(answer)] {
    HWND dialog = FindSystemDialog();
    if (!dialog) return false;
    answer(dialog);
    return true;
  });
}

DialogScript& DialogScript::EveryTick(std::function<void()> watch) {
  watch_ = std::move(watch);
  return *this;
}

void DialogScript::Fail(const std::string& why) {
  failures_.push_back(why);
  rescuing_ = true;
}

std::string DialogScript::FailureText() const {
  std::string text;
  for (const std::string& failure : failures_) text += (text.empty() ? "" : "; ") + failure;
  return text;
}

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (runningScript) runningScript->OnTick();
}

void DialogScript::OnTick() {
  if (callReturned_) return;
  if (watch_) {
    try {
      watch_();
    } catch (...) {
      Fail("the watch of every tick threw");
    }
  }
  if (rescuing_) {
    Rescue();
    return;
  }
  const DWORD now = GetTickCount();
  if (next_ >= steps_.size()) {
    if (now - waitingSince_ > DWORD(patienceMs_)) Fail("the dialog stayed open after the last step");
    return;
  }
  const size_t index = next_++;
  bool finished = false;
  try {
    finished = steps_[index].step();
  } catch (const std::exception& e) {
    Fail("step \"" + steps_[index].what + "\" threw: " + e.what());
    return;
  } catch (...) {
    Fail("step \"" + steps_[index].what + "\" threw");
    return;
  }
  if (finished) {
    ++done_;
    waitingSince_ = GetTickCount();
    return;
  }
  // Waiting: the same step again at the next tick, unless its patience is spent.
  if (next_ == index + 1) next_ = index;
  if (now - waitingSince_ > DWORD(patienceMs_)) Fail("step \"" + steps_[index].what + "\" waited in vain");
}

// Closes what the thread still shows: boxes and file dialogs by Cancel, our
// dialogs by their "Annuler" button once, then by a close request.
void DialogScript::Rescue() {
  static std::vector<HWND> clicked;
  for (HWND window : ThreadWindows()) {
    if (ClassOf(window) == kSystemDialogClass) {
      PressCancel(window);
      continue;
    }
    HWND cancel = FindChild(window, "Button", "Annuler");
    if (cancel && std::find(clicked.begin(), clicked.end(), window) == clicked.end()) {
      clicked.push_back(window);
      PostClick(cancel);
    } else {
      Api().PostMessageA(window, WM_CLOSE, 0, 0);
    }
  }
  if (clicked.size() > 64) clicked.clear();
}

bool DialogScript::Run(const std::function<void()>& call) {
  std::string error;
  if (!WindowFunctionsAvailable(&error)) {
    failures_.push_back(error);
    return false;
  }
  if (runningScript) {
    failures_.push_back("a script is already running");
    return false;
  }
  runningScript = this;
  next_ = 0;
  done_ = 0;
  rescuing_ = false;
  callReturned_ = false;
  waitingSince_ = GetTickCount();
  const UINT_PTR timer = Api().SetTimer(nullptr, 0, UINT(tickMs_), &DialogScript::Tick);
  try {
    call();
  } catch (...) {
    failures_.push_back("the call that shows the dialog threw");
  }
  callReturned_ = true;
  Api().KillTimer(nullptr, timer);
  runningScript = nullptr;
  if (!rescuing_ && next_ < steps_.size())
    failures_.push_back("the dialog closed before step \"" + steps_[next_].what + "\"");
  return failures_.empty();
}

}  // namespace molvane::host
