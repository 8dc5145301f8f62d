// The merge dialog: first image at Open, second at Continue, a live merged preview, the merged image handed to the host.
#include "tools/merge_dialog.h"

#include <new>

#include "boundary/image_labels.h"
#include "boundary/module_guard.h"
#include "tools/button_glyphs.h"
#include "ui/dialogs.h"
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

TFusionner::TFusionner() : ui::Form("Fusionner") {
  SetCaption("Fusion d'images");
  SetClientSize(642, 344);
  SetStayOnTop(true);

  // Labels without a size take their text's.
  Image1.SetCaption(kFirstImageBoxCaption);
  Image1.SetBounds({335, 10, 151, 41});
  Taille1.SetBounds({20, 17, 0, 0});
  Image2.SetCaption(kSecondImageBoxCaption);
  Image2.SetBounds({490, 10, 151, 41});
  Taille2.SetCaption(kClickAnImage);
  Taille2.SetBounds({15, 17, 0, 0});

  ModeFusion.SetCaption(" Mode de fusion ");
  ModeFusion.SetBounds({335, 55, 306, 41});
  ModeFusion.SetColumns(2);
  ModeFusion.SetItems({"Luminosité la plus élevée", "Jeu de transparence"});
  ModeFusion.SetItemIndex(0);
  ModeFusion.SetEnabled(false);

  BoxTransparence.SetCaption(" Jeu de transparence ");
  BoxTransparence.SetBounds({335, 100, 306, 171});
  BoxTransparence.SetVisible(false);
  // Each rate centred under its image's name, left and right of the slider.
  Label1.SetCaption("Image 1");
  Label1.SetBounds({5, 19, 0, 0});
  Label1.SetAlignment(ui::Alignment::Center);
  Label2.SetCaption("Image 2");
  Label2.SetBounds({260, 19, 0, 0});
  Label2.SetAlignment(ui::Alignment::Center);
  TxImg1.SetBounds({6, 37, 34, 14});
  TxImg1.SetAlignment(ui::Alignment::Center);
  TxImg2.SetBounds({261, 37, 34, 14});
  TxImg2.SetAlignment(ui::Alignment::Center);
  TauxTransp.Configure(kRateSlider);
  TauxTransp.SetBounds({40, 34, 221, 27});

  GroupBox1.SetCaption(" Image prévalente ");
  GroupBox1.SetBounds({5, 64, 296, 101});
  Img1PreV.SetCaption("Image N° 1");
  Img1PreV.SetBounds({10, 20, 90, 17});
  Img2PreV.SetCaption("Image N° 2");
  Img2PreV.SetBounds({150, 20, 90, 17});
  TxMin.Configure(kBandLowSlider);
  TxMin.SetBounds({2, 45, 274, 21});
  TxMin.SetPosition(kBandLowSlider.defaultPosition);
  ZoneTrsp.SetCaption("Zone transparente");
  ZoneTrsp.SetColour(kYellow);
  ZoneTrsp.SetFramed(false);
  ZoneTrsp.SetOverlay(true);  // it overlaps both sliders' edges
  ZoneTrsp.SetBounds({11, 62, 256, 12});
  TxMax.Configure(kBandHighSlider);
  TxMax.SetBounds({2, 72, 274, 26});
  TxMax.SetPosition(kBandHighSlider.defaultPosition);
  // Right-aligned up to the group box's inner edge, right of the sliders.
  TxMi.SetCaption("0");
  TxMi.SetBounds({270, 47, 24, 14});
  TxMi.SetAlignment(ui::Alignment::Right);
  TxMx.SetCaption("255");
  TxMx.SetBounds({267, 78, 27, 14});
  TxMx.SetAlignment(ui::Alignment::Right);

  ReInit.SetCaption("Réinitialiser");
  ReInit.SetBounds({345, 303, 80, 25});
  Annuler.SetCaption("Annuler");
  Annuler.SetBounds({445, 303, 75, 25});
  Annuler.SetRole(ui::ButtonRole::Cancel);
  Appliquer.SetCaption("Appliquer");
  Appliquer.SetBounds({540, 303, 86, 25});
  Appliquer.SetGlyph(ApplyGlyph());
  Appliquer.SetRole(ui::ButtonRole::Ok);
  Appliquer.SetEnabled(false);

  OnShow = ui::Handler(this, &TFusionner::FormShow);
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

void TFusionner::Open(const TPtsImg& pixels, ImageSize size, const char* imageName) {
  FirstWidth = size.width;
  FirstHeight = size.height;
  FirstPixels = pixels;
  // A second image from an earlier run is no longer the one to merge with.
  SecondPixels.Reset();
  SecondPreview.Reset();
  Image1.SetCaption(FirstImageBoxCaption(imageName));
  Taille1.SetCaption(ImageSizeText(size));
  Arrival.Begin();
  ReportToHost(size, 0, 2, 0, 0);
  BuildPreview();
  // Show runs FormShow only for a hidden dialog; one still on screen must
  // wait for its second image too.
  if (Showing()) FormShow(nullptr);
  else Show();
  if (std::optional<SecondImageHold::Image> held = Arrival.End())
    Continue(held->pixels, held->size, held->name.c_str());
}

void TFusionner::Continue(const TPtsImg& pixels, ImageSize size, const char* imageName) {
  // The host may go on sending the images the user clicks after the run
  // ended ("Annuler" tells it nothing): they belong to no run.
  if (Arrival.Opening()) {
    Arrival.Hold(pixels, size, imageName);
    return;
  }
  if (!Showing()) return;
  SecondWidth = size.width;
  SecondHeight = size.height;
  SecondPixels = pixels;
  Image2.SetCaption(SecondImageBoxCaption(imageName));
  Taille2.SetCaption(ImageSizeText(size));
  if (SecondMatches()) {
    ApplyFlag() = 1;
    BuildSecondPreview();
    // With either mode: the preview shows the merge of the image just received.
    RenderPreview();
  } else {
    ApplyFlag() = 0;
    // Switched to a normal window while the box is up, so the box shows.
    ui::ShowWarning(this, kMergeSizeWarning);
  }
}

bool TFusionner::SecondMatches() const {
  if (FirstWidth != SecondWidth || FirstHeight != SecondHeight) return false;
  // Lengths are 32-bit, so a size both arrays hold fits in one new array.
  const ImageSize size{FirstWidth, FirstHeight};
  return HoldsImage(FirstPixels, size) && HoldsImage(SecondPixels, size);
}

void TFusionner::BuildPreview() {
  const ImageSize size{FirstWidth, FirstHeight};
  PreviewScale = PreviewGeometryFor(size).scale;
  molvane::BuildPreview(FirstPixels, size, FirstPreview, PreVisu);
}

void TFusionner::BuildSecondPreview() {
  // The first image's preview fixed the geometry; both previews share it.
  const ImageSize size{FirstWidth, FirstHeight};
  PreviewGeometry g = PreviewGeometryFor(size);
  g.scale = PreviewScale;
  g.width = PreVisu.Bitmap().Width();
  g.height = PreVisu.Bitmap().Height();
  SecondPreview.SetLength(g.width * g.height);
  if (g.width > 0 && g.height > 0) SamplePreview(SecondPixels.Data(), size, g, SecondPreview.Data());
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
  Image2.SetCaption(kSecondImageBoxCaption);
  Taille2.SetCaption(kClickAnImage);
  SecondWidth = 0;
  SecondHeight = 0;
  Appliquer.SetEnabled(false);
  ModeFusion.SetEnabled(false);
  ModeFusion.SetItemIndex(0);
  ModeFusionClick(nullptr);
  Img1PreV.SetChecked(false);
  Img2PreV.SetChecked(false);
  TxMin.SetPosition(kBandLowSlider.defaultPosition);
  TxMax.SetPosition(kBandHighSlider.defaultPosition);
  TxMi.SetCaption(ui::IntToText(TxMin.Position()));
  TxMx.SetCaption(ui::IntToText(TxMax.Position()));
  // The sliders may not have moved, so the strip is placed here as well.
  PlaceZoneTrsp();
  UpdatePrevalentControls();
}

void TFusionner::AppliquerClick(ui::Component*) {
  MergedImage.Reset();
  // Another tool's run may have set the module-wide flag meanwhile: the
  // images themselves must match too.
  if (ApplyFlag() != 0 && SecondMatches()) {
    const int32_t count = FirstWidth * FirstHeight;
    try {
      MergedImage = TPtsImg::Uninitialised(count);  // the merge writes every pixel
      MergePixels(FirstPixels.Data(), SecondPixels.Data(), MergedImage.Data(), count, Params());
    } catch (const std::bad_alloc&) {
      MergedImage.Reset();  // no memory for the result: the host receives none
    }
  }
  DeliverImageToHost(ImageSize{FirstWidth, FirstHeight}, MergedImage);
  Close();
  MergedImage.Reset();
  FirstPixels.Reset();
  SecondPixels.Reset();
  FirstPreview.Reset();
  SecondPreview.Reset();
}

void TFusionner::AnnulerClick(ui::Component*) {
  ApplyFlag() = 0;
  Close();
}

void TFusionner::ReInitClick(ui::Component*) {
  FormShow(nullptr);
  BuildPreview();
  PreVisu.Refresh();
  ApplyFlag() = 0;
}

void TFusionner::ModeFusionClick(ui::Component* sender) {
  if (!sender) TauxTransp.SetPosition(kRateSlider.defaultPosition);
  BoxTransparence.SetVisible(ModeFusion.ItemIndex() == 1);
  RenderPreview();
}

void TFusionner::TauxTranspChange(ui::Component*) {
  const int32_t p = TauxTransp.Position();
  TxImg1.SetCaption(Percent(100 - p));
  TxImg2.SetCaption(Percent(p));
  RenderPreview();
}

void TFusionner::TxMaxChange(ui::Component*) {
  // TxMin pushes TxMax up, and TxMax stops at TxMin; moving TxMax runs this
  // handler once more, with the band in order.
  if (TxMin.Position() > TxMax.Position()) TxMax.SetPosition(TxMin.Position());
  PlaceZoneTrsp();
  TxMi.SetCaption(ui::IntToText(TxMin.Position()));
  TxMx.SetCaption(ui::IntToText(TxMax.Position()));
  RenderPreview();
}

void TFusionner::PlaceZoneTrsp() {
  const int32_t lo = TxMin.Position();
  const int32_t hi = TxMax.Position();
  const ui::Rect strip = ZoneTrsp.Bounds();
  ZoneTrsp.SetBounds({TxMin.Bounds().left + kTrackStart + lo, strip.top, hi - lo, strip.height});
}

void TFusionner::Img1PreVClick(ui::Component*) {
  if (Img1PreV.Checked()) Img2PreV.SetChecked(false);
  UpdatePrevalentControls();
}

void TFusionner::Img2PreVClick(ui::Component*) {
  if (Img2PreV.Checked()) Img1PreV.SetChecked(false);
  UpdatePrevalentControls();
}

void TFusionner::UpdatePrevalentControls() {
  const bool prevalent = Img1PreV.Checked() || Img2PreV.Checked();
  TxMin.SetEnabled(prevalent);
  TxMax.SetEnabled(prevalent);
  TxMi.SetEnabled(prevalent);
  TxMx.SetEnabled(prevalent);
  RenderPreview();
}

namespace {
DialogModule<TFusionner> dialogModule;
}  // namespace

void FusionImgInitialize() { dialogModule.Initialize(); }
void FusionImgFinalize() { dialogModule.Finalize(); }
TFusionner& Fusionner() { return dialogModule.Instance(); }

}  // namespace molvane
