// The help window: a list box of pages and a read-only edit box with the page.
#include "host/viewer/help_window.h"

#include <cstring>
#include <initializer_list>

#include "host/viewer/help_pages.h"

namespace molvane::viewer {
namespace {

constexpr int kListWidth = 170;
constexpr int kMargin = 8;
constexpr UINT kListId = 1;

}  // namespace

constexpr char HelpWindow::kClassName[];

HelpWindow::~HelpWindow() {
  if (window_) DestroyWindow(window_);
  if (font_) DeleteObject(font_);
}

void HelpWindow::Show(HWND owner, size_t page) {
  if (!window_ && !Create(owner)) return;
  Select(page);
  ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window_);
  SetFocus(list_);
}

bool HelpWindow::Create(HWND owner) {
  // The viewer's module, whose windows the frame's are.
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
  WNDCLASSEXA windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &HelpWindow::Procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIcon(nullptr, IDI_QUESTION);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  RegisterClassExA(&windowClass);  // fails harmlessly once registered
  RECT frame{0, 0, 0, 0};
  GetWindowRect(owner, &frame);
  window_ = CreateWindowExA(0, kClassName, "Aide de la visionneuse", WS_OVERLAPPEDWINDOW, frame.left + 60,
                            frame.top + 60, 700, 460, owner, nullptr, instance, this);
  if (!window_) return false;
  NONCLIENTMETRICSA system;
  system.cbSize = sizeof system;
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof system, &system, 0))
    font_ = CreateFontIndirectA(&system.lfMessageFont);
  const WPARAM font = WPARAM(font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", nullptr,
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0,
                          0, window_, reinterpret_cast<HMENU>(kListId), instance, nullptr);
  text_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", nullptr,
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                          0, 0, 0, 0, window_, nullptr, instance, nullptr);
  for (HWND child : {list_, text_}) SendMessageA(child, WM_SETFONT, font, FALSE);
  for (size_t i = 0; i < kHelpPageCount; ++i)
    SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(HelpPageAt(i).title));
  Layout();
  return true;
}

bool HelpWindow::TakesKey(MSG& message) {
  if (!window_ || GetAncestor(message.hwnd, GA_ROOT) != window_) return false;
  // The text, a multi-line edit box, would keep Échap for itself.
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
    DestroyWindow(window_);
    return true;
  }
  return IsDialogMessageA(window_, &message) != FALSE;
}

void HelpWindow::Select(size_t page) {
  SendMessageA(list_, LB_SETCURSEL, page, 0);
  SetWindowTextA(text_, HelpPageAt(page).text);
}

void HelpWindow::Layout() {
  RECT area{0, 0, 0, 0};
  GetClientRect(window_, &area);
  const int height = area.bottom - 2 * kMargin;
  MoveWindow(list_, kMargin, kMargin, kListWidth, height, TRUE);
  MoveWindow(text_, 2 * kMargin + kListWidth, kMargin, area.right - 3 * kMargin - kListWidth, height, TRUE);
}

LRESULT CALLBACK HelpWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* help = reinterpret_cast<HelpWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    help = static_cast<HelpWindow*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
    help->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(help));
  }
  if (!help) return DefWindowProcA(window, message, wParam, lParam);
  return help->Handle(message, wParam, lParam);
}

LRESULT HelpWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (list_) Layout();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kListId && HIWORD(wParam) == LBN_SELCHANGE) {
        const LRESULT page = SendMessageA(list_, LB_GETCURSEL, 0, 0);
        if (page >= 0) Select(size_t(page));
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      // The read-only text on the page's colour, as a document reads, not on the dialog grey.
      if (reinterpret_cast<HWND>(lParam) == text_) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_NCDESTROY: {
      HWND window = window_;
      window_ = list_ = text_ = nullptr;
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      return DefWindowProcA(window, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace molvane::viewer
