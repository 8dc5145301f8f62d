// The comparison dialog: first image at Open, second at Continue, the gap image handed to the host.
#include "tools/comparison_dialog.h"

#include "dialog_kit/button_glyphs.h"
#include "dialog_kit/image_labels.h"

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

TComparer::TComparer() : TwoImageDialog("Comparer", kSizeMismatchWarning) {
  SetCaption("Comparaison d'images");
  SetClientSize(242, 177);
  ApplyLayout(*this, Layout());
  KMult.SetPosition(kFactorSlider.defaultPosition);
  CreerImg.SetGlyph(GapGlyph());

  KMult.OnMouseUp = ui::Handler(this, &TComparer::KMultMouseUp);
  CreerImg.OnClick = ui::Handler(this, &TComparer::CreerImgClick);
  Annuler.OnClick = ui::Handler(this, &TComparer::AnnulerClick);
}

void TComparer::FormShow(ui::Component*) {
  Images.WaitForSecond();
  Factor = kFactorSlider.defaultPosition;
  KMult.SetPosition(kFactorSlider.defaultPosition);
}

void TComparer::KMultMouseUp(ui::Component*) { Factor = KMult.Position(); }

void TComparer::CreerImgClick(ui::Component*) {
  DeliverResult([this](const Pixel24* first, const Pixel24* second, Pixel24* gap, int32_t count) {
    ComputeGap(first, second, gap, count, Factor);
  });
}

}  // namespace molvane
