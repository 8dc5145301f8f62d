// The preview scaling rule shared by every previewing dialog.
#include "dialog_kit/preview.h"

#include <algorithm>
#include <cstring>

#include "colour/extended_math.h"

namespace molvane {

namespace {
constexpr uint32_t kButtonShadow = 0x00A0A0A0;  // the system's button-shadow grey
}

PreviewGeometry PreviewGeometryFor(ImageSize size) {
  ExtendedPrecisionScope extended;
  const int32_t w = std::max(size.width, 0);
  const int32_t h = std::max(size.height, 0);
  PreviewGeometry g{};
  g.scale = (w > kPreviewSide || h > kPreviewSide)
                ? (long double)std::max(w, h) / (long double)kPreviewSide
                : 1.0L;
  g.width = int32_t(RoundHalfEven((long double)w / g.scale));
  g.height = int32_t(RoundHalfEven((long double)h / g.scale));
  g.left = (kPreviewSide - g.width) / 2 + 1;
  g.top = (kPreviewSide - g.height) / 2 + 1;
  return g;
}

void SamplePreview(const Pixel24* image, ImageSize size, const PreviewGeometry& g,
                   Pixel24* preview) {
  ExtendedPrecisionScope extended;
  for (int32_t y = 0; y < g.height; ++y) {
    const int64_t row = Trunc((long double)y * g.scale) * int64_t(size.width);
    Pixel24* out = preview + int64_t(y) * g.width;
    for (int32_t x = 0; x < g.width; ++x) out[x] = image[row + Trunc((long double)x * g.scale)];
  }
}

PreviewBox::PreviewBox(ui::Component* form) : CadreAff(form, "CadreAff"), PreVisu(&CadreAff, "PreVisu") {
  CadreAff.SetBounds({10, 10, kPreviewSide + 2, kPreviewSide + 2});
  CadreAff.SetColour(kButtonShadow);
  PreVisu.SetBounds({1, 1, kPreviewSide, kPreviewSide});
}

void BuildPreview(const TPtsImg& workCopy, ImageSize size, TPtsImg& previewPixels,
                  ui::Picture& preVisu) {
  PreviewGeometry g = PreviewGeometryFor(size);
  if (workCopy.Length() < int64_t(std::max(size.width, 0)) * std::max(size.height, 0)) {
    g.width = 0;
    g.height = 0;
  }
  previewPixels.SetLength(g.width * g.height);
  if (g.width > 0 && g.height > 0) SamplePreview(workCopy.Data(), size, g, previewPixels.Data());
  ui::Bitmap24& bitmap = preVisu.Bitmap();
  bitmap.SetSize(g.width, g.height);
  // A side of 0 leaves rows of no pixels, and no array to copy from.
  for (int32_t y = 0; g.width > 0 && y < g.height; ++y)
    std::memcpy(bitmap.ScanLine(y), previewPixels.Data() + int64_t(y) * g.width,
                size_t(g.width) * sizeof(Pixel24));
  preVisu.SetBounds({g.left, g.top, g.width, g.height});
}

}  // namespace molvane
