// The Win32 backend's mirrors: one peer per component, holding the windows that show it.
//
// A form's native window is made at its first showing (or when a timer of it
// starts), never while the library loads; until then the model keeps every
// value and the peers read them when they make their windows. Every control
// is a child of the form's window, placed through its parents (group boxes
// and panels are not real parents). Painted controls (labels, frames,
// pictures, panels) stack below the native ones, later ones above earlier
// ones and children above their container, as in the dialogs' designs; the
// native controls stack in declaration order, which is also the tab order.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/bitmap.h"
#include "ui/component.h"
#include "ui/form.h"
#include "ui/win32/window.h"

namespace molvane::ui::win32 {

// The fonts and the face colour every dialog shares.
struct Look {
  HFONT normal = nullptr;
  HFONT bold = nullptr;
  HBRUSH face = nullptr;
  COLORREF faceColour = 0;
};
// Made at the first window, released with the last form's window.
const Look& TheLook();
void ReleaseLook();
HFONT FontOf(const Component& component);

// The module whose code this is (the plug-in, or a program linking the backend).
HINSTANCE ThisModule();

// True while the model's values are being copied onto windows: the
// notifications that causes are not a user's actions.
bool MirroringModel();
class MirrorScope {
 public:
  MirrorScope();
  ~MirrorScope();
  MirrorScope(const MirrorScope&) = delete;
  MirrorScope& operator=(const MirrorScope&) = delete;
};

// Calls into the model from a window procedure; nothing may reach Windows.
template <typename F>
void Guarded(F&& f) noexcept {
  try {
    f();
  } catch (...) {
  }
}

// The peer whose window this is, or null.
class Peer;
Peer* PeerOf(HWND hwnd);

// A window as it takes its place in the stacking order; radio buttons of one
// set (a radio group, or the radio buttons of one parent) form one Win32 group.
// An overlay goes above every other control.
struct Stacked {
  HWND hwnd;
  const void* radioSet;
  bool overlay = false;
};

class FormPeer;

// The direct child of `parent` that holds `hwnd` (itself or an ancestor), or null.
HWND ChildHolding(HWND parent, HWND hwnd);

class Peer {
 public:
  Peer(Component& model, FormPeer& form) : model_(model), form_(form) {}
  virtual ~Peer() = default;
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  Component& Model() const { return model_; }
  FormPeer& Owner() const { return form_; }

  // Makes the windows from the model's current values.
  virtual void Create() = 0;
  // A property of the component, or the place, visibility or state of one of its parents, changed.
  virtual void Update(Property property) = 0;
  // The peer's windows, top first, painted and native ones apart.
  virtual void Collect(std::vector<HWND>& painted, std::vector<Stacked>& native) const = 0;
  // The form's window is going and takes the children with it.
  virtual void Forget() = 0;
  // The component goes before its form: its windows go now.
  virtual void DestroyWindows() = 0;

  // What the form's window forwards from this peer's windows.
  virtual void Command(HWND /*from*/, int /*code*/) {}
  virtual void Scrolled(HWND /*from*/) {}
  virtual bool DrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
  virtual HBRUSH Colours(HDC dc, HWND from);

  // Painted peers draw themselves into another control's buffer when that one
  // lets what lies beneath show through. Origin: the component's top-left there.
  virtual bool PaintsContent() const { return false; }
  virtual void PaintContent(HDC /*dc*/, POINT /*origin*/) {}
  // Whether what lies beneath shows through (transparent labels and pictures).
  virtual bool SeeThrough() const { return false; }
  virtual void Invalidate() {}

  // The form is about to show: values the model does not announce (a
  // button's default role) are read again.
  virtual void BeforeShow() {}
  // Timers: the id of the running timer on the form's window, 0 if none.
  virtual UINT_PTR TimerId() const { return 0; }
  virtual void TimerFired() {}

  // The component's rectangle in the form's client area, and whether it and
  // all its parents are visible and enabled.
  RECT Place() const;
  // Where its window really is: a label without a size takes its text's.
  virtual RECT Extent() const { return Place(); }
  bool ShownOnForm() const;
  bool EnabledOnForm() const;

 protected:
  // A child of the form's window, tagged with this peer.
  HWND MakeChild(const char* windowClass, const std::string& text, DWORD style, DWORD exStyle,
                 const RECT& place);

