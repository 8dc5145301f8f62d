// Seeds of each image kind and their numbered mutations.
#include "image_mutations.h"

#include <algorithm>
#include <cstdio>

#include <windows.h>

#include "host/bmp.h"
#include "host/image_files.h"
#include "host_test_support.h"

namespace molvane::hosttest {
namespace {

constexpr int32_t kWidth = 23, kHeight = 17;

host::Bitmap24 SeedPicture() {
  host::Bitmap24 image;
  image.width = kWidth;
  image.height = kHeight;
  image.pixels = RandomPixels(kWidth * kHeight, 2024);
  // Smooth halves beside the noise, so the compressed kinds hold both.
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth / 2; ++x)
      image.pixels[size_t(y * kWidth + x)] = Pixel24{uint8_t(x * 10), uint8_t(y * 14), 128};
  return image;
}

void Add16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Add32(std::vector<uint8_t>& out, uint32_t v) {
  Add16(out, v & 0xFFFF);
  Add16(out, v >> 16);
}

// Through the system's encoder, by way of a file.
std::vector<uint8_t> Encoded(const host::Bitmap24& image, const char* extension) {
  const std::string path = TemporaryFolder("molvane-seeds") + "seed" + extension;
  std::string error;
  if (!host::WriteImageFile(path, image, error)) std::fprintf(stderr, "seed %s: %s\n", extension, error.c_str());
  return BytesOf(path);
}

// 16 colours, one byte per pixel: what the codec reads, not the host's own decoder.
std::vector<uint8_t> PaletteBmp() {
  const uint32_t stride = (kWidth + 3) & ~3u, colours = 16, offset = 14 + 40 + colours * 4;
  std::vector<uint8_t> out = {'B', 'M'};
  Add32(out, offset + stride * kHeight);
  Add32(out, 0);
  Add32(out, offset);
  for (uint32_t v : {40u, uint32_t(kWidth), uint32_t(kHeight)}) Add32(out, v);
  Add16(out, 1);
  Add16(out, 8);
  for (uint32_t v : {0u, stride * kHeight, 2835u, 2835u, colours, 0u}) Add32(out, v);
  for (uint32_t i = 0; i < colours; ++i) Add32(out, i * 0x0F0D0B);
  for (int32_t y = 0; y < kHeight; ++y)
    for (uint32_t x = 0; x < stride; ++x) out.push_back(uint8_t((x + uint32_t(y)) % colours));
  return out;
}

// Four colours; the LZW data starts afresh (a clear code) before each pixel,
// so every code keeps three bits.
std::vector<uint8_t> PaletteGif() {
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  Add16(out, kWidth);
  Add16(out, kHeight);
  for (uint8_t b : {0xF1, 0, 0, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}) out.push_back(b);
  for (uint8_t b : {0x21, 0xF9, 4, 0, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0}) out.push_back(b);
  Add16(out, kWidth);
  Add16(out, kHeight);
  out.push_back(0);
  std::vector<uint8_t> data;
  uint32_t bits = 0, count = 0;
  auto code = [&](uint32_t c) {
    bits |= c << count;
    for (count += 3; count >= 8; count -= 8, bits >>= 8) data.push_back(uint8_t(bits));
  };
  for (int32_t i = 0; i < kWidth * kHeight; ++i) {
    code(4);
    code(uint32_t(i * 7 / 5) % 4);
  }
  code(5);
  if (count) data.push_back(uint8_t(bits));
  out.push_back(2);
  for (size_t at = 0; at < data.size(); at += 255) {
    const size_t length = std::min<size_t>(255, data.size() - at);
    out.push_back(uint8_t(length));
    out.insert(out.end(), data.begin() + long(at), data.begin() + long(at + length));
  }
  out.push_back(0);
  out.push_back(';');
  return out;
}

// A field of the file's structure: a size, count, length, offset or code.
struct Field {
  size_t at;
  int bytes;
  bool bigEndian;
};

uint32_t Big(const std::vector<uint8_t>& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | b[at + size_t(i)];
  return v;
}
uint32_t Little(const std::vector<uint8_t>& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + size_t(i)];
  return v;
}

