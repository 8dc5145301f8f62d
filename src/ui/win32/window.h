// Thin wrappers over a window handle: each holds its HWND and maps a method onto one message.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace molvane::ui::win32 {

class Window {
 public:
  Window() = default;
  explicit Window(HWND handle) : handle_(handle) {}
  HWND Handle() const { return handle_; }
  operator HWND() const { return handle_; }
  void Attach(HWND handle) { handle_ = handle; }
  HWND Detach() {
    HWND h = handle_;
    handle_ = nullptr;
    return h;
  }
  LRESULT Send(UINT message, WPARAM w = 0, LPARAM l = 0) const {
    return ::SendMessageA(handle_, message, w, l);
  }

  std::string Text() const;
  // Sets the text only when it differs, so an edit being typed into keeps its caret.
  void SetText(const std::string& text) const;
  void Enable(bool on) const { ::EnableWindow(handle_, on ? TRUE : FALSE); }
  void Show(bool on) const { ::ShowWindow(handle_, on ? SW_SHOWNA : SW_HIDE); }
  void Move(const RECT& r) const {
    ::MoveWindow(handle_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  void SetFont(HFONT font) const { Send(WM_SETFONT, WPARAM(font), TRUE); }
  void Invalidate() const { ::InvalidateRect(handle_, nullptr, FALSE); }
  DWORD Style() const { return DWORD(::GetWindowLongPtrA(handle_, GWL_STYLE)); }
  void SetStyle(DWORD style) const { ::SetWindowLongPtrA(handle_, GWL_STYLE, LONG_PTR(style)); }
  // Sets or clears some style bits; true when the style changed.
  bool ChangeStyle(DWORD bits, bool on) const;

 private:
  HWND handle_ = nullptr;
};

class ButtonWindow : public Window {
 public:
  using Window::Window;
  void SetCheck(bool on) const { Send(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED); }
  bool Checked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
  void SetType(DWORD type) const { Send(BM_SETSTYLE, type, TRUE); }
};

class TrackBarWindow : public Window {
 public:
  using Window::Window;
  void SetRange(int min, int max) const {
    Send(TBM_SETRANGEMIN, FALSE, min);
    Send(TBM_SETRANGEMAX, TRUE, max);
  }
  void SetPageSize(int size) const { Send(TBM_SETPAGESIZE, 0, size); }
  void SetTicFrequency(int frequency) const { Send(TBM_SETTICFREQ, WPARAM(frequency), 0); }
  void SetPos(int position) const { Send(TBM_SETPOS, TRUE, position); }
  int Pos() const { return int(Send(TBM_GETPOS)); }
};

class ComboBoxWindow : public Window {
 public:
  using Window::Window;
  void ResetContent() const { Send(CB_RESETCONTENT); }
  void AddString(const std::string& s) const { Send(CB_ADDSTRING, 0, LPARAM(s.c_str())); }
  void InsertString(int index, const std::string& s) const {
    Send(CB_INSERTSTRING, WPARAM(index), LPARAM(s.c_str()));
  }
  void DeleteString(int index) const { Send(CB_DELETESTRING, WPARAM(index)); }
  std::string ItemText(int index) const;
  void SetCurSel(int index) const { Send(CB_SETCURSEL, WPARAM(index)); }
  int CurSel() const { return int(Send(CB_GETCURSEL)); }
  int Count() const { return int(Send(CB_GETCOUNT)); }
  int ItemHeight() const { return int(Send(CB_GETITEMHEIGHT, 0)); }
};

class EditWindow : public Window {
 public:
  using Window::Window;
  void SelectAll() const { Send(EM_SETSEL, 0, -1); }
};

// Puts `procedure` in front of the window's own; CallBase passes a message on.
void Subclass(HWND hwnd, WNDPROC procedure);
LRESULT CallBase(HWND hwnd, UINT message, WPARAM w, LPARAM l);

// The size `text` takes in `font`: one line, or wrapped to `wrapWidth` when it is positive.
SIZE MeasureText(HFONT font, const std::string& text, int wrapWidth);

// BeginPaint into a memory bitmap, copied to the window in one blit at the
// end: the double buffering of every control we paint ourselves.
class BufferedPaint {
 public:
  explicit BufferedPaint(HWND hwnd);
  ~BufferedPaint();
  BufferedPaint(const BufferedPaint&) = delete;
  BufferedPaint& operator=(const BufferedPaint&) = delete;
  HDC Dc() const { return memory_; }
  const RECT& Client() const { return client_; }
  // The part the system asked to be painted.
  const RECT& Dirty() const { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC screen_ = nullptr;
  HDC memory_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  RECT client_{};
};

}  // namespace molvane::ui::win32
