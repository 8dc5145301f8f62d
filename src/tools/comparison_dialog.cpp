// The comparison dialog: first image at Open, second at Continue, the gap image handed to the host.
#include "tools/comparison_dialog.h"

#include <new>

#include "dialog_kit/button_glyphs.h"
#include "dialog_kit/dialog_module.h"
#include "dialog_kit/image_labels.h"
#include "ui/dialogs.h"

namespace molvane {

namespace {

const char* const kSizeMismatchWarning =
    "La comparaison ne peut se faire que sur deux images de mêmes dimensions";

using Kind = ui::Component::Kind;
// Labels without a size take their text's.
const LayoutRow kLayout[] = {
    {"Image1", Kind::GroupBox, "", {25, 5, 191, 41}, kFirstImageBoxCaption},
    {"Taille1", Kind::Label, "Image1", {20, 17, 0, 0}, nullptr},
    {"Image2", Kind::GroupBox, "", {25, 50, 191, 41}, kSecondImageBoxCaption},
    {"Taille2", Kind::Label, "Image2", {20, 17, 0, 0}, kClickAnImage},
    {"Label1", Kind::Label, "", {10, 105, 0, 0}, "Coefficient multiplicateur : "},
    {"KMult", Kind::TrackBar, "", {135, 100, 100, 21}, nullptr, kFactorSlider},
    {"Un", Kind::Label, "", {141, 125, 0, 0}, "1"},
    {"Dix", Kind::Label, "", {220, 125, 0, 0}, "10"},
    {"CreerImg", Kind::Button, "", {5, 145, 146, 25}, "Créer une image d'écart", ui::ButtonRole::Ok},
    {"Annuler", Kind::Button, "", {160, 145, 75, 25}, "Annuler", ui::ButtonRole::Cancel},
};

}  // namespace

LayoutTable TComparer::Layout() { return TableOf(kLayout); }

TComparer::TComparer() : ui::Form("Comparer") {
  SetCaption("Comparaison d'images");
  SetClientSize(242, 177);
  SetStayOnTop(true);
  ApplyLayout(*this, Layout());
  KMult.SetPosition(kFactorSlider.defaultPosition);
  CreerImg.SetGlyph(GapGlyph());

  OnShow = ui::Handler(this, &TComparer::FormShow);
  KMult.OnMouseUp = ui::Handler(this, &TComparer::KMultMouseUp);
  CreerImg.OnClick = ui::Handler(this, &TComparer::CreerImgClick);
  Annuler.OnClick = ui::Handler(this, &TComparer::AnnulerClick);
}

void TComparer::Open(const ImageRun& run) {
  Images.BeginOpening(run);
  AskForSecondImage(run.Size());
  // Show runs FormShow only for a hidden dialog; one still on screen must
  // wait for its second image too.
  if (Showing()) FormShow(this);
  else Show();
  if (std::optional<ImageRun> held = Images.EndOpening()) TakeSecond(*held);
}

void TComparer::FormShow(ui::Component*) {
  Images.WaitForSecond();
  Factor = kFactorSlider.defaultPosition;
  KMult.SetPosition(kFactorSlider.defaultPosition);
}

void TComparer::Continue(const PhaseOneCall& call) {
  if (Images.HoldWhileOpening(call)) return;
  // The host may go on sending the images the user clicks after the run
  // ended ("Annuler" tells it nothing): they belong to no run.
  if (!Showing()) return;
  TakeSecond(ImageRun(call.pixels, call.size, call.imageName));
}

void TComparer::TakeSecond(const ImageRun& second) {
  if (Images.TakeSecond(second)) {
    ApplyFlag() = 1;
  } else {
    ApplyFlag() = 0;
    // Switched to a normal window while the box is up, so the box shows.
    ui::ShowWarning(this, kSizeMismatchWarning);
  }
}

void TComparer::KMultMouseUp(ui::Component*) { Factor = KMult.Position(); }

bool TComparer::GapComputable() const { return ApplyFlag() != 0 && Images.Matches(); }

void TComparer::CreerImgClick(ui::Component*) {
  GapImage.Reset();
  const ImageRun& first = Images.First();
  if (GapComputable()) {
    // Lengths are 32-bit, so a size both arrays hold fits in one new array.
    const int32_t count = int32_t(first.Size().PixelCount());
    try {
      GapImage = TPtsImg::Uninitialised(count);  // the gap writes every pixel
      ComputeGap(first.HostImage().Data(), Images.SecondPixels().Data(), GapImage.Data(), count,
                 Factor);
    } catch (const std::bad_alloc&) {
      GapImage.Reset();  // no memory for the gap: the host receives none
    }
  }
  DeliverImage(first.Size(), GapImage);
  Close();
  GapImage.Reset();
  Images.Release();
}

void TComparer::AnnulerClick(ui::Component*) {
  ApplyFlag() = 0;
  Close();
}

namespace {
DialogModule<TComparer> dialogModule;
}  // namespace

void CompImgInitialize() { dialogModule.Initialize(); }
void CompImgFinalize() { dialogModule.Finalize(); }
TComparer& Comparer() { return dialogModule.Instance(); }

}  // namespace molvane
