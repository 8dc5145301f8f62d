// The comparison dialog: first image at Open, second at Continue, the gap image handed to the host.
#include "tools/comparison_dialog.h"

#include <new>

#include "boundary/image_labels.h"
#include "boundary/module_guard.h"
#include "tools/button_glyphs.h"
#include "ui/dialogs.h"

namespace molvane {

namespace {

const char* const kSizeMismatchWarning =
    "La comparaison ne peut se faire que sur deux images de mêmes dimensions";


}  // namespace

TComparer::TComparer() : ui::Form("Comparer") {
  SetCaption("Comparaison d'images");
  SetClientSize(242, 177);
  SetStayOnTop(true);

  // Labels without a size take their text's.
  Image1.SetCaption(kFirstImageBoxCaption);
  Image1.SetBounds({25, 5, 191, 41});
  Taille1.SetBounds({20, 17, 0, 0});
  Image2.SetCaption(kSecondImageBoxCaption);
  Image2.SetBounds({25, 50, 191, 41});
  Taille2.SetCaption(kClickAnImage);
  Taille2.SetBounds({20, 17, 0, 0});
  Label1.SetCaption("Coefficient multiplicateur : ");
  Label1.SetBounds({10, 105, 0, 0});
  KMult.Configure(kFactorSlider);
  KMult.SetPosition(kFactorSlider.defaultPosition);
  KMult.SetBounds({135, 100, 100, 21});
  Un.SetCaption("1");
  Un.SetBounds({141, 125, 0, 0});
  Dix.SetCaption("10");
  Dix.SetBounds({220, 125, 0, 0});
  CreerImg.SetCaption("Créer une image d'écart");
  CreerImg.SetBounds({5, 145, 146, 25});
  CreerImg.SetGlyph(GapGlyph());
  CreerImg.SetRole(ui::ButtonRole::Ok);
  Annuler.SetCaption("Annuler");
  Annuler.SetBounds({160, 145, 75, 25});
  Annuler.SetRole(ui::ButtonRole::Cancel);

  OnShow = ui::Handler(this, &TComparer::FormShow);
  KMult.OnMouseUp = ui::Handler(this, &TComparer::KMultMouseUp);
  CreerImg.OnClick = ui::Handler(this, &TComparer::CreerImgClick);
  Annuler.OnClick = ui::Handler(this, &TComparer::AnnulerClick);
}

void TComparer::Open(const TPtsImg& pixels, ImageSize size, const char* imageName) {
  FirstWidth = size.width;
  FirstHeight = size.height;
  FirstPixels = pixels;
  // A second image from an earlier run is no longer the one to compare with.
  SecondPixels.Reset();
  Image1.SetCaption(FirstImageBoxCaption(imageName));
  Taille1.SetCaption(ImageSizeText(size));
  Arrival.Begin();
  ReportToHost(ImageSize{FirstWidth, FirstHeight}, 0, 2, 0, 0);
  // Show runs FormShow only for a hidden dialog; one still on screen must
  // wait for its second image too.
  if (Showing()) FormShow(nullptr);
  else Show();
  if (std::optional<SecondImageHold::Image> held = Arrival.End())
    Continue(held->pixels, held->size, held->name.c_str());
}

void TComparer::FormShow(ui::Component*) {
  Image2.SetCaption(kSecondImageBoxCaption);
  Taille2.SetCaption(kClickAnImage);
  Factor = kFactorSlider.defaultPosition;
  KMult.SetPosition(kFactorSlider.defaultPosition);
  SecondWidth = 0;
  SecondHeight = 0;
}

void TComparer::Continue(const TPtsImg& pixels, ImageSize size, const char* imageName) {
  // The host may go on sending the images the user clicks after the run
  // ended ("Annuler" tells it nothing): they belong to no run.
  if (Arrival.Opening()) {
    Arrival.Hold(pixels, size, imageName);
    return;
  }
  if (!Showing()) return;
  SecondWidth = size.width;
  SecondHeight = size.height;
  SecondPixels = pixels;
  Image2.SetCaption(SecondImageBoxCaption(imageName));
  Taille2.SetCaption(ImageSizeText(size));
  // A short or missing array is refused like a size that differs.
  if (FirstWidth == SecondWidth && FirstHeight == SecondHeight &&
      HoldsImage(SecondPixels, ImageSize{SecondWidth, SecondHeight})) {
    ApplyFlag() = 1;
  } else {
    ApplyFlag() = 0;
    // Switched to a normal window while the box is up, so the box shows.
    ui::ShowWarning(this, kSizeMismatchWarning);
  }
}

void TComparer::KMultMouseUp(ui::Component*) { Factor = KMult.Position(); }

bool TComparer::GapComputable() const {
  if (ApplyFlag() == 0) return false;
  if (FirstWidth != SecondWidth || FirstHeight != SecondHeight) return false;
  // Lengths are 32-bit, so a size both arrays hold fits in one new array.
  const ImageSize size{FirstWidth, FirstHeight};
  return HoldsImage(FirstPixels, size) && HoldsImage(SecondPixels, size);
}

void TComparer::CreerImgClick(ui::Component*) {
  GapImage.Reset();
  if (GapComputable()) {
    const int32_t count = FirstWidth * FirstHeight;
    try {
      GapImage = TPtsImg::Uninitialised(count);  // the gap writes every pixel
      ComputeGap(FirstPixels.Data(), SecondPixels.Data(), GapImage.Data(), count, Factor);
    } catch (const std::bad_alloc&) {
      GapImage.Reset();  // no memory for the gap: the host receives none
    }
  }
  DeliverImageToHost(ImageSize{FirstWidth, FirstHeight}, GapImage);
  Close();
  GapImage.Reset();
  FirstPixels.Reset();
  SecondPixels.Reset();
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
