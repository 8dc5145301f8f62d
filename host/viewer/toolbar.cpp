// The viewer's toolbar: the system's standard pictures for the file and edit commands, pictures drawn
// here for the zoom and the rotations, which the system's sets lack.
#include "host/viewer/toolbar.h"

#include <commctrl.h>

#include <cstring>
#include <iterator>

#include "host/viewer/main_frame.h"

namespace molvane::viewer {
namespace {

enum DrawnPicture { kFitPicture, kActualSizePicture, kZoomInPicture, kZoomOutPicture, kRotateLeftPicture,
                    kRotateRightPicture, kDrawnPictures };
constexpr int kSide = 16;
// Where the drawn pictures start in the toolbar's image list: after the standard set.
constexpr int kFirstDrawn = STD_PRINT + 1;

struct Button {
  UINT command;  // 0: a separator
  int picture;
  const char* tip;
};
const Button kButtons[] = {
    {kOpen, STD_FILEOPEN, "Ouvrir une image (Ctrl+O)"},
    {kSave, STD_FILESAVE, "Enregistrer (Ctrl+S)"},
    {0, 0, nullptr},
    {kUndo, STD_UNDO, "Annuler (Ctrl+Z)"},
    {kRedo, STD_REDOW, "Rétablir (Ctrl+Y)"},
    {0, 0, nullptr},
    {kZoomFit, kFirstDrawn + kFitPicture, "Ajuster à la fenêtre (Ctrl+0)"},
    {kZoom100, kFirstDrawn + kActualSizePicture, "Taille réelle, 100 % (Ctrl+1)"},
    {kZoomIn, kFirstDrawn + kZoomInPicture, "Zoom avant (Ctrl++)"},
    {kZoomOut, kFirstDrawn + kZoomOutPicture, "Zoom arrière (Ctrl+-)"},
    {0, 0, nullptr},
    {kRotateLeft, kFirstDrawn + kRotateLeftPicture, "Rotation 90° à gauche"},
    {kRotateRight, kFirstDrawn + kRotateRightPicture, "Rotation 90° à droite"},
};

// A magnifying glass whose lens holds `sign` ('+', '-' or nothing).
void DrawMagnifier(HDC dc, int left, char sign) {
  Ellipse(dc, left + 1, 1, left + 11, 11);
  MoveToEx(dc, left + 9, 9, nullptr);
  LineTo(dc, left + 15, 15);
  MoveToEx(dc, left + 10, 9, nullptr);
  LineTo(dc, left + 15, 14);
  if (sign) {
    MoveToEx(dc, left + 4, 6, nullptr);
    LineTo(dc, left + 9, 6);
  }
  if (sign == '+') {
    MoveToEx(dc, left + 6, 4, nullptr);
    LineTo(dc, left + 6, 9);
  }
}

// Three quarters of a circle with an arrow head at its end, turning left or right.
void DrawRotation(HDC dc, int left, bool toTheLeft) {
  if (toTheLeft) {
    Arc(dc, left + 2, 3, left + 14, 15, left + 2, 6, left + 8, 3);
    POINT head[] = {{left + 1, 2}, {left + 1, 8}, {left + 6, 6}};
    Polygon(dc, head, 3);
  } else {
    Arc(dc, left + 2, 3, left + 14, 15, left + 8, 3, left + 14, 6);
    POINT head[] = {{left + 15, 2}, {left + 15, 8}, {left + 10, 6}};
    Polygon(dc, head, 3);
  }
}

// The drawn pictures side by side, dark lines on the buttons' own face colour.
HBITMAP DrawPictures(HWND window) {
  HDC screen = GetDC(window);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kSide * kDrawnPictures, kSide);
  ReleaseDC(window, screen);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  RECT all{0, 0, kSide * kDrawnPictures, kSide};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(32, 48, 96));
  HBRUSH ink = CreateSolidBrush(RGB(32, 48, 96));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  // Fit: a frame with its corners pointed out.
  const int fit = kSide * kFitPicture;
  Rectangle(dc, fit + 4, 4, fit + 12, 12);
  for (POINT corner : {POINT{1, 1}, POINT{14, 1}, POINT{1, 14}, POINT{14, 14}}) {
    const int dx = corner.x < 8 ? 1 : -1, dy = corner.y < 8 ? 1 : -1;
    MoveToEx(dc, fit + corner.x, corner.y, nullptr);
    LineTo(dc, fit + corner.x + 3 * dx, corner.y);
    MoveToEx(dc, fit + corner.x, corner.y, nullptr);
    LineTo(dc, fit + corner.x, corner.y + 3 * dy);
  }
  // 100 %: "1:1".
  const int actual = kSide * kActualSizePicture;
  for (int x : {3, 12}) {
    MoveToEx(dc, actual + x, 3, nullptr);
    LineTo(dc, actual + x, 14);
    MoveToEx(dc, actual + x - 2, 5, nullptr);
    LineTo(dc, actual + x, 3);
  }
  RECT dot{actual + 7, 5, actual + 9, 7};
  FillRect(dc, &dot, ink);
  dot = RECT{actual + 7, 10, actual + 9, 12};
  FillRect(dc, &dot, ink);
  DrawMagnifier(dc, kSide * kZoomInPicture, '+');
  DrawMagnifier(dc, kSide * kZoomOutPicture, '-');
  SelectObject(dc, ink);
  DrawRotation(dc, kSide * kRotateLeftPicture, true);
  DrawRotation(dc, kSide * kRotateRightPicture, false);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBitmap);
  DeleteObject(ink);
  DeleteObject(pen);
  DeleteDC(dc);
  return bitmap;
}

}  // namespace

