// The image captions and size texts of the two-image dialogs.
#include "dialog_kit/image_labels.h"

#include "ui/number_text.h"

namespace molvane {

const char* const kFirstImageBoxCaption = " Image N° 1 ";
const char* const kSecondImageBoxCaption = " Image N° 2 ";
const char* const kClickAnImage = "Cliquez sur une image";

namespace {

std::string Quoted(const char* prefix, const char* imageName) {
  return std::string(prefix) + "\"" + (imageName ? imageName : "") + "\" ";
}

}  // namespace

std::string FirstImageBoxCaption(const char* imageName) { return Quoted(" Image N° 1  : ", imageName); }

std::string SecondImageBoxCaption(const char* imageName) { return Quoted(" Image N° 2 : ", imageName); }

std::string ImageSizeText(ImageSize size) {
  return "L = " + ui::IntToText(size.width) + " x H = " + ui::IntToText(size.height) + " pixels²";
}

}  // namespace molvane
