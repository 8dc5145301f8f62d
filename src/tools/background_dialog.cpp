// The background modification dialog: three points picked on the host's image, a gradient fill of the region.
#include "tools/background_dialog.h"

#include <algorithm>
#include <cstring>

#include "boundary/module_guard.h"
#include "colour/colour.h"
#include "colour/extended_math.h"
#include "ui/dialogs.h"
#include "ui/number_text.h"
#include "ui/screen_cursor.h"

namespace molvane {

namespace {
constexpr uint32_t kYellow = 0x0000FFFF;      // 0x00BBGGRR
constexpr Pixel24 kButtonFace{240, 240, 240};  // the glyph's transparent background
constexpr Pixel24 kFlagClear{255, 0, 255};     // the flag picture's transparent corner colour

std::string Percent(int64_t value) { return ui::IntToText(int32_t(value)) + "%"; }

TColor ToTColor(PixelColor c) { return ((c >> 16) & 0xFFu) | (c & 0xFF00u) | ((c & 0xFFu) << 16); }

// Blue darkening towards the top left, a light-orange shape in front.
ui::Bitmap24 Illustration() {
  constexpr int kW = 168, kH = 112;
  ui::Bitmap24 bitmap(kW, kH);
  for (int y = 0; y < kH; ++y) {
    Pixel24* row = bitmap.ScanLine(y);
    for (int x = 0; x < kW; ++x) {
      const int shade = 60 + (x + y) * 140 / (kW + kH);
      row[x] = Pixel24{uint8_t(80 + shade), uint8_t(shade / 2), uint8_t(shade / 4)};
      // An upright ellipse on a wider base, standing on the bottom edge.
      const int dx = x - 120, dy = y - 78;
      const bool head = dx * dx * 4 + dy * dy * 3 < 34 * 34 * 3 / 2;
      const bool base = y > 92 && x > 88 && x < 152;
      if (head || base) row[x] = Pixel24{150, 200, 250};
    }
  }
  return bitmap;
}

// A red pennant on a dark pole; the corner colour is see-through.
ui::Bitmap24 FlagPicture() {
  ui::Bitmap24 bitmap(18, 18);
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 18; ++x) {
      Pixel24 p = kFlagClear;
      if (x >= 3 && x <= 4 && y >= 1) p = Pixel24{40, 40, 40};
      else if (x >= 5 && y >= 1 && y <= 9 && x - 5 <= 11 - std::abs(y - 5) * 2) p = Pixel24{30, 30, 220};
      bitmap.ScanLine(y)[x] = p;
    }
  return bitmap;
}
}  // namespace

