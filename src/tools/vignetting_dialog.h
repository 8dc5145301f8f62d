// TCorrVignetage: the non-modal vignetting correction dialog ("Correction de vignetage").
#pragma once

#include <cstdint>

#include "boundary/image_run.h"
#include "dialog_kit/layout.h"
#include "dialog_kit/point_picking_dialog.h"
#include "tools/vignetting.h"

namespace molvane {

// The four corners picked on the host's image; the dispatch has refused an
// image without pixels.
class TCorrVignetage : public PointPickingDialog {
 public:
  TCorrVignetage();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

  ui::Picture Fond{this, "Fond"};
  ui::CheckBox PosHG{this, "PosHG"};
  ui::CheckBox PosHD{this, "PosHD"};
  ui::CheckBox PosBD{this, "PosBD"};
  ui::CheckBox PosBG{this, "PosBG"};
  ui::Button ReInit{this, "ReInit"};
  ui::Button Annuler{this, "Annuler"};
  ui::Button Appliquer{this, "Appliquer"};

  // Default points, markers unticked.
  void FormShow(ui::Component* sender) override;
  // Computes with the corners as they stand unless all four are ticked
  // (the correction is then already in the image), then closes.
  void AppliquerClick(ui::Component* sender);
  // Any of the four markers: a user's click arms it and starts the blinking.
  void PosHGClick(ui::Component* sender) { MarkerClick(sender); }

  // PointHG, PointHD, PointBD, PointBG: top-left, top-right, bottom-right, bottom-left.
  const ImagePoint (&Points() const)[4] { return points_; }

 private:
  // The picked point goes to the armed marker (ticked, no longer blinking);
  // the image (Pixels2) becomes the buffer written into when it is as long
  // as the one opened (otherwise the earlier one stays). With four ticked
  // markers the correction is computed.
  void Take(const PhaseOneCall& call) override;
  // The four corners from WorkCopy into HostImage under the hourglass, then
  // the flag set and the host told (Applied 1, Finished 0).
  void RunCorrection();
  ImagePoint& PointOf(const ui::CheckBox* marker);

  ImagePoint points_[4] = {};
  ImagePoint& PointHG = points_[0];
  ImagePoint& PointHD = points_[1];
  ImagePoint& PointBD = points_[2];
  ImagePoint& PointBG = points_[3];
};

// The illustration of Fond: a light-blue field whose corners darken.
ui::Bitmap24 VignettingIllustration();

}  // namespace molvane
