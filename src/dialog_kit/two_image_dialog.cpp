// The run of a two-image dialog: its opening, the second image, the result handed over.
#include "dialog_kit/two_image_dialog.h"

#include <new>
#include <utility>

#include "boundary/host_protocol.h"
#include "ui/dialogs.h"

namespace molvane {

TwoImageDialog::TwoImageDialog(std::string name, const char* sizeWarning)
    : OnTopDialog(std::move(name)), sizeWarning_(sizeWarning) {}

void TwoImageDialog::Prepare(const ImageRun& run) {
  Images.TakeFirst(run);
  AskForSecondImage(run.Size());
  PrepareFirst();
}

void TwoImageDialog::Take(const PhaseOneCall& call) {
  if (Images.TakeSecond(ImageRun(call.pixels, call.size, call.imageName))) SecondMatched();
  else ui::ShowWarning(this, sizeWarning_);  // switched to a normal window while the box is up
}

void TwoImageDialog::DeliverResult(const Combine& combine) {
  const ImageRun& first = Images.First();
  TPtsImg result;
  if (Images.ResultComputable()) {
    // Lengths are 32-bit, so a size both arrays hold fits in one new array.
    const int32_t count = int32_t(first.Size().PixelCount());
    try {
      result = TPtsImg::Uninitialised(count);  // every pixel is written
      combine(first.HostImage().Data(), Images.SecondPixels().Data(), result.Data(), count);
    } catch (const std::bad_alloc&) {
      result.Reset();  // no memory for it: the host receives none
    }
  }
  DeliverImage(first.Size(), result);
  Close();
  result.Reset();
  Images.Release();
}

void TwoImageDialog::AnnulerClick(ui::Component*) {
  ApplyFlag() = 0;
  Close();
}

}  // namespace molvane