void PngFields(const std::vector<uint8_t>& b, std::vector<Field>& fields) {
  for (size_t at = 8; at + 8 <= b.size(); at += 12 + Big(b, at, 4)) {
    fields.push_back({at, 4, true});
    if (Big(b, at + 4, 4) == 0x49484452)  // IHDR: width, height, depth, colour type, interlace
      for (Field f : {Field{at + 8, 4, true}, {at + 12, 4, true}, {at + 16, 1, true}, {at + 17, 1, true},
                      {at + 20, 1, true}})
        fields.push_back(f);
  }
}

void GifFields(const std::vector<uint8_t>& b, std::vector<Field>& fields) {
  for (Field f : {Field{6, 2, false}, {8, 2, false}, {10, 1, false}}) fields.push_back(f);
  size_t at = 13 + ((b[10] & 0x80) ? 3u << ((b[10] & 7) + 1) : 0);
  while (at < b.size() && b[at] != ';') {
    if (b[at] == ',') {  // an image: its place, size and flags, then its code size
      for (size_t i = 1; i < 9; i += 2) fields.push_back({at + i, 2, false});
      fields.push_back({at + 9, 1, false});
      at += 10 + ((b[at + 9] & 0x80) ? 3u << ((b[at + 9] & 7) + 1) : 0);
      fields.push_back({at++, 1, false});
    } else if (b[at] == '!') {  // an extension: its introducer and label
      at += 2;
    } else {
      return;
    }
    for (; at < b.size() && b[at]; at += 1 + b[at]) fields.push_back({at, 1, false});  // each sub-block's length
    ++at;
  }
}

void JpegFields(const std::vector<uint8_t>& b, std::vector<Field>& fields) {
  for (size_t at = 2; at + 4 <= b.size() && b[at] == 0xFF; at += 2 + Big(b, at + 2, 2)) {
    const uint8_t marker = b[at + 1];
    fields.push_back({at + 2, 2, true});
    fields.push_back({at + 4, 1, true});  // a table's class and number, a frame's precision
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
      for (Field f : {Field{at + 5, 2, true}, {at + 7, 2, true}, {at + 9, 1, true}, {at + 11, 1, true}})
        fields.push_back(f);
    if (marker == 0xDA) return;
  }
}

void TiffFields(const std::vector<uint8_t>& b, std::vector<Field>& fields) {
  const bool big = b[0] == 'M';
  auto read = [&](size_t at, int n) { return big ? Big(b, at, n) : Little(b, at, n); };
  fields.push_back({4, 4, big});
  const size_t ifd = read(4, 4);
  if (ifd + 2 > b.size()) return;
  fields.push_back({ifd, 2, big});
  const size_t count = read(ifd, 2);
  for (size_t i = 0; i < count && ifd + 2 + 12 * (i + 1) <= b.size(); ++i) {
    const size_t entry = ifd + 2 + 12 * i;
    for (Field f : {Field{entry + 2, 2, big}, {entry + 4, 4, big}, {entry + 8, 4, big}}) fields.push_back(f);
  }
  fields.push_back({ifd + 2 + 12 * count, 4, big});  // the next IFD
}

void BmpFields(const std::vector<uint8_t>&, std::vector<Field>& fields) {
  for (size_t at : {2, 10, 14, 18, 22, 30, 34, 46, 50}) fields.push_back({at, 4, false});
  for (size_t at : {26, 28}) fields.push_back({at, 2, false});
}

std::vector<Field> FieldsOf(const ImageSeed& seed) {
  std::vector<Field> fields;
  const std::vector<uint8_t>& b = seed.bytes;
  if (seed.extension == ".png") PngFields(b, fields);
  else if (seed.extension == ".gif") GifFields(b, fields);
  else if (seed.extension == ".jpg") JpegFields(b, fields);
  else if (seed.extension == ".tif") TiffFields(b, fields);
  else BmpFields(b, fields);
  return fields;
}

