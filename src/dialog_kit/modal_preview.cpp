// The common opening of the modal preview dialogs.
#include "dialog_kit/modal_preview.h"

#include "boundary/host_protocol.h"

namespace molvane {

void OpenModalPreview(ui::Form& form, PreviewBox& preview, ImageRun& kept, const ImageRun& run,
                      TPtsImg& previewPixels) {
  try {
    kept = run;
    kept.CopyHostImage();
    preview.CadreAff.SetDoubleBuffered(true);
    ApplyFlag() = 0;
    BuildPreview(kept.WorkCopy(), kept.Size(), previewPixels, preview.PreVisu);
    form.ShowModal();
  } catch (...) {
  }
}

}  // namespace molvane
