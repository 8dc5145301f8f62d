// A tool applied at once: the step, the flag and the one report.
#include "dialog_kit/applied_at_once.h"

#include "boundary/host_protocol.h"
#include "ui/screen_cursor.h"

namespace molvane {

void ApplyAtOnce(const ImageRun& run, FullImageStep step) {
  HourglassScope hourglass;
  const TPtsImg copy = run.HostImage().Copy();
  step(copy.Data(), run.HostImage().Data(), run.Width(), run.Height());
  ApplyFlag() = 1;
  ReportFinished(run.Size(), 1);
}

}  // namespace molvane
