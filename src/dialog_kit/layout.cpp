// Applying a dialog's layout table, and reading places from it.
#include "dialog_kit/layout.h"

#include <cstring>
#include <stdexcept>

namespace molvane {
namespace {

using Kind = ui::Component::Kind;

// The kind of component a setting belongs to.
Kind KindTaking(ControlSetting::Of of) {
  switch (of) {
    case ControlSetting::Of::Role:
      return Kind::Button;
    case ControlSetting::Of::Alignment:
      return Kind::Label;
    default:
      return Kind::TrackBar;
  }
}

void ApplySetting(ui::Component& component, const ControlSetting& setting) {
  switch (setting.of) {
    case ControlSetting::Of::None:
      return;
    case ControlSetting::Of::Role:
      static_cast<ui::Button&>(component).SetRole(setting.role);
      return;
    case ControlSetting::Of::Alignment:
      component.SetAlignment(setting.alignment);
      return;
    case ControlSetting::Of::Slider: {
      auto& slider = static_cast<ui::TrackBar&>(component);
      slider.SetRange(setting.slider->min, setting.slider->max);
      slider.SetPageSize(setting.slider->pageSize);
      slider.SetFrequency(setting.slider->frequency);
      return;
    }
  }
}

}  // namespace

void ApplyLayout(ui::Form& form, LayoutTable layout) {
  for (const LayoutRow& row : layout) {
    ui::Component* component = form.Find(row.name);
    const ui::Component* parent = component ? component->Parent() : nullptr;
    const std::string parentName = parent && parent != &form ? parent->Name() : std::string();
    const bool settingFits =
        row.setting.of == ControlSetting::Of::None || KindTaking(row.setting.of) == row.kind;
    if (!component || component->GetKind() != row.kind || parentName != row.parent || !settingFits)
      throw std::logic_error(std::string("the layout does not match the component ") + row.name);
    component->SetBounds(row.bounds);
    if (row.caption) component->SetCaption(row.caption);
    ApplySetting(*component, row.setting);
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
