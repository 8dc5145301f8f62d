// TCompDegr: the modal gradient compensation dialog ("Compenser dégradé").
#pragma once

#include "boundary/host_protocol.h"
#include "boundary/image_run.h"
#include "boundary/pixel_array.h"
#include "dialog_kit/barre_curseur.h"
#include "dialog_kit/layout.h"
#include "dialog_kit/modal_dialog.h"
#include "dialog_kit/preview.h"
#include "tools/gradient.h"

namespace molvane {

// Offsets: position - 127, so 0..255 gives -127..128, 127 at every showing.
constexpr SliderRange kOffsetSlider{0, 255, 127, 10, 10};
// Gains: 10^(3 (position - 100) / 1000), about 0.501..1.995, 100 (gain 1).
constexpr SliderRange kGainSlider{0, 200, 100, 10, 10};

// The gain of a gain slider's position, in extended precision.
long double GainOfPosition(int32_t position);

class TCompDegr : public ModalDialog {
 public:
  TCompDegr();
  // Every component's kind, container, place and fixed caption.
  static LayoutTable Layout();

  PreviewBox Preview{this};
  ui::Panel& CadreAff = Preview.CadreAff;
  ui::Picture& PreVisu = Preview.PreVisu;
  ui::RadioGroup DirComp{this, "DirComp"};
  ui::GroupBox CorrNiv{this, "CorrNiv"};
  ui::Label Corr1{&CorrNiv, "Corr1"};
  ui::Label Corr2{&CorrNiv, "Corr2"};
  TBarreCurseur CurseurN1{&CorrNiv, "CurseurN1"};
  TBarreCurseur CurseurN2{&CorrNiv, "CurseurN2"};
  ui::Label ValN1{&CorrNiv, "ValN1"};
  ui::Label ValN2{&CorrNiv, "ValN2"};
  ui::GroupBox CoeffNiv{this, "CoeffNiv"};
  ui::Label Coef1{&CoeffNiv, "Coef1"};
  ui::Label Coef2{&CoeffNiv, "Coef2"};
  TBarreCurseur CurseurM1{&CoeffNiv, "CurseurM1"};
  TBarreCurseur CurseurM2{&CoeffNiv, "CurseurM2"};
  ui::Label ValM1{&CoeffNiv, "ValM1"};
  ui::Label ValM2{&CoeffNiv, "ValM2"};
  ui::Button ReInit{this, "ReInit"};
  ui::Button Annuler{this, "Annuler"};
  ui::Button Appliquer{this, "Appliquer"};

  void FormShow(ui::Component* sender) override;
  void DirCompClick(ui::Component* sender);
  void CurseurN1Change(ui::Component* sender);
  void CurseurN2Change(ui::Component* sender);
  void CurseurM1Change(ui::Component* sender);
  void CurseurM2Change(ui::Component* sender);

  // The correction the controls describe now.
  GradientParams Params() const;

 private:
  // The copy corrected into the host's image; an image without pixels has
  // nothing to correct and nothing applied.
  bool ApplyStep() override;
  // The ends' names for the direction, the offsets and gains with their labels.
  void ReadControls();
  void RenderPreview();
  void ControlsChange();

  int32_t OffsetN1 = 0;
  int32_t OffsetN2 = 0;
  long double CoefM1 = 1.0L;
  long double CoefM2 = 1.0L;
};

}  // namespace molvane
