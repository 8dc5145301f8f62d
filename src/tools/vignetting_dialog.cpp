// The vignetting dialog: four corner markers armed by the user, points picked on the host's image.
#include "tools/vignetting_dialog.h"

#include <algorithm>

#include "ui/screen_cursor.h"

namespace molvane {

ui::Bitmap24 VignettingIllustration() {
  constexpr int kWidth = 168, kHeight = 112, kShade = 48;
  ui::Bitmap24 bitmap(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    Pixel24* row = bitmap.ScanLine(y);
    for (int x = 0; x < kWidth; ++x) {
      // Darker the nearer a corner, along the diagonals the correction rebuilds.
      const int dx = std::min(x, kWidth - 1 - x), dy = std::min(y, kHeight - 1 - y);
      const int depth = std::max(0, kShade - (dx + dy));
      const int keep = 100 - depth * 70 / kShade;
      row[x] = Pixel24{uint8_t(240 * keep / 100), uint8_t(216 * keep / 100),
                       uint8_t(170 * keep / 100)};
    }
  }
  return bitmap;
}

namespace {

using Kind = ui::Component::Kind;
// A marker at each corner of the illustration.
const LayoutRow kLayout[] = {
    {"Fond", Kind::Picture, "", {64, 12, 168, 112}, nullptr},
    {"PosHG", Kind::CheckBox, "", {74, 22, 12, 12}, nullptr},
    {"PosHD", Kind::CheckBox, "", {210, 22, 12, 12}, nullptr},
    {"PosBD", Kind::CheckBox, "", {210, 102, 12, 12}, nullptr},
    {"PosBG", Kind::CheckBox, "", {74, 102, 12, 12}, nullptr},
    {"ReInit", Kind::Button, "", {10, 140, 81, 25}, "Réinitialiser"},
    {"Annuler", Kind::Button, "", {107, 140, 81, 25}, "Annuler", ui::ButtonRole::Cancel},
    {"Appliquer", Kind::Button, "", {205, 140, 81, 25}, "Appliquer", ui::ButtonRole::Ok},
};

}  // namespace

LayoutTable TCorrVignetage::Layout() { return TableOf(kLayout); }

TCorrVignetage::TCorrVignetage() : PointPickingDialog("CorrVignetage") {
  SetCaption("Correction de vignetage");
  SetClientSize(296, 176);
  ApplyLayout(*this, Layout());
  Markers.SetMarkers({&PosHG, &PosHD, &PosBD, &PosBG});
  Fond.SetStretch(true);
  Fond.Bitmap() = VignettingIllustration();

  PosHG.OnClick = ui::Handler(this, &TCorrVignetage::PosHGClick);
  PosHD.OnClick = ui::Handler(this, &TCorrVignetage::PosHGClick);
  PosBD.OnClick = ui::Handler(this, &TCorrVignetage::PosHGClick);
  PosBG.OnClick = ui::Handler(this, &TCorrVignetage::PosHGClick);
  ReInit.OnClick = ui::Handler(this, &TCorrVignetage::ReInitClick);
  Annuler.OnClick = ui::Handler(this, &TCorrVignetage::AnnulerClick);
  Appliquer.OnClick = ui::Handler(this, &TCorrVignetage::AppliquerClick);
}

void TCorrVignetage::Take(const PhaseOneCall& call) {
  const ImagePoint point = call.point;
  const TPtsImg& image = call.pixels2;
  if (const ui::CheckBox* marker = Markers.Take()) PointOf(marker) = point;
  // A buffer of another size than the image opened would be written out of
  // bounds: the earlier buffer stays the one written into.
  if (image.Length() == Run.WorkCopy().Length()) Run.ReplaceHostImage(image);
  if (Markers.AllTicked()) RunCorrection();
}

void TCorrVignetage::RunCorrection() {
  {
    HourglassScope hourglass;
    ClockSeededRandom random;
    CorrectVignetting(points_, VignettingImages{Run.WorkCopy().Data(), Run.HostImage().Data(),
                                                Run.Width(), Run.Height()},
                      random);
  }
  ReportComputed();
}

void TCorrVignetage::FormShow(ui::Component*) {
  StartPicking();
  PointHG = {0, 0};
  PointHD = {Run.Width(), 0};
  PointBD = {Run.Width(), Run.Height()};
  PointBG = {0, Run.Height()};
}

void TCorrVignetage::AppliquerClick(ui::Component* sender) {
  if (!Markers.AllTicked()) RunCorrection();
  PointPickingDialog::AppliquerClick(sender);
}

ImagePoint& TCorrVignetage::PointOf(const ui::CheckBox* marker) {
  if (marker == &PosHD) return PointHD;
  if (marker == &PosBD) return PointBD;
  if (marker == &PosBG) return PointBG;
  return PointHG;
}

}  // namespace molvane
