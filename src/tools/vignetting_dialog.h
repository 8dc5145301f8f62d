// TCorrVignetage: the non-modal vignetting correction dialog ("Correction de vignetage").
#pragma once

#include <cstdint>

#include "boundary/host_protocol.h"
#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "dialog_kit/layout.h"
#include "dialog_kit/marker_picker.h"
#include "tools/vignetting.h"
#include "ui/form.h"

namespace molvane {

class TCorrVignetage : public ui::Form {
 public:
  TCorrVignetage();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

  // Phase 0: keeps the host's buffer, copies it as the backup, asks the host
  // (ActionCode 1) to forward the user's clicks and shows the dialog on top
  // without waiting. Silent on error. The dispatch has refused an image
  // without pixels.
  void Open(const ImageRun& run);
  // Phase 1: the picked point goes to the armed marker (ticked, no longer
  // blinking); the image (Pixels2) becomes the buffer written into when it
  // is as long as the one opened (otherwise the earlier one stays). With
  // four ticked markers the correction is computed. Ignored while the
  // dialog is hidden.
  void Continue(const PhaseOneCall& call);

  ui::Picture Fond{this, "Fond"};
  ui::CheckBox PosHG{this, "PosHG"};
  ui::CheckBox PosHD{this, "PosHD"};
  ui::CheckBox PosBD{this, "PosBD"};
  ui::CheckBox PosBG{this, "PosBG"};
  ui::Button ReInit{this, "ReInit"};
  ui::Button Annuler{this, "Annuler"};
  ui::Button Appliquer{this, "Appliquer"};
  ui::Timer Timer{this, "Timer"};

  void FormShow(ui::Component* sender);
  // Stops any blinking, releases the backup, then the final callback
  // (Applied = ApplyFlag, Finished 1).
  void FormClose(ui::Component* sender);
  // Default points, markers unticked, the backup written back, a plain report.
  void ReInitClick(ui::Component* sender);
  void AnnulerClick(ui::Component* sender);
  // Computes with the corners as they stand unless all four are ticked
  // (the correction is then already in the image), then closes.
  void AppliquerClick(ui::Component* sender);
  // Any of the four markers: a user's click arms it and starts the blinking.
  void PosHGClick(ui::Component* sender);
  void TimerTimer(ui::Component* sender);

  // PointHG, PointHD, PointBD, PointBG: top-left, top-right, bottom-right, bottom-left.
  const ImagePoint (&Points() const)[4] { return points_; }
  // The marker the next picked point sets; null when none is armed.
  const ui::CheckBox* ArmedMarker() const { return Markers.Armed(); }

 private:
  // The four corners from WorkCopy into HostImage under the hourglass, then
  // the flag set and the host told (Applied 1, Finished 0).
  void RunCorrection();
  ImagePoint& PointOf(const ui::CheckBox* marker);

  ImageRun Run;
  ImagePoint points_[4] = {};
  ImagePoint& PointHG = points_[0];
  ImagePoint& PointHD = points_[1];
  ImagePoint& PointBD = points_[2];
  ImagePoint& PointBG = points_[3];
  MarkerPicker Markers{*this, Timer, {&PosHG, &PosHD, &PosBD, &PosBG}};
};

// The illustration of Fond: a light-blue field whose corners darken.
ui::Bitmap24 VignettingIllustration();

// Module Vignetage: the one instance, created hidden when the library loads.
void VignetageInitialize();
void VignetageFinalize();
TCorrVignetage& CorrVignetage();

}  // namespace molvane
