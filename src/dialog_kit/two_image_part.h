// The two images of a two-image dialog (comparison, merge), the boxes that name them, and whether they match.
#pragma once

#include "boundary/image_run.h"
#include "boundary/image_size.h"
#include "boundary/pixel_array.h"
#include "ui/controls.h"

namespace molvane {

// The first image, which the tool opened on, and the second one, which the
// user picks in the host while the dialog waits; the group boxes and size
// labels that name them. The apply flag says that the second image arrived
// and matches the first: set or cleared as each arrives, cleared while the
// dialog waits. Another tool's run may set the module-wide flag meanwhile,
// so a result also needs the images to match.
class TwoImagePart {
 public:
  TwoImagePart(ui::GroupBox& image1, ui::Label& taille1, ui::GroupBox& image2, ui::Label& taille2)
      : Image1(image1), Taille1(taille1), Image2(image2), Taille2(taille2) {}

  // Phase 0: keeps the first image and writes its labels; a second image
  // from an earlier run is dropped.
  void TakeFirst(const ImageRun& run);
  // The second image's labels back to waiting for a click; no size, not applied.
  void WaitForSecond();
  // Keeps the second image (replacing an earlier one), writes its labels and
  // sets the flag to whether it matches the first; true when it does.
  bool TakeSecond(const ImageRun& second);
  // Both images there, of the same positive size, each array holding that
  // many pixels (a short or missing one never matches).
  bool Matches() const;
  // The flag set and the images matching: the result can be computed.
  bool ResultComputable() const;

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
};

}  // namespace molvane
