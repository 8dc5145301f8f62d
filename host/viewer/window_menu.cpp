// The Fenêtre menu.
#include "host/viewer/window_menu.h"

#include "host/viewer/main_frame.h"

namespace molvane::viewer {

HMENU BuildWindowMenu() {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, kCascade, "&Cascade");
  AppendMenuA(menu, MF_STRING, kTile, "&Mosaïque");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kCloseAll, "&Fermer tout");
  return menu;
}

bool ArrangeWindows(HWND client, UINT command) {
  if (command == kCascade) SendMessageA(client, WM_MDICASCADE, 0, 0);
  else if (command == kTile) SendMessageA(client, WM_MDITILE, MDITILE_VERTICAL, 0);
  else return false;
  return true;
}

}  // namespace molvane::viewer
