// The noise reduction menu item: no dialog, the filter applied at once.
#pragma once

#include "boundary/image_run.h"

namespace molvane {

// Filters the host's image in place from a private copy under the hourglass,
// sets the apply flag and reports (Applied 1, Finished 1).
void ReduceNoise(const ImageRun& run);

}  // namespace molvane