// xorshift32 from the seed's name and the mutation's number.
class Random {
 public:
  Random(const std::string& name, uint32_t number) : state_(2166136261u ^ (number * 2654435761u)) {
    for (char c : name) state_ = (state_ ^ uint8_t(c)) * 16777619u;
    if (!state_) state_ = 1;
    for (int i = 0; i < 4; ++i) Next();
  }
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  size_t Below(size_t n) { return n ? Next() % n : 0; }

 private:
  uint32_t state_;
};

uint32_t CrcOf(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// Each whole chunk's checksum made right again.
void RightPngChecksums(std::vector<uint8_t>& b) {
  for (size_t at = 8; at + 12 <= b.size();) {
    const uint64_t length = Big(b, at, 4);
    if (at + 12 + length > b.size()) return;
    const uint32_t crc = CrcOf(&b[at + 4], size_t(length) + 4);
    for (int i = 0; i < 4; ++i) b[at + 8 + size_t(length) + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    at += 12 + size_t(length);
  }
}

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", unsigned(v));
  return text;
}

// The palette taken away: a GIF's global table flag cleared (its colours
// left in place or cut out too), a BMP's colour count made wrong or its
// colours cut out.
std::string CutPalette(std::vector<uint8_t>& b, const ImageSeed& seed, Random& random) {
  if (seed.extension == ".gif") {
    const size_t tableBytes = 3u << ((b[10] & 7) + 1);
    b[10] &= 0x7F;
    if (random.Below(2)) return "global palette flag cleared";
    b.erase(b.begin() + 13, b.begin() + 13 + long(tableBytes));
    return "global palette removed";
  }
  const uint32_t counts[] = {1, 2, 255, 256, 257, 0xFFFF, 0xFFFFFFFF};
  const uint32_t count = counts[random.Below(7)];
  if (random.Below(2)) {
    for (int i = 0; i < 4; ++i) b[46 + size_t(i)] = uint8_t(count >> (8 * i));
    return "palette count " + Hex(count);
  }
  const size_t cut = 4 * (1 + random.Below(16));
  b.erase(b.begin() + 54, b.begin() + 54 + long(std::min(cut, b.size() - 54)));
  return "palette cut by " + std::to_string(cut) + " bytes";
}

void Put(std::vector<uint8_t>& b, size_t at, int bytes, bool bigEndian, uint32_t v) {
  for (int i = 0; i < bytes; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * (bigEndian ? bytes - 1 - i : i)));
}

}  // namespace

std::vector<uint8_t> Resized(const ImageSeed& seed, uint32_t width, uint32_t height) {
  std::vector<uint8_t> b = seed.bytes;
  if (seed.extension == ".bmp") {
    Put(b, 18, 4, false, width);
    Put(b, 22, 4, false, height);
  } else if (seed.extension == ".png") {
    Put(b, 16, 4, true, width);
    Put(b, 20, 4, true, height);
    RightPngChecksums(b);
  } else if (seed.extension == ".gif") {
    Put(b, 6, 2, false, width);
    Put(b, 8, 2, false, height);
    size_t at = 13 + ((b[10] & 0x80) ? 3u << ((b[10] & 7) + 1) : 0);
    while (b[at] == '!')  // extensions before the image: their label, then sub-blocks
      for (at += 2; b[at]; at += 1 + b[at]) {
      }
    for (; b[at] != ','; ++at) {
    }
    Put(b, at + 5, 2, false, width);
    Put(b, at + 7, 2, false, height);
  } else if (seed.extension == ".jpg") {
    for (size_t at = 2; at + 4 <= b.size() && b[at + 1] != 0xDA; at += 2 + Big(b, at + 2, 2))
      if (b[at + 1] >= 0xC0 && b[at + 1] <= 0xCF && b[at + 1] != 0xC4 && b[at + 1] != 0xC8 && b[at + 1] != 0xCC) {
        Put(b, at + 5, 2, true, height);
        Put(b, at + 7, 2, true, width);
      }
  } else {
    const bool big = b[0] == 'M';
    auto read = [&](size_t at, int n) { return big ? Big(b, at, n) : Little(b, at, n); };
    const size_t directory = read(4, 4);
    for (size_t i = 0, count = read(directory, 2); i < count; ++i) {
      const size_t entry = directory + 2 + 12 * i;
      const uint32_t tag = read(entry, 2);
      if (tag != 256 && tag != 257) continue;
      Put(b, entry + 2, 2, big, 4);  // one long
      Put(b, entry + 4, 4, big, 1);
      Put(b, entry + 8, 4, big, tag == 256 ? width : height);
    }
  }
  return b;
}