TCorrFond::TCorrFond() : ui::Form("CorrFond") {
  SetCaption("Modification du fond");
  SetClientSize(296, 354);
  SetStayOnTop(true);

  GroupBox1.SetCaption(" Paramètres du traitement ");
  GroupBox1.SetBounds({5, 5, 286, 181});
  BtnCoulF1.SetCaption("Couleur de fond F1");
  BtnCoulF1.SetBounds({13, 20, 125, 25});
  BtnCoulF2.SetCaption("Couleur de fond F2");
  BtnCoulF2.SetBounds({148, 20, 125, 25});
  // Labels without a size take their text's; the percentages end at 280.
  Label3.SetCaption("Tolérance de couleur :");
  Label3.SetBounds({10, 60, 0, 0});
  CurseurTol.Configure(kToleranceSlider);
  CurseurTol.SetBounds({145, 55, 111, 26});
  TxTol.SetCaption("100%");
  TxTol.SetBounds({255, 60, 27, 14});
  TxTol.SetAlignment(ui::Alignment::Right);
  lbLumFond.SetCaption("Eclaircir/Assombrir le fond :");
  lbLumFond.SetBounds({10, 90, 0, 0});
  CurseurLumFond.Configure(kLightnessSlider);
  CurseurLumFond.SetBounds({145, 85, 111, 26});
  TxLumF.SetBounds({255, 90, 27, 14});
  TxLumF.SetAlignment(ui::Alignment::Right);
  Label4.SetCaption("Transparence avec le fond :");
  Label4.SetBounds({10, 120, 0, 0});
  CurseurTransp.Configure(kTransparencySlider);
  CurseurTransp.SetBounds({145, 115, 111, 26});
  TxTrsp.SetBounds({255, 120, 27, 14});
  TxTrsp.SetAlignment(ui::Alignment::Right);
  Label5.SetCaption("Bruit de fond :");
  Label5.SetBounds({10, 150, 0, 0});
  CurseurBruit.Configure(kNoiseSlider);
  CurseurBruit.SetBounds({145, 145, 111, 26});
  TxBruit.SetBounds({255, 150, 27, 14});
  TxBruit.SetAlignment(ui::Alignment::Right);

  SelectFond.SetBounds({5, 192, 111, 118});
  Titre.SetCaption("Sélection de la couleur de fond sur l'image originale");
  Titre.SetBounds({10, 15, 91, 46});
  Titre.SetAlignment(ui::Alignment::Center);
  Titre.SetWordWrap(true);
  FondF1.SetCaption("Fond F1");
  FondF1.SetBounds({25, 65, 70, 17});
  FondF2.SetCaption("Fond F2");
  FondF2.SetBounds({25, 90, 70, 17});

  Fond.SetBounds({124, 195, 168, 112});
  Fond.SetStretch(true);
  Fond.Bitmap() = Illustration();
  Label1.SetCaption("F1");
  Label1.SetBounds({129, 213, 0, 0});
  Label1.SetFont(kYellow, ui::FontWeight::Bold);
  Label1.SetTransparent(true);
  Label2.SetCaption("F2");
  Label2.SetBounds({229, 240, 0, 0});
  Label2.SetFont(kYellow, ui::FontWeight::Bold);
  Label2.SetTransparent(true);
  PtDep.SetBounds({192, 206, 18, 18});
  PtDep.Bitmap() = FlagPicture();
  PtDep.SetTransparent(true);
  PosF1.SetBounds({129, 200, 12, 12});
  PosF2.SetBounds({230, 255, 12, 12});
  PosDeb.SetBounds({194, 225, 12, 12});

  ReInit.SetCaption("Réinitialiser");
  ReInit.SetBounds({10, 318, 81, 25});
  Annuler.SetCaption("Annuler");
  Annuler.SetBounds({107, 318, 81, 25});
  Annuler.SetRole(ui::ButtonRole::Cancel);
  Appliquer.SetCaption("Appliquer");
  Appliquer.SetBounds({205, 318, 81, 25});
  Appliquer.SetRole(ui::ButtonRole::Ok);
  Timer.SetInterval(200);
  Timer.SetRunning(false);

  OnShow = ui::Handler(this, &TCorrFond::FormShow);
  OnClose = ui::Handler(this, &TCorrFond::FormClose);
  ReInit.OnClick = ui::Handler(this, &TCorrFond::ReInitClick);
  Annuler.OnClick = ui::Handler(this, &TCorrFond::AnnulerClick);
  Appliquer.OnClick = ui::Handler(this, &TCorrFond::AppliquerClick);
  PosF1.OnClick = ui::Handler(this, &TCorrFond::PosF1Click);
  PosF2.OnClick = ui::Handler(this, &TCorrFond::PosF1Click);
  PosDeb.OnClick = ui::Handler(this, &TCorrFond::PosF1Click);
  Timer.OnTimer = ui::Handler(this, &TCorrFond::TimerTimer);
  BtnCoulF1.OnClick = ui::Handler(this, &TCorrFond::BtnCoulF1Click);
  BtnCoulF2.OnClick = ui::Handler(this, &TCorrFond::BtnCoulF2Click);
  CurseurTol.OnChange = ui::Handler(this, &TCorrFond::CurseurTolChange);
  CurseurTransp.OnChange = ui::Handler(this, &TCorrFond::CurseurTranspChange);
  CurseurBruit.OnChange = ui::Handler(this, &TCorrFond::CurseurBruitChange);
  CurseurLumFond.OnChange = ui::Handler(this, &TCorrFond::CurseurLumFondChange);
  FondF1.OnClick = ui::Handler(this, &TCorrFond::FondF1Click);
  FondF2.OnClick = ui::Handler(this, &TCorrFond::FondF1Click);

  FormCreate(nullptr);
}

void TCorrFond::Open(const TPtsImg& pixels, ImageSize size) {
  try {
    ImageWidth = size.width;
    ImageHeight = size.height;
    HostImage = pixels;
    WorkCopy = TPtsImg::Uninitialised(pixels.Length());
    if (pixels.Length() > 0) std::memcpy(WorkCopy.Data(), pixels.Data(), size_t(pixels.Length()) * 3);
    ReportToHost(size, 1, 0, 0, 0);
    // Show runs FormShow only for a hidden dialog; one still on screen starts afresh too.
    if (Showing()) FormShow(nullptr);
    else Show();
  } catch (...) {
  }
}

