// Controls with window classes of our own: the panel, the picture and the string grid.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "ui/controls.h"
#include "ui/events.h"
#include "ui/win32/peers.h"

namespace molvane::ui::win32 {
namespace {

const char kPanelClass[] = "MolvanePanel";
const char kPictureClass[] = "MolvanePicture";
const char kGridClass[] = "MolvaneGrid";

// Forwards a window's messages to its peer's Message; nothing escapes.
template <typename P>
LRESULT CALLBACK Dispatch(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  auto* self = static_cast<P*>(PeerOf(hwnd));
  if (!self) return ::DefWindowProcA(hwnd, message, w, l);
  try {
    return self->Message(hwnd, message, w, l);
  } catch (...) {
    return 0;
  }
}

// --- Panel -------------------------------------------------------------------

// A coloured area with an optional one-pixel frame and an optional centred caption.
class PanelPeer : public SingleWindowPeer {
 public:
  using SingleWindowPeer::SingleWindowPeer;
  Panel& Model() const { return static_cast<Panel&>(Peer::Model()); }

  void Create() override { window_.Attach(MakeChild(kPanelClass, Model().Caption(), 0, 0, Place())); }
  void Update(Property property) override {
    SingleWindowPeer::Update(property);
    if (!window_.Handle()) return;
    // DoubleBuffered needs nothing: our painting always goes through a buffer.
    if (property == Property::Colour || property == Property::Caption || property == Property::Font ||
        property == Property::Enabled) {
      window_.Invalidate();
      Owner().InvalidateSeeThroughAbove(*this);
    }
  }
  bool PaintsContent() const override { return true; }
  void PaintContent(HDC dc, POINT origin) override {
    RECT place = Extent();
    RECT r{origin.x, origin.y, origin.x + (place.right - place.left),
           origin.y + (place.bottom - place.top)};
    HBRUSH fill = ::CreateSolidBrush(COLORREF(Model().Colour() & 0xFFFFFF));
    ::FillRect(dc, &r, fill);
    ::DeleteObject(fill);
    if (Model().Framed()) ::FrameRect(dc, &r, ::GetSysColorBrush(COLOR_3DDKSHADOW));
    const std::string& caption = Model().Caption();
    if (!caption.empty()) {
      HGDIOBJ oldFont = ::SelectObject(dc, FontOf(Model()));
      ::SetBkMode(dc, TRANSPARENT);
      ::SetTextColor(dc, EnabledOnForm() ? COLORREF(Model().FontColour())
                                         : ::GetSysColor(COLOR_GRAYTEXT));
      ::DrawTextA(dc, caption.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      ::SelectObject(dc, oldFont);
    }
  }

  LRESULT Message(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        BufferedPaint paint(hwnd);
        PaintContent(paint.Dc(), POINT{0, 0});
        return 0;
      }
      default:
        return ::DefWindowProcA(hwnd, message, w, l);
    }
  }

 protected:
  // An overlay stacks with the native controls, above them all.
  bool Painted() const override { return !Model().Overlay(); }
  bool Overlay() const override { return Model().Overlay(); }
};

// --- Picture -----------------------------------------------------------------

// The model's 24-bit bitmap at its size, stretched, or with its bottom-left
// pixel's colour let through; where it does not cover the control, what lies
// beneath shows.
class PicturePeer : public SingleWindowPeer {
 public:
  using SingleWindowPeer::SingleWindowPeer;
  Picture& Model() const { return static_cast<Picture&>(Peer::Model()); }

  void Create() override { window_.Attach(MakeChild(kPictureClass, std::string(), 0, 0, Place())); }
  void Update(Property property) override {
    if (property == Property::Caption) return;
    SingleWindowPeer::Update(property);
    if (!window_.Handle()) return;
    if (property == Property::Picture || property == Property::Bounds) {
      window_.Invalidate();
      Owner().InvalidateSeeThroughAbove(*this);
    }
  }
  bool PaintsContent() const override { return true; }
  void PaintContent(HDC dc, POINT origin) override {
    RECT place = Extent();
    RECT r{origin.x, origin.y, origin.x + (place.right - place.left),
           origin.y + (place.bottom - place.top)};
    DrawBitmap(dc, r, Model().Bitmap(), Model().Stretch(), Model().Transparent());
  }
  bool SeeThrough() const override {
    const Bitmap24& bitmap = Model().Bitmap();
    if (Model().Transparent() || bitmap.Empty()) return true;
    if (Model().Stretch()) return false;
    RECT place = Place();
    return bitmap.Width() < place.right - place.left || bitmap.Height() < place.bottom - place.top;
  }

