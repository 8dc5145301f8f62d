// Arming, blinking and ticking the markers of a point-picking dialog.
#include "dialog_kit/marker_picker.h"

namespace molvane {

MarkerPicker::MarkerPicker(ui::Form& form, ui::Timer& timer) : form_(form), timer_(timer) {
  timer_.SetInterval(kMarkerBlinkMilliseconds);
  timer_.SetRunning(false);
}

void MarkerPicker::Reset() {
  timer_.SetRunning(false);
  ui::ProgramChange reset(form_);
  for (ui::CheckBox* marker : markers_) {
    marker->SetChecked(false);
    marker->SetVisible(true);
  }
  armed_ = nullptr;
  previous_ = nullptr;
}

void MarkerPicker::Arm(ui::CheckBox& marker) {
  previous_ = armed_;
  armed_ = &marker;
  timer_.SetRunning(true);
}

void MarkerPicker::Blink() {
  if (!armed_) return;
  if (previous_) previous_->SetVisible(true);
  armed_->SetVisible(!armed_->Visible());
  if (armed_->Checked()) {
    ui::ProgramChange untick(form_);
    armed_->SetChecked(false);
  }
}

ui::CheckBox* MarkerPicker::Take(bool stayArmed) {
  ui::CheckBox* marker = armed_;
  if (!marker) return nullptr;
  {
    ui::ProgramChange tick(form_);
    marker->SetChecked(true);
  }
  timer_.SetRunning(false);
  marker->SetVisible(true);
  if (!stayArmed) armed_ = nullptr;
  return marker;
}

bool MarkerPicker::AllTicked() const {
  for (const ui::CheckBox* marker : markers_)
    if (!marker->Checked()) return false;
  return true;
}

}  // namespace molvane
