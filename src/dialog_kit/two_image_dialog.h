// The two-image tool dialogs (comparison, merge): opened on a first image, waiting for a second, handing back a new one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "boundary/image_run.h"
#include "colour/pixel.h"
#include "dialog_kit/on_top_dialog.h"
#include "dialog_kit/two_image_part.h"
#include "ui/controls.h"

namespace molvane {

// A dialog on top while the user clicks a second image in the host, which
// the host sends in phase 1 (another click sends another). Its result
// button computes a new image from the two and hands it to the host; it
// never writes the host's images. "Annuler" ends the run without a word to
// the host.
class TwoImageDialog : public OnTopDialog {
 public:
  ui::GroupBox Image1{this, "Image1"};
  ui::Label Taille1{&Image1, "Taille1"};
  ui::GroupBox Image2{this, "Image2"};
  ui::Label Taille2{&Image2, "Taille2"};

  // Closes without a callback; the image references stay until the next
  // Open, the new image's block goes at once.
  void AnnulerClick(ui::Component* sender);

 protected:
  // `sizeWarning`: what the user is told when the second image does not match.
  TwoImageDialog(std::string name, const char* sizeWarning);

  // Phase 0: the first image kept and named, the host asked (ActionData 2)
  // to let the user click a second one, then PrepareFirst.
  void Prepare(const ImageRun& run) override;
  // Phase 1: the second image kept and named; matching, the new image's
  // block made ready, then SecondMatched; not, the warning, over a dialog off
  // the top while it shows.
  void Take(const PhaseOneCall& call) override;
  // The dialog's own work on the first image before it shows.
  virtual void PrepareFirst() {}
  // The dialog's own work on a matching second image.
  virtual void SecondMatched() {}

  // Pixel by pixel, from the first and second images into the new one.
  using Combine = std::function<void(const Pixel24* first, const Pixel24* second, Pixel24* result,
                                     int32_t count)>;
  // The result button: the new image combined from the two when they can
  // be (a null image when they cannot, or without memory for it) handed to
  // the host (ActionCode 3, Applied 1, Finished 1); then the dialog closes
  // and both images are released.
  void DeliverResult(const Combine& combine);

  TwoImagePart Images{Image1, Taille1, Image2, Taille2};

 private:
  // The new image's block, taken as a matching second image arrives and its
  // pages touched then, while the user looks at the preview: the result
  // button then computes into memory already in place instead of waiting
  // for 36 MB of fresh pages. Let go of when the run ends.
  void PrepareResultBlock();

  const char* sizeWarning_;
  TPtsImg resultBlock_;
};

}  // namespace molvane
