// Opening a non-modal tool dialog, and the phase-1 calls that reach it.
#include "dialog_kit/on_top_dialog.h"

#include <utility>

namespace molvane {

OnTopDialog::OnTopDialog(std::string name) : ui::Form(std::move(name)) {
  SetStayOnTop(true);
  OnShow = ui::Handler(this, &OnTopDialog::FormShow);
}

void OnTopDialog::Open(const ImageRun& run) {
  held_.reset();
  opening_ = true;
  try {
    Prepare(run);
    if (Showing()) FormShow(this);
    else Show();
    opening_ = false;
    if (held_) {
      const HeldCall held = std::move(*held_);
      held_.reset();
      Take(PhaseOneCall{held.point, held.pixels, held.pixels2, held.size, held.imageName.c_str()});
    }
  } catch (...) {
  }
  opening_ = false;
  held_.reset();
  Opened();
}

void OnTopDialog::Continue(const PhaseOneCall& call) {
  if (opening_) {
    held_ = HeldCall{call.point, call.pixels, call.pixels2, call.size, call.imageName ? call.imageName : ""};
    return;
  }
  // The host may go on sending what the user clicks after the run ended
  // ("Annuler" of the two-image tools tells it nothing).
  if (!Showing()) return;
  Take(call);
}

}  // namespace molvane
