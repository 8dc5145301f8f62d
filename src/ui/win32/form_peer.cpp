// Forms on real windows: the dialog window, its stacking, showing, the modal loop and timers.
#include <windows.h>

#include <algorithm>
#include <map>

#include "ui/backend.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/screen_cursor.h"
#include "ui/win32/peers.h"

namespace molvane::ui::win32 {
namespace {

const char kFormClass[] = "MolvaneForm";
// wParam: a replaced control to destroy; lParam: the control that replaces it.
const UINT kRetireMessage = WM_APP + 1;
const DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;  // dialog border, no system menu

int formWindows = 0;  // live form windows; the classes go with the last one
bool classesRegistered = false;

void RegisterClasses(WNDPROC formProcedure) {
  if (classesRegistered) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = formProcedure;
  wc.hInstance = ThisModule();
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  ::RegisterClassExA(&wc);
  RegisterPaintedClasses();
  classesRegistered = true;
}

// A library that is unloaded must not leave classes pointing into its code.
void UnregisterClassesIfUnused() {
  if (!classesRegistered || formWindows > 0) return;
  ::UnregisterClassA(kFormClass, ThisModule());
  UnregisterPaintedClasses();
  ReleaseLook();
  classesRegistered = false;
}

UINT_PTR nextTimerId = 1;

// A timer runs on its form's window; the form's window procedure ticks it.
class TimerPeer : public Peer {
 public:
  using Peer::Peer;
  Timer& Model() const { return static_cast<Timer&>(Peer::Model()); }
  void Create() override {
    id_ = 0;
    if (Model().Running()) Start();
  }
  void Update(Property) override {}
  void Collect(std::vector<HWND>&, std::vector<Stacked>&) const override {}
  void Forget() override { id_ = 0; }
  void DestroyWindows() override { Stop(); }
  UINT_PTR TimerId() const override { return id_; }
  void TimerFired() override { Model().Tick(); }

  void Start() {
    HWND hwnd = Owner().Handle();
    if (!hwnd) return;
    if (!id_) id_ = nextTimerId++;
    ::SetTimer(hwnd, id_, UINT(std::max(Model().Interval(), 1)), nullptr);
  }
  void Stop() {
    if (id_ && Owner().Handle()) ::KillTimer(Owner().Handle(), id_);
    id_ = 0;
  }

