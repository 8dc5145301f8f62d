// TBarreCurseur: the component model's track bar, set up from a SliderRange declared beside its dialog.
#pragma once

#include "ui/controls.h"

namespace molvane {

// A slider's range, default, page size and tick spacing, declared once beside
// its dialog: the dialog sets the slider up and puts it back to its default
// from it, and tests read the default from it.
struct SliderRange {
  int min;
  int max;
  int defaultPosition;
  int pageSize;
  int frequency;
};

// The sliders of the threshold, comparison, merge, background and gradient
// dialogs. Configure sets range, page size and ticks; the position is the
// dialog's to set.
class TBarreCurseur : public ui::TrackBar {
 public:
  using ui::TrackBar::TrackBar;
  void Configure(const SliderRange& range) {
    SetRange(range.min, range.max);
    SetPageSize(range.pageSize);
    SetFrequency(range.frequency);
  }
};

}  // namespace molvane