 private:
  Component& model_;
  FormPeer& form_;
};

// One component, one window: place, visibility, state, caption and font.
class SingleWindowPeer : public Peer {
 public:
  using Peer::Peer;
  void Update(Property property) override;
  void Collect(std::vector<HWND>& painted, std::vector<Stacked>& native) const override;
  void Forget() override { window_.Detach(); }
  void DestroyWindows() override;
  void Invalidate() override { window_.Invalidate(); }
  RECT Extent() const override { return WindowPlace(); }
  HWND Handle() const { return window_.Handle(); }

 protected:
  virtual bool Painted() const { return false; }
  virtual bool Overlay() const { return false; }
  virtual const void* RadioSet() const { return nullptr; }
  // The place of the window; a label without a size takes its text's size.
  virtual RECT WindowPlace() const { return Place(); }
  Window window_;
};

std::unique_ptr<Peer> MakePeer(Component& component, FormPeer& form);
std::unique_ptr<Peer> MakeTimerPeer(Component& component, FormPeer& form);
// The painted controls with classes of their own (painted_controls.cpp).
std::unique_ptr<Peer> MakePanelPeer(Component& component, FormPeer& form);
std::unique_ptr<Peer> MakePicturePeer(Component& component, FormPeer& form);
std::unique_ptr<Peer> MakeGridPeer(Component& component, FormPeer& form);
void RegisterPaintedClasses();
void UnregisterPaintedClasses();

// Draws a 24-bit bitmap into dest: stretched to it or at its own size; with
// `transparent`, pixels of the bottom-left pixel's colour leave dc as it was.
void DrawBitmap(HDC dc, const RECT& dest, const Bitmap24& bitmap, bool stretch, bool transparent);

// The mirror of a form: its window, its controls' peers and its timers.
class FormPeer {
 public:
  explicit FormPeer(Form& form);
  ~FormPeer();
  FormPeer(const FormPeer&) = delete;
  FormPeer& operator=(const FormPeer&) = delete;

  Form& Model() const { return form_; }
  HWND Handle() const { return hwnd_; }
  static FormPeer* Of(Form& form) { return static_cast<FormPeer*>(form.peer); }

  // Makes the window and every control's peer that is missing.
  void Realise();
  void Update(Property property);
  void Show(bool modal);
  void Hide();
  void RunModalLoop();

  // A component joined or left a realised form.
  void Adopt(Component& component);
  void Drop(Component& component);

  // Paints, into dc whose origin is the top-left of `above`, whatever lies
  // beneath it in the painted layer: the face colour, then the painted peers
  // below it.
  void PaintBeneath(HDC dc, const Peer& above);
  // Asks every see-through peer over `below` to repaint.
  void InvalidateSeeThroughAbove(const Peer& below);
  // Destroys a replaced window once the messages now running are done with
  // it; the focus moves to its replacement if it was there.
  void RetireLater(HWND old, HWND replacement);
  // Brings the stacking order and the groups up to date after a window was remade.
  void Restack();

  void StartTimer(Timer& timer);
  void StopTimer(Timer& timer);

  // Posted to an on-top form after another window of its thread was activated (stay_on_top.cpp).
  static const UINT kTakeTopPlaceMessage = WM_APP + 2;

  // The form whose window is, or holds, `hwnd`; null for any other window.
  static FormPeer* Holding(HWND hwnd);
  // A key message meant for the form or one of its controls, handled as a
  // dialog does (Enter, Esc, Tab, arrows in a group): true when it was, and
  // must not be dispatched again.
  bool TranslateKey(MSG& message);
  // A control that had the focus was disabled or hidden: the system leaves
  // the focus nowhere, and an active form then hears no key. It goes to the
  // first tab stop.
  void KeepFocusInside();

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  void CreateWindowNow();
  void CreatePeers(Component& component);
  HWND ChooseOwner() const;
  RECT OuterRect(bool centred) const;
  bool DialogKey(MSG& message);
  // While a form shows, the thread's key hook runs (dialog_keys.cpp).
  void ListenToKeys(bool listen);
  // While an on-top form shows, each activation of another window puts it back on top (stay_on_top.cpp).
  void KeepOnTopWhileShown(bool shown);
  void TakeTopPlace();
  void FocusNext(bool previous);
  void FocusFirst();
  // The control that had the focus when the form was last left, or the first one.
  void RestoreFocus();

  Form& form_;
  HWND hwnd_ = nullptr;
  bool destroying_ = false;
  std::vector<Peer*> order_;  // every peer in declaration order, containers first
  HWND disabledOwner_ = nullptr;
  HWND activeBefore_ = nullptr;
  HWND savedFocus_ = nullptr;
  bool listening_ = false;
};

}  // namespace molvane::ui::win32
