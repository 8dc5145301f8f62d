// The orientation tag (274) of a JPEG's Exif block or of a TIFF, read from the file's bytes.
//
// Wine's imaging codecs do not serve: the query "/app1/ifd/{ushort=274}"
// finds nothing in a JPEG, and their TIFF directory reader, which answers
// "/ifd/{ushort=274}", faults on damaged files. So it is read here: a JPEG's
// segments from the start of the file up to the first scan, the
// "Exif\0\0" block, then, as in a TIFF, the header in either byte order and
// the first directory's entry 274 (one SHORT of 1 to 8). Anything short, out
// of place or out of range reads as no tag, never outside data..data+size.
// Pure: no system call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/image_orientation.h"

namespace molvane::host {

// The turn a JPEG's Exif orientation asks for; Turn::kNone when there is none.
Turn JpegExifTurn(const uint8_t* data, size_t size);

// The same for a TIFF structure (an Exif block's body, or a TIFF file).
Turn TiffOrientationTurn(const uint8_t* data, size_t size);

}  // namespace molvane::host
