// TBarreCurseur: the dialogs' slider, a track bar set up from its dialog's layout table.
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

// Its range is a column of its dialog's layout table.
class TBarreCurseur : public ui::TrackBar {
 public:
  using ui::TrackBar::TrackBar;
};

}  // namespace molvane