void TCorrFond::Continue(FillPoint point, const TPtsImg& sample, const TPtsImg& image) {
  // Clicks the host forwards after the run ended belong to no run.
  if (!Showing()) return;
  if (sample.Length() >= kSmallestSample) {
    const PixelColor mean = AverageColor(sample);
    const TColor m = ToTColor(mean);
    if (FondF1.Checked()) {
      PaintSwatch(BtnCoulF1, m);
      ColourF1 = m;
      BaseColourF1 = m;
      const THsl h = RgbToHsl(mean);
      int32_t position;
      {
        ExtendedPrecisionScope scope;
        position = int32_t(RoundHalfEven(h.l * 20));
      }
      CurseurLumFond.SetPosition(position);
      CurseurLumFondChange(nullptr);  // also when the position stayed
    } else if (FondF2.Checked()) {
      PaintSwatch(BtnCoulF2, m);
      ColourF2 = m;
    }
  }
  if (CurrentMarker) {
    SetMarkerTicked(*CurrentMarker, true);
    Timer.SetRunning(false);
    CurrentMarker->SetVisible(true);
    if (CurrentMarker == &PosF1) PointF1 = point;
    else if (CurrentMarker == &PosF2) PointF2 = point;
    else SeedPoint = point;
    // Once the start point is set, further clicks move it.
    if (CurrentMarker != &PosDeb) CurrentMarker = nullptr;
  }
  // Only an image of the opened size can take the fill; another one is left alone.
  const int64_t count = int64_t(ImageWidth) * ImageHeight;
  if (ImageWidth <= 0 || ImageHeight <= 0 || image.Length() != count) return;
  HostImage = image;
  if (PosF1.Checked() && PosF2.Checked() && PosDeb.Checked()) RunFill();
}

FillParams TCorrFond::Params() const {
  FillParams p;
  p.seedPoint = SeedPoint;
  p.pointF1 = PointF1;
  p.pointF2 = PointF2;
  p.colourF1 = ColourF1;
  p.colourF2 = ColourF2;
  p.tolerance = Tolerance;
  p.transparency = Transparency;
  p.noiseAmplitude = NoiseLevel;
  p.lightnessFactor = 1;
  // A black sample (or none yet) has no lightness to scale from: no change.
  if (FondF1.Checked() && BaseLightness != 0) {
    ExtendedPrecisionScope scope;
    p.lightnessFactor = TargetLightness / BaseLightness;
  }
  return p;
}

void TCorrFond::RunFill() {
  const int64_t count = int64_t(ImageWidth) * ImageHeight;
  // The copy is the fill's source: it must hold the whole image.
  if (WorkCopy.Length() < count || HostImage.Length() < count) return;
  {
    HourglassScope hourglass;
    FillRegion(WorkCopy.Data(), HostImage.Data(), ImageWidth, ImageHeight, Params());
  }
  ApplyFlag() = 1;
  ReportToHost(ImageSize{ImageWidth, ImageHeight}, 0, 0, 1, 0);
}

void TCorrFond::PaintSwatch(ui::Button& button, TColor colour) {
  ui::Bitmap24 glyph = button.Glyph();
  if (glyph.Width() != 16 || glyph.Height() != 16) {
    glyph.SetSize(16, 16);
    for (int y = 0; y < 16; ++y) std::fill_n(glyph.ScanLine(y), 16, kButtonFace);
  }
  const Pixel24 p = TColorToPixel(colour);
  for (int y = SwatchRect.top; y < SwatchRect.top + SwatchRect.height; ++y)
    std::fill_n(glyph.ScanLine(y) + SwatchRect.left, SwatchRect.width, p);
  button.SetGlyph(std::move(glyph));
}

void TCorrFond::SetMarkerTicked(ui::CheckBox& marker, bool ticked) {
  ProgramTicking = true;
  marker.SetChecked(ticked);
  ProgramTicking = false;
}

void TCorrFond::FormCreate(ui::Component*) {
  SwatchRect = ui::Rect{0, 0, 15, 15};
  ColourF1 = kDefaultColourF1;
  PaintSwatch(BtnCoulF1, ColourF1);
  ColourF2 = kDefaultColourF2;
  PaintSwatch(BtnCoulF2, ColourF2);
}

void TCorrFond::FormShow(ui::Component*) {
  ApplyFlag() = 0;
  if (PreviousMarker) PreviousMarker->SetVisible(true);
  CurrentMarker = nullptr;
  CurseurTol.SetPosition(kToleranceSlider.defaultPosition);
  CurseurTolChange(nullptr);
  CurseurTransp.SetPosition(kTransparencySlider.defaultPosition);
  CurseurTranspChange(nullptr);
  CurseurBruit.SetPosition(kNoiseSlider.defaultPosition);
  CurseurBruitChange(nullptr);
  SetMarkerTicked(PosF1, false);
  SetMarkerTicked(PosF2, false);
  SetMarkerTicked(PosDeb, false);
  IgnoreNextClick = false;
  Timer.SetRunning(false);
  PosF1.SetVisible(true);
  PosF2.SetVisible(true);
  PosDeb.SetVisible(true);
  FondF1.SetChecked(false);
  FondF2.SetChecked(false);
  FondF1Click(nullptr);
  CurseurLumFond.SetPosition(kLightnessSlider.defaultPosition);
  CurseurLumFondChange(nullptr);
}

