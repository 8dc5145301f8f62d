// The two-image half of the comparison and merge dialogs.
#pragma once

#include <optional>

#include "boundary/image_run.h"
#include "boundary/image_size.h"
#include "boundary/pixel_array.h"
#include "ui/controls.h"

namespace molvane {

// The first image, which the tool opened on, and the second one, which the
// user picks in the host while the dialog waits; the group boxes and size
// labels that name them; and whether they match. A second image sent while
// the tool is still opening (from inside the callback that asks for it,
// before the dialog shows) is held and taken once the dialog is on screen.
class TwoImagePart {
 public:
  TwoImagePart(ui::GroupBox& image1, ui::Label& taille1, ui::GroupBox& image2, ui::Label& taille2)
      : Image1(image1), Taille1(taille1), Image2(image2), Taille2(taille2) {}

  // Phase 0: keeps the first image and writes its labels; a second image
  // from an earlier run is dropped. Until EndOpening, second images are held.
  void BeginOpening(const ImageRun& run);
  // True when the call was held: the dialog is not on screen yet.
  bool HoldWhileOpening(const PhaseOneCall& call);
  // The dialog is on screen: the image held meanwhile, if any.
  std::optional<ImageRun> EndOpening();

  // The second image's labels back to waiting for a click; no size.
  void WaitForSecond();
  // Keeps the second image (replacing an earlier one) and writes its labels;
  // true when it matches the first.
  bool TakeSecond(const ImageRun& second);
  // Both images there, of the same positive size, each array holding that
  // many pixels (a short or missing one never matches).
  bool Matches() const;

  const ImageRun& First() const { return first_; }
  const TPtsImg& SecondPixels() const { return second_.HostImage(); }
  // Drops both images: the run has delivered its result.
  void Release();

 private:
  ui::GroupBox& Image1;
  ui::Label& Taille1;
  ui::GroupBox& Image2;
  ui::Label& Taille2;
  ImageRun first_;
  ImageRun second_;
  bool opening_ = false;
  std::optional<ImageRun> held_;
};

}  // namespace molvane
