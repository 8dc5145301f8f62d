// TCorrFond: the non-modal background modification dialog ("Modification du fond").
#pragma once

#include <cstdint>

#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "boundary/tool_table.h"
#include "dialog_kit/barre_curseur.h"
#include "dialog_kit/layout.h"
#include "dialog_kit/point_picking_dialog.h"
#include "tools/region_fill.h"

namespace molvane {

// The four sliders: 0..20, a tick every 2; each handler scales the position.
constexpr SliderRange kToleranceSlider{0, 20, 4, 2, 2};     // Tolerance = 255 p / 20
constexpr SliderRange kLightnessSlider{0, 20, 10, 2, 2};    // TargetLightness = p / 20
constexpr SliderRange kTransparencySlider{0, 20, 4, 2, 2};  // Transparency = p / 20
constexpr SliderRange kNoiseSlider{0, 20, 4, 2, 2};         // NoiseLevel = 1.25 p

constexpr TColor kDefaultColourF1 = 0xC01020;  // red 32, green 16, blue 192
constexpr TColor kDefaultColourF2 = 0xFFFF80;  // red 128, green 255, blue 255

// A sample of more pixels than this sets the selected background colour.
constexpr int32_t kSmallestSample = 16;

// The start point and the gradient's two ends picked on the host's image;
// each click with all three set fills the region anew.
class TCorrFond : public PointPickingDialog {
 public:
  TCorrFond();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

  ui::GroupBox GroupBox1{this, "GroupBox1"};
  ui::Button BtnCoulF1{&GroupBox1, "BtnCoulF1"};
  ui::Button BtnCoulF2{&GroupBox1, "BtnCoulF2"};
  ui::Label Label3{&GroupBox1, "Label3"};
  TBarreCurseur CurseurTol{&GroupBox1, "CurseurTol"};
  ui::Label TxTol{&GroupBox1, "TxTol"};
  ui::Label lbLumFond{&GroupBox1, "lbLumFond"};
  TBarreCurseur CurseurLumFond{&GroupBox1, "CurseurLumFond"};
  ui::Label TxLumF{&GroupBox1, "TxLumF"};
  ui::Label Label4{&GroupBox1, "Label4"};
  TBarreCurseur CurseurTransp{&GroupBox1, "CurseurTransp"};
  ui::Label TxTrsp{&GroupBox1, "TxTrsp"};
  ui::Label Label5{&GroupBox1, "Label5"};
  TBarreCurseur CurseurBruit{&GroupBox1, "CurseurBruit"};
  ui::Label TxBruit{&GroupBox1, "TxBruit"};
  ui::GroupBox SelectFond{this, "SelectFond"};
  ui::Label Titre{&SelectFond, "Titre"};
  ui::RadioButton FondF1{&SelectFond, "FondF1"};
  ui::RadioButton FondF2{&SelectFond, "FondF2"};
  ui::Picture Fond{this, "Fond"};
  ui::Label Label1{this, "Label1"};
  ui::Label Label2{this, "Label2"};
  ui::Picture PtDep{this, "PtDep"};
  ui::CheckBox PosF1{this, "PosF1"};
  ui::CheckBox PosF2{this, "PosF2"};
  ui::CheckBox PosDeb{this, "PosDeb"};
  ui::Button ReInit{this, "ReInit"};
  ui::Button Annuler{this, "Annuler"};
  ui::Button Appliquer{this, "Appliquer"};

  void FormCreate(ui::Component* sender);
  void FormShow(ui::Component* sender) override;
  // The colours back to their defaults too.
  void ReInitClick(ui::Component* sender);
  // The three markers: a user's click arms the clicked one.
  void PosF1Click(ui::Component* sender) { MarkerClick(sender); }
  void BtnCoulF1Click(ui::Component* sender);
  void BtnCoulF2Click(ui::Component* sender);
  void CurseurTolChange(ui::Component* sender);
  void CurseurTranspChange(ui::Component* sender);
  void CurseurBruitChange(ui::Component* sender);
  void CurseurLumFondChange(ui::Component* sender);
  // Both radio buttons.
  void FondF1Click(ui::Component* sender);

  // The fill the dialog would run now, lightness factor included.
  FillParams Params() const;

 private:
  // A click at the call's point. A sample (Pixels) of more than 15 pixels
  // sets the selected background colour to its mean; the armed marker takes
  // the point; with all three points set, the fill is recomputed into the
  // image (Pixels2). An image not of the opened size is not written.
  void Take(const PhaseOneCall& call) override;
  // The four sliders' values and labels; the lightness controls enabled
  // when the first background colour is the one picked.
  void ReadControls();
  // F1 takes the target lightness, from the colour picked on the image.
  void ApplyTargetLightness();
  void RunFill();
  void PaintSwatch(ui::Button& button, TColor colour);
  // The colour dialog on `colour`; confirmed, the colour and its button's swatch change.
  void ChooseColourOf(ui::Button& button, TColor& colour);

  ImagePoint PointF1{0, 0};
  ImagePoint PointF2{0, 0};
  ImagePoint SeedPoint{0, 0};
  TColor BaseColourF1 = 0;
  TColor ColourF1 = kDefaultColourF1;
  TColor ColourF2 = kDefaultColourF2;
  long double Tolerance = 0;
  long double Transparency = 0;
  long double NoiseLevel = 0;
  long double BaseLightness = 0;
  long double TargetLightness = 0;
  ui::Rect SwatchRect{0, 0, 15, 15};
};

}  // namespace molvane
