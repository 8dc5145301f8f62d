// Applying a dialog's layout table, and reading places from it.
#include "dialog_kit/layout.h"

#include <cstring>
#include <stdexcept>

namespace molvane {

void ApplyLayout(ui::Form& form, LayoutTable layout) {
  for (const LayoutRow& row : layout) {
    ui::Component* component = form.Find(row.name);
    const ui::Component* parent = component ? component->Parent() : nullptr;
    const std::string parentName = parent && parent != &form ? parent->Name() : std::string();
    if (!component || component->GetKind() != row.kind || parentName != row.parent)
      throw std::logic_error(std::string("the layout does not match the component ") + row.name);
    component->SetBounds(row.bounds);
    if (row.caption) component->SetCaption(row.caption);
  }
}

ui::Rect PlaceInForm(LayoutTable layout, const std::string& name) {
  for (const LayoutRow& row : layout) {
    if (name != row.name) continue;
    ui::Rect place = row.bounds;
    if (std::strlen(row.parent) > 0) {
      const ui::Rect container = PlaceInForm(layout, row.parent);
      place.left += container.left;
      place.top += container.top;
    }
    return place;
  }
  return ui::Rect{0, 0, 0, 0};
}

}  // namespace molvane