  LRESULT Message(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
      case WM_ERASEBKGND:
        return 1;  // the paint covers everything: no flicker while a slider moves
      case WM_PAINT: {
        BufferedPaint paint(hwnd);
        if (SeeThrough()) Owner().PaintBeneath(paint.Dc(), *this);
        PaintContent(paint.Dc(), POINT{0, 0});
        return 0;
      }
      default:
        return ::DefWindowProcA(hwnd, message, w, l);
    }
  }

 protected:
  bool Painted() const override { return true; }
};

// --- StringGrid --------------------------------------------------------------

// Cells of CellWidth x CellHeight with a line between them. A click on a cell
// selects it and edits it in place; every change of the editor's text is a
// user's edit of the cell. Tab and Shift+Tab move between cells, Enter ends
// the edit, Esc undoes it. Each cell painted is told to the model.
class GridPeer : public SingleWindowPeer {
 public:
  using SingleWindowPeer::SingleWindowPeer;
  StringGrid& Model() const { return static_cast<StringGrid&>(Peer::Model()); }

  void Create() override {
    editor_.Detach();
    editing_ = false;
    window_.Attach(MakeChild(kGridClass, std::string(), WS_TABSTOP, WS_EX_CLIENTEDGE, Place()));
  }
  void Forget() override {
    editor_.Detach();
    editing_ = false;
    SingleWindowPeer::Forget();
  }
  void DestroyWindows() override {
    if (editor_.Handle()) ::SetWindowLongPtrA(editor_.Detach(), GWLP_USERDATA, 0);
    editing_ = false;
    SingleWindowPeer::DestroyWindows();
  }
  void Update(Property property) override {
    if (property == Property::Caption) return;
    SingleWindowPeer::Update(property);
    if (!window_.Handle()) return;
    if (property == Property::Cells || property == Property::Enabled || property == Property::Font) {
      if (editing_ && (!Model().EditingEnabled() || !EnabledOnForm() || !Valid(editCol_, editRow_)))
        CloseEditor(false);
      else if (editing_)
        editor_.SetText(Model().Cell(editCol_, editRow_));
      window_.Invalidate();
    }
  }

