// The structure of BMP, PNG, GIF, JPEG and TIFF files, checked before a codec decodes them.
#include "host/image_precheck.h"

#include <cstring>

namespace molvane::host {
namespace {

// The file's bytes, read only inside their bounds: a read outside gives 0,
// and Has() says whether a range lies inside, whatever its numbers.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint64_t Size() const { return size_; }
  bool Has(uint64_t at, uint64_t count) const { return at <= size_ && count <= size_ - at; }
  bool StartsWith(const char* text, size_t length) const {
    return size_ >= length && std::memcmp(data_, text, length) == 0;
  }
  uint32_t U8(uint64_t at) const { return at < size_ ? data_[at] : 0; }
  uint32_t Le16(uint64_t at) const { return U8(at) | U8(at + 1) << 8; }
  uint32_t Le32(uint64_t at) const { return Le16(at) | Le16(at + 2) << 16; }
  uint32_t Be16(uint64_t at) const { return U8(at) << 8 | U8(at + 1); }
  uint32_t Be32(uint64_t at) const { return Be16(at) << 16 | Be16(at + 2); }
  // `width` bytes (1, 2, 4 or 8) in either byte order.
  uint64_t Number(uint64_t at, int width, bool bigEndian) const {
    uint64_t value = 0;
    for (int i = 0; i < width; ++i) value |= uint64_t(U8(at + uint64_t(i))) << (8 * (bigEndian ? width - 1 - i : i));
    return value;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

const char* NameOf(ImageFormat format) {
  switch (format) {
    case ImageFormat::kBmp: return "BMP";
    case ImageFormat::kPng: return "PNG";
    case ImageFormat::kJpeg: return "JPEG";
    case ImageFormat::kTiff: return "TIFF";
    case ImageFormat::kGif: return "GIF";
    default: return "";
  }
}

std::string Damaged(ImageFormat format, const std::string& why) {
  return std::string("Ce fichier ") + NameOf(format) + " est endommagé : " + why + ".";
}

std::string CutShort(ImageFormat format) { return Damaged(format, "il s'arrête avant la fin de ses données"); }

// An image of no pixels, or beyond the budget.
std::string WhyNotASize(ImageFormat format, int64_t width, int64_t height) {
  if (width <= 0 || height <= 0)
    return Damaged(format, "il annonce une image de " + std::to_string(width) + " x " + std::to_string(height) +
                               " pixels");
  return WhyTooLarge(uint64_t(width), uint64_t(height));
}

std::string CheckBmp(const Bytes& b) {
  const ImageFormat f = ImageFormat::kBmp;
  if (!b.Has(0, 18)) return CutShort(f);
  const uint32_t header = b.Le32(14);
  const bool core = header == 12;  // the old OS/2 header: 16-bit sizes, 3-byte colours
  if (!core && header != 40 && header != 52 && header != 56 && header != 64 && header != 108 && header != 124)
    return Damaged(f, "son en-tête annonce " + std::to_string(header) + " octets, ce qu'aucune version du format n'a");
  if (!b.Has(14, header)) return CutShort(f);
  const int64_t width = core ? int64_t(b.Le16(18)) : int64_t(int32_t(b.Le32(18)));
  const int64_t height = core ? int64_t(b.Le16(20)) : int64_t(int32_t(b.Le32(22)));
  const uint32_t bits = core ? b.Le16(24) : b.Le16(28);
  const uint32_t compression = core ? 0 : b.Le32(30);
  const int64_t rows = height < 0 ? -height : height;  // negative: rows top first
  const std::string size = WhyNotASize(f, width, rows);
  if (!size.empty()) return size;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return Damaged(f, "des pixels de " + std::to_string(bits) + " bits n'existent pas dans ce format");
  // The colour masks that follow the 40-byte header of a BITFIELDS file.
  uint64_t paletteEnd = 14 + uint64_t(header);
  if (header == 40 && (compression == 3 || compression == 6)) paletteEnd += compression == 3 ? 12 : 16;
  if (bits <= 8) {
    // More colours than the pixels can name are read and left unused; more than 256 are not a palette.
    const uint64_t colours = !core && b.Le32(46) ? b.Le32(46) : uint64_t(1) << bits;
    if (colours > 256) return Damaged(f, "sa palette annonce " + std::to_string(colours) + " couleurs");
    paletteEnd += colours * (core ? 3 : 4);
  }
  if (!b.Has(0, paletteEnd)) return CutShort(f);
  const uint64_t pixels = b.Le32(10);
  if (!b.Has(pixels, 0)) return Damaged(f, "ses pixels sont annoncés hors du fichier");
  // Uncompressed rows: each padded to 4 bytes, the last one's padding may be missing.
  if (compression == 0 || compression == 3 || compression == 6) {
    const uint64_t rowBits = uint64_t(width) * bits;
    if (!b.Has(pixels, (rowBits + 31) / 32 * 4 * uint64_t(rows - 1) + (rowBits + 7) / 8)) return CutShort(f);
  }
  return std::string();
}

constexpr uint32_t Tag(const char (&name)[5]) {
  return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 | uint32_t(uint8_t(name[2])) << 8 |
         uint32_t(uint8_t(name[3]));
}

bool PngDepthExists(uint32_t depth, uint32_t colourType) {
  const bool small = depth == 1 || depth == 2 || depth == 4;
  switch (colourType) {
    case 0: return small || depth == 8 || depth == 16;    // grey
    case 3: return small || depth == 8;                   // palette
    case 2: case 4: case 6: return depth == 8 || depth == 16;  // colour, grey and alpha, colour and alpha
    default: return false;
  }
}

std::string CheckPng(const Bytes& b) {
  const ImageFormat f = ImageFormat::kPng;
  if (!b.Has(8, 25)) return CutShort(f);
  if (b.Be32(8) != 13 || b.Be32(12) != Tag("IHDR")) return Damaged(f, "il ne commence pas par son en-tête (IHDR)");
  const std::string size = WhyNotASize(f, b.Be32(16), b.Be32(20));
  if (!size.empty()) return size;
  const uint32_t depth = b.U8(24), colourType = b.U8(25);
  if (!PngDepthExists(depth, colourType))
    return Damaged(f, "sa profondeur de couleur (" + std::to_string(depth) + " bits, type " +
                          std::to_string(colourType) + ") n'existe pas");
  // Chunks up to the image data; what follows it the codec does not need.
  bool palette = false, data = false;
  for (uint64_t at = 8;; ) {
    const uint64_t length = b.Be32(at);
    const uint32_t type = b.Be32(at + 4);
    const bool whole = b.Has(at, 12) && length <= 0x7FFFFFFF && b.Has(at + 8, length + 4);
    if (data && (!whole || type != Tag("IDAT"))) break;
    if (!b.Has(at, 12)) return CutShort(f);
    if (length > 0x7FFFFFFF) return Damaged(f, "un de ses blocs annonce " + std::to_string(length) + " octets");
    if (!whole) return CutShort(f);
    if (type == Tag("PLTE")) {
      if (length == 0 || length % 3 != 0 || length > 768) return Damaged(f, "sa palette (PLTE) est mal formée");
      palette = true;
    } else if (type == Tag("IDAT")) {
      if (colourType == 3 && !palette) return Damaged(f, "ses couleurs indexées n'ont pas de palette (PLTE)");
      data = true;
    } else if (type == Tag("IEND")) {
      return Damaged(f, "il ne contient pas de données d'image (IDAT)");
    }
    at += 12 + length;
  }
  return std::string();
}

uint64_t GifPaletteBytes(uint32_t flags) { return (flags & 0x80) ? uint64_t(3) << ((flags & 7) + 1) : 0; }

std::string CheckGif(const Bytes& b) {
  const ImageFormat f = ImageFormat::kGif;
  if (!b.Has(0, 13)) return CutShort(f);
  const bool globalPalette = (b.U8(10) & 0x80) != 0;
  uint64_t at = 13 + GifPaletteBytes(b.U8(10));
  // The codec decodes every image of the file at once.
  uint64_t images = 0, pixels = 0;
  for (;;) {
    if (!b.Has(at, 1)) return CutShort(f);
    const uint32_t block = b.U8(at);
    if (block == ';') break;
    if (block == '!') {
      at += 2;  // the introducer and the extension's label
    } else if (block == ',') {
      if (!b.Has(at, 10)) return CutShort(f);
      const uint32_t width = b.Le16(at + 5), height = b.Le16(at + 7), flags = b.U8(at + 9);
      if (images == 0) {
        const std::string size = WhyNotASize(f, width, height);
        if (!size.empty()) return size;
      }
      pixels += uint64_t(width) * height;
      if (pixels > kMaxImagePixelBytes)
        return "L'animation est trop grande : ses images font ensemble plus de " +
               std::to_string(kMaxImagePixelBytes) + " pixels.";
      if (!(flags & 0x80) && !globalPalette) return Damaged(f, "une de ses images n'a pas de palette de couleurs");
      at += 10 + GifPaletteBytes(flags);
      if (!b.Has(at, 1)) return CutShort(f);
      const uint32_t codeSize = b.U8(at++);
      if (codeSize < 2 || codeSize > 8)
        return Damaged(f, "la taille de code de ses données (" + std::to_string(codeSize) + ") n'existe pas");
      ++images;
    } else {
      return Damaged(f, "il contient un bloc de type inconnu (" + std::to_string(block) + ")");
    }
    // Sub-blocks, each led by its length, until an empty one.
    for (uint32_t length = 1; length;) {
      if (!b.Has(at, 1)) return CutShort(f);
      length = b.U8(at++);
      if (!b.Has(at, length)) return CutShort(f);
      at += length;
    }
  }
  return images ? std::string() : Damaged(f, "il ne contient aucune image");
}

bool IsJpegFrameHeader(uint32_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::string CheckJpeg(const Bytes& b) {
  const ImageFormat f = ImageFormat::kJpeg;
  bool frame = false;
  for (uint64_t at = 2;;) {
    // Stray bytes and fill bytes before a marker are skipped, as the codec does.
    while (b.Has(at, 1) && b.U8(at) != 0xFF) ++at;
    while (b.Has(at + 1, 1) && b.U8(at + 1) == 0xFF) ++at;
    if (!b.Has(at, 2)) return CutShort(f);
    const uint32_t marker = b.U8(at + 1);
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {  // markers without a length
      at += 2;
      continue;
    }
    if (marker == 0xD8 || marker == 0xD9) return Damaged(f, "il se termine avant son image");
    if (!b.Has(at + 2, 2)) return CutShort(f);
    const uint64_t length = b.Be16(at + 2);
    if (!b.Has(at + 2, length)) return CutShort(f);
    if (IsJpegFrameHeader(marker)) {
      const uint32_t components = b.U8(at + 9);
      if (length < 8 || components < 1 || components > 4 || length != 8 + 3 * uint64_t(components))
        return Damaged(f, "son en-tête d'image (SOF) est incohérent");
      const std::string size = WhyNotASize(f, b.Be16(at + 7), b.Be16(at + 5));
      if (!size.empty()) return size;
      frame = true;
    } else if (marker == 0xDA) {
      return frame ? std::string() : Damaged(f, "ses données viennent avant son en-tête d'image (SOF)");
    }
    // A length below its own two bytes skips nothing, as the codec reads it.
    at += 2 + (length < 2 ? 2 : length);
  }
}

// One entry of a TIFF directory: its type, its number of values and where they are.
struct TiffEntry {
  uint32_t type = 0;
  uint64_t count = 0;
  uint64_t at = 0;
};

uint64_t TiffTypeBytes(uint32_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;            // bytes, text
    case 3: case 8: return 2;                            // shorts
    case 4: case 9: case 11: case 13: return 4;          // longs, float, directory
    case 5: case 10: case 12: case 16: case 17: case 18: return 8;  // rationals, double, BigTIFF's longs
    default: return 0;
  }
}

class Tiff {
 public:
  explicit Tiff(const Bytes& b) : b_(b), bigEndian_(b.U8(0) == 'M'), wide_(Read(2, 2) == 43) {}
  bool Wide() const { return wide_; }
  uint64_t Read(uint64_t at, int width) const { return b_.Number(at, width, bigEndian_); }
  uint64_t Offset(uint64_t at) const { return Read(at, wide_ ? 8 : 4); }
  // Value `i` of a whole-number entry; 0 for another type.
  uint64_t Value(const TiffEntry& e, uint64_t i) const {
    const uint64_t width = TiffTypeBytes(e.type);
    const bool whole = e.type == 1 || e.type == 3 || e.type == 4 || e.type == 16;
    return whole && i < e.count ? Read(e.at + i * width, int(width)) : 0;
  }

 private:
  const Bytes& b_;
  bool bigEndian_;
  bool wide_;
};

std::string CheckTiff(const Bytes& b) {
  const ImageFormat f = ImageFormat::kTiff;
  const Tiff tiff(b);
  const bool wide = tiff.Wide();  // BigTIFF: 8-byte offsets and counts
  const uint64_t headerBytes = wide ? 16 : 8, countBytes = wide ? 8 : 2, entryBytes = wide ? 20 : 12;
  if (!b.Has(0, headerBytes)) return CutShort(f);
  const uint64_t directory = tiff.Offset(wide ? 8 : 4);
  if (directory < headerBytes || !b.Has(directory, countBytes))
    return Damaged(f, "son répertoire d'image est annoncé hors du fichier");
  const uint64_t count = tiff.Read(directory, int(countBytes));
  if (count == 0) return Damaged(f, "son répertoire d'image est vide");
  if (count > b.Size() / entryBytes || !b.Has(directory + countBytes, count * entryBytes)) return CutShort(f);
  TiffEntry width, height, bits, photometric, palette, stripOffsets, stripBytes, tileWidth, tileHeight, tileOffsets,
      tileBytes;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t entry = directory + countBytes + i * entryBytes;
    TiffEntry e;
    e.type = uint32_t(tiff.Read(entry + 2, 2));
    e.count = tiff.Read(entry + 4, wide ? 8 : 4);
    const uint64_t unit = TiffTypeBytes(e.type);
    if (!unit) continue;  // a type the codec skips too
    const uint64_t inPlace = wide ? 8 : 4;
    e.at = e.count <= inPlace / unit ? entry + 4 + inPlace : tiff.Offset(entry + 4 + inPlace);
    TiffEntry* known = nullptr;
    switch (tiff.Read(entry, 2)) {
      case 256: known = &width; break;
      case 257: known = &height; break;
      case 258: known = &bits; break;
      case 262: known = &photometric; break;
      case 273: known = &stripOffsets; break;
      case 279: known = &stripBytes; break;
      case 320: known = &palette; break;
      case 322: known = &tileWidth; break;
      case 323: known = &tileHeight; break;
      case 324: known = &tileOffsets; break;
      case 325: known = &tileBytes; break;
      default: continue;  // the codec ignores the others when they point outside
    }
    if (e.count > b.Size() || !b.Has(e.at, e.count * unit))
      return Damaged(f, "des valeurs de son répertoire sont annoncées hors du fichier");
    *known = e;
  }
  if (!width.count || !height.count) return Damaged(f, "il ne donne pas la taille de son image");
  const std::string size = WhyNotASize(f, int64_t(tiff.Value(width, 0)), int64_t(tiff.Value(height, 0)));
  if (!size.empty()) return size;
  const bool tiled = tileOffsets.count != 0;
  if (tiled) {
    const uint64_t across = tiff.Value(tileWidth, 0), down = tiff.Value(tileHeight, 0);
    if (!across || !down || !WhyTooLarge(across, down).empty())
      return Damaged(f, "ses tuiles annoncent " + std::to_string(across) + " x " + std::to_string(down) + " pixels");
  }
  const TiffEntry& offsets = tiled ? tileOffsets : stripOffsets;
  const TiffEntry& lengths = tiled ? tileBytes : stripBytes;
  if (!offsets.count) return Damaged(f, "il ne dit pas où sont ses données d'image");
  // A strip or tile that starts outside; one that runs past the end is read as far as it goes.
  for (uint64_t i = 0; i < offsets.count && i < lengths.count; ++i)
    if (tiff.Value(lengths, i) && (tiff.Value(offsets, i) >= b.Size() || tiff.Value(lengths, i) > b.Size()))
      return Damaged(f, "ses données d'image sont annoncées hors du fichier");
  if (tiff.Value(photometric, 0) == 3) {
    const uint64_t depth = bits.count ? tiff.Value(bits, 0) : 1;
    if (depth < 1 || depth > 16 || palette.count != uint64_t(3) << depth)
      return Damaged(f, "ses couleurs indexées n'ont pas de palette complète");
  }
  return std::string();
}

}  // namespace

const char kUnknownImageKind[] =
    "Ce fichier n'est pas une image d'un format connu (BMP, PNG, JPEG, TIFF ou GIF), ou il est endommagé.";

std::string WhyTooLarge(uint64_t width, uint64_t height) {
  if (width <= kMaxImageSide && height <= kMaxImageSide && width * height * 3 <= kMaxImagePixelBytes)
    return std::string();
  return "L'image est trop grande (" + std::to_string(width) + " x " + std::to_string(height) +
         " pixels) : la limite est de " + std::to_string(kMaxImageSide) + " pixels de côté et de " +
         std::to_string(kMaxImagePixelBytes / 3) + " pixels en tout (256 Mo).";
}

ImageFormat CheckImageStructure(const uint8_t* data, size_t size, std::string& problem) {
  const Bytes b(data, size);
  ImageFormat format = ImageFormat::kUnknown;
  if (size == 0) {
    problem = "Le fichier est vide.";
  } else if (b.StartsWith("BM", 2)) {
    format = ImageFormat::kBmp;
    problem = CheckBmp(b);
  } else if (b.StartsWith("\x89PNG\r\n\x1A\n", 8)) {
    format = ImageFormat::kPng;
    problem = CheckPng(b);
  } else if (b.StartsWith("GIF87a", 6) || b.StartsWith("GIF89a", 6)) {
    format = ImageFormat::kGif;
    problem = CheckGif(b);
  } else if (b.StartsWith("\xFF\xD8", 2)) {
    format = ImageFormat::kJpeg;
    problem = CheckJpeg(b);
  } else if (b.StartsWith("II*\0", 4) || b.StartsWith("MM\0*", 4) || b.StartsWith("II+\0", 4) ||
             b.StartsWith("MM\0+", 4)) {
    format = ImageFormat::kTiff;
    problem = CheckTiff(b);
  } else {
    problem = kUnknownImageKind;
  }
  return format;
}

}  // namespace molvane::host