void TCorrFond::FormClose(ui::Component*) {
  WorkCopy.Reset();
  ReportToHost(ImageSize{ImageWidth, ImageHeight}, 0, 0, ApplyFlag(), 1);
}

void TCorrFond::ReInitClick(ui::Component*) {
  FormCreate(nullptr);
  FormShow(nullptr);
  // Only pixels both buffers hold are written back.
  const int32_t count = std::min(WorkCopy.Length(), HostImage.Length());
  if (count > 0) std::memcpy(HostImage.Data(), WorkCopy.Data(), size_t(count) * 3);
  ReportToHost(ImageSize{ImageWidth, ImageHeight}, 0, 0, 0, 0);
}

void TCorrFond::AppliquerClick(ui::Component*) {
  ApplyFlag() = 1;
  Close();
}

void TCorrFond::AnnulerClick(ui::Component*) {
  ApplyFlag() = 0;
  Close();
}

void TCorrFond::PosF1Click(ui::Component* sender) {
  if (ProgramTicking) return;
  // The timer's own untick of the blinking marker is no user's click.
  if (IgnoreNextClick) {
    IgnoreNextClick = false;
    return;
  }
  PreviousMarker = CurrentMarker;
  CurrentMarker = static_cast<ui::CheckBox*>(sender);
  Timer.SetRunning(true);
}

void TCorrFond::TimerTimer(ui::Component*) {
  if (!CurrentMarker) return;
  if (PreviousMarker) PreviousMarker->SetVisible(true);
  CurrentMarker->SetVisible(!CurrentMarker->Visible());
  if (CurrentMarker->Checked()) {
    IgnoreNextClick = true;
    CurrentMarker->SetChecked(false);
  }
}

void TCorrFond::BtnCoulF1Click(ui::Component*) {
  TColor colour = ColourF1;
  // ChooseColour takes the dialog off the top while it is up.
  if (ui::ChooseColour(this, colour)) {
    ColourF1 = colour;
    PaintSwatch(BtnCoulF1, ColourF1);
  }
}

void TCorrFond::BtnCoulF2Click(ui::Component*) {
  TColor colour = ColourF2;
  if (ui::ChooseColour(this, colour)) {
    ColourF2 = colour;
    PaintSwatch(BtnCoulF2, ColourF2);
  }
}

void TCorrFond::CurseurTolChange(ui::Component*) {
  ExtendedPrecisionScope scope;
  Tolerance = (long double)(CurseurTol.Position() * 255) / 20;
  TxTol.SetCaption(Percent(RoundHalfEven(Tolerance / 2.55L)));
}

void TCorrFond::CurseurTranspChange(ui::Component*) {
  ExtendedPrecisionScope scope;
  Transparency = (long double)CurseurTransp.Position() / 20;
  TxTrsp.SetCaption(Percent(RoundHalfEven(Transparency * 100)));
}

void TCorrFond::CurseurBruitChange(ui::Component*) {
  ExtendedPrecisionScope scope;
  NoiseLevel = CurseurBruit.Position() * 1.25L;
  TxBruit.SetCaption(Percent(RoundHalfEven(NoiseLevel / 2.5L)));
}

void TCorrFond::CurseurLumFondChange(ui::Component*) {
  {
    ExtendedPrecisionScope scope;
    TargetLightness = (long double)CurseurLumFond.Position() / 20;
    TxLumF.SetCaption(Percent(RoundHalfEven(TargetLightness * 100)));
  }
  if (!FondF1.Checked()) return;
  THsl h = RgbToHsl(PixelToColor(TColorToPixel(BaseColourF1)));
  BaseLightness = h.l;
  h.l = TargetLightness;
  ColourF1 = HslToTColor(h);
  PaintSwatch(BtnCoulF1, ColourF1);
}

void TCorrFond::FondF1Click(ui::Component* sender) {
  const bool on = FondF1.Checked() && sender != nullptr;
  lbLumFond.SetEnabled(on);
  CurseurLumFond.SetEnabled(on);
  TxLumF.SetEnabled(on);
}

namespace {
DialogModule<TCorrFond> dialogModule;
}  // namespace

void ModifFondInitialize() { dialogModule.Initialize(); }
void ModifFondFinalize() { dialogModule.Finalize(); }
TCorrFond& CorrFond() { return dialogModule.Instance(); }

}  // namespace molvane
