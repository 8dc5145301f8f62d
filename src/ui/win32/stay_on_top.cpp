// Stay-on-top forms kept above the host's windows.
//
// On a display whose windows no desktop manages, the system raises a window
// it activates to the top of the screen, above the top-most windows that
// stay before it in the system's own order: one click on the host's image
// would hide a picking dialog, its markers and its buttons behind it. While
// an on-top form shows, a hook of this thread hears every activation, and
// the form takes its place on the screen again once that activation is done.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "ui/form.h"
#include "ui/win32/peers.h"

namespace molvane::ui::win32 {
namespace {

HHOOK activationHook = nullptr;
std::vector<HWND> onTopForms;

// A top-most window, or one owned by the form (a box over it), rightly shows above the form.
bool MayShowAbove(HWND window, HWND form) {
  if (::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) return true;
  for (HWND owner = window; owner; owner = ::GetWindow(owner, GW_OWNER))
    if (owner == form) return true;
  return false;
}

LRESULT CALLBACK ActivationHook(int code, WPARAM activated, LPARAM l) {
  if (code == HCBT_ACTIVATE)
    for (HWND form : onTopForms)
      if (!MayShowAbove(reinterpret_cast<HWND>(activated), form))
        ::PostMessageA(form, FormPeer::kTakeTopPlaceMessage, 0, 0);
  return ::CallNextHookEx(activationHook, code, activated, l);
}

}  // namespace

void FormPeer::KeepOnTopWhileShown(bool shown) {
  auto found = std::find(onTopForms.begin(), onTopForms.end(), hwnd_);
  if (shown && hwnd_ && found == onTopForms.end()) {
    onTopForms.push_back(hwnd_);
    if (!activationHook) activationHook = ::SetWindowsHookExA(WH_CBT, ActivationHook, nullptr, ::GetCurrentThreadId());
  } else if (!shown && found != onTopForms.end()) {
    onTopForms.erase(found);
  }
  // Never left behind: the library may be unloaded next.
  if (onTopForms.empty() && activationHook) {
    ::UnhookWindowsHookEx(activationHook);
    activationHook = nullptr;
  }
}

void FormPeer::TakeTopPlace() {
  if (!hwnd_ || !form_.StayOnTop() || !::IsWindowVisible(hwnd_)) return;
  // Already first in the system's order, the form is not moved on the screen
  // by HWND_TOPMOST alone: it passes through the top of the normal windows.
  const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
  ::SetWindowPos(hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0, keep);
  ::SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, keep);
}

}  // namespace molvane::ui::win32
