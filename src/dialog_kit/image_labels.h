// The texts of the two-image dialogs (comparison, merge) that describe the images they hold.
#pragma once

#include <string>

#include "boundary/image_size.h"

namespace molvane {

// The image boxes' captions before an image arrives, and the second size
// label while the dialog waits for the user to click an image.
extern const char* const kFirstImageBoxCaption;   // " Image N° 1 "
extern const char* const kSecondImageBoxCaption;  // " Image N° 2 "
extern const char* const kClickAnImage;           // "Cliquez sur une image"

// " Image N° 1  : "name" " (two blanks before the colon) and
// " Image N° 2 : "name" " (one), the name as the host gave it; a null
// name reads as an empty one.
std::string FirstImageBoxCaption(const char* imageName);
std::string SecondImageBoxCaption(const char* imageName);

// "L = 640 x H = 480 pixels²": width and height in plain decimal.
std::string ImageSizeText(ImageSize size);

}  // namespace molvane
