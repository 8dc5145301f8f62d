// TComparer: the non-modal comparison dialog ("Comparaison d'images").
#pragma once

#include <cstdint>

#include "boundary/host_protocol.h"
#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "boundary/tool_table.h"
#include "dialog_kit/barre_curseur.h"
#include "dialog_kit/layout.h"
#include "dialog_kit/two_image_part.h"
#include "tools/comparison.h"
#include "ui/form.h"

namespace molvane {

// KMult: the gap's multiplier, 1..10, 1 at every showing, a tick at each value.
constexpr SliderRange kFactorSlider{1, 10, 1, 2, 1};

class TComparer : public ui::Form {
 public:
  TComparer();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

  // Phase 0: keeps a reference to the host's first image, writes its labels,
  // asks the host (ActionData 2) to let the user click a second image, and
  // shows the dialog on top without waiting. Drops any second image kept
  // from an earlier run; a dialog already on screen is reset as when shown.
  void Open(const ImageRun& run);
  // Phase 1: keeps the second image (replacing an earlier one), writes its
  // labels and compares the sizes: equal (the array holding that many
  // pixels) sets the apply flag; different, short or null clears it and
  // warns. Held while the dialog is opening, ignored once a run has ended.
  void Continue(const PhaseOneCall& call);

  ui::Button CreerImg{this, "CreerImg"};
  ui::Button Annuler{this, "Annuler"};
  ui::GroupBox Image1{this, "Image1"};
  ui::GroupBox Image2{this, "Image2"};
  ui::Label Taille1{&Image1, "Taille1"};
  ui::Label Taille2{&Image2, "Taille2"};
  TBarreCurseur KMult{this, "KMult"};
  ui::Label Label1{this, "Label1"};
  ui::Label Un{this, "Un"};
  ui::Label Dix{this, "Dix"};

  void FormShow(ui::Component* sender);
  void KMultMouseUp(ui::Component* sender);
  // Delivers the gap image (or null when there is none to compute) to the
  // host with ActionCode 3, closes, and releases every image reference.
  void CreerImgClick(ui::Component* sender);
  // Closes without a callback; the image references stay until the next Open.
  void AnnulerClick(ui::Component* sender);

 private:
  // The second image arrived: the flag set when it matches, the warning when not.
  void TakeSecond(const ImageRun& second);
  // The gap can be computed: the flag is set (another tool may have set it
  // meanwhile, so the images must match too).
  bool GapComputable() const;

  TwoImagePart Images{Image1, Taille1, Image2, Taille2};
  TPtsImg GapImage;
  int32_t Factor = kFactorSlider.defaultPosition;
};

// Module CompImg: the one instance, created hidden when the library loads.
void CompImgInitialize();
void CompImgFinalize();
TComparer& Comparer();

}  // namespace molvane
