// TComparer: the non-modal comparison dialog ("Comparaison d'images").
#pragma once

#include <cstdint>

#include "boundary/host_protocol.h"
#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "boundary/tool_table.h"
#include "dialog_kit/barre_curseur.h"
#include "dialog_kit/layout.h"
#include "dialog_kit/two_image_dialog.h"
#include "tools/comparison.h"

namespace molvane {

// KMult: the gap's multiplier, 1..10, 1 at every showing, a tick at each value.
constexpr SliderRange kFactorSlider{1, 10, 1, 2, 1};

// The gap between the two images, multiplied by a factor the user lets go of.
class TComparer : public TwoImageDialog {
 public:
  TComparer();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

  ui::Button CreerImg{this, "CreerImg"};
  ui::Button Annuler{this, "Annuler"};
  TBarreCurseur KMult{this, "KMult"};
  ui::Label Label1{this, "Label1"};
  ui::Label Un{this, "Un"};
  ui::Label Dix{this, "Dix"};

  void FormShow(ui::Component* sender) override;
  void KMultMouseUp(ui::Component* sender);
  // Delivers the gap image (or null when there is none to compute) to the
  // host with ActionCode 3, closes, and releases every image reference.
  void CreerImgClick(ui::Component* sender);

 private:
  int32_t Factor = kFactorSlider.defaultPosition;
};

}  // namespace molvane