 private:
  UINT_PTR id_ = 0;
};

// Timers that belong to no form tick on the thread's queue.
std::map<UINT_PTR, Timer*>& LooseTimers() {
  static std::map<UINT_PTR, Timer*> timers;
  return timers;
}

void CALLBACK LooseTimerTick(HWND, UINT, UINT_PTR id, DWORD) {
  auto found = LooseTimers().find(id);
  if (found != LooseTimers().end()) Guarded([&] { found->second->Tick(); });
}

void StopLooseTimer(Timer& timer) {
  auto& timers = LooseTimers();
  for (auto it = timers.begin(); it != timers.end(); ++it) {
    if (it->second == &timer) {
      ::KillTimer(nullptr, it->first);
      timers.erase(it);
      return;
    }
  }
}

void StartLooseTimer(Timer& timer) {
  StopLooseTimer(timer);
  UINT_PTR id = ::SetTimer(nullptr, 0, UINT(std::max(timer.Interval(), 1)), LooseTimerTick);
  if (id) LooseTimers()[id] = &timer;
}

bool OnThisThread(HWND hwnd) {
  return ::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId();
}

}  // namespace

HWND ChildHolding(HWND parent, HWND hwnd) {
  while (hwnd && ::GetParent(hwnd) != parent) {
    if (!(::GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD)) return nullptr;
    hwnd = ::GetParent(hwnd);
  }
  return hwnd;
}

FormPeer::FormPeer(Form& form) : form_(form) {}

FormPeer::~FormPeer() {
  ListenToKeys(false);
  KeepOnTopWhileShown(false);
  for (Peer* peer : order_) {
    peer->DestroyWindows();
    peer->Model().peer = nullptr;
    delete peer;
  }
  order_.clear();
  if (hwnd_) {
    if (disabledOwner_) ::EnableWindow(disabledOwner_, TRUE);
    destroying_ = true;
    HWND hwnd = hwnd_;
    if (OnThisThread(hwnd)) {
      ::DestroyWindow(hwnd);
    } else {
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      --formWindows;
    }
    hwnd_ = nullptr;
  }
  UnregisterClassesIfUnused();
}

// --- realising ---------------------------------------------------------------

void FormPeer::CreateWindowNow() {
  RegisterClasses(&FormPeer::Procedure);
  DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  if (form_.StayOnTop()) exStyle |= WS_EX_TOPMOST;
  RECT r = OuterRect(true);
  hwnd_ = ::CreateWindowExA(exStyle, kFormClass, form_.Caption().c_str(), kFormStyle, r.left,
                            r.top, r.right - r.left, r.bottom - r.top, ChooseOwner(), nullptr,
                            ThisModule(), nullptr);
  if (!hwnd_) return;
  ++formWindows;
  ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SendMessageA(hwnd_, WM_SETFONT, WPARAM(TheLook().normal), FALSE);
  if (!form_.Enabled()) ::EnableWindow(hwnd_, FALSE);
}

void FormPeer::CreatePeers(Component& component) {
  for (Component* child : component.Children()) {
    auto* peer = static_cast<Peer*>(child->peer);
    if (!peer) {
      std::unique_ptr<Peer> made = MakePeer(*child, *this);
      if (made) {
        peer = made.release();
        child->peer = peer;
        peer->Create();
      }
    }
    if (peer) order_.push_back(peer);
    CreatePeers(*child);
  }
}

void FormPeer::Realise() {
  MirrorScope mirror;
  bool fresh = !hwnd_;
  if (fresh) {
    CreateWindowNow();
    if (!hwnd_) return;
    // Peers left from a window that went without us make their windows again.
    for (Peer* peer : order_) peer->Create();
  }
  order_.clear();
  CreatePeers(form_);
  Restack();
}

void FormPeer::Adopt(Component&) {
  if (hwnd_) Realise();
}

void FormPeer::Drop(Component& component) {
  auto* peer = static_cast<Peer*>(component.peer);
  if (!peer) return;
  order_.erase(std::remove(order_.begin(), order_.end(), peer), order_.end());
  component.peer = nullptr;
  peer->DestroyWindows();
  delete peer;
}

void FormPeer::Restack() {
  if (!hwnd_) return;
  std::vector<HWND> painted;
  std::vector<Stacked> native;
  for (Peer* peer : order_) peer->Collect(painted, native);

  // Overlays on top, then the native controls in declaration order (the tab
  // order), then the painted layer, its later controls over its earlier ones.
  std::vector<HWND> stack;
  for (const Stacked& s : native)
    if (s.overlay) stack.push_back(s.hwnd);
  for (const Stacked& s : native)
    if (!s.overlay) stack.push_back(s.hwnd);
  stack.insert(stack.end(), painted.rbegin(), painted.rend());
  // Only windows out of place move: under Wine each move is a round of
  // messages for the child, and a form shown again usually has none to make.
  HWND after = HWND_TOP;
  for (HWND hwnd : stack) {
    HWND now = after == HWND_TOP ? ::GetWindow(hwnd_, GW_CHILD) : ::GetWindow(after, GW_HWNDNEXT);
    if (now != hwnd) ::SetWindowPos(hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = hwnd;
  }

  // Each control starts a group, except a radio button that follows one of
  // its set: arrow keys and automatic unchecking stay within one set.
  const void* previousSet = nullptr;
  for (const Stacked& s : native) {
    bool starts = !s.radioSet || s.radioSet != previousSet;
    Window(s.hwnd).ChangeStyle(WS_GROUP, starts);
    previousSet = s.radioSet;
  }
  for (HWND hwnd : painted) Window(hwnd).ChangeStyle(WS_GROUP, true);
}

// --- placing and owning ------------------------------------------------------

RECT FormPeer::OuterRect(bool centred) const {
  RECT r{0, 0, std::max(form_.ClientWidth(), 0), std::max(form_.ClientHeight(), 0)};
  DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  ::AdjustWindowRectEx(&r, kFormStyle, FALSE, exStyle);
  int width = r.right - r.left;
  int height = r.bottom - r.top;
  int left = 0;
  int top = 0;
  if (centred) {
    RECT work{};
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
      work = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    left = work.left + ((work.right - work.left) - width) / 2;
    top = work.top + ((work.bottom - work.top) - height) / 2;
    left = std::max<int>(left, work.left);
    top = std::max<int>(top, work.top);
  } else if (hwnd_) {
    RECT now{};
    ::GetWindowRect(hwnd_, &now);
    left = now.left;
    top = now.top;
  }
  return RECT{left, top, left + width, top + height};
}

HWND FormPeer::ChooseOwner() const {
  HWND active = ::GetActiveWindow();
  if (!active) {
    HWND foreground = ::GetForegroundWindow();
    if (foreground && OnThisThread(foreground)) active = foreground;
  }
  // Owning ourselves, directly or through another window, would loop.
  for (HWND h = active; h; h = ::GetWindow(h, GW_OWNER))
    if (h == hwnd_) return nullptr;
  return active;
}

// --- the model's values ------------------------------------------------------

void FormPeer::Update(Property property) {
  if (!hwnd_) return;
  switch (property) {
    case Property::Caption:
      Window(hwnd_).SetText(form_.Caption());
      break;
    case Property::Bounds: {
      RECT r = OuterRect(false);
      ::SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    case Property::Enabled:
      ::EnableWindow(hwnd_, form_.Enabled() ? TRUE : FALSE);
      break;
    case Property::StayOnTop:
      ::SetWindowPos(hwnd_, form_.StayOnTop() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
    default:
      break;  // showing and hiding come through Show and Hide
  }
}

// --- showing -----------------------------------------------------------------

void FormPeer::Show(bool) {
  Realise();
  if (!hwnd_) return;
  {
    MirrorScope mirror;
    for (Peer* peer : order_) peer->BeforeShow();
  }
  HWND owner = ChooseOwner();
  ::SetWindowLongPtrA(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  activeBefore_ = ::GetActiveWindow();
  RECT r = OuterRect(true);
  ListenToKeys(true);
  KeepOnTopWhileShown(form_.StayOnTop());
  ::SetWindowPos(hwnd_, form_.StayOnTop() ? HWND_TOPMOST : HWND_TOP, r.left, r.top,
                 r.right - r.left, r.bottom - r.top, SWP_SHOWWINDOW);
  ::SetForegroundWindow(hwnd_);
  ::SetActiveWindow(hwnd_);
  RestoreFocus();
  ::UpdateWindow(hwnd_);
}

void FormPeer::Hide() {
  if (!hwnd_) return;
  HWND focus = ::GetFocus();
  bool wasActive = ::GetActiveWindow() == hwnd_ || focus == hwnd_ || ::IsChild(hwnd_, focus);
  // Shown again, the form gives the focus back to this control.
  if (::IsChild(hwnd_, focus)) savedFocus_ = focus;
  ListenToKeys(false);
  KeepOnTopWhileShown(false);
  HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  // The owner is enabled before the dialog hides, so activation goes back to it.
  if (disabledOwner_) {
    ::EnableWindow(disabledOwner_, TRUE);
    disabledOwner_ = nullptr;
  }
  ::ShowWindow(hwnd_, SW_HIDE);
  if (wasActive) {
    HWND back = activeBefore_;
    if (!back || !::IsWindow(back) || !::IsWindowVisible(back) || !::IsWindowEnabled(back)) back = owner;
    if (back && ::IsWindow(back) && ::IsWindowVisible(back) && ::IsWindowEnabled(back))
      ::SetActiveWindow(back);
  }
  activeBefore_ = nullptr;
}

void FormPeer::RunModalLoop() {
  if (!hwnd_) return;
  HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  if (owner && !disabledOwner_ && ::IsWindowEnabled(owner)) {
    ::EnableWindow(owner, FALSE);
    disabledOwner_ = owner;
  }
  MSG message{};
  while (hwnd_ && form_.Showing() && form_.Result() == ModalResult::None) {
    BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      // The host is quitting: end the dialog and leave the quit to its loop.
      ::PostQuitMessage(int(message.wParam));
      break;
    }
    if (got == -1) break;
    // Keys meant for the dialog were handled by the key hook as they were fetched.
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  if (disabledOwner_) {
    ::EnableWindow(disabledOwner_, TRUE);
    disabledOwner_ = nullptr;
  }
}

void FormPeer::FocusFirst() {
  HWND first = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  ::SetFocus(first ? first : hwnd_);
}

void FormPeer::KeepFocusInside() {
  if (!hwnd_ || ::GetActiveWindow() != hwnd_) return;
  HWND focus = ::GetFocus();
  if (focus && focus != hwnd_ && ::IsChild(hwnd_, focus)) return;
  FocusFirst();
}

void FormPeer::RestoreFocus() {
  HWND focus = savedFocus_;
  if (focus && ::IsWindow(focus) && ::IsChild(hwnd_, focus) && ::IsWindowVisible(focus) &&
      ::IsWindowEnabled(focus))
    ::SetFocus(focus);
  else
    FocusFirst();
}

void FormPeer::FocusNext(bool previous) {
  HWND current = ChildHolding(hwnd_, ::GetFocus());
  HWND next = ::GetNextDlgTabItem(hwnd_, current, previous ? TRUE : FALSE);
  if (!next) return;
  ::SetFocus(next);
  if (::SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
    ::SendMessageA(next, EM_SETSEL, 0, -1);
}

// --- painting through --------------------------------------------------------

void FormPeer::PaintBeneath(HDC dc, const Peer& above) {
  RECT area = above.Extent();
  RECT local{0, 0, area.right - area.left, area.bottom - area.top};
  ::FillRect(dc, &local, TheLook().face);
  for (Peer* peer : order_) {
    if (peer == &above) break;
    if (!peer->PaintsContent() || !peer->ShownOnForm()) continue;
    RECT place = peer->Extent();
    RECT common{};
    if (!::IntersectRect(&common, &place, &area)) continue;
    peer->PaintContent(dc, POINT{place.left - area.left, place.top - area.top});
  }
}

void FormPeer::InvalidateSeeThroughAbove(const Peer& below) {
  auto it = std::find(order_.begin(), order_.end(), &below);
  if (it == order_.end()) return;
  RECT area = below.Extent();
  for (++it; it != order_.end(); ++it) {
    Peer* peer = *it;
    if (!peer->SeeThrough() || !peer->ShownOnForm()) continue;
    RECT place = peer->Extent();
    RECT common{};
    if (::IntersectRect(&common, &place, &area)) peer->Invalidate();
  }
}

void FormPeer::RetireLater(HWND old, HWND replacement) {
  if (!old) return;
  ::SetWindowLongPtrA(old, GWLP_USERDATA, 0);
  ::ShowWindow(old, SW_HIDE);
  if (hwnd_) ::PostMessageA(hwnd_, kRetireMessage, WPARAM(old), LPARAM(replacement));
}

// --- timers ------------------------------------------------------------------

namespace {
TimerPeer* TimerPeerOf(Timer& timer) {
  return static_cast<TimerPeer*>(static_cast<Peer*>(timer.peer));
}
}  // namespace

void FormPeer::StartTimer(Timer& timer) {
  if (!hwnd_) Realise();  // a timer needs the window; it stays hidden
  if (TimerPeer* peer = TimerPeerOf(timer)) peer->Start();
}

void FormPeer::StopTimer(Timer& timer) {
  if (TimerPeer* peer = TimerPeerOf(timer)) peer->Stop();
}

std::unique_ptr<Peer> MakeTimerPeer(Component& component, FormPeer& form) {
  return std::make_unique<TimerPeer>(component, form);
}

// --- the window procedure ----------------------------------------------------

LRESULT CALLBACK FormPeer::Procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<FormPeer*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) return ::DefWindowProcA(hwnd, message, w, l);
  try {
    return self->Handle(message, w, l);
  } catch (...) {
    return 0;
  }
}

LRESULT FormPeer::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(l);
      // A host loop's own IsDialogMessage sends Enter and Esc as IDOK and IDCANCEL.
      if (!from && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
        Guarded([&] { LOWORD(w) == IDOK ? form_.PressEnter() : form_.PressEscape(); });
        return 0;
      }
      Peer* peer = PeerOf(from);
      if (peer && !MirroringModel()) peer->Command(from, HIWORD(w));
      return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
      HWND from = reinterpret_cast<HWND>(l);
      Peer* peer = PeerOf(from);
      if (peer && !MirroringModel()) peer->Scrolled(from);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(w);
      if (Peer* peer = PeerOf(reinterpret_cast<HWND>(l)))
        return reinterpret_cast<LRESULT>(peer->Colours(dc, reinterpret_cast<HWND>(l)));
      ::SetBkColor(dc, TheLook().faceColour);
      return reinterpret_cast<LRESULT>(TheLook().face);
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
      Peer* peer = PeerOf(item->hwndItem);
      return peer && peer->DrawItem(*item) ? TRUE : FALSE;
    }
    case WM_CLOSE:
      Guarded([&] { form_.Close(); });
      return 0;
    case WM_TIMER:
      for (Peer* peer : order_) {
        if (peer->TimerId() == w) {
          Guarded([&] { peer->TimerFired(); });
          break;
        }
      }
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(w) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (::IsChild(hwnd_, focus)) savedFocus_ = focus;
      } else if (!HIWORD(w)) {
        RestoreFocus();  // back to the control that had the focus, as dialogs do
      }
      return 0;
    case WM_NEXTDLGCTL:
      if (LOWORD(l)) ::SetFocus(reinterpret_cast<HWND>(w));
      else FocusNext(w != 0);
      return 0;
    case WM_SETCURSOR:
      // The hourglass stays while a computation lets messages through.
      if (CurrentScreenCursor() == ScreenCursor::Hourglass) {
        ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case kTakeTopPlaceMessage:
      TakeTopPlace();
      return 0;
    case kRetireMessage: {
      HWND old = reinterpret_cast<HWND>(w);
      HWND replacement = reinterpret_cast<HWND>(l);
      if (!::IsWindow(old) || ::GetParent(old) != hwnd_) return 0;
      HWND focus = ::GetFocus();
      bool hadFocus = focus == old || ::IsChild(old, focus);
      ::DestroyWindow(old);
      if (hadFocus && ::IsWindow(replacement) && ::IsWindowVisible(replacement)) ::SetFocus(replacement);
      return 0;
    }
    case WM_DESTROY:
      if (!destroying_) {
        // Gone with its owner: the controls went with it; a later showing makes them again.
        for (Peer* peer : order_) peer->Forget();
        KeepOnTopWhileShown(false);
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        disabledOwner_ = nullptr;
        ListenToKeys(false);
        --formWindows;
        Guarded([&] {
          if (form_.Showing()) form_.Close();
        });
      }
      return 0;
    case WM_NCDESTROY:
      if (destroying_) --formWindows;
      break;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd_, message, w, l);
}

}  // namespace molvane::ui::win32

