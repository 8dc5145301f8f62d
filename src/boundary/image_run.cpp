// The run's copy: made on a thread of its own, waited for, written back into the host's buffer.
#include "boundary/image_run.h"

#include <algorithm>

#include "platform/row_pool.h"

namespace molvane {

void ImageRun::StartCopyOfHostImage() {
  FinishCopy();
  copy_ = TPtsImg::Uninitialised(host_.Length());
  if (copy_.Empty()) return;
  pending_ = std::make_shared<BackgroundCopy>(copy_.Data(), host_.Data(),
                                              size_t(copy_.Length()) * sizeof(Pixel24));
}

void ImageRun::FinishCopy() const {
  if (!pending_) return;
  pending_->Wait();
  pending_.reset();
}

void ImageRun::RestoreHostImage() const {
  FinishCopy();
  const int32_t count = std::min(copy_.Length(), host_.Length());
  if (count > 0) CopyOverThreads(host_.Data(), copy_.Data(), size_t(count) * sizeof(Pixel24));
}

}  // namespace molvane
