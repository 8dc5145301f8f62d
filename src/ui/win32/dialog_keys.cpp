// The keyboard of every form, whoever runs the message loop.
//
// A host's loop knows nothing of the plug-in's windows and calls no
// IsDialogMessage for them, so Enter, Esc, Tab and the arrow keys would
// reach the controls as plain keys. A message hook of this thread sees each
// key before the loop that fetched it, modal or not, and handles those meant
// for one of our forms as a dialog does.
#include <windows.h>

#include "ui/controls.h"
#include "ui/form.h"
#include "ui/win32/peers.h"

namespace molvane::ui::win32 {
namespace {

HHOOK keyHook = nullptr;
int formsListening = 0;

bool IsKey(UINT message) { return message >= WM_KEYFIRST && message <= WM_KEYLAST; }

LRESULT CALLBACK KeyHook(int code, WPARAM removal, LPARAM l) {
  auto* message = reinterpret_cast<MSG*>(l);
  if (code == HC_ACTION && removal == PM_REMOVE && IsKey(message->message) && message->hwnd) {
    FormPeer* form = FormPeer::Holding(message->hwnd);
    bool handled = false;
    Guarded([&] { handled = form && form->TranslateKey(*message); });
    if (handled) message->message = WM_NULL;  // the loop that fetched it dispatches nothing
  }
  return ::CallNextHookEx(keyHook, code, removal, l);
}

}  // namespace

void FormPeer::ListenToKeys(bool listen) {
  if (listen == listening_) return;
  listening_ = listen;
  if (listen) {
    if (formsListening++ == 0)
      keyHook = ::SetWindowsHookExA(WH_GETMESSAGE, KeyHook, nullptr, ::GetCurrentThreadId());
  } else if (--formsListening == 0 && keyHook) {
    // Never left behind: the library may be unloaded next.
    ::UnhookWindowsHookEx(keyHook);
    keyHook = nullptr;
  }
}

FormPeer* FormPeer::Holding(HWND hwnd) {
  HWND root = ::GetAncestor(hwnd, GA_ROOT);
  if (!root || ::GetWindowLongPtrA(root, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&FormPeer::Procedure))
    return nullptr;
  auto* peer = reinterpret_cast<FormPeer*>(::GetWindowLongPtrA(root, GWLP_USERDATA));
  return peer && peer->hwnd_ == root ? peer : nullptr;
}

bool FormPeer::TranslateKey(MSG& message) {
  if (!hwnd_ || !::IsWindowVisible(hwnd_) || !::IsWindowEnabled(hwnd_)) return false;
  if (DialogKey(message)) return true;
  // Tab, Shift+Tab, arrows within a group, mnemonics; other keys it
  // translates and dispatches itself.
  return ::IsDialogMessageA(hwnd_, &message) != FALSE;
}

// Enter and Esc, unless the focused control wants them (a multi-line edit,
// the grid's cell editor, a dropped-down list).
bool FormPeer::DialogKey(MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  if (message.wParam != VK_RETURN && message.wParam != VK_ESCAPE) return false;
  LRESULT code = ::SendMessageA(message.hwnd, WM_GETDLGCODE, message.wParam,
                                reinterpret_cast<LPARAM>(&message));
  if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
  bool enter = message.wParam == VK_RETURN;
  Component* focusedButton = nullptr;
  if (enter) {
    if (Peer* peer = PeerOf(ChildHolding(hwnd_, message.hwnd)))
      if (peer->Model().GetKind() == Component::Kind::Button) focusedButton = &peer->Model();
  }
  Guarded([&] {
    // Enter on a focused button presses that button, as a click would.
    if (focusedButton) static_cast<Button*>(focusedButton)->Click();
    else if (enter) form_.PressEnter();
    else form_.PressEscape();
  });
  return true;
}

}  // namespace molvane::ui::win32
