// The background modification dialog: three points picked on the host's image, a gradient fill of the region.
#include "tools/background_dialog.h"

#include <algorithm>
#include <cstring>

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

namespace {

using Kind = ui::Component::Kind;
// Labels without a size take their text's; the percentages end at 282.
const LayoutRow kLayout[] = {
    {"GroupBox1", Kind::GroupBox, "", {5, 5, 286, 181}, " Paramètres du traitement "},
    {"BtnCoulF1", Kind::Button, "GroupBox1", {13, 20, 125, 25}, "Couleur de fond F1"},
    {"BtnCoulF2", Kind::Button, "GroupBox1", {148, 20, 125, 25}, "Couleur de fond F2"},
    {"Label3", Kind::Label, "GroupBox1", {10, 60, 0, 0}, "Tolérance de couleur :"},
    {"CurseurTol", Kind::TrackBar, "GroupBox1", {145, 55, 111, 26}, nullptr, kToleranceSlider},
    {"TxTol", Kind::Label, "GroupBox1", {255, 60, 27, 14}, "100%", ui::Alignment::Right},
    {"lbLumFond", Kind::Label, "GroupBox1", {10, 90, 0, 0}, "Eclaircir/Assombrir le fond :"},
    {"CurseurLumFond", Kind::TrackBar, "GroupBox1", {145, 85, 111, 26}, nullptr, kLightnessSlider},
    {"TxLumF", Kind::Label, "GroupBox1", {255, 90, 27, 14}, nullptr, ui::Alignment::Right},
    {"Label4", Kind::Label, "GroupBox1", {10, 120, 0, 0}, "Transparence avec le fond :"},
    {"CurseurTransp", Kind::TrackBar, "GroupBox1", {145, 115, 111, 26}, nullptr, kTransparencySlider},
    {"TxTrsp", Kind::Label, "GroupBox1", {255, 120, 27, 14}, nullptr, ui::Alignment::Right},
    {"Label5", Kind::Label, "GroupBox1", {10, 150, 0, 0}, "Bruit de fond :"},
    {"CurseurBruit", Kind::TrackBar, "GroupBox1", {145, 145, 111, 26}, nullptr, kNoiseSlider},
    {"TxBruit", Kind::Label, "GroupBox1", {255, 150, 27, 14}, nullptr, ui::Alignment::Right},
    {"SelectFond", Kind::GroupBox, "", {5, 192, 111, 118}, nullptr},
    {"Titre", Kind::Label, "SelectFond", {10, 15, 91, 46}, "Sélection de la couleur de fond sur l'image originale",
     ui::Alignment::Center},
    {"FondF1", Kind::RadioButton, "SelectFond", {25, 65, 70, 17}, "Fond F1"},
    {"FondF2", Kind::RadioButton, "SelectFond", {25, 90, 70, 17}, "Fond F2"},
    {"Fond", Kind::Picture, "", {124, 195, 168, 112}, nullptr},
    {"Label1", Kind::Label, "", {129, 213, 0, 0}, "F1"},
    {"Label2", Kind::Label, "", {229, 240, 0, 0}, "F2"},
    {"PtDep", Kind::Picture, "", {192, 206, 18, 18}, nullptr},
    {"PosF1", Kind::CheckBox, "", {129, 200, 12, 12}, nullptr},
    {"PosF2", Kind::CheckBox, "", {230, 255, 12, 12}, nullptr},
    {"PosDeb", Kind::CheckBox, "", {194, 225, 12, 12}, nullptr},
    {"ReInit", Kind::Button, "", {10, 318, 81, 25}, "Réinitialiser"},
    {"Annuler", Kind::Button, "", {107, 318, 81, 25}, "Annuler", ui::ButtonRole::Cancel},
    {"Appliquer", Kind::Button, "", {205, 318, 81, 25}, "Appliquer", ui::ButtonRole::Ok},
};

}  // namespace

LayoutTable TCorrFond::Layout() { return TableOf(kLayout); }

TCorrFond::TCorrFond() : PointPickingDialog("CorrFond") {
  SetCaption("Modification du fond");
  SetClientSize(296, 354);
  ApplyLayout(*this, Layout());
  Markers.SetMarkers({&PosF1, &PosF2, &PosDeb});

  Titre.SetWordWrap(true);
  Fond.SetStretch(true);
  Fond.Bitmap() = Illustration();
  for (ui::Label* name : {&Label1, &Label2}) {
    name->SetFont(kYellow, ui::FontWeight::Bold);
    name->SetTransparent(true);
  }
  PtDep.Bitmap() = FlagPicture();
  PtDep.SetTransparent(true);

  ReInit.OnClick = ui::Handler(this, &TCorrFond::ReInitClick);
  Annuler.OnClick = ui::Handler(this, &TCorrFond::AnnulerClick);
  Appliquer.OnClick = ui::Handler(this, &TCorrFond::AppliquerClick);
  PosF1.OnClick = ui::Handler(this, &TCorrFond::PosF1Click);
  PosF2.OnClick = ui::Handler(this, &TCorrFond::PosF1Click);
  PosDeb.OnClick = ui::Handler(this, &TCorrFond::PosF1Click);
  BtnCoulF1.OnClick = ui::Handler(this, &TCorrFond::BtnCoulF1Click);
  BtnCoulF2.OnClick = ui::Handler(this, &TCorrFond::BtnCoulF2Click);
  CurseurTol.OnChange = ui::Handler(this, &TCorrFond::CurseurTolChange);
  CurseurTransp.OnChange = ui::Handler(this, &TCorrFond::CurseurTranspChange);
  CurseurBruit.OnChange = ui::Handler(this, &TCorrFond::CurseurBruitChange);
  CurseurLumFond.OnChange = ui::Handler(this, &TCorrFond::CurseurLumFondChange);
  FondF1.OnClick = ui::Handler(this, &TCorrFond::FondF1Click);
  FondF2.OnClick = ui::Handler(this, &TCorrFond::FondF1Click);

  FormCreate(this);
}

