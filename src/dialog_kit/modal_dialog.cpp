// Opening a modal tool dialog, and the apply flag its buttons set.
#include "dialog_kit/modal_dialog.h"

#include <utility>

#include "boundary/host_protocol.h"

namespace molvane {

ModalDialog::ModalDialog(std::string name, PreviewBox* preview)
    : ui::Form(std::move(name)), preview_(preview) {
  OnShow = ui::Handler(this, &ModalDialog::FormShow);
  OnClose = ui::Handler(this, &ModalDialog::FormClose);
}

void ModalDialog::Open(const ImageRun& run) {
  try {
    Run = run;
    // The copy lands while the windows are made and shown; the preview
    // samples the host's pixels, which are the copy's.
    Run.StartCopyOfHostImage();
    if (preview_) {
      preview_->CadreAff.SetDoubleBuffered(true);
      BuildPreview(Run.HostImage(), Run.Size(), PreviewPixels, preview_->PreVisu);
    }
    ApplyFlag() = 0;
    ShowModal();
  } catch (...) {
  }
}

void ModalDialog::AppliquerClick(ui::Component*) { ApplyFlag() = ApplyStep() ? 1 : 0; }

void ModalDialog::AnnulerClick(ui::Component*) { ApplyFlag() = 0; }

void ModalDialog::ReInitClick(ui::Component* sender) {
  if (sender) FormShow(sender);
  ApplyFlag() = 0;
}

void ModalDialog::FormClose(ui::Component*) {
  ReportClosing(ApplyFlag());
  Run.ReleaseCopy();
  PreviewPixels.Reset();
}

void ModalDialog::ReportClosing(uint8_t applied) { ReportFinished(Run.Size(), applied); }

void ModalDialog::ShowInHostImage(const std::function<void()>& write) {
  ApplyFlag() = 0;
  write();
  ReportStep(Run.Size(), 0);
}

}  // namespace molvane
