// The first and second images of a two-image dialog, their labels and whether they match.
#include "dialog_kit/two_image_part.h"

#include "boundary/host_protocol.h"
#include "dialog_kit/image_labels.h"

namespace molvane {

void TwoImagePart::TakeFirst(const ImageRun& run) {
  first_ = run;
  second_ = ImageRun();
  Image1.SetCaption(FirstImageBoxCaption(first_.Name()));
  Taille1.SetCaption(ImageSizeText(first_.Size()));
}

void TwoImagePart::WaitForSecond() {
  Image2.SetCaption(kSecondImageBoxCaption);
  Taille2.SetCaption(kClickAnImage);
  // The array stays held (a host sees its reference until the run ends).
  second_ = ImageRun(second_.HostImage(), ImageSize{0, 0});
  ApplyFlag() = 0;
}

bool TwoImagePart::TakeSecond(const ImageRun& second) {
  second_ = second;
  Image2.SetCaption(SecondImageBoxCaption(second_.Name()));
  Taille2.SetCaption(ImageSizeText(second_.Size()));
  const bool matches = Matches();
  ApplyFlag() = matches ? 1 : 0;
  return matches;
}

bool TwoImagePart::Matches() const {
  const ImageSize first = first_.Size();
  const ImageSize second = second_.Size();
  if (first.width != second.width || first.height != second.height) return false;
  return first_.HoldsImage() && second_.HoldsImage();
}

bool TwoImagePart::ResultComputable() const { return ApplyFlag() != 0 && Matches(); }

void TwoImagePart::Release() {
  first_ = ImageRun();
  second_ = ImageRun();
}

}  // namespace molvane
