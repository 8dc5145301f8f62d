// The noise reduction menu item: runs at once on the host's image, no dialog.
#pragma once

#include "boundary/host_protocol.h"
#include "boundary/pixel_array.h"

namespace molvane {

// Filters `image` in place from a private copy under the hourglass, sets the
// apply flag and reports (Applied 1, Finished 1). The image is one the
// dispatch accepted: the buffer holds width x height pixels.
void ReduceNoise(const TPtsImg& image, ImageSize size);

}  // namespace molvane
