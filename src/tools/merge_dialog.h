// TFusionner: the non-modal image merge dialog ("Fusion d'images").
#pragma once

#include <cstdint>

#include "boundary/host_protocol.h"
#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "boundary/tool_table.h"
#include "dialog_kit/barre_curseur.h"
#include "dialog_kit/layout.h"
#include "dialog_kit/preview.h"
#include "dialog_kit/two_image_part.h"
#include "tools/merge.h"
#include "ui/form.h"

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

class TFusionner : public ui::Form {
 public:
  TFusionner();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

  // Phase 0: keeps a reference to the host's first image, writes its labels,
  // asks the host (ActionData 2) to let the user click a second image,
  // previews the first image and shows the dialog on top without waiting.
  // A run still on screen starts again: its second image is dropped.
  void Open(const ImageRun& run);
  // Phase 1: keeps the second image (replacing an earlier one) and writes its
  // labels. The same size as the first (both buffers holding that many
  // pixels) sets the apply flag, samples its preview and enables the merge;
  // another size, a short or a null array clears the flag and warns. Held
  // while the dialog is opening; ignored once a run has ended.
  void Continue(const PhaseOneCall& call);

  PreviewBox Preview{this};
  ui::Panel& CadreAff = Preview.CadreAff;
  ui::Picture& PreVisu = Preview.PreVisu;
  ui::GroupBox Image1{this, "Image1"};
  ui::Label Taille1{&Image1, "Taille1"};
  ui::GroupBox Image2{this, "Image2"};
  ui::Label Taille2{&Image2, "Taille2"};
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

  void FormShow(ui::Component* sender);
  // Delivers the merged image (or null when there is none to compute) to the
  // host with ActionCode 3, closes, and releases every image and preview.
  void AppliquerClick(ui::Component* sender);
  // Closes without a callback; the image references stay until the next Open.
  void AnnulerClick(ui::Component* sender);
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
  void BuildPreview();
  void BuildSecondPreview();
  // The mode's settings shown or hidden, the rates' labels, the band in
  // order with its strip and labels, the band's controls enabled when an
  // image prevails.
  void ReadControls();
  void RenderPreview();
  void ControlsChange();
  void PlaceZoneTrsp();
  // The second image arrived: matching, the flag set and the merge previewed;
  // not, the flag cleared and the warning shown.
  void TakeSecond(const ImageRun& second);

  TwoImagePart Images{Image1, Taille1, Image2, Taille2};
  long double PreviewScale = 1.0L;
  TPtsImg MergedImage;
  TPtsImg FirstPreview;
  TPtsImg SecondPreview;
};

// Module FusionImg: the one instance, created hidden when the library loads.
void FusionImgInitialize();
void FusionImgFinalize();
TFusionner& Fusionner();

}  // namespace molvane