  LRESULT Message(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT:
        Paint();
        return 0;
      case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        window_.Invalidate();
        return 0;
      case WM_LBUTTONDOWN: {
        ::SetFocus(hwnd);
        int col = 0;
        int row = 0;
        if (CellAt(short(LOWORD(l)), short(HIWORD(l)), col, row)) Select(col, row, true);
        return 0;
      }
      case WM_KEYDOWN:
        if (Key(int(w))) return 0;
        break;
      case WM_CHAR:
        // Typing on a cell starts editing it with what is typed.
        if (w >= 32 && CanEdit()) {
          OpenEditor();
          if (editing_) {
            editor_.SelectAll();
            editor_.Send(WM_CHAR, w, l);
          }
          return 0;
        }
        break;
      case WM_COMMAND:
        if (reinterpret_cast<HWND>(l) == editor_.Handle() && HIWORD(w) == EN_CHANGE && editing_ &&
            !MirroringModel()) {
          std::string text = editor_.Text();
          int col = editCol_;
          int row = editRow_;
          Guarded([&] { Model().EditCell(col, row, text); });
        }
        return 0;
      default:
        break;
    }
    return ::DefWindowProcA(hwnd, message, w, l);
  }

 private:
  int Pitch(bool across) const { return (across ? Model().CellWidth() : Model().CellHeight()) + 1; }
  bool Valid(int col, int row) const {
    return col >= 0 && row >= 0 && col < Model().ColCount() && row < Model().RowCount();
  }
  int Col() const { return Model().Col(); }
  int Row() const { return Model().Row(); }
  bool CanEdit() const { return Model().EditingEnabled() && EnabledOnForm() && Valid(Col(), Row()); }
  RECT CellRect(int col, int row) const {
    int x = col * Pitch(true);
    int y = row * Pitch(false);
    return RECT{x, y, x + Model().CellWidth(), y + Model().CellHeight()};
  }
  bool CellAt(int x, int y, int& col, int& row) const {
    if (x < 0 || y < 0 || Pitch(true) <= 1 || Pitch(false) <= 1) return false;
    col = x / Pitch(true);
    row = y / Pitch(false);
    return Valid(col, row);
  }

  void Paint() {
    std::vector<POINT> painted;
    {
      BufferedPaint paint(window_.Handle());
      DrawCells(paint, painted);
    }
    // Handlers run once the painting is over; they may ask for another.
    StringGrid& grid = Model();
    for (const POINT& cell : painted) grid.CellPainted(int(cell.x), int(cell.y));
  }

  void DrawCells(const BufferedPaint& paint, std::vector<POINT>& painted) const {
    HDC dc = paint.Dc();
    ::FillRect(dc, &paint.Client(), ::GetSysColorBrush(COLOR_WINDOW));
    HBRUSH line = ::CreateSolidBrush(RGB(192, 192, 192));
    const int cols = Model().ColCount();
    const int rows = Model().RowCount();
    for (int c = 1; c < cols; ++c) {
      RECT r{c * Pitch(true) - 1, 0, c * Pitch(true), rows * Pitch(false) - 1};
      ::FillRect(dc, &r, line);
    }
    for (int r = 1; r < rows; ++r) {
      RECT band{0, r * Pitch(false) - 1, cols * Pitch(true) - 1, r * Pitch(false)};
      ::FillRect(dc, &band, line);
    }
    ::DeleteObject(line);
    HGDIOBJ oldFont = ::SelectObject(dc, FontOf(Model()));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(EnabledOnForm() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    for (int row = 0; row < rows; ++row) {
      for (int col = 0; col < cols; ++col) {
        RECT r = CellRect(col, row);
        RECT common{};
        if (::IntersectRect(&common, &r, &paint.Dirty())) painted.push_back(POINT{col, row});
        const std::string& text = Model().Cell(col, row);
        if (text.empty()) continue;
        r.left += 3;
        ::DrawTextA(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
      }
    }
    ::SelectObject(dc, oldFont);
    if (::GetFocus() == window_.Handle() && Valid(Col(), Row())) {
      RECT focus = CellRect(Col(), Row());
      ::DrawFocusRect(dc, &focus);
    }
  }

  void Select(int col, int row, bool edit) {
    if (editing_ && (col != editCol_ || row != editRow_)) CloseEditor(true);
    Guarded([&] { Model().Select(col, row); });
    window_.Invalidate();
    if (edit && CanEdit()) OpenEditor();
  }

  // Next or previous cell in reading order; false at either end.
  bool Step(bool back) {
    int index = Row() * Model().ColCount() + Col() + (back ? -1 : 1);
    if (index < 0 || index >= Model().ColCount() * Model().RowCount()) return false;
    Select(index % Model().ColCount(), index / Model().ColCount(), editing_);
    return true;
  }

  // Leaves the grid for the next or previous control of the form.
  void LeaveGrid(bool back) {
    if (editing_) CloseEditor(true);
    ::SetFocus(window_.Handle());
    ::SendMessageA(Owner().Handle(), WM_NEXTDLGCTL, back ? 1 : 0, FALSE);
  }

  bool Key(int key) {
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    switch (key) {
      case VK_TAB:
        if (!Step(shift)) LeaveGrid(shift);
        return true;
      case VK_LEFT:
        if (Col() > 0) Select(Col() - 1, Row(), false);
        return true;
      case VK_RIGHT:
        if (Col() + 1 < Model().ColCount()) Select(Col() + 1, Row(), false);
        return true;
      case VK_UP:
        if (Row() > 0) Select(Col(), Row() - 1, editing_);
        return true;
      case VK_DOWN:
        if (Row() + 1 < Model().RowCount()) Select(Col(), Row() + 1, editing_);
        return true;
      case VK_F2:
        if (CanEdit()) OpenEditor();
        return true;
      default:
        return false;
    }
  }

  void OpenEditor() {
    if (!CanEdit()) return;
    MirrorScope mirror;  // filling the editor is no edit of the user's
    if (!editor_.Handle()) {
      HWND hwnd = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_LEFT | ES_AUTOHSCROLL, 0, 0, 0, 0,
                                    window_.Handle(), reinterpret_cast<HMENU>(INT_PTR(1)),
                                    ThisModule(), nullptr);
      if (!hwnd) return;
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<Peer*>(this)));
      editor_.Attach(hwnd);
      editor_.SetFont(FontOf(Model()));
      Subclass(hwnd, &GridPeer::EditorProcedure);
    }
    editCol_ = Col();
    editRow_ = Row();
    original_ = Model().Cell(editCol_, editRow_);
    RECT cell = CellRect(editCol_, editRow_);
    const int height = std::min<int>(MeasureText(FontOf(Model()), "Ag", 0).cy + 2, cell.bottom - cell.top);
    const int top = cell.top + ((cell.bottom - cell.top) - height) / 2;
    ::SetWindowPos(editor_.Handle(), HWND_TOP, cell.left + 1, top, cell.right - cell.left - 1, height,
                   SWP_SHOWWINDOW);
    editor_.SetText(original_);
    editing_ = true;
    editor_.SelectAll();
    ::SetFocus(editor_.Handle());
  }

  // Ends the edit; `keep` false puts back the text the cell had.
  void CloseEditor(bool keep) {
    if (!editing_) return;
    editing_ = false;
    const bool hadFocus = ::GetFocus() == editor_.Handle();
    editor_.Show(false);
    if (hadFocus) ::SetFocus(window_.Handle());
    if (!keep && Model().Cell(editCol_, editRow_) != original_) {
      int col = editCol_;
      int row = editRow_;
      std::string text = original_;
      Guarded([&] { Model().EditCell(col, row, text); });
    }
    window_.Invalidate();
  }

  LRESULT EditorMessage(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
      case WM_GETDLGCODE:
        return CallBase(hwnd, message, w, l) | DLGC_WANTALLKEYS;
      case WM_KEYDOWN:
        switch (w) {
          case VK_TAB:
          case VK_UP:
          case VK_DOWN:
            Key(int(w));
            return 0;
          case VK_RETURN:
            CloseEditor(true);
            return 0;
          case VK_ESCAPE:
            CloseEditor(false);
            return 0;
          default:
            break;
        }
        break;
      case WM_CHAR:
        if (w == '\t' || w == '\r' || w == 27) return 0;  // handled as keys, no beep
        break;
      case WM_KILLFOCUS: {
        LRESULT result = CallBase(hwnd, message, w, l);
        HWND to = reinterpret_cast<HWND>(w);
        if (editing_ && to != window_.Handle()) CloseEditor(true);
        return result;
      }
      default:
        break;
    }
    return CallBase(hwnd, message, w, l);
  }

  static LRESULT CALLBACK EditorProcedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    auto* self = static_cast<GridPeer*>(PeerOf(hwnd));
    if (!self) return CallBase(hwnd, message, w, l);
    try {
      return self->EditorMessage(hwnd, message, w, l);
    } catch (...) {
      return 0;
    }
  }

  EditWindow editor_;
  bool editing_ = false;
  int editCol_ = 0;
  int editRow_ = 0;
  std::string original_;
};

