// The controls the dialogs are made of.
#pragma once

#include <string>
#include <vector>

#include "ui/bitmap.h"
#include "ui/component.h"

namespace molvane::ui {

enum class ModalResult { None = 0, Ok = 1, Cancel = 2 };

// OK: the default button (Enter), closing a modal form with Ok after its
// handler; Cancel: the cancel button (Esc), closing it with Cancel.
enum class ButtonRole { Plain, Ok, Cancel };

class Button : public Component {
 public:
  Button(Component* parent, std::string name) : Component(Kind::Button, parent, std::move(name)) {}
  // The result a modal form closes with after the click handler (None: stays open).
  ModalResult Result() const { return result_; }
  void SetResult(ModalResult result) { result_ = result; }
  // Enter presses the default button, Esc the cancel button.
  bool IsDefault() const { return default_; }
  void SetDefault(bool isDefault) { default_ = isDefault; }
  bool IsCancel() const { return cancel_; }
  void SetCancel(bool isCancel) { cancel_ = isCancel; }
  void SetRole(ButtonRole role);
  // A small picture left of the caption; empty for none.
  const Bitmap24& Glyph() const { return glyph_; }
  void SetGlyph(Bitmap24 glyph);

  // A user's click: the handler, then the modal result.
  void Click();
  Event OnClick;

 private:
  ModalResult result_ = ModalResult::None;
  bool default_ = false;
  bool cancel_ = false;
  Bitmap24 glyph_;
};

class Label : public Component {
 public:
  Label(Component* parent, std::string name) : Component(Kind::Label, parent, std::move(name)) {}
};

class GroupBox : public Component {
 public:
  GroupBox(Component* parent, std::string name)
      : Component(Kind::GroupBox, parent, std::move(name)) {}
};

class Panel : public Component {
 public:
  Panel(Component* parent, std::string name) : Component(Kind::Panel, parent, std::move(name)) {}
  uint32_t Colour() const { return colour_; }
  void SetColour(uint32_t colour);
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool on);
  // The one-pixel frame around the panel; off for a plain strip of colour.
  bool Framed() const { return framed_; }
  void SetFramed(bool framed);
  // Drawn over the controls it overlaps (a strip laid across sliders), not
  // beneath them as a container is. Set before the form is first shown.
  bool Overlay() const { return overlay_; }
  void SetOverlay(bool overlay) { overlay_ = overlay; }

 private:
  uint32_t colour_ = 0x00F0F0F0;
  bool doubleBuffered_ = false;
  bool framed_ = true;
  bool overlay_ = false;
};

// A list of exclusive choices in a framed box; ItemIndex -1 is none.
class RadioGroup : public Component {
 public:
  RadioGroup(Component* parent, std::string name)
      : Component(Kind::RadioGroup, parent, std::move(name)) {}
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  int ItemIndex() const { return itemIndex_; }
  // Changing the choice, by program or by the user, fires OnClick.
  void SetItemIndex(int index);
  // The items fill this many columns, top to bottom then left to right.
  int Columns() const { return columns_; }
  void SetColumns(int columns);
  Event OnClick;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  int columns_ = 1;
};

class CheckBox : public Component {
 public:
  CheckBox(Component* parent, std::string name)
      : Component(Kind::CheckBox, parent, std::move(name)) {}
  bool Checked() const { return checked_; }
  // Changing the state, by program or by the user, fires OnClick.
  void SetChecked(bool checked);
  // A user's click toggles the state.
  void Click() { SetChecked(!checked_); }
  Event OnClick;

 private:
  bool checked_ = false;
};

// A radio button that unchecks its checked siblings when it is checked.
class RadioButton : public Component {
 public:
  RadioButton(Component* parent, std::string name)
      : Component(Kind::RadioButton, parent, std::move(name)) {}
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  void Click() { SetChecked(true); }
  Event OnClick;

 private:
  bool checked_ = false;
};

class Edit : public Component {
 public:
  Edit(Component* parent, std::string name) : Component(Kind::Edit, parent, std::move(name)) {}
  const std::string& Text() const { return text_; }
  // Changing the text, by program or by typing, fires OnChange.
  void SetText(std::string text);
  Event OnChange;

