// The gradient compensation dialog: four sliders, a live preview, "Appliquer" corrects the host's image.
#include "tools/gradient_dialog.h"

#include "colour/extended_math.h"
#include "colour/power10.h"
#include "dialog_kit/apply_buttons.h"
#include "ui/number_text.h"
#include "ui/screen_cursor.h"

namespace molvane {

long double GainOfPosition(int32_t position) {
  ExtendedPrecisionScope extended;
  const int32_t e = (position - kGainSlider.defaultPosition) * 3;
  return Power10((long double)e / 1000.0L);
}

namespace {

// Each end's row in its group box: the end's name, its slider, its value.
using Kind = ui::Component::Kind;
const LayoutRow kLayout[] = {
    {"DirComp", Kind::RadioGroup, "", {355, 10, 266, 66}, " Direction de la compensation "},
    {"CorrNiv", Kind::GroupBox, "", {355, 95, 266, 86}, " Correction du niveau moyen aux extrémités "},
    {"Corr1", Kind::Label, "CorrNiv", {30, 25, 44, 16}, nullptr},
    {"CurseurN1", Kind::TrackBar, "CorrNiv", {75, 20, 150, 26}, nullptr, kOffsetSlider},
    {"ValN1", Kind::Label, "CorrNiv", {230, 25, 30, 16}, nullptr, ui::Alignment::Right},
    {"Corr2", Kind::Label, "CorrNiv", {30, 55, 44, 16}, nullptr},
    {"CurseurN2", Kind::TrackBar, "CorrNiv", {75, 50, 150, 26}, nullptr, kOffsetSlider},
    {"ValN2", Kind::Label, "CorrNiv", {230, 55, 30, 16}, nullptr, ui::Alignment::Right},
    {"CoeffNiv", Kind::GroupBox, "", {355, 200, 266, 86}, " Coeff. d'expansion/compression aux extrémités "},
    {"Coef1", Kind::Label, "CoeffNiv", {30, 25, 44, 16}, nullptr},
    {"CurseurM1", Kind::TrackBar, "CoeffNiv", {75, 20, 150, 26}, nullptr, kGainSlider},
    {"ValM1", Kind::Label, "CoeffNiv", {230, 25, 30, 16}, nullptr, ui::Alignment::Right},
    {"Coef2", Kind::Label, "CoeffNiv", {30, 55, 44, 16}, nullptr},
    {"CurseurM2", Kind::TrackBar, "CoeffNiv", {75, 50, 150, 26}, nullptr, kGainSlider},
    {"ValM2", Kind::Label, "CoeffNiv", {230, 55, 30, 16}, nullptr, ui::Alignment::Right},
    {"ReInit", Kind::Button, "", kReInitPlace, "Réinitialiser"},
    {"Annuler", Kind::Button, "", kAnnulerPlace, "Annuler", ui::ButtonRole::Cancel},
    {"Appliquer", Kind::Button, "", kAppliquerPlace, "Appliquer", ui::ButtonRole::Ok},
};

}  // namespace

LayoutTable TCompDegr::Layout() { return TableOf(kLayout); }

TCompDegr::TCompDegr() : ModalDialog("CompDegr", &Preview) {
  SetCaption("Compensation d'un dégradé");
  SetClientSize(642, 344);
  ApplyLayout(*this, Layout());
  DirComp.SetItems({"Verticale", "Horizontale"});
  DirComp.SetItemIndex(0);

  DirComp.OnClick = ui::Handler(this, &TCompDegr::DirCompClick);
  CurseurN1.OnChange = ui::Handler(this, &TCompDegr::CurseurN1Change);
  CurseurN2.OnChange = ui::Handler(this, &TCompDegr::CurseurN2Change);
  CurseurM1.OnChange = ui::Handler(this, &TCompDegr::CurseurM1Change);
  CurseurM2.OnChange = ui::Handler(this, &TCompDegr::CurseurM2Change);
  ReInit.OnClick = ui::Handler(this, &TCompDegr::ReInitClick);
  Annuler.OnClick = ui::Handler(this, &TCompDegr::AnnulerClick);
  Appliquer.OnClick = ui::Handler(this, &TCompDegr::AppliquerClick);
}

GradientParams TCompDegr::Params() const {
  GradientParams p;
  p.direction = DirComp.ItemIndex() == 1 ? GradientDirection::Horizontal
                                         : GradientDirection::Vertical;
  p.offsetN1 = OffsetN1;
  p.offsetN2 = OffsetN2;
  p.coefM1 = CoefM1;
  p.coefM2 = CoefM2;
  return p;
}

void TCompDegr::FormShow(ui::Component*) {
  {
    ui::ProgramChange reset(*this);
    DirComp.SetItemIndex(0);
    CurseurN1.SetPosition(kOffsetSlider.defaultPosition);
    CurseurN2.SetPosition(kOffsetSlider.defaultPosition);
    CurseurM1.SetPosition(kGainSlider.defaultPosition);
    CurseurM2.SetPosition(kGainSlider.defaultPosition);
  }
  ReadControls();
  RenderPreview();
}

bool TCompDegr::ApplyStep() {
  HourglassScope hourglass;
  // An image without pixels has nothing to correct, and is applied all the same.
  if (Run.HoldsImage()) {
    const ptrdiff_t stride = ptrdiff_t(Run.Width()) * ptrdiff_t(sizeof(Pixel24));
    CompensateGradient(Run.WorkCopy().Data(), stride, Run.HostImage().Data(), stride, Run.Width(),
                       Run.Height(), Params());
  }
  return true;
}

void TCompDegr::ReadControls() {
  const bool horizontal = DirComp.ItemIndex() == 1;
  const char* first = horizontal ? "Gauche" : "Haut";
  const char* second = horizontal ? "Droite" : "Bas";
  Corr1.SetCaption(first);
  Coef1.SetCaption(first);
  Corr2.SetCaption(second);
  Coef2.SetCaption(second);
  OffsetN1 = CurseurN1.Position() - kOffsetSlider.defaultPosition;
  ValN1.SetCaption(ui::IntToText(OffsetN1));
  OffsetN2 = CurseurN2.Position() - kOffsetSlider.defaultPosition;
  ValN2.SetCaption(ui::IntToText(OffsetN2));
  CoefM1 = GainOfPosition(CurseurM1.Position());
  ValM1.SetCaption(ui::FormatFixed(CoefM1, 2));
  CoefM2 = GainOfPosition(CurseurM2.Position());
  ValM2.SetCaption(ui::FormatFixed(CoefM2, 2));
}

// The direction and the four sliders: the sliders now apply to the new
// ends, or take their new values; the preview shows it at once.
void TCompDegr::DirCompClick(ui::Component*) { ControlsChange(); }
void TCompDegr::CurseurN1Change(ui::Component*) { ControlsChange(); }
void TCompDegr::CurseurN2Change(ui::Component*) { ControlsChange(); }
void TCompDegr::CurseurM1Change(ui::Component*) { ControlsChange(); }
void TCompDegr::CurseurM2Change(ui::Component*) { ControlsChange(); }

void TCompDegr::ControlsChange() {
  ReadControls();
  RenderPreview();
}

void TCompDegr::RenderPreview() {
  ui::Bitmap24& bitmap = PreVisu.Bitmap();
  const int32_t pw = bitmap.Width();
  const int32_t ph = bitmap.Height();
  if (pw == 0 || ph == 0 || PreviewPixels.Length() < int64_t(pw) * ph) return;
  CompensateGradient(PreviewPixels.Data(), ptrdiff_t(pw) * ptrdiff_t(sizeof(Pixel24)),
                     bitmap.ScanLine(0), bitmap.Stride(), pw, ph, Params());
  PreVisu.Refresh();
}

}  // namespace molvane
