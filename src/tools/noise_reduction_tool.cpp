// The noise reduction menu item around its algorithm.
#include "tools/noise_reduction_tool.h"

#include "boundary/host_protocol.h"
#include "tools/noise_reduction.h"
#include "ui/screen_cursor.h"

namespace molvane {

void ReduceNoise(const ImageRun& run) {
  HourglassScope hourglass;
  const TPtsImg copy = run.HostImage().Copy();
  ReduceNoise(copy.Data(), run.HostImage().Data(), run.Width(), run.Height());
  ApplyFlag() = 1;
  ReportFinished(run.Size(), ApplyFlag());
}

}  // namespace molvane
