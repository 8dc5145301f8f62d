// The system's own controls as peers: buttons, labels, frames, radio buttons, check boxes, edits, combos, sliders.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "ui/controls.h"
#include "ui/win32/peers.h"

namespace molvane::ui::win32 {
namespace {

// --- Button ------------------------------------------------------------------

// A copy of a glyph in greys, for a disabled button; the key colour stays.
Bitmap24 Greyed(const Bitmap24& glyph) {
  Bitmap24 grey(glyph.Width(), glyph.Height());
  const Pixel24 key = glyph.ScanLine(glyph.Height() - 1)[0];
  for (int y = 0; y < glyph.Height(); ++y) {
    const Pixel24* from = glyph.ScanLine(y);
    Pixel24* to = grey.ScanLine(y);
    for (int x = 0; x < glyph.Width(); ++x) {
      const Pixel24 p = from[x];
      if (p.b == key.b && p.g == key.g && p.r == key.r) {
        to[x] = p;
        continue;
      }
      auto v = uint8_t(128 + (p.r * 30 + p.g * 59 + p.b * 11) / 200);
      to[x] = Pixel24{v, v, v};
    }
  }
  return grey;
}

class ButtonPeer : public SingleWindowPeer {
 public:
  using SingleWindowPeer::SingleWindowPeer;
  Button& Model() const { return static_cast<Button&>(Peer::Model()); }

  void Create() override {
    window_.Attach(MakeChild("BUTTON", Model().Caption(), Type() | WS_TABSTOP, 0, Place()));
  }
  void Update(Property property) override {
    SingleWindowPeer::Update(property);
    if (!window_.Handle()) return;
    SyncType();
    if (property == Property::Picture) window_.Invalidate();
  }
  void BeforeShow() override { SyncType(); }
  void Command(HWND, int code) override {
    if (code == BN_CLICKED) Guarded([&] { Model().Click(); });
  }
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  // A glyph needs drawing of our own; otherwise the system's push button.
  DWORD Type() const {
    if (!Model().Glyph().Empty()) return BS_OWNERDRAW;
    return Model().IsDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  }
  void SyncType() {
    DWORD type = Type();
    if ((window_.Style() & BS_TYPEMASK) != type) ButtonWindow(window_.Handle()).SetType(type);
  }
};

bool ButtonPeer::DrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool pushed = item.itemState & ODS_SELECTED;
  const bool focused = item.itemState & ODS_FOCUS;
  const bool disabled = item.itemState & ODS_DISABLED;

