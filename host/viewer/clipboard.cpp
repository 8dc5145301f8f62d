// The clipboard's images, read with every field of the bitmap checked.
#include "host/viewer/clipboard.h"

#include <cstring>
#include <new>
#include <vector>

#include "host/image_files.h"
#include "host/png_encoder.h"

namespace molvane::viewer {
namespace {

constexpr uint32_t kInfoHeaderSize = 40;

uint32_t Read32(const uint8_t* at) {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// Holds the clipboard open for as long as it lives.
class OpenClipboardScope {
 public:
  explicit OpenClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~OpenClipboardScope() {
    if (open_) CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool Open() const { return open_; }

 private:
  bool open_;
};

// The bytes of a clipboard format, copied out while the clipboard is open.
bool ClipboardBytes(UINT format, std::vector<uint8_t>& bytes) {
  HANDLE handle = GetClipboardData(format);
  if (!handle) return false;
  const void* data = GlobalLock(handle);
  if (!data) return false;
  const auto* start = static_cast<const uint8_t*>(data);
  bytes.assign(start, start + GlobalSize(handle));
  GlobalUnlock(handle);
  return true;
}

UINT PngFormat() { return RegisterClipboardFormatA("PNG"); }

// Bytes in movable global memory, freed unless the clipboard took them.
class GlobalBlock {
 public:
  GlobalBlock(const uint8_t* data, size_t size) : memory_(GlobalAlloc(GMEM_MOVEABLE, size)) {
    void* target = memory_ ? GlobalLock(memory_) : nullptr;
    if (!target) {
      Release();
      return;
    }
    std::memcpy(target, data, size);
    GlobalUnlock(memory_);
  }
  ~GlobalBlock() { Release(); }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  HGLOBAL Handle() const { return memory_; }
  // Onto the open clipboard as `format`; the clipboard owns the memory from then on.
  bool HandTo(UINT format) {
    if (!SetClipboardData(format, memory_)) return false;
    memory_ = nullptr;
    return true;
  }

 private:
  void Release() {
    if (memory_) GlobalFree(memory_);
    memory_ = nullptr;
  }
  HGLOBAL memory_;
};

}  // namespace

bool DecodeDib(const uint8_t* data, size_t size, host::Bitmap24& image, std::string& error) {
  image = host::Bitmap24();
  const char* const kDamaged = "L'image du presse-papiers est endommagée.";
  if (size < kInfoHeaderSize || Read32(data) < kInfoHeaderSize || Read32(data) > size) return error = kDamaged, false;
  const uint32_t headerSize = Read32(data);
  const auto width = int32_t(Read32(data + 4));
  const auto rawHeight = int32_t(Read32(data + 8));
  const uint16_t bits = uint16_t(data[14] | data[15] << 8);
  const uint32_t compression = Read32(data + 16);
  enum { kRgb = 0, kBitfields = 3 };
  if ((bits != 24 && bits != 32) || (compression != kRgb && !(compression == kBitfields && bits == 32))) {
    error = "L'image du presse-papiers est d'un type que la visionneuse ne lit pas (" + std::to_string(bits) +
            " bits par pixel" + (compression > kRgb && compression != kBitfields ? ", compressée" : "") + ").";
    return false;
  }
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return error = kDamaged, false;
  const bool topDown = rawHeight < 0;
  const int64_t height = topDown ? -int64_t(rawHeight) : rawHeight;
  if (int64_t(width) * height > host::kMaxBitmapPixels)
    return error = "L'image du presse-papiers est trop grande pour être ouverte.", false;

  // The colour masks follow the 40-byte header (a larger header holds them
  // at the same place), then any colour table, then the rows.
  size_t offset = headerSize;
  if (compression == kBitfields) {
    if (size < kInfoHeaderSize + 12) return error = kDamaged, false;
    const uint32_t masks[3] = {Read32(data + 40), Read32(data + 44), Read32(data + 48)};
    if (headerSize == kInfoHeaderSize) offset += 12;
    if (masks[0] != 0xFF0000 || masks[1] != 0xFF00 || masks[2] != 0xFF) {
      error = "L'image du presse-papiers a un ordre des couleurs que la visionneuse ne lit pas.";
      return false;
    }
  }
  const uint32_t colours = Read32(data + 32);
  if (colours > size / 4) return error = kDamaged, false;
  offset += size_t(colours) * 4;
  const size_t bytesPerPixel = bits / 8;
  const size_t stride = (size_t(width) * bytesPerPixel + 3) & ~size_t(3);
  if (offset > size || (size - offset) / stride < size_t(height)) return error = kDamaged, false;

  image.width = width;
  image.height = int32_t(height);
  image.pixels.resize(size_t(width) * size_t(height));
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = data + offset + size_t(topDown ? y : height - 1 - y) * stride;
    Pixel24* out = &image.pixels[size_t(y) * size_t(width)];
    for (int32_t x = 0; x < width; ++x, row += bytesPerPixel) out[x] = Pixel24{row[0], row[1], row[2]};
  }
  return true;
}

bool CopyImage(HWND owner, const host::Bitmap24& image, std::string& error) {
  // A BMP file is its file header followed by exactly the packed bitmap the clipboard takes.
  constexpr size_t kFileHeaderSize = 14;
  std::vector<uint8_t> file, png;
  try {
    file = host::EncodeBmp(image);
    png = host::EncodePng(image);
  } catch (const std::bad_alloc&) {
    return error = "La mémoire manque pour copier l'image.", false;
  }
  GlobalBlock dib(file.data() + kFileHeaderSize, file.size() - kFileHeaderSize), compressed(png.data(), png.size());
  if (!dib.Handle() || !compressed.Handle()) return error = "La mémoire manque pour copier l'image.", false;
  const OpenClipboardScope clipboard(owner);
  if (!clipboard.Open())
    return error = "Le presse-papiers est occupé par un autre programme : essayez de nouveau.", false;
  EmptyClipboard();
  if (!dib.HandTo(CF_DIB) || !compressed.HandTo(PngFormat()))
    return error = "Le presse-papiers a refusé l'image.", false;
  return true;
}

bool PasteImage(HWND owner, host::Bitmap24& image, std::string& error) {
  std::vector<uint8_t> bytes;
  bool png = false;
  {
    const OpenClipboardScope clipboard(owner);
    if (!clipboard.Open())
      return error = "Le presse-papiers est occupé par un autre programme : essayez de nouveau.", false;
    // The PNG first: it keeps what a browser or a screenshot tool copied exactly.
    png = IsClipboardFormatAvailable(PngFormat()) && ClipboardBytes(PngFormat(), bytes);
    if (!png && !(IsClipboardFormatAvailable(CF_DIB) && ClipboardBytes(CF_DIB, bytes)))
      return error = "Le presse-papiers ne contient pas d'image.", false;
  }
  if (png) return host::DecodeImageBytes(bytes.data(), bytes.size(), image, error);
  return DecodeDib(bytes.data(), bytes.size(), image, error);
}

}  // namespace molvane::viewer
