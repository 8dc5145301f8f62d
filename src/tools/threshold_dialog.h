// TSeuilImg: the modal threshold dialog ("Seuillage").
#pragma once

#include "boundary/host_protocol.h"
#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "dialog_kit/barre_curseur.h"
#include "dialog_kit/layout.h"
#include "dialog_kit/preview.h"
#include "tools/threshold.h"
#include "ui/form.h"

namespace molvane {

// PosSeuil: 0..255, 128 at every showing, page 5, a tick every 8.
constexpr SliderRange kThresholdSlider{0, 255, 128, 5, 8};

class TSeuilImg : public ui::Form {
 public:
  TSeuilImg();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

  // Keeps the run, copies the host's image, previews it and shows the dialog
  // modally; returns once it has closed. Any error is dropped: the dialog
  // then does not appear and no callback is made.
  void Open(const ImageRun& run);

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

  void FormShow(ui::Component* sender);
  void FormClose(ui::Component* sender);
  void PosSeuilChange(ui::Component* sender);
  void PosSeuilMouseUp(ui::Component* sender);
  void ReInitClick(ui::Component* sender);
  void AnnulerClick(ui::Component* sender);
  void AppliquerClick(ui::Component* sender);

  int32_t Threshold() const { return Threshold_; }

 private:
  // The threshold and its label from the slider.
  void ReadControls();
  void RenderPreview();
  KeptSide Side() const;

  ImageRun Run;
  int32_t Threshold_ = kThresholdSlider.defaultPosition;
  TPtsImg PreviewPixels;
};

// The one instance, created hidden when the library loads.
void SeuillageInitialize();
void SeuillageFinalize();
TSeuilImg& SeuilImg();

}  // namespace molvane
