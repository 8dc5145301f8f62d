// The point-picking tool dialogs (background, vignetting): points clicked on the host's image, computed into it.
#pragma once

#include <string>

#include "boundary/image_run.h"
#include "dialog_kit/marker_picker.h"
#include "dialog_kit/on_top_dialog.h"
#include "ui/controls.h"

namespace molvane {

// A dialog on top of the host's image while the host sends the user's
// clicks on it. The user arms a marker, then clicks the image: the point
// goes to that marker; once the markers are ticked the tool computes into
// the host's image, from the copy taken at opening, which "Réinitialiser"
// writes back. The apply flag says whether the image holds a computation:
// set by each, cleared as the dialog shows; "Appliquer" keeps the image as
// it is, "Annuler" does not (neither puts back its pixels).
class PointPickingDialog : public OnTopDialog {
 public:
  ui::Timer Timer{this, "Timer"};

  // The published handlers both dialogs share.
  void AppliquerClick(ui::Component* sender);
  void AnnulerClick(ui::Component* sender);
  // The controls and markers as the dialog showed, the copy written back
  // into the host's image, and the host told to repaint (Applied 0).
  void ReInitClick(ui::Component* sender);
  // The blinking stopped and the copy released, then the final callback
  // (Applied = the flag, Finished 1).
  void FormClose(ui::Component* sender);
  void TimerTimer(ui::Component* sender);

  // The marker the next picked point sets; null when none is armed.
  const ui::CheckBox* ArmedMarker() const { return Markers.Armed(); }

 protected:
  explicit PointPickingDialog(std::string name);

  // Phase 0: the host's image kept and copied (on a thread of its own while
  // the dialog shows), the host asked (ActionCode 1) to send the user's
  // clicks on it.
  void Prepare(const ImageRun& run) override;
  // The copy complete before the host has its thread back.
  void Opened() override;

  // What every showing starts with: nothing applied, no marker armed or ticked.
  void StartPicking();
  // A user's click on a marker: the next point is its.
  void MarkerClick(ui::Component* marker);
  // The tool computed into the host's image: the flag set, the host told to
  // repaint (Applied 1, Finished 0).
  void ReportComputed();

  ImageRun Run;
  MarkerPicker Markers{*this, Timer};
};

}  // namespace molvane
