// A dialog's layout as a table: each component's kind, container, place, fixed caption and setting.
#pragma once

#include <cstddef>
#include <string>

#include "dialog_kit/barre_curseur.h"
#include "ui/component.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace molvane {

// What a row sets besides place and caption, by the component's kind: a
// button's role, a label's alignment or a slider's range. None by default.
struct ControlSetting {
  enum class Of { None, Role, Alignment, Slider };
  Of of = Of::None;
  ui::ButtonRole role = ui::ButtonRole::Plain;
  ui::Alignment alignment = ui::Alignment::Left;
  const SliderRange* slider = nullptr;

  constexpr ControlSetting() = default;
  constexpr ControlSetting(ui::ButtonRole r) : of(Of::Role), role(r) {}
  constexpr ControlSetting(ui::Alignment a) : of(Of::Alignment), alignment(a) {}
  constexpr ControlSetting(const SliderRange& range) : of(Of::Slider), slider(&range) {}
};

struct LayoutRow {
  const char* name;
  ui::Component::Kind kind;
  const char* parent;        // the component it sits in; "" for the form itself
  ui::Rect bounds;           // in its parent; a label without a size takes its text's
  const char* caption;       // its fixed text; null when the dialog writes it
  ControlSetting setting{};  // a button's role, a label's alignment, a slider's range
};

struct LayoutTable {
  const LayoutRow* rows;
  size_t count;
  const LayoutRow* begin() const { return rows; }
  const LayoutRow* end() const { return rows + count; }
};

template <size_t N>
constexpr LayoutTable TableOf(const LayoutRow (&rows)[N]) {
  return LayoutTable{rows, N};
}

// Places every row's component and sets its caption and setting. A row that
// does not match the form's components (none of that name, another kind,
// another container, a setting its kind does not take) is a fault of the
// program: std::logic_error.
void ApplyLayout(ui::Form& form, LayoutTable layout);

// The row's rectangle in the form's client area, its containers' offsets
// added: where a user sees it. Empty when the table has no such row.
ui::Rect PlaceInForm(LayoutTable layout, const std::string& name);

}  // namespace molvane
