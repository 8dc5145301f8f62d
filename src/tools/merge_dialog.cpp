// The merge dialog: first image at Open, second at Continue, a live merged preview, the merged image handed to the host.
#include "tools/merge_dialog.h"

#include "dialog_kit/button_glyphs.h"
#include "dialog_kit/image_labels.h"
#include "ui/number_text.h"

namespace molvane {

const char* const kMergeSizeWarning =
    "La fusion ne peut se faire que sur deux images de mêmes dimensions";

namespace {
constexpr uint32_t kYellow = 0x0000FFFF;  // 0x00BBGGRR
// The strip's left edge for lightness 0, right of TxMin's left: where the
// slider's track starts, one pixel a level from there.
constexpr int kTrackStart = 9;

std::string Percent(int32_t value) { return ui::IntToText(value) + " %"; }
}  // namespace

namespace {

using Kind = ui::Component::Kind;
// Labels without a size take their text's. Each rate is centred under its
// image's name, left and right of the slider. TxMi and TxMx end at the group
// box's inner edge, right of the sliders; ZoneTrsp is placed by the band.
const LayoutRow kLayout[] = {
    {"Image1", Kind::GroupBox, "", {335, 10, 151, 41}, kFirstImageBoxCaption},
    {"Taille1", Kind::Label, "Image1", {20, 17, 0, 0}, nullptr},
    {"Image2", Kind::GroupBox, "", {490, 10, 151, 41}, kSecondImageBoxCaption},
    {"Taille2", Kind::Label, "Image2", {15, 17, 0, 0}, kClickAnImage},
    {"ModeFusion", Kind::RadioGroup, "", {335, 55, 306, 41}, " Mode de fusion "},
    {"BoxTransparence", Kind::GroupBox, "", {335, 100, 306, 171}, " Jeu de transparence "},
    {"Label1", Kind::Label, "BoxTransparence", {5, 19, 0, 0}, "Image 1", ui::Alignment::Center},
    {"Label2", Kind::Label, "BoxTransparence", {260, 19, 0, 0}, "Image 2", ui::Alignment::Center},
    {"TxImg1", Kind::Label, "BoxTransparence", {6, 37, 34, 14}, nullptr, ui::Alignment::Center},
    {"TxImg2", Kind::Label, "BoxTransparence", {261, 37, 34, 14}, nullptr, ui::Alignment::Center},
    {"TauxTransp", Kind::TrackBar, "BoxTransparence", {40, 34, 221, 27}, nullptr, kRateSlider},
    {"GroupBox1", Kind::GroupBox, "BoxTransparence", {5, 64, 296, 101}, " Image prévalente "},
    {"Img1PreV", Kind::CheckBox, "GroupBox1", {10, 20, 90, 17}, "Image N° 1"},
    {"Img2PreV", Kind::CheckBox, "GroupBox1", {150, 20, 90, 17}, "Image N° 2"},
    {"TxMin", Kind::TrackBar, "GroupBox1", {2, 45, 274, 21}, nullptr, kBandLowSlider},
    {"ZoneTrsp", Kind::Panel, "GroupBox1", {11, 62, 256, 12}, "Zone transparente"},
    {"TxMax", Kind::TrackBar, "GroupBox1", {2, 72, 274, 26}, nullptr, kBandHighSlider},
    {"TxMi", Kind::Label, "GroupBox1", {270, 47, 24, 14}, "0", ui::Alignment::Right},
    {"TxMx", Kind::Label, "GroupBox1", {267, 78, 27, 14}, "255", ui::Alignment::Right},
    {"ReInit", Kind::Button, "", {345, 303, 80, 25}, "Réinitialiser"},
    {"Annuler", Kind::Button, "", {445, 303, 75, 25}, "Annuler", ui::ButtonRole::Cancel},
    {"Appliquer", Kind::Button, "", {540, 303, 86, 25}, "Appliquer", ui::ButtonRole::Ok},
};

}  // namespace

LayoutTable TFusionner::Layout() { return TableOf(kLayout); }

TFusionner::TFusionner() : TwoImageDialog("Fusionner", kMergeSizeWarning) {
  SetCaption("Fusion d'images");
  SetClientSize(642, 344);
  ApplyLayout(*this, Layout());

  ModeFusion.SetColumns(2);
  ModeFusion.SetItems({"Luminosité la plus élevée", "Jeu de transparence"});
  ModeFusion.SetItemIndex(0);
  ModeFusion.SetEnabled(false);
  BoxTransparence.SetVisible(false);
  TxMin.SetPosition(kBandLowSlider.defaultPosition);
  TxMax.SetPosition(kBandHighSlider.defaultPosition);
  ZoneTrsp.SetColour(kYellow);
  ZoneTrsp.SetFramed(false);
  ZoneTrsp.SetOverlay(true);  // it overlaps both sliders' edges
  Appliquer.SetGlyph(ApplyGlyph());
  Appliquer.SetEnabled(false);

  ModeFusion.OnClick = ui::Handler(this, &TFusionner::ModeFusionClick);
  TauxTransp.OnChange = ui::Handler(this, &TFusionner::TauxTranspChange);
  TxMin.OnChange = ui::Handler(this, &TFusionner::TxMaxChange);
  TxMax.OnChange = ui::Handler(this, &TFusionner::TxMaxChange);
  Img1PreV.OnClick = ui::Handler(this, &TFusionner::Img1PreVClick);
  Img2PreV.OnClick = ui::Handler(this, &TFusionner::Img2PreVClick);
  ReInit.OnClick = ui::Handler(this, &TFusionner::ReInitClick);
  Annuler.OnClick = ui::Handler(this, &TFusionner::AnnulerClick);
  Appliquer.OnClick = ui::Handler(this, &TFusionner::AppliquerClick);
}

void TFusionner::PrepareFirst() {
  SecondPreview.Reset();
  BuildPreview();
}

void TFusionner::SecondMatched() {
  BuildSecondPreview();
  // With either mode: the preview shows the merge of the image just received.
  RenderPreview();
}

void TFusionner::BuildPreview() {
  const ImageRun& first = Images.First();
  PreviewScale = PreviewGeometryFor(first.Size()).scale;
  molvane::BuildPreview(first.HostImage(), first.Size(), FirstPreview, PreVisu);
}

void TFusionner::BuildSecondPreview() {
  // The first image's preview fixed the geometry; both previews share it.
  const ImageSize size = Images.First().Size();
  PreviewGeometry g = PreviewGeometryFor(size);
  g.scale = PreviewScale;
  g.width = PreVisu.Bitmap().Width();
  g.height = PreVisu.Bitmap().Height();
  SecondPreview.SetLength(g.width * g.height);
  if (g.width > 0 && g.height > 0) SamplePreview(Images.SecondPixels().Data(), size, g, SecondPreview.Data());
  ModeFusion.SetEnabled(true);
  Appliquer.SetEnabled(true);
}

MergeParams TFusionner::Params() const {
  MergeParams p;
  p.mode = ModeFusion.ItemIndex() == 1 ? MergeMode::Transparency : MergeMode::Maximum;
  p.rate = TauxTransp.Position();
  p.prevalent = Img1PreV.Checked()   ? Prevalent::First
                : Img2PreV.Checked() ? Prevalent::Second
                                     : Prevalent::None;
  p.low = TxMin.Position();
  p.high = TxMax.Position();
  return p;
}

void TFusionner::RenderPreview() {
  if (!ModeFusion.Enabled()) return;  // no matching second image yet
  ui::Bitmap24& bitmap = PreVisu.Bitmap();
  const int32_t pw = bitmap.Width();
  const int32_t ph = bitmap.Height();
  const int64_t count = int64_t(pw) * ph;
  if (count == 0 || FirstPreview.Length() < count || SecondPreview.Length() < count) return;
  const MergeParams params = Params();
  for (int32_t y = 0; y < ph; ++y) {
    const int64_t row = int64_t(y) * pw;
    MergePixels(FirstPreview.Data() + row, SecondPreview.Data() + row, bitmap.ScanLine(y), pw, params);
  }
  PreVisu.Refresh();
}

void TFusionner::FormShow(ui::Component*) {
  CadreAff.SetDoubleBuffered(true);
  Images.WaitForSecond();
  {
    ui::ProgramChange reset(*this);
    Appliquer.SetEnabled(false);
    ModeFusion.SetEnabled(false);
    ModeFusion.SetItemIndex(0);
    TauxTransp.SetPosition(kRateSlider.defaultPosition);
    Img1PreV.SetChecked(false);
    Img2PreV.SetChecked(false);
    TxMin.SetPosition(kBandLowSlider.defaultPosition);
    TxMax.SetPosition(kBandHighSlider.defaultPosition);
  }
  ReadControls();
  RenderPreview();
}

void TFusionner::AppliquerClick(ui::Component*) {
  const MergeParams params = Params();
  DeliverResult([&params](const Pixel24* first, const Pixel24* second, Pixel24* merged, int32_t count) {
    MergePixels(first, second, merged, count, params);
  });
  FirstPreview.Reset();
  SecondPreview.Reset();
}

void TFusionner::ReInitClick(ui::Component* sender) {
  FormShow(sender);  // waiting for the second image again: nothing applied
  BuildPreview();
  PreVisu.Refresh();
}

void TFusionner::ReadControls() {
  BoxTransparence.SetVisible(ModeFusion.ItemIndex() == 1);
  const int32_t p = TauxTransp.Position();
  TxImg1.SetCaption(Percent(100 - p));
  TxImg2.SetCaption(Percent(p));
  // TxMin pushes TxMax up, and TxMax stops at TxMin.
  if (TxMin.Position() > TxMax.Position()) {
    ui::ProgramChange follow(*this);
    TxMax.SetPosition(TxMin.Position());
  }
  PlaceZoneTrsp();
  TxMi.SetCaption(ui::IntToText(TxMin.Position()));
  TxMx.SetCaption(ui::IntToText(TxMax.Position()));
  // The band matters only when one image prevails.
  const bool prevalent = Img1PreV.Checked() || Img2PreV.Checked();
  TxMin.SetEnabled(prevalent);
  TxMax.SetEnabled(prevalent);
  TxMi.SetEnabled(prevalent);
  TxMx.SetEnabled(prevalent);
}

void TFusionner::ControlsChange() {
  ReadControls();
  RenderPreview();
}

void TFusionner::ModeFusionClick(ui::Component*) { ControlsChange(); }
void TFusionner::TauxTranspChange(ui::Component*) { ControlsChange(); }
void TFusionner::TxMaxChange(ui::Component*) { ControlsChange(); }

void TFusionner::PlaceZoneTrsp() {
  const int32_t lo = TxMin.Position();
  const int32_t hi = TxMax.Position();
  const ui::Rect strip = ZoneTrsp.Bounds();
  ZoneTrsp.SetBounds({TxMin.Bounds().left + kTrackStart + lo, strip.top, hi - lo, strip.height});
}

// At most one image prevails: ticking one unticks the other.
void TFusionner::Img1PreVClick(ui::Component*) {
  if (Img1PreV.Checked()) {
    ui::ProgramChange other(*this);
    Img2PreV.SetChecked(false);
  }
  ControlsChange();
}

void TFusionner::Img2PreVClick(ui::Component*) {
  if (Img2PreV.Checked()) {
    ui::ProgramChange other(*this);
    Img1PreV.SetChecked(false);
  }
  ControlsChange();
}

}  // namespace molvane
