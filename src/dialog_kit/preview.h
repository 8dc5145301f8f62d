// The preview box: the framed 322 x 322 panel holding the 320 x 320 picture, and BuildPreview.
#pragma once

#include <cstdint>

#include "boundary/image_size.h"
#include "boundary/pixel_array.h"
#include "ui/controls.h"

namespace molvane {

// Where and how large the preview of a W x H image is drawn.
//   scale    s = max(W, H) / 320 in extended precision when a side exceeds
//            320, else 1: small images are never enlarged
//   width    Round(W / s), height Round(H / s), halves to even
//   left/top (320 - size) div 2 + 1 inside the panel (the +1 is its frame)
struct PreviewGeometry {
  long double scale;
  int32_t width;
  int32_t height;
  int32_t left;
  int32_t top;
};

constexpr int32_t kPreviewSide = 320;

PreviewGeometry PreviewGeometryFor(ImageSize size);

// Preview pixel (x, y) is image pixel (Trunc(x * s), Trunc(y * s)), nearest
// and truncated, the products in extended precision. `preview` receives
// width x height pixels; `image` must hold W x H.
void SamplePreview(const Pixel24* image, ImageSize size, const PreviewGeometry& geometry,
                   Pixel24* preview);

// The panel `CadreAff` (shadow colour, 1-pixel frame) at (10, 10) and the
// picture `PreVisu` inside it, as every previewing dialog has them.
struct PreviewBox {
  explicit PreviewBox(ui::Component* form);
  ui::Panel CadreAff;
  ui::Picture PreVisu;
};

// Samples `workCopy` into `previewPixels`, sizes the picture's bitmap to the
// preview, copies the pixels into its scan lines unchanged and centres the
// picture in the panel. A copy smaller than W x H gives an empty preview.
void BuildPreview(const TPtsImg& workCopy, ImageSize size, TPtsImg& previewPixels,
                  ui::Picture& preVisu);

}  // namespace molvane
