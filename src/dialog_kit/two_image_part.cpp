// The first and second images of a two-image dialog, their labels and whether they match.
#include "dialog_kit/two_image_part.h"

#include "dialog_kit/image_labels.h"

namespace molvane {

void TwoImagePart::BeginOpening(const ImageRun& run) {
  first_ = run;
  second_ = ImageRun();
  Image1.SetCaption(FirstImageBoxCaption(first_.Name()));
  Taille1.SetCaption(ImageSizeText(first_.Size()));
  opening_ = true;
  held_.reset();
}

bool TwoImagePart::HoldWhileOpening(const PhaseOneCall& call) {
  if (!opening_) return false;
  held_ = ImageRun(call.pixels, call.size, call.imageName);
  return true;
}

std::optional<ImageRun> TwoImagePart::EndOpening() {
  opening_ = false;
  std::optional<ImageRun> held = std::move(held_);
  held_.reset();
  return held;
}

void TwoImagePart::WaitForSecond() {
  Image2.SetCaption(kSecondImageBoxCaption);
  Taille2.SetCaption(kClickAnImage);
  // The array stays held (a host sees its reference until the run ends).
  second_ = ImageRun(second_.HostImage(), ImageSize{0, 0});
}

bool TwoImagePart::TakeSecond(const ImageRun& second) {
  second_ = second;
  Image2.SetCaption(SecondImageBoxCaption(second_.Name()));
  Taille2.SetCaption(ImageSizeText(second_.Size()));
  return Matches();
}

bool TwoImagePart::Matches() const {
  const ImageSize first = first_.Size();
  const ImageSize second = second_.Size();
  if (first.width != second.width || first.height != second.height) return false;
  return first_.HoldsImage() && second_.HoldsImage();
}

void TwoImagePart::Release() {
  first_ = ImageRun();
  second_ = ImageRun();
}

}  // namespace molvane
