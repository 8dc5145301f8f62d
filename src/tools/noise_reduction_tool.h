// The noise reduction menu item: runs at once on the host's image, no dialog.
#pragma once

#include "boundary/host_link.h"
#include "boundary/pixel_array.h"

namespace molvane {

// Filters `image` in place from a private copy under the hourglass, sets the
// apply flag and reports (Applied 1, Finished 1). A buffer holding fewer than
// width x height pixels is left untouched and reported with Applied 0.
void ReduceNoise(const TPtsImg& image, ImageSize size);

}  // namespace molvane