 private:
  std::string text_;
};

// A drop-down list; when Editable its text can also be typed.
class ComboBox : public Component {
 public:
  ComboBox(Component* parent, std::string name)
      : Component(Kind::ComboBox, parent, std::move(name)) {}
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  void SetItem(int index, std::string text);
  int ItemIndex() const { return itemIndex_; }
  // Selects an item and shows its text; by the user it also fires OnChange.
  void SetItemIndex(int index);
  void Pick(int index);
  bool Editable() const { return editable_; }
  void SetEditable(bool editable);
  // The rows its list shows when dropped down, at most; set before it shows.
  int DropDownRows() const { return dropDownRows_; }
  void SetDropDownRows(int rows) { dropDownRows_ = rows; }
  const std::string& Text() const { return text_; }
  // Typing: the text changes, no item is selected any more, OnChange fires.
  void Type(std::string text);
  void SetText(std::string text);
  Event OnChange;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  bool editable_ = false;
  int dropDownRows_ = 8;
  std::string text_;
};

// A grid of text cells that the user may edit.
class StringGrid : public Component {
 public:
  StringGrid(Component* parent, std::string name)
      : Component(Kind::StringGrid, parent, std::move(name)) {}
  int ColCount() const { return cols_; }
  int RowCount() const { return rows_; }
  void SetSize(int cols, int rows, int cellWidth, int cellHeight);
  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }
  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string text);
  // A user's edit of one cell: the text changes, OnSetEditText fires and the
  // cell is painted again.
  void EditCell(int col, int row, std::string text);
  // The backend painted a cell: OnDrawCell fires (the grid draws the text itself).
  void CellPainted(int col, int row);
  // The selected cell, where typing and Tab start.
  int Col() const { return col_; }
  int Row() const { return row_; }
  void Select(int col, int row);
  bool EditingEnabled() const { return editing_; }
  void SetEditingEnabled(bool on);
  // (col, row) of the cell that changed, or was painted.
  std::function<void(Component* sender, int col, int row)> OnSetEditText;
  std::function<void(Component* sender, int col, int row)> OnDrawCell;

 private:
  int col_ = 0;
  int row_ = 0;
  int cols_ = 0;
  int rows_ = 0;
  int cellWidth_ = 0;
  int cellHeight_ = 0;
  bool editing_ = true;
  std::vector<std::string> cells_;
};

// A picture holding a 24-bit bitmap, drawn at its size, stretched or with its
// corner colour as transparent.
class Picture : public Component {
 public:
  Picture(Component* parent, std::string name)
      : Component(Kind::Picture, parent, std::move(name)) {}
  Bitmap24& Bitmap() { return bitmap_; }
  const Bitmap24& Bitmap() const { return bitmap_; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);
  // Redraws the picture from its bitmap after scan lines were written.
  void Refresh() { Changed(Property::Picture); }

 private:
  Bitmap24 bitmap_;
  bool stretch_ = false;
};

// The platform's horizontal track bar with ticks below.
class TrackBar : public Component {
 public:
  TrackBar(Component* parent, std::string name)
      : Component(Kind::TrackBar, parent, std::move(name)) {}
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  int PageSize() const { return pageSize_; }
  int Frequency() const { return frequency_; }
  void SetRange(int min, int max);
  void SetPageSize(int pageSize);
  void SetFrequency(int frequency);
  // Moves the thumb (clamped to the range); a change fires OnChange.
  void SetPosition(int position);
  // The user lets the mouse button go over the bar.
  void MouseUp();
  Event OnChange;
  Event OnMouseUp;

 private:
  int min_ = 0;
  int max_ = 10;
  int position_ = 0;
  int pageSize_ = 2;
  int frequency_ = 1;
};

// Fires OnTimer every Interval milliseconds while enabled.
class Timer : public Component {
 public:
  Timer(Component* parent, std::string name) : Component(Kind::Timer, parent, std::move(name)) {}
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);
  bool Running() const { return running_; }
  void SetRunning(bool running);
  void Tick();
  Event OnTimer;

 private:
  int interval_ = 1000;
  bool running_ = false;
};

}  // namespace molvane::ui
