// Image ▸ Rotation and Miroir: the image turned or mirrored as one undo step.
#pragma once

#include <string>

#include "host/image_orientation.h"
#include "host/viewer/image_document.h"

namespace molvane::viewer {

// Turns the document's image. A half turn or a mirror keeps the size and is
// an ordinary step; a quarter turn changes it and keeps the whole image
// before. False with a French message when memory lacks (nothing changed).
bool TurnImage(ImageDocument& document, host::Turn turn, std::string& error);

}  // namespace molvane::viewer
