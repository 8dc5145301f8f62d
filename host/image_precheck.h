// An image file's structure checked before any codec is handed it, and the size budget of an image.
//
// The system's codecs trust what a file says: Wine's GIF codec reads through
// a null palette when a file has none, and a codec may allocate what a
// header announces before it finds the data missing. So a file goes to a
// codec only once its kind is known from its first bytes, its header gives
// an image within the budget, and the parts a codec takes on trust are
// there: a GIF's palettes and its blocks, a PNG's header, palette and
// chunk lengths, a JPEG's segments up to the scan and its frame header, a
// TIFF's directory, the strips or tiles and values it points to, a BMP's
// header, palette and pixel rows. The pixel data itself is left to the codec,
// which reports what it cannot decode. Pure: no system call, and nothing is
// read outside data..data+size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/image_files.h"

namespace molvane::host {

// The budget: a side above 65535 pixels, or more than 2^28 bytes of 24-bit
// pixels (89 478 485 pixels), is refused before anything is allocated.
constexpr uint64_t kMaxImageSide = 65535;
constexpr uint64_t kMaxImagePixelBytes = uint64_t(1) << 28;

// The message for a file that is none of the five kinds, or that a codec refuses.
extern const char kUnknownImageKind[];

// Why an image of that size is refused, in French; empty within the budget.
std::string WhyTooLarge(uint64_t width, uint64_t height);

// The file's kind by its first bytes (kUnknown for none of the five), and
// why it must not reach a codec, in French; `problem` empty when it may.
ImageFormat CheckImageStructure(const uint8_t* data, size_t size, std::string& problem);

}  // namespace molvane::host
