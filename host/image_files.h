// Image files of every common format, read and written through the system's imaging codecs (WIC).
//
// Reading takes BMP, PNG, JPEG, TIFF and GIF (the first frame), whatever their
// pixel format, and gives the 24-bit pixels the plug-in works on (alpha and
// palettes are flattened by the codec's converter). A JPEG or TIFF whose
// orientation tag says the camera was turned is turned upright
// (exif_orientation.h), so that the viewer and the batch host work on the
// picture as it was seen. The file's kind comes
// from its first bytes, and its structure and size are checked before the
// codec of that kind sees it (image_precheck.h): a damaged file gives a
// message, never a crash. Writing chooses the format from the file's
// extension: BMP, PNG, JPEG (with a quality) or TIFF (BMP and PNG by our own
// encoders, the others through the system's); the image is encoded
// in memory, then replaces the file whole or not at all
// (file_replacement.h), so a failed save never damages a file the user
// already had. ole32 is
// loaded on first use, never imported: the host programs must create the
// shared allocator record before it (and user32, which it loads) comes in.
// Messages are French (Windows-1252), as the viewer shows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/bmp.h"

namespace molvane::host {

enum class ImageFormat { kUnknown, kBmp, kPng, kJpeg, kTiff, kGif };

// By the path's extension, case-insensitive (.jpg and .jpeg, .tif and .tiff).
ImageFormat FormatOfPath(const std::string& path);
bool CanWriteFormat(ImageFormat format);

bool ReadImageFile(const std::string& path, Bitmap24& image, std::string& error);
// Makes the array a read image goes into once its size is known: width x
// height pixels, or throws std::bad_alloc.
using PixelArrayMaker = std::function<Pixel24*(int32_t width, int32_t height)>;
// ReadImageFile into an array of the caller's (a document's shared array:
// a large photograph is not copied once more); the size set on success.
bool ReadImageFileInto(const std::string& path, const PixelArrayMaker& make, int32_t& width, int32_t& height,
                       std::string& error);
// The same for a file's bytes held in memory (an image on the clipboard).
bool DecodeImageBytes(const uint8_t* data, size_t size, Bitmap24& image, std::string& error);

// `jpegQuality` 1..100, used only for JPEG files.
constexpr int kDefaultJpegQuality = 90;
bool WriteImageFile(const std::string& path, const Bitmap24& image, std::string& error,
                    int jpegQuality = kDefaultJpegQuality);

// The image as the bytes of a file of `format` through the system's encoder
// (what WriteImageFile uses for JPEG and TIFF; the file timings' peer for PNG).
bool EncodeBySystemCodec(ImageFormat format, const Bitmap24& image, int jpegQuality, std::vector<uint8_t>& bytes,
                         std::string& error);

}  // namespace molvane::host
