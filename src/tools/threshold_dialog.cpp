// The threshold dialog: live preview on the slider, "Appliquer" thresholds the host's image.
#include "tools/threshold_dialog.h"

#include "dialog_kit/apply_buttons.h"
#include "ui/number_text.h"
#include "ui/screen_cursor.h"

namespace molvane {
namespace {

using Kind = ui::Component::Kind;
const LayoutRow kLayout[] = {
    {"SousSeuil", Kind::RadioGroup, "", {355, 16, 266, 74}, " Conserver l'image "},
    {"Label1", Kind::Label, "", {340, 130, 36, 16}, "Seuil :"},
    {"PosSeuil", Kind::TrackBar, "", {378, 124, 230, 30}, nullptr, kThresholdSlider},
    {"ValS", Kind::Label, "", {613, 130, 24, 16}, nullptr},
    {"ReInit", Kind::Button, "", kReInitPlace, "Réinitialiser"},
    {"Annuler", Kind::Button, "", kAnnulerPlace, "Annuler", ui::ButtonRole::Cancel},
    {"Appliquer", Kind::Button, "", kAppliquerPlace, "Appliquer", ui::ButtonRole::Ok},
};

}  // namespace

LayoutTable TSeuilImg::Layout() { return TableOf(kLayout); }

TSeuilImg::TSeuilImg() : ModalDialog("SeuilImg", &Preview) {
  SetCaption("Seuillage d'une image");
  SetClientSize(642, 344);
  ApplyLayout(*this, Layout());
  SousSeuil.SetItems({"Au-dessus du seuil", "En-dessous du seuil"});
  SousSeuil.SetItemIndex(0);  // the side chosen last lasts while the library is loaded

  SousSeuil.OnClick = ui::Handler(this, &TSeuilImg::PosSeuilChange);
  PosSeuil.OnChange = ui::Handler(this, &TSeuilImg::PosSeuilChange);
  PosSeuil.OnMouseUp = ui::Handler(this, &TSeuilImg::PosSeuilMouseUp);
  ReInit.OnClick = ui::Handler(this, &TSeuilImg::ReInitClick);
  Annuler.OnClick = ui::Handler(this, &TSeuilImg::AnnulerClick);
  Appliquer.OnClick = ui::Handler(this, &TSeuilImg::AppliquerClick);
}

KeptSide TSeuilImg::Side() const {
  return SousSeuil.ItemIndex() == 1 ? KeptSide::Below : KeptSide::Above;
}

void TSeuilImg::FormShow(ui::Component*) {
  {
    ui::ProgramChange reset(*this);
    PosSeuil.SetPosition(kThresholdSlider.defaultPosition);
  }
  ReadControls();
  RenderPreview();
}

void TSeuilImg::PosSeuilChange(ui::Component*) {
  ReadControls();
  RenderPreview();
}

void TSeuilImg::ReadControls() {
  Threshold_ = PosSeuil.Position();
  ValS.SetCaption(ui::IntToText(Threshold_));
}

void TSeuilImg::PosSeuilMouseUp(ui::Component*) { RenderPreview(); }

void TSeuilImg::RenderPreview() {
  ui::Bitmap24& bitmap = PreVisu.Bitmap();
  const int32_t pw = bitmap.Width();
  if (PreviewPixels.Length() < int64_t(pw) * bitmap.Height()) return;
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    ThresholdPixels(PreviewPixels.Data() + int64_t(y) * pw, bitmap.ScanLine(y), pw, Threshold_,
                    Side());
  PreVisu.Refresh();
}

bool TSeuilImg::ApplyStep() {
  HourglassScope hourglass;
  // The whole array, as the host lent it: a longer one is thresholded to its end.
  const TPtsImg& copy = Run.WorkCopy();
  ThresholdPixels(copy.Data(), Run.HostImage().Data(), copy.Length(), Threshold_, Side());
  return true;
}

}  // namespace molvane
