// The modal tool dialogs (matrix filter, threshold, gradient): opened on the host's image, reporting once as they close.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "dialog_kit/preview.h"
#include "ui/form.h"

namespace molvane {

// A dialog shown modally inside the opening XchgData call. It works from a
// private copy of the host's image and writes the host's image only in its
// apply step; the apply flag it reports as it closes says whether that step
// ran, "Annuler" and "Réinitialiser" clearing it.
class ModalDialog : public ui::Form {
 public:
  // Keeps the run, copies the host's image (on a thread of its own while
  // the windows are made and shown), previews it when the
  // dialog has a preview box, and shows the dialog modally; returns once it
  // has closed. Any error is dropped: no dialog then, and no callback from a
  // dialog that never closed.
  void Open(const ImageRun& run);

  // The published handlers every modal dialog shares.
  // The apply step; the flag then says whether it changed the host's image.
  void AppliquerClick(ui::Component* sender);
  void AnnulerClick(ui::Component* sender);
  // Pressed by the user (a sender), the controls back to their defaults;
  // in every case the flag cleared. The host's pixels are not restored.
  void ReInitClick(ui::Component* sender);
  // The final callback, then the copy and the preview released; the host's
  // buffer stays referenced until the next Open.
  void FormClose(ui::Component* sender);
  // Every control back to its default, the preview redrawn; runs as the dialog shows.
  virtual void FormShow(ui::Component* sender) = 0;

 protected:
  // `preview`: the dialog's preview box, or null when it has none (only its
  // address is kept: the box is a member built after this base).
  ModalDialog(std::string name, PreviewBox* preview);

  // Writes the result into the host's image from the copy; true when it did.
  virtual bool ApplyStep() = 0;
  // The final callback (Applied = the flag, Finished 1).
  virtual void ReportClosing(uint8_t applied);
  // A step that shows a result in the host's image while the dialog stays:
  // the flag cleared first, then `write`, then the host told to repaint.
  void ShowInHostImage(const std::function<void()>& write);

  ImageRun Run;
  TPtsImg PreviewPixels;

 private:
  PreviewBox* preview_;
};

}  // namespace molvane
