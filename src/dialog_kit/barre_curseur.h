// TBarreCurseur: the slider of every dialog, a horizontal track bar with a mouse-up event.
#pragma once

#include "ui/controls.h"

namespace molvane {

// A slider's range and default, declared once beside its dialog and read by
// both the dialog and the tests that sweep minimum, default and maximum.
struct SliderRange {
  int min;
  int max;
  int defaultPosition;
  int pageSize;
  int frequency;
};

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
