// The run's copy written back into the host's buffer.
#include "boundary/image_run.h"

#include <algorithm>

#include "platform/row_pool.h"

namespace molvane {

void ImageRun::RestoreHostImage() const {
  const int32_t count = std::min(copy_.Length(), host_.Length());
  if (count > 0) CopyOverThreads(host_.Data(), copy_.Data(), size_t(count) * sizeof(Pixel24));
}

}  // namespace molvane
