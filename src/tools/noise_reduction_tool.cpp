// The noise reduction menu item around its algorithm.
#include "tools/noise_reduction_tool.h"

#include "tools/noise_reduction.h"
#include "ui/screen_cursor.h"

namespace molvane {

void ReduceNoise(const TPtsImg& image, ImageSize size) {
  HourglassScope hourglass;
  const TPtsImg copy = image.Copy();
  ReduceNoise(copy.Data(), image.Data(), size.width, size.height);
  ApplyFlag() = 1;
  ReportFinished(size, ApplyFlag());
}

}  // namespace molvane
