// PNG files of 24-bit images, compressed by our own deflate (deflate_encoder.h).
//
// The system's PNG encoder under Wine takes seconds for a 24-megapixel
// photograph (20 s and more when it is noisy); this one writes the same
// pixels in a fraction of that. Each row gets the filter (None, Sub, Up,
// Average or Paeth) whose output bytes, read as signed, have the least sum
// of magnitudes; bands of rows are filtered and compressed on the row pool's
// threads, each band a piece of the one zlib stream, and the file's bytes do
// not depend on the number of threads. 8 bits per channel, RGB, no
// interlacing, no other chunk than IHDR, IDAT and IEND.
#pragma once

#include <cstdint>
#include <vector>

#include "host/bmp.h"

namespace molvane::host {

// `image` must hold width x height pixels, both sides above 0.
std::vector<uint8_t> EncodePng(const Bitmap24& image);

// The filter chosen for a row (0 None .. 4 Paeth) and its bytes in `out`
// (row bytes long): `row` and `previous` are RGB, `previous` zeros for the
// first row. Exposed for the tests' slow reference.
int FilterPngRow(const uint8_t* row, const uint8_t* previous, size_t rowBytes, uint8_t* out);

}  // namespace molvane::host