// --- the backend's entry points ----------------------------------------------

namespace molvane::ui::backend {

using win32::FormPeer;
using win32::Peer;

namespace {

FormPeer& PeerFor(Form& form) {
  if (!form.peer) form.peer = new FormPeer(form);
  return *FormPeer::Of(form);
}

bool MovesChildren(Property property) {
  return property == Property::Bounds || property == Property::Visible ||
         property == Property::Enabled;
}

void UpdateDescendants(Component& component, Property property) {
  for (Component* child : component.Children()) {
    if (auto* peer = static_cast<Peer*>(child->peer)) peer->Update(property);
    UpdateDescendants(*child, property);
  }
}

}  // namespace

void PropertyChanged(Component& component, Property property) {
  win32::Guarded([&] {
    win32::MirrorScope mirror;
    if (component.GetKind() == Component::Kind::Form) {
      if (FormPeer* form = FormPeer::Of(static_cast<Form&>(component))) form->Update(property);
      return;
    }
    if (auto* peer = static_cast<Peer*>(component.peer)) {
      peer->Update(property);
      if (MovesChildren(property)) UpdateDescendants(component, property);
      if (property == Property::Enabled || property == Property::Visible) peer->Owner().KeepFocusInside();
      return;
    }
    // A component added to a form that already has its window.
    if (Form* form = component.OwnerForm())
      if (FormPeer* peer = FormPeer::Of(*form); peer && peer->Handle()) peer->Adopt(component);
  });
}

void Destroyed(Component& component) {
  win32::Guarded([&] {
    if (component.GetKind() == Component::Kind::Form) {
      delete FormPeer::Of(static_cast<Form&>(component));
      component.peer = nullptr;
      return;
    }
    if (auto* peer = static_cast<Peer*>(component.peer)) {
      peer->Owner().Drop(component);
      return;
    }
    if (component.GetKind() == Component::Kind::Timer)
      win32::StopLooseTimer(static_cast<Timer&>(component));
  });
}

void ShowForm(Form& form, bool modal) {
  win32::Guarded([&] { PeerFor(form).Show(modal); });
}

void HideForm(Form& form) {
  win32::Guarded([&] {
    if (FormPeer* peer = FormPeer::Of(form)) peer->Hide();
  });
}

void RunModalLoop(Form& form) {
  win32::Guarded([&] {
    if (FormPeer* peer = FormPeer::Of(form)) peer->RunModalLoop();
  });
}

void StartTimer(Timer& timer) {
  win32::Guarded([&] {
    if (Form* form = timer.OwnerForm()) PeerFor(*form).StartTimer(timer);
    else win32::StartLooseTimer(timer);
  });
}

void StopTimer(Timer& timer) {
  win32::Guarded([&] {
    if (Form* form = timer.OwnerForm()) {
      if (FormPeer* peer = FormPeer::Of(*form)) peer->StopTimer(timer);
    } else {
      win32::StopLooseTimer(timer);
    }
  });
}

}  // namespace molvane::ui::backend