void Register(const char* name, WNDPROC procedure, HCURSOR cursor) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = procedure;
  wc.hInstance = ThisModule();
  wc.hCursor = cursor;
  wc.lpszClassName = name;
  ::RegisterClassExA(&wc);
}

}  // namespace

void RegisterPaintedClasses() {
  HCURSOR arrow = ::LoadCursorA(nullptr, IDC_ARROW);
  Register(kPanelClass, &Dispatch<PanelPeer>, arrow);
  Register(kPictureClass, &Dispatch<PicturePeer>, arrow);
  Register(kGridClass, &Dispatch<GridPeer>, arrow);
}

void UnregisterPaintedClasses() {
  ::UnregisterClassA(kPanelClass, ThisModule());
  ::UnregisterClassA(kPictureClass, ThisModule());
  ::UnregisterClassA(kGridClass, ThisModule());
}

std::unique_ptr<Peer> MakePanelPeer(Component& component, FormPeer& form) {
  return std::make_unique<PanelPeer>(component, form);
}

std::unique_ptr<Peer> MakePicturePeer(Component& component, FormPeer& form) {
  return std::make_unique<PicturePeer>(component, form);
}

std::unique_ptr<Peer> MakeGridPeer(Component& component, FormPeer& form) {
  return std::make_unique<GridPeer>(component, form);
}

}  // namespace molvane::ui::win32
