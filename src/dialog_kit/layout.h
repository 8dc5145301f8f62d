// A dialog's layout as a table: each component's kind, container, place and fixed caption.
#pragma once

#include <cstddef>
#include <string>

#include "ui/component.h"
#include "ui/form.h"

namespace molvane {

struct LayoutRow {
  const char* name;
  ui::Component::Kind kind;
  const char* parent;    // the component it sits in; "" for the form itself
  ui::Rect bounds;       // in its parent; a label without a size takes its text's
  const char* caption;   // its fixed text; null when the dialog writes it
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

// Places every row's component and sets its caption. A row that does not
// match the form's components (none of that name, another kind, another
// container) is a fault of the program: std::logic_error.
void ApplyLayout(ui::Form& form, LayoutTable layout);

// The row's rectangle in the form's client area, its containers' offsets
// added: where a user sees it. Empty when the table has no such row.
ui::Rect PlaceInForm(LayoutTable layout, const std::string& name);

}  // namespace molvane
