// Opening a modal preview dialog (threshold, gradient) on the host's image.
#pragma once

#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "dialog_kit/preview.h"
#include "ui/form.h"

namespace molvane {

// Keeps the run (`kept`) and copies the host's image into it, clears the
// apply flag, builds the preview from the copy and shows `form` modally;
// returns once it has closed. Any error is dropped: no dialog then, and no
// callback from a dialog that never closed.
void OpenModalPreview(ui::Form& form, PreviewBox& preview, ImageRun& kept, const ImageRun& run,
                      TPtsImg& previewPixels);

}  // namespace molvane
