// The first and second images of a two-image dialog, their labels and whether they match.
#include "dialog_kit/two_image_part.h"

#include "dialog_kit/image_labels.h"

namespace molvane {

void TwoImagePart::BeginOpening(const ImageRun& run) {
  first_ = run;
  second_ = SecondImage{};
  Image1.SetCaption(FirstImageBoxCaption(first_.Name()));
  Taille1.SetCaption(ImageSizeText(first_.Size()));
  opening_ = true;
  held_.reset();
}

bool TwoImagePart::HoldWhileOpening(const PhaseOneCall& call) {
  if (!opening_) return false;
  held_ = SecondImage{call.pixels, call.size, call.imageName ? call.imageName : ""};
  return true;
}

std::optional<TwoImagePart::SecondImage> TwoImagePart::EndOpening() {
  opening_ = false;
  std::optional<SecondImage> held = std::move(held_);
  held_.reset();
  return held;
}

void TwoImagePart::WaitForSecond() {
  Image2.SetCaption(kSecondImageBoxCaption);
  Taille2.SetCaption(kClickAnImage);
  second_.size = ImageSize{0, 0};
}

bool TwoImagePart::TakeSecond(const TPtsImg& pixels, ImageSize size, const char* name) {
  second_ = SecondImage{pixels, size, name ? name : ""};
  Image2.SetCaption(SecondImageBoxCaption(name));
  Taille2.SetCaption(ImageSizeText(size));
  return Matches();
}

bool TwoImagePart::Matches() const {
  const ImageSize first = first_.Size();
  if (first.width != second_.size.width || first.height != second_.size.height) return false;
  return first_.HoldsImage() && HoldsImage(second_.pixels, first);
}

void TwoImagePart::Release() {
  first_ = ImageRun();
  second_ = SecondImage{};
}

}  // namespace molvane
