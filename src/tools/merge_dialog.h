// TFusionner: the non-modal image merge dialog ("Fusion d'images").
#pragma once

#include <cstdint>

#include "boundary/pixel_array.h"
#include "boundary/tool_table.h"
#include "dialog_kit/barre_curseur.h"
#include "dialog_kit/layout.h"
#include "dialog_kit/preview.h"
#include "dialog_kit/two_image_dialog.h"
#include "tools/merge.h"

namespace molvane {

// TauxTransp: the second image's share, 0..100 %, 50 at every showing, page
// 5, a tick every 5 (0 until the dialog is first shown).
constexpr SliderRange kRateSlider{0, 100, 50, 5, 5};
// TxMin and TxMax: the lightness band's ends, 0..255, no ticks; the band
// covers every lightness at every showing.
constexpr SliderRange kBandLowSlider{0, 255, 0, 16, 0};
constexpr SliderRange kBandHighSlider{0, 255, 255, 16, 0};

// The warning shown when the second image's size differs from the first's.
extern const char* const kMergeSizeWarning;

// The two images merged by maximum or by transparency, previewed live; the
// first image is previewed as the dialog opens, the merge once a matching
// second image arrives.
class TFusionner : public TwoImageDialog {
 public:
  TFusionner();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

  PreviewBox Preview{this};
  ui::Panel& CadreAff = Preview.CadreAff;
  ui::Picture& PreVisu = Preview.PreVisu;
  ui::RadioGroup ModeFusion{this, "ModeFusion"};
  ui::GroupBox BoxTransparence{this, "BoxTransparence"};
  ui::Label Label1{&BoxTransparence, "Label1"};
  ui::Label Label2{&BoxTransparence, "Label2"};
  ui::Label TxImg1{&BoxTransparence, "TxImg1"};
  ui::Label TxImg2{&BoxTransparence, "TxImg2"};
  TBarreCurseur TauxTransp{&BoxTransparence, "TauxTransp"};
  ui::GroupBox GroupBox1{&BoxTransparence, "GroupBox1"};
  ui::CheckBox Img1PreV{&GroupBox1, "Img1PreV"};
  ui::CheckBox Img2PreV{&GroupBox1, "Img2PreV"};
  TBarreCurseur TxMin{&GroupBox1, "TxMin"};
  ui::Panel ZoneTrsp{&GroupBox1, "ZoneTrsp"};
  TBarreCurseur TxMax{&GroupBox1, "TxMax"};
  ui::Label TxMi{&GroupBox1, "TxMi"};
  ui::Label TxMx{&GroupBox1, "TxMx"};
  ui::Button ReInit{this, "ReInit"};
  ui::Button Annuler{this, "Annuler"};
  ui::Button Appliquer{this, "Appliquer"};

  void FormShow(ui::Component* sender) override;
  // Delivers the merged image (or null when there is none to compute) to the
  // host with ActionCode 3, closes, and releases every image and preview.
  void AppliquerClick(ui::Component* sender);
  // Back to waiting for a second image, the first image's preview shown.
  void ReInitClick(ui::Component* sender);
  // sender null: run by the program, which also sets the rate to 50.
  void ModeFusionClick(ui::Component* sender);
  void TauxTranspChange(ui::Component* sender);
  // Either band slider: TxMax never below TxMin, the yellow strip under the band.
  void TxMaxChange(ui::Component* sender);
  void Img1PreVClick(ui::Component* sender);
  void Img2PreVClick(ui::Component* sender);

  // The merge the controls describe now.
  MergeParams Params() const;

 private:
  // The first image previewed, no second one yet.
  void PrepareFirst() override;
  // The second image sampled beside the first, the merge enabled and previewed.
  void SecondMatched() override;
  void BuildPreview();
  void BuildSecondPreview();
  // The mode's settings shown or hidden, the rates' labels, the band in
  // order with its strip and labels, the band's controls enabled when an
  // image prevails.
  void ReadControls();
  void RenderPreview();
  void ControlsChange();
  void PlaceZoneTrsp();

  long double PreviewScale = 1.0L;
  TPtsImg FirstPreview;
  TPtsImg SecondPreview;
};

}  // namespace molvane