void TCorrFond::Take(const PhaseOneCall& call) {
  const ImagePoint point = call.point;
  const TPtsImg& sample = call.pixels;
  if (sample.Length() >= kSmallestSample) {
    const PixelColor mean = AverageColor(sample.Data(), sample.Length());
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
      {
        ui::ProgramChange follow(*this);
        CurseurLumFond.SetPosition(position);
      }
      ReadControls();
      ApplyTargetLightness();  // also when the position stayed
    } else if (FondF2.Checked()) {
      PaintSwatch(BtnCoulF2, m);
      ColourF2 = m;
    }
  }
  // Once the start point is set, further clicks move it.
  if (const ui::CheckBox* marker = Markers.Take(Markers.Armed() == &PosDeb)) {
    if (marker == &PosF1) PointF1 = point;
    else if (marker == &PosF2) PointF2 = point;
    else SeedPoint = point;
  }
  // Only an image of the opened size can take the fill; another one is left alone.
  const TPtsImg& image = call.pixels2;
  if (Run.Width() <= 0 || Run.Height() <= 0 || image.Length() != Run.Size().PixelCount()) return;
  Run.ReplaceHostImage(image);
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
  // The copy is the fill's source: it must hold the whole image.
  if (!HoldsImage(Run.WorkCopy(), Run.Size()) || !Run.HoldsImage()) return;
  {
    HourglassScope hourglass;
    FillRegion(Run.WorkCopy().Data(), Run.HostImage().Data(), Run.Width(), Run.Height(), Params());
  }
  ReportComputed();
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

void TCorrFond::FormCreate(ui::Component*) {
  SwatchRect = ui::Rect{0, 0, 15, 15};
  ColourF1 = kDefaultColourF1;
  PaintSwatch(BtnCoulF1, ColourF1);
  ColourF2 = kDefaultColourF2;
  PaintSwatch(BtnCoulF2, ColourF2);
}

void TCorrFond::FormShow(ui::Component*) {
  StartPicking();
  {
    ui::ProgramChange reset(*this);
    CurseurTol.SetPosition(kToleranceSlider.defaultPosition);
    CurseurTransp.SetPosition(kTransparencySlider.defaultPosition);
    CurseurBruit.SetPosition(kNoiseSlider.defaultPosition);
    FondF1.SetChecked(false);
    FondF2.SetChecked(false);
    CurseurLumFond.SetPosition(kLightnessSlider.defaultPosition);
  }
  ReadControls();
}

void TCorrFond::ReInitClick(ui::Component* sender) {
  FormCreate(sender);
  PointPickingDialog::ReInitClick(sender);
}

void TCorrFond::ChooseColourOf(ui::Button& button, TColor& colour) {
  TColor chosen = colour;
  // ChooseColour takes the dialog off the top while it is up.
  if (!ui::ChooseColour(this, chosen)) return;
  colour = chosen;
  PaintSwatch(button, colour);
}

void TCorrFond::BtnCoulF1Click(ui::Component*) { ChooseColourOf(BtnCoulF1, ColourF1); }
void TCorrFond::BtnCoulF2Click(ui::Component*) { ChooseColourOf(BtnCoulF2, ColourF2); }

void TCorrFond::ReadControls() {
  ExtendedPrecisionScope scope;
  Tolerance = (long double)(CurseurTol.Position() * 255) / 20;
  TxTol.SetCaption(Percent(RoundHalfEven(Tolerance / 2.55L)));
  Transparency = (long double)CurseurTransp.Position() / 20;
  TxTrsp.SetCaption(Percent(RoundHalfEven(Transparency * 100)));
  NoiseLevel = CurseurBruit.Position() * 1.25L;
  TxBruit.SetCaption(Percent(RoundHalfEven(NoiseLevel / 2.5L)));
  TargetLightness = (long double)CurseurLumFond.Position() / 20;
  TxLumF.SetCaption(Percent(RoundHalfEven(TargetLightness * 100)));
  const bool lightness = FondF1.Checked();
  lbLumFond.SetEnabled(lightness);
  CurseurLumFond.SetEnabled(lightness);
  TxLumF.SetEnabled(lightness);
}

void TCorrFond::ApplyTargetLightness() {
  if (!FondF1.Checked()) return;
  THsl h = RgbToHsl(PixelToColor(TColorToPixel(BaseColourF1)));
  BaseLightness = h.l;
  h.l = TargetLightness;
  ColourF1 = HslToTColor(h);
  PaintSwatch(BtnCoulF1, ColourF1);
}

void TCorrFond::CurseurTolChange(ui::Component*) { ReadControls(); }
void TCorrFond::CurseurTranspChange(ui::Component*) { ReadControls(); }
void TCorrFond::CurseurBruitChange(ui::Component*) { ReadControls(); }

void TCorrFond::CurseurLumFondChange(ui::Component*) {
  ReadControls();
  ApplyTargetLightness();
}

void TCorrFond::FondF1Click(ui::Component*) { ReadControls(); }

}  // namespace molvane
