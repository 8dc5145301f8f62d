// Control behaviour shared by both backends: state changes and the events they fire.
#include "ui/controls.h"

#include <algorithm>
#include <exception>

#include "ui/backend.h"
#include "ui/dialogs.h"
#include "ui/events.h"
#include "ui/form.h"

namespace molvane::ui {

void Fire(const Event& event, Component* sender) {
  if (!event) return;
  if (sender && sender->GetKind() != Component::Kind::Form) {
    Form* form = sender->OwnerForm();
    if (form && form->ChangingByProgram()) return;
  }
  try {
    event(sender);
  } catch (const std::exception& e) {
    ShowError(sender ? sender->OwnerForm() : nullptr, e.what());
  } catch (...) {
    ShowError(sender ? sender->OwnerForm() : nullptr, "Erreur inconnue");
  }
}

void Button::SetGlyph(Bitmap24 glyph) {
  glyph_ = std::move(glyph);
  Changed(Property::Picture);
}

void Button::SetRole(ButtonRole role) {
  SetDefault(role == ButtonRole::Ok);
  SetCancel(role == ButtonRole::Cancel);
  SetResult(role == ButtonRole::Ok       ? ModalResult::Ok
            : role == ButtonRole::Cancel ? ModalResult::Cancel
                                         : ModalResult::None);
}

void Button::Click() {
  if (!Enabled()) return;
  Fire(OnClick, this);
  Form* form = OwnerForm();
  if (result_ != ModalResult::None && form && form->Modal()) form->SetResult(result_);
}

void Panel::SetColour(uint32_t colour) {
  colour_ = colour;
  Changed(Property::Colour);
}

void Panel::SetDoubleBuffered(bool on) {
  doubleBuffered_ = on;
  Changed(Property::DoubleBuffered);
}

void Panel::SetFramed(bool framed) {
  framed_ = framed;
  Changed(Property::Colour);
}

void RadioGroup::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  if (itemIndex_ >= int(items_.size())) itemIndex_ = -1;
  Changed(Property::Items);
}

void RadioGroup::SetItemIndex(int index) {
  if (index < -1 || index >= int(items_.size())) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Changed(Property::ItemIndex);
  Fire(OnClick, this);
}

void RadioGroup::SetColumns(int columns) {
  columns_ = std::max(columns, 1);
  Changed(Property::Items);
}

void CheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed(Property::Checked);
  Fire(OnClick, this);
}

void RadioButton::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (checked && Parent()) {
    for (Component* sibling : Parent()->Children())
      if (sibling != this && sibling->GetKind() == Kind::RadioButton)
        static_cast<RadioButton*>(sibling)->SetChecked(false);
  }
  Changed(Property::Checked);
  if (checked) Fire(OnClick, this);
}

void Edit::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  Changed(Property::Text);
  Fire(OnChange, this);
}

void ComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  if (itemIndex_ >= int(items_.size())) itemIndex_ = -1;
  Changed(Property::Items);
}

void ComboBox::SetItem(int index, std::string text) {
  if (index < 0 || index >= int(items_.size())) return;
  items_[size_t(index)] = std::move(text);
  Changed(Property::Items);
}

void ComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= int(items_.size())) index = -1;
  itemIndex_ = index;
  text_ = index >= 0 ? items_[size_t(index)] : std::string();
  Changed(Property::ItemIndex);
}

void ComboBox::Pick(int index) {
  SetItemIndex(index);
  Fire(OnChange, this);
}

void ComboBox::SetEditable(bool editable) {
  if (editable == editable_) return;
  editable_ = editable;
  Changed(Property::Items);
}

void ComboBox::Type(std::string text) {
  if (!editable_) return;  // a list-only box takes no typing
  itemIndex_ = -1;
  SetText(std::move(text));
  Fire(OnChange, this);
}

void ComboBox::SetText(std::string text) {
  text_ = std::move(text);
  Changed(Property::Text);
}

void StringGrid::SetSize(int cols, int rows, int cellWidth, int cellHeight) {
  cols_ = std::max(cols, 0);
  rows_ = std::max(rows, 0);
  cellWidth_ = cellWidth;
  cellHeight_ = cellHeight;
  cells_.assign(size_t(cols_) * size_t(rows_), std::string());
  Changed(Property::Cells);
}

const std::string& StringGrid::Cell(int col, int row) const {
  static const std::string none;
  if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return none;
  return cells_[size_t(row) * size_t(cols_) + size_t(col)];
}

void StringGrid::SetCell(int col, int row, std::string text) {
  if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return;
  cells_[size_t(row) * size_t(cols_) + size_t(col)] = std::move(text);
  Changed(Property::Cells);
}

void StringGrid::EditCell(int col, int row, std::string text) {
  if (!editing_ || col < 0 || row < 0 || col >= cols_ || row >= rows_) return;
  SetCell(col, row, std::move(text));
  if (OnSetEditText) Fire([&](Component* sender) { OnSetEditText(sender, col, row); }, this);
  CellPainted(col, row);
}

void StringGrid::CellPainted(int col, int row) {
  if (OnDrawCell) Fire([&](Component* sender) { OnDrawCell(sender, col, row); }, this);
}

void StringGrid::Select(int col, int row) {
  if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return;
  col_ = col;
  row_ = row;
  Changed(Property::Cells);
}

void StringGrid::SetEditingEnabled(bool on) {
  editing_ = on;
  Changed(Property::Cells);
}

void Picture::SetStretch(bool stretch) {
  stretch_ = stretch;
  Changed(Property::Picture);
}

void TrackBar::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  Changed(Property::Range);
  SetPosition(position_);
}

void TrackBar::SetPageSize(int pageSize) {
  pageSize_ = pageSize;
  Changed(Property::Range);
}

void TrackBar::SetFrequency(int frequency) {
  frequency_ = frequency;
  Changed(Property::Range);
}

void TrackBar::SetPosition(int position) {
  position = std::clamp(position, min_, max_);
  if (position == position_) return;
  position_ = position;
  Changed(Property::Position);
  Fire(OnChange, this);
}

void TrackBar::MouseUp() { Fire(OnMouseUp, this); }

void Timer::SetInterval(int milliseconds) {
  interval_ = milliseconds;
  if (running_) backend::StartTimer(*this);
}

void Timer::SetRunning(bool running) {
  if (running == running_) return;
  running_ = running;
  if (running) backend::StartTimer(*this);
  else backend::StopTimer(*this);
}

void Timer::Tick() {
  if (running_) Fire(OnTimer, this);
}

}  // namespace molvane::ui
