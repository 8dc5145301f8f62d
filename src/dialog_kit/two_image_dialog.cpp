// The run of a two-image dialog: its opening, the second image, the result handed over.
#include "dialog_kit/two_image_dialog.h"

#include <new>
#include <utility>

#include "boundary/host_protocol.h"
#include "platform/row_pool.h"
#include "ui/dialogs.h"

namespace molvane {

TwoImageDialog::TwoImageDialog(std::string name, const char* sizeWarning)
    : OnTopDialog(std::move(name)), sizeWarning_(sizeWarning) {}

void TwoImageDialog::Prepare(const ImageRun& run) {
  resultBlock_.Reset();
  Images.TakeFirst(run);
  AskForSecondImage(run.Size());
  PrepareFirst();
}

void TwoImageDialog::Take(const PhaseOneCall& call) {
  if (Images.TakeSecond(ImageRun(call.pixels, call.size, call.imageName))) {
    PrepareResultBlock();
    SecondMatched();
  } else {
    resultBlock_.Reset();
    ui::ShowWarning(this, sizeWarning_);  // switched to a normal window while the box is up
  }
}

void TwoImageDialog::PrepareResultBlock() {
  const ImageRun& first = Images.First();
  const int32_t count = int32_t(first.Size().PixelCount());
  if (resultBlock_.Length() == count) return;  // its pages are in place already
  resultBlock_.Reset();
  try {
    resultBlock_ = TPtsImg::Uninitialised(count);
    // Any bytes touch the pages; the first image's come over the pool's threads.
    CopyOverThreads(resultBlock_.Data(), first.HostImage().Data(), size_t(count) * sizeof(Pixel24));
  } catch (const std::bad_alloc&) {
    resultBlock_.Reset();  // the result button tries again
  }
}

void TwoImageDialog::DeliverResult(const Combine& combine) {
  const ImageRun& first = Images.First();
  TPtsImg result;
  if (Images.ResultComputable()) {
    // Lengths are 32-bit, so a size both arrays hold fits in one new array.
    const int32_t count = int32_t(first.Size().PixelCount());
    try {
      // Every pixel is written.
      result = resultBlock_.Length() == count ? std::move(resultBlock_) : TPtsImg::Uninitialised(count);
      combine(first.HostImage().Data(), Images.SecondPixels().Data(), result.Data(), count);
    } catch (const std::bad_alloc&) {
      result.Reset();  // no memory for it: the host receives none
    }
  }
  resultBlock_.Reset();
  DeliverImage(first.Size(), result);
  Close();
  result.Reset();
  Images.Release();
}

void TwoImageDialog::AnnulerClick(ui::Component*) {
  resultBlock_.Reset();
  ApplyFlag() = 0;
  Close();
}

}  // namespace molvane
