// TSeuilImg: the modal threshold dialog ("Seuillage").
#pragma once

#include "boundary/host_protocol.h"
#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "dialog_kit/barre_curseur.h"
#include "dialog_kit/layout.h"
#include "dialog_kit/modal_dialog.h"
#include "dialog_kit/preview.h"
#include "tools/threshold.h"

namespace molvane {

// PosSeuil: 0..255, 128 at every showing, page 5, a tick every 8.
constexpr SliderRange kThresholdSlider{0, 255, 128, 5, 8};

class TSeuilImg : public ModalDialog {
 public:
  TSeuilImg();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

  ui::Button Appliquer{this, "Appliquer"};
  ui::Label Label1{this, "Label1"};
  ui::Label ValS{this, "ValS"};
  ui::Button Annuler{this, "Annuler"};
  ui::Button ReInit{this, "ReInit"};
  PreviewBox Preview{this};
  ui::Panel& CadreAff = Preview.CadreAff;
  ui::Picture& PreVisu = Preview.PreVisu;
  TBarreCurseur PosSeuil{this, "PosSeuil"};
  ui::RadioGroup SousSeuil{this, "SousSeuil"};

  void FormShow(ui::Component* sender) override;
  void PosSeuilChange(ui::Component* sender);
  void PosSeuilMouseUp(ui::Component* sender);

  int32_t Threshold() const { return Threshold_; }

 private:
  // Every pixel of the copy thresholded into the host's image.
  bool ApplyStep() override;
  // The threshold and its label from the slider.
  void ReadControls();
  void RenderPreview();
  KeptSide Side() const;

  int32_t Threshold_ = kThresholdSlider.defaultPosition;
};

}  // namespace molvane
