// The non-modal tool dialogs: shown on top, left open while the host goes on, taking its phase-1 calls.
#pragma once

#include <optional>
#include <string>

#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "ui/form.h"

namespace molvane {

// What the two-image dialogs (comparison, merge) and the point-picking ones
// (background, vignetting) open alike. A phase-1 call the host makes while
// the tool opens (from inside the callback that asks for it, before the
// dialog shows) is held and taken once the dialog is on screen; one made
// after the run ended (the dialog hidden) belongs to no run.
class OnTopDialog : public ui::Form {
 public:
  // Phase 0: Prepare, then the dialog shown (one still on screen starts
  // afresh: FormShow runs again), then the call held meanwhile taken. Any
  // error is dropped: what was done stays done, nothing more happens.
  void Open(const ImageRun& run);
  // Phase 1: held while opening, ignored while hidden, else Take.
  void Continue(const PhaseOneCall& call);

  // Every control back to its default; runs as the dialog shows.
  virtual void FormShow(ui::Component* sender) = 0;

 protected:
  explicit OnTopDialog(std::string name);

  // Before the dialog shows: the run kept, the host asked for what it sends in phase 1.
  virtual void Prepare(const ImageRun& run) = 0;
  // A phase-1 call while the dialog is on screen.
  virtual void Take(const PhaseOneCall& call) = 0;
  // The opening is over, the dialog shown or not: nothing it started runs on.
  virtual void Opened() {}

 private:
  // A phase-1 call kept beyond its XchgData: its arrays referenced, its name copied.
  struct HeldCall {
    ImagePoint point;
    TPtsImg pixels;
    TPtsImg pixels2;
    ImageSize size;
    std::string imageName;
  };

  bool opening_ = false;
  std::optional<HeldCall> held_;
};

}  // namespace molvane