bool Toolbar::Create(HWND parent, bool shown) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
  window_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0,
                            0, 0, parent, nullptr, instance, nullptr);
  if (!window_) return false;
  SendMessageA(window_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(window_, TB_SETBITMAPSIZE, 0, MAKELPARAM(kSide, kSide));
  SendMessageA(window_, TB_LOADIMAGES, IDB_STD_SMALL_COLOR, LPARAM(HINST_COMMCTRL));
  TBADDBITMAP drawn{nullptr, UINT_PTR(DrawPictures(window_))};
  SendMessageA(window_, TB_ADDBITMAP, kDrawnPictures, reinterpret_cast<LPARAM>(&drawn));
  TBBUTTON buttons[std::size(kButtons)];
  std::memset(buttons, 0, sizeof buttons);
  for (size_t i = 0; i < std::size(kButtons); ++i) {
    buttons[i].iBitmap = kButtons[i].command ? kButtons[i].picture : 6;
    buttons[i].idCommand = int(kButtons[i].command);
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = kButtons[i].command ? BTNS_BUTTON : BTNS_SEP;
  }
  SendMessageA(window_, TB_ADDBUTTONSA, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
  SendMessageA(window_, TB_AUTOSIZE, 0, 0);
  Show(shown);
  return true;
}

void Toolbar::Show(bool shown) {
  if (!window_) return;
  ShowWindow(window_, shown ? SW_SHOW : SW_HIDE);
  if (shown) SendMessageA(window_, TB_AUTOSIZE, 0, 0);
}

int Toolbar::Height() const {
  if (!Shown()) return 0;
  RECT area{0, 0, 0, 0};
  GetWindowRect(window_, &area);
  return area.bottom - area.top;
}

void Toolbar::Mirror(HMENU menu) {
  if (!window_) return;
  for (const Button& button : kButtons) {
    if (!button.command) continue;
    const UINT state = GetMenuState(menu, button.command, MF_BYCOMMAND);
    const bool enabled = state != UINT(-1) && !(state & (MF_GRAYED | MF_DISABLED));
    // Only a change: enabling a button repaints it.
    if ((SendMessageA(window_, TB_ISBUTTONENABLED, button.command, 0) != 0) != enabled)
      SendMessageA(window_, TB_ENABLEBUTTON, button.command, MAKELPARAM(enabled ? TRUE : FALSE, 0));
  }
}

bool Toolbar::Notify(LPARAM lParam) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->code != TTN_GETDISPINFOA && header->code != TTN_GETDISPINFOW) return false;
  for (const Button& button : kButtons) {
    if (!button.command || header->idFrom != button.command) continue;
    if (header->code == TTN_GETDISPINFOA) {
      auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
      info->hinst = nullptr;
      info->lpszText = const_cast<char*>(button.tip);
    } else {
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
      info->hinst = nullptr;
      MultiByteToWideChar(1252, 0, button.tip, -1, info->szText, int(std::size(info->szText)));
      info->lpszText = info->szText;
    }
    return true;
  }
  return false;
}

}  // namespace molvane::viewer