std::vector<ImageSeed> ImageSeeds() {
  const host::Bitmap24 picture = SeedPicture();
  return {{"bmp24", ".bmp", host::EncodeBmp(picture)}, {"bmp8", ".bmp", PaletteBmp()},
          {"png", ".png", Encoded(picture, ".png")},   {"jpeg", ".jpg", Encoded(picture, ".jpg")},
          {"tiff", ".tif", Encoded(picture, ".tif")},  {"gif", ".gif", PaletteGif()}};
}

Mutation Mutate(const ImageSeed& seed, uint32_t number) {
  Random random(seed.name, number);
  Mutation m{seed.bytes, std::string()};
  std::vector<uint8_t>& b = m.bytes;
  const bool hasPalette = seed.name == "gif" || seed.name == "bmp8";
  switch (random.Below(6)) {
    case 0: {
      const size_t size = random.Below(2) ? random.Below(64) : random.Below(b.size());
      b.resize(std::min(size, b.size()));
      m.what = "cut to " + std::to_string(b.size()) + " bytes";
      return m;
    }
    case 1:
      for (size_t n = 1 + random.Below(8); n > 0; --n) {
        const size_t at = random.Below(b.size());
        b[at] ^= uint8_t(1u << random.Below(8));
        m.what += "bit flipped at " + std::to_string(at) + "; ";
      }
      break;
    case 2: {
      static const uint8_t kBytes[] = {0, 1, 0x7F, 0x80, 0xFF};
      for (size_t n = 1 + random.Below(4); n > 0; --n) {
        const size_t at = random.Below(b.size());
        b[at] = random.Below(2) ? kBytes[random.Below(5)] : uint8_t(random.Next());
        m.what += "byte " + std::to_string(at) + " = " + Hex(b[at]) + "; ";
      }
      break;
    }
    case 3: {
      const std::vector<Field> fields = FieldsOf(seed);
      const uint32_t values[] = {0,      1,          2,          0xFF,       0x100,      0x7FFF,
                                 0xFFFF, 0x10000,    0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, uint32_t(b.size()),
                                 uint32_t(b.size() + 1), random.Next()};
      for (size_t n = 1 + random.Below(3); n > 0 && !fields.empty(); --n) {
        const Field f = fields[random.Below(fields.size())];
        const uint32_t v = values[random.Below(sizeof values / sizeof values[0])];
        for (int i = 0; i < f.bytes && f.at + size_t(i) < b.size(); ++i)
          b[f.at + size_t(i)] = uint8_t(v >> (8 * (f.bigEndian ? f.bytes - 1 - i : i)));
        m.what += "field at " + std::to_string(f.at) + " = " + Hex(v) + "; ";
      }
      break;
    }
    case 4:
      if (hasPalette) {
        m.what = CutPalette(b, seed, random);
        break;
      }
      [[fallthrough]];
    default: {
      const size_t at = random.Below(b.size()), length = 1 + random.Below(std::min<size_t>(64, b.size() - at));
      if (random.Below(2)) {
        b.erase(b.begin() + long(at), b.begin() + long(at + length));
        m.what = std::to_string(length) + " bytes removed at " + std::to_string(at);
      } else {
        const std::vector<uint8_t> run(b.begin() + long(at), b.begin() + long(at + length));
        b.insert(b.begin() + long(at), run.begin(), run.end());
        m.what = std::to_string(length) + " bytes repeated at " + std::to_string(at);
      }
    }
  }
  if (seed.extension == ".png" && random.Below(2)) {
    RightPngChecksums(b);
    m.what += " (checksums made right)";
  }
  return m;
}

}  // namespace molvane::hosttest