  if (Model().IsDefault() || focused) {
    ::FrameRect(dc, &r, ::GetSysColorBrush(COLOR_WINDOWFRAME));
    ::InflateRect(&r, -1, -1);
  }
  if (pushed) {
    ::FillRect(dc, &r, TheLook().face);
    ::FrameRect(dc, &r, ::GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
  }

  // The glyph left of the caption, both centred together.
  const Bitmap24& glyph = Model().Glyph();
  const std::string& caption = Model().Caption();
  HGDIOBJ oldFont = ::SelectObject(dc, FontOf(Model()));
  RECT measured{0, 0, 0, 0};
  if (!caption.empty()) ::DrawTextA(dc, caption.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE);
  const int textWidth = measured.right - measured.left;
  const int gap = glyph.Empty() || caption.empty() ? 0 : 4;
  const int total = glyph.Width() + gap + textWidth;
  const int shift = pushed ? 1 : 0;
  int x = r.left + ((r.right - r.left) - total) / 2 + shift;
  const int middle = (r.top + r.bottom) / 2 + shift;
  if (!glyph.Empty()) {
    RECT place{x, middle - glyph.Height() / 2, x + glyph.Width(), middle - glyph.Height() / 2 + glyph.Height()};
    DrawBitmap(dc, place, disabled ? Greyed(glyph) : glyph, false, true);
    x += glyph.Width() + gap;
  }
  if (!caption.empty()) {
    ::SetBkMode(dc, TRANSPARENT);
    RECT text{x, r.top + shift, x + textWidth + 1, r.bottom + shift};
    if (disabled) {
      RECT raised = text;
      ::OffsetRect(&raised, 1, 1);
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
      ::DrawTextA(dc, caption.c_str(), -1, &raised, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
      ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
    } else {
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    }
    ::DrawTextA(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  }
  ::SelectObject(dc, oldFont);

  if (focused) {
    RECT frame = item.rcItem;
    ::InflateRect(&frame, -4, -4);
    ::DrawFocusRect(dc, &frame);
  }
  return true;
}

// --- Label -------------------------------------------------------------------

// A static control that we paint: the alignment, wrapping, colour and weight
// of the model, and, when transparent, whatever lies beneath it.
class LabelPeer : public SingleWindowPeer {
 public:
  using SingleWindowPeer::SingleWindowPeer;

  void Create() override {
    window_.Attach(MakeChild("STATIC", Model().Caption(), StaticStyle(), 0, WindowPlace()));
    if (window_.Handle()) Subclass(window_.Handle(), &LabelPeer::Procedure);
  }
  void Update(Property property) override {
    if (!window_.Handle()) return;
    if (property == Property::Caption) {
      // Stored only: the static control would paint itself at once, opaque.
      if (window_.Text() != Model().Caption())
        ::DefWindowProcA(window_.Handle(), WM_SETTEXT, 0, LPARAM(Model().Caption().c_str()));
    } else {
      SingleWindowPeer::Update(property);
    }
    if (property == Property::Caption || property == Property::Font) {
      // Each style change and move is a round of messages under Wine; a
      // dialog sets most captions at every showing, mostly to what they were.
      const DWORD style = (window_.Style() & ~SS_TYPEMASK) | StaticStyle();
      if (style != window_.Style()) window_.SetStyle(style);
      const RECT place = WindowPlace(), now = PlaceNow();
      if (!::EqualRect(&place, &now)) window_.Move(place);
    }
    window_.Invalidate();
  }
  bool PaintsContent() const override { return true; }
  void PaintContent(HDC dc, POINT origin) override {
    RECT place = Extent();
    RECT r{origin.x, origin.y, origin.x + (place.right - place.left),
           origin.y + (place.bottom - place.top)};
    if (!Model().Transparent()) ::FillRect(dc, &r, TheLook().face);
    PaintText(dc, r);
  }
  bool SeeThrough() const override { return Model().Transparent(); }

 protected:
  bool Painted() const override { return true; }
  // The window's rectangle in the form's client area.
  RECT PlaceNow() const {
    RECT r{};
    ::GetWindowRect(window_.Handle(), &r);
    ::MapWindowPoints(nullptr, Owner().Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  // Without a size, a label takes its text's size.
  RECT WindowPlace() const override {
    RECT r = Place();
    if (r.right > r.left && r.bottom > r.top) return r;
    int wrap = Model().WordWrap() ? int(r.right - r.left) : 0;
    SIZE size = MeasureText(FontOf(Model()), Model().Caption(), wrap);
    if (r.right <= r.left) r.right = r.left + size.cx;
    if (r.bottom <= r.top) r.bottom = r.top + size.cy;
    return r;
  }

 private:
  DWORD StaticStyle() const {
    switch (Model().GetAlignment()) {
      case Alignment::Right:
        return SS_RIGHT;
      case Alignment::Center:
        return SS_CENTER;
      default:
        return Model().WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP;
    }
  }

  void PaintText(HDC dc, const RECT& r) const {
    const std::string& text = Model().Caption();
    if (text.empty()) return;
    UINT format = DT_EXPANDTABS;
    switch (Model().GetAlignment()) {
      case Alignment::Right:
        format |= DT_RIGHT;
        break;
      case Alignment::Center:
        format |= DT_CENTER;
        break;
      default:
        format |= DT_LEFT;
        break;
    }
    format |= Model().WordWrap() ? DT_WORDBREAK : DT_SINGLELINE;
    HGDIOBJ oldFont = ::SelectObject(dc, FontOf(Model()));
    ::SetBkMode(dc, TRANSPARENT);
    RECT box = r;
    if (!EnabledOnForm()) {
      // Disabled text is engraved: a light copy under a shadowed one.
      RECT raised = box;
      ::OffsetRect(&raised, 1, 1);
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
      ::DrawTextA(dc, text.c_str(), -1, &raised, format);
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
    } else {
      ::SetTextColor(dc, COLORREF(Model().FontColour()));
    }
    ::DrawTextA(dc, text.c_str(), -1, &box, format);
    ::SelectObject(dc, oldFont);
  }

  void Paint() {
    BufferedPaint paint(window_.Handle());
    if (Model().Transparent()) Owner().PaintBeneath(paint.Dc(), *this);
    else ::FillRect(paint.Dc(), &paint.Client(), TheLook().face);
    PaintText(paint.Dc(), paint.Client());
  }

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    auto* self = static_cast<LabelPeer*>(PeerOf(hwnd));
    if (self) {
      try {
        switch (message) {
          case WM_ERASEBKGND:
            return 1;
          case WM_PAINT:
            self->Paint();
            return 0;
          default:
            break;
        }
      } catch (...) {
        return 0;
      }
    }
    return CallBase(hwnd, message, w, l);
  }
};

// --- GroupBox ----------------------------------------------------------------

// The system's group box draws its frame and caption but leaves its inside
// as it was; the form clips its children, so the box fills it itself.
LRESULT CALLBACK GroupBoxProcedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_ERASEBKGND) {
    RECT r{};
    ::GetClientRect(hwnd, &r);
    ::FillRect(reinterpret_cast<HDC>(w), &r, TheLook().face);
    return 1;
  }
  return CallBase(hwnd, message, w, l);
}

HWND MakeFrame(HWND hwnd) {
  if (hwnd) Subclass(hwnd, &GroupBoxProcedure);
  return hwnd;
}

class GroupBoxPeer : public SingleWindowPeer {
 public:
  using SingleWindowPeer::SingleWindowPeer;
  void Create() override {
    window_.Attach(MakeFrame(MakeChild("BUTTON", Model().Caption(), BS_GROUPBOX, 0, Place())));
  }

 protected:
  bool Painted() const override { return true; }
};

// --- RadioGroup --------------------------------------------------------------

// A frame with one radio button per item, in columns as the model asks.
class RadioGroupPeer : public Peer {
 public:
  using Peer::Peer;
  RadioGroup& Model() const { return static_cast<RadioGroup&>(Peer::Model()); }

  void Create() override {
    frame_.Attach(MakeFrame(MakeChild("BUTTON", Model().Caption(), BS_GROUPBOX, 0, Place())));
    MakeItems();
  }
  void Update(Property property) override {
    if (!frame_.Handle()) return;
    switch (property) {
      case Property::Bounds:
        frame_.Move(Place());
        PlaceItems();
        break;
      case Property::Visible:
        frame_.Show(ShownOnForm());
        for (const Window& item : items_) item.Show(ShownOnForm());
        break;
      case Property::Enabled:
        frame_.Enable(EnabledOnForm());
        for (const Window& item : items_) item.Enable(EnabledOnForm());
        break;
      case Property::Caption:
        frame_.SetText(Model().Caption());
        break;
      case Property::Font:
        frame_.SetFont(FontOf(Model()));
        for (const Window& item : items_) item.SetFont(FontOf(Model()));
        break;
      case Property::Items: {
        // The old buttons may be the ones whose click is being handled.
        for (Window& item : items_) Owner().RetireLater(item.Detach(), nullptr);
        items_.clear();
        MakeItems();
        Owner().Restack();
        break;
      }
      case Property::ItemIndex:
        ShowChoice();
        break;
      default:
        break;
    }
  }
  void Collect(std::vector<HWND>& painted, std::vector<Stacked>& native) const override {
    if (frame_.Handle()) painted.push_back(frame_.Handle());
    for (const Window& item : items_) native.push_back(Stacked{item.Handle(), &Model()});
  }
  void Forget() override {
    frame_.Detach();
    items_.clear();
  }
  void DestroyWindows() override {
    for (Window& item : items_) Destroy(item.Detach());
    items_.clear();
    Destroy(frame_.Detach());
  }
  void Command(HWND from, int code) override {
    if (code != BN_CLICKED) return;
    auto found = std::find_if(items_.begin(), items_.end(),
                              [&](const Window& item) { return item.Handle() == from; });
    if (found == items_.end()) return;
    int index = int(found - items_.begin());
    Guarded([&] { Model().SetItemIndex(index); });
  }

 private:
  static void Destroy(HWND hwnd) {
    if (!hwnd) return;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    if (::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId()) ::DestroyWindow(hwnd);
  }

  void MakeItems() {
    const auto& texts = Model().Items();
    for (size_t i = 0; i < texts.size(); ++i)
      items_.emplace_back(MakeChild("BUTTON", texts[i], BS_AUTORADIOBUTTON, 0, ItemPlace(int(i))));
    ShowChoice();
  }

  // Items share the frame's height below its caption, column by column.
  RECT ItemPlace(int index) const {
    RECT frame = Place();
    const int count = std::max<int>(int(Model().Items().size()), 1);
    const int columns = std::max(Model().Columns(), 1);
    const int perColumn = (count + columns - 1) / columns;
    const int textHeight = MeasureText(FontOf(Model()), "Ag", 0).cy;
    const int columnWidth = ((frame.right - frame.left) - 10) / columns;
    const int free = (frame.bottom - frame.top) - textHeight - 5;
    const int itemHeight = std::max(free / perColumn, 1);
    const int topMargin = textHeight + 1 + (free % perColumn) / 2;
    const int left = frame.left + (index / perColumn) * columnWidth + 8;
    const int top = frame.top + (index % perColumn) * itemHeight + topMargin;
    return RECT{left, top, left + columnWidth, top + itemHeight};
  }

  void PlaceItems() {
    for (size_t i = 0; i < items_.size(); ++i) items_[i].Move(ItemPlace(int(i)));
  }

  // The chosen item is checked and is the set's tab stop (the first when none is).
  void ShowChoice() {
    const int chosen = Model().ItemIndex();
    for (size_t i = 0; i < items_.size(); ++i) {
      ButtonWindow(items_[i].Handle()).SetCheck(int(i) == chosen);
      items_[i].ChangeStyle(WS_TABSTOP, int(i) == (chosen >= 0 ? chosen : 0));
    }
  }

  Window frame_;
  std::vector<Window> items_;
};

// --- RadioButton, CheckBox ---------------------------------------------------

class RadioButtonPeer : public SingleWindowPeer {
 public:
  using SingleWindowPeer::SingleWindowPeer;
  RadioButton& Model() const { return static_cast<RadioButton&>(Peer::Model()); }
  void Create() override {
    window_.Attach(MakeChild("BUTTON", Model().Caption(), BS_AUTORADIOBUTTON, 0, Place()));
    ShowCheck();
  }
  void Update(Property property) override {
    SingleWindowPeer::Update(property);
    if (property == Property::Checked && window_.Handle()) ShowCheck();
  }
  void Command(HWND, int code) override {
    if (code == BN_CLICKED) Guarded([&] { Model().Click(); });
  }

 protected:
  const void* RadioSet() const override { return Model().Parent(); }

 private:
  // Checked, and the set's tab stop when checked (the first of the set when none is).
  void ShowCheck() {
    ButtonWindow(window_.Handle()).SetCheck(Model().Checked());
    bool tabStop = Model().Checked();
    if (!tabStop && Model().Parent()) {
      const RadioButton* first = nullptr;
      bool anyChecked = false;
      for (Component* sibling : Model().Parent()->Children()) {
        if (sibling->GetKind() != Component::Kind::RadioButton) continue;
        auto* radio = static_cast<RadioButton*>(sibling);
        if (!first) first = radio;
        anyChecked = anyChecked || radio->Checked();
      }
      tabStop = !anyChecked && first == &Model();
    }
    window_.ChangeStyle(WS_TABSTOP, tabStop);
  }
};

class CheckBoxPeer : public SingleWindowPeer {
 public:
  using SingleWindowPeer::SingleWindowPeer;
  CheckBox& Model() const { return static_cast<CheckBox&>(Peer::Model()); }
  void Create() override {
    window_.Attach(MakeChild("BUTTON", Model().Caption(), BS_AUTOCHECKBOX | WS_TABSTOP, 0, Place()));
    ButtonWindow(window_.Handle()).SetCheck(Model().Checked());
  }
  void Update(Property property) override {
    SingleWindowPeer::Update(property);
    if (property == Property::Checked && window_.Handle())
      ButtonWindow(window_.Handle()).SetCheck(Model().Checked());
  }
  void Command(HWND, int code) override {
    if (code == BN_CLICKED) Guarded([&] { Model().Click(); });
  }
};

// --- Edit --------------------------------------------------------------------

class EditPeer : public SingleWindowPeer {
 public:
  using SingleWindowPeer::SingleWindowPeer;
  Edit& Model() const { return static_cast<Edit&>(Peer::Model()); }
  void Create() override {
    window_.Attach(MakeChild("EDIT", Model().Text(), ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP,
                             WS_EX_CLIENTEDGE, Place()));
  }
  void Update(Property property) override {
    if (property == Property::Caption) return;  // an edit shows its text
    SingleWindowPeer::Update(property);
    if (property == Property::Text) window_.SetText(Model().Text());
  }
  void Command(HWND, int code) override {
    if (code == EN_CHANGE) Guarded([&] { Model().SetText(window_.Text()); });
  }
};

// --- ComboBox ----------------------------------------------------------------

// A drop-down list, or a drop-down with an edit field when Editable; the
// system fixes that kind at creation, so switching makes a new control.
class ComboBoxPeer : public SingleWindowPeer {
 public:
  using SingleWindowPeer::SingleWindowPeer;
  ComboBox& Model() const { return static_cast<ComboBox&>(Peer::Model()); }

  void Create() override {
    editable_ = Model().Editable();
    DWORD style = WS_VSCROLL | WS_TABSTOP | (editable_ ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST);
    window_.Attach(MakeChild("COMBOBOX", std::string(), style, 0, Place()));
    if (window_.Handle()) Fill();
  }
  void Update(Property property) override {
    if (property == Property::Caption) return;
    if (property == Property::Bounds) {
      window_.Move(WindowPlace());
      return;
    }
    SingleWindowPeer::Update(property);
    if (!window_.Handle()) return;
    switch (property) {
      case Property::Items:
        if (Model().Editable() != editable_) Remake();
        else Fill();
        break;
      case Property::ItemIndex:
      case Property::Text:
        ShowChoice();
        break;
      default:
        break;
    }
  }
  void Command(HWND, int code) override {
    if (code == CBN_SELCHANGE) {
      int index = combo().CurSel();
      Guarded([&] { Model().Pick(index); });
    } else if (code == CBN_EDITCHANGE) {
      std::string text = window_.Text();
      Guarded([&] { Model().Type(text); });
    }
  }

 protected:
  // The window's height includes its dropped list, of the model's rows at most.
  RECT WindowPlace() const override {
    RECT r = Place();
    int rows = std::clamp<int>(int(Model().Items().size()), 1, std::max(Model().DropDownRows(), 1));
    int itemHeight = window_.Handle() ? combo().ItemHeight() : 0;
    if (itemHeight <= 0) itemHeight = MeasureText(FontOf(Model()), "Ag", 0).cy + 2;
    r.bottom += rows * itemHeight + 2;
    return r;
  }

 private:
  ComboBoxWindow combo() const { return ComboBoxWindow(window_.Handle()); }

  // A list of the same length is changed entry by entry: renaming an entry
  // while the user types its new name must leave the edit field alone.
  void Fill() {
    const std::vector<std::string>& items = Model().Items();
    if (combo().Count() == int(items.size())) {
      for (int i = 0; i < int(items.size()); ++i) {
        if (combo().ItemText(i) == items[size_t(i)]) continue;
        combo().DeleteString(i);
        combo().InsertString(i, items[size_t(i)]);
      }
    } else {
      combo().ResetContent();
      for (const std::string& item : items) combo().AddString(item);
      window_.Move(WindowPlace());
    }
    ShowChoice();
  }
  void ShowChoice() {
    int index = Model().ItemIndex();
    if (combo().CurSel() != index) combo().SetCurSel(index);
    if (editable_ && index < 0) window_.SetText(Model().Text());
  }
  void Remake() {
    HWND old = window_.Detach();
    Create();
    // The old control may be the one whose notification is running.
    Owner().RetireLater(old, window_.Handle());
    Owner().Restack();
  }

  bool editable_ = false;
};

// --- TrackBar ----------------------------------------------------------------

class TrackBarPeer : public SingleWindowPeer {
 public:
  using SingleWindowPeer::SingleWindowPeer;
  TrackBar& Model() const { return static_cast<TrackBar&>(Peer::Model()); }

  void Create() override {
    static const bool registered = [] {
      INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
      return ::InitCommonControlsEx(&init) != FALSE;
    }();
    (void)registered;
    window_.Attach(MakeChild(TRACKBAR_CLASSA, std::string(), Style(), 0, Place()));
    if (!window_.Handle()) return;
    Subclass(window_.Handle(), &TrackBarPeer::Procedure);
    ShowRange();
    bar().SetPos(Model().Position());
  }
  void Update(Property property) override {
    if (property == Property::Caption) return;
    SingleWindowPeer::Update(property);
    if (!window_.Handle()) return;
    if (property == Property::Range) ShowRange();
    if (property == Property::Range || property == Property::Position) {
      if (bar().Pos() != Model().Position()) bar().SetPos(Model().Position());
    }
  }
  void Scrolled(HWND) override {
    int position = bar().Pos();
    Guarded([&] { Model().SetPosition(position); });
  }

 private:
  TrackBarWindow bar() const { return TrackBarWindow(window_.Handle()); }
  DWORD Style() const {
    DWORD style = TBS_HORZ | TBS_BOTTOM | WS_TABSTOP;
    return style | (Model().Frequency() > 0 ? TBS_AUTOTICKS : TBS_NOTICKS);
  }
  void ShowRange() {
    window_.ChangeStyle(TBS_AUTOTICKS | TBS_NOTICKS, false);
    window_.ChangeStyle(Style() & (TBS_AUTOTICKS | TBS_NOTICKS), true);
    bar().SetRange(Model().Min(), Model().Max());
    bar().SetPageSize(Model().PageSize());
    if (Model().Frequency() > 0) bar().SetTicFrequency(Model().Frequency());
    window_.Invalidate();
  }

  // The bar keeps the mouse while dragging, so its button-up is the user letting go.
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    LRESULT result = CallBase(hwnd, message, w, l);
    if (message == WM_LBUTTONUP) {
      if (auto* self = static_cast<TrackBarPeer*>(PeerOf(hwnd)))
        Guarded([&] { self->Model().MouseUp(); });
    }
    return result;
  }
};

}  // namespace

std::unique_ptr<Peer> MakePeer(Component& component, FormPeer& form) {
  switch (component.GetKind()) {
    case Component::Kind::Button:
      return std::make_unique<ButtonPeer>(component, form);
    case Component::Kind::Label:
      return std::make_unique<LabelPeer>(component, form);
    case Component::Kind::GroupBox:
      return std::make_unique<GroupBoxPeer>(component, form);
    case Component::Kind::Panel:
      return MakePanelPeer(component, form);
    case Component::Kind::RadioGroup:
      return std::make_unique<RadioGroupPeer>(component, form);
    case Component::Kind::RadioButton:
      return std::make_unique<RadioButtonPeer>(component, form);
    case Component::Kind::CheckBox:
      return std::make_unique<CheckBoxPeer>(component, form);
    case Component::Kind::Edit:
      return std::make_unique<EditPeer>(component, form);
    case Component::Kind::ComboBox:
      return std::make_unique<ComboBoxPeer>(component, form);
    case Component::Kind::StringGrid:
      return MakeGridPeer(component, form);
    case Component::Kind::Picture:
      return MakePicturePeer(component, form);
    case Component::Kind::TrackBar:
      return std::make_unique<TrackBarPeer>(component, form);
    case Component::Kind::Timer:
      return MakeTimerPeer(component, form);
    case Component::Kind::Form:
      break;
  }
  return nullptr;
}

}  // namespace molvane::ui::win32
