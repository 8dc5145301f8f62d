// The markers of the point-picking dialogs (background, vignetting).
#pragma once

#include <initializer_list>
#include <vector>

#include "ui/controls.h"
#include "ui/form.h"

namespace molvane {

// The markers' blinking period.
constexpr int kMarkerBlinkMilliseconds = 200;

// Check boxes over a dialog's illustration, one a point of the image. The
// user's click on one arms it: it blinks on the dialog's timer until the
// host sends the point the user then clicks in the image, which ticks it.
// What the program does to the markers (the blinking, the ticking, the
// reset) is a program change, never a click.
class MarkerPicker {
 public:
  MarkerPicker(ui::Form& form, ui::Timer& timer);
  // The dialog's markers, once they are built.
  void SetMarkers(std::initializer_list<ui::CheckBox*> markers) { markers_ = markers; }

  // Every marker unticked and shown, none armed, the timer stopped.
  void Reset();
  // The user clicked `marker`: it is the one the next point sets.
  void Arm(ui::CheckBox& marker);
  // A tick: the armed marker shows or hides; the user's tick on it is undone
  // (a marker is ticked by its point, not by a click).
  void Blink();
  // The run ended: no blinking on a hidden dialog.
  void Stop() { timer_.SetRunning(false); }
  // The host's point arrived: the armed marker is ticked and shown, and
  // stops blinking. Returns it, null when none was armed; it stays armed
  // when `stayArmed` (later points move it).
  ui::CheckBox* Take(bool stayArmed = false);

  ui::CheckBox* Armed() const { return armed_; }
  bool AllTicked() const;

 private:
  ui::Form& form_;
  ui::Timer& timer_;
  std::vector<ui::CheckBox*> markers_;
  ui::CheckBox* armed_ = nullptr;
  ui::CheckBox* previous_ = nullptr;  // armed before: shown again at the next tick
};

}  // namespace molvane
