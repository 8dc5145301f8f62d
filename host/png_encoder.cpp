// PNG encoding: rows filtered and deflated by bands on the row pool, then chunked with their CRCs.
#include "host/png_encoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/deflate_encoder.h"
#include "platform/row_pool.h"

namespace molvane::host {
namespace {

// About this many filtered bytes per piece of the stream: large enough for
// the matches and codes to pay, small enough to spread over the threads.
constexpr size_t kBandBytes = size_t(1) << 19;

// CRC-32 four bytes a step (slicing by 4: entry[k] is the CRC of a byte followed by k zero bytes).
uint32_t Crc32(const uint8_t* data, size_t size) {
  static const struct Table {
    uint32_t entry[4][256];
    Table() {
      for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        entry[0][n] = c;
      }
      for (uint32_t n = 0; n < 256; ++n)
        for (int k = 1; k < 4; ++k) entry[k][n] = (entry[k - 1][n] >> 8) ^ entry[0][entry[k - 1][n] & 0xFF];
    }
  } table;
  uint32_t crc = 0xFFFFFFFFu;
  for (; size >= 4; size -= 4, data += 4) {
    crc ^= uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
    crc = table.entry[3][crc & 0xFF] ^ table.entry[2][(crc >> 8) & 0xFF] ^ table.entry[1][(crc >> 16) & 0xFF] ^
          table.entry[0][crc >> 24];
  }
  for (; size > 0; --size) crc = table.entry[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

// A chunk's length and type before its data, which `out` holds from `start` + 8 on; then its CRC.
void CloseChunk(std::vector<uint8_t>& out, size_t start, const char type[4]) {
  const uint32_t size = uint32_t(out.size() - start - 8);
  for (int i = 0; i < 4; ++i) out[start + size_t(i)] = uint8_t(size >> (24 - 8 * i));
  std::memcpy(&out[start + 4], type, 4);
  PutBigEndian(out, Crc32(&out[start + 4], size + 4));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  const size_t start = out.size();
  out.resize(start + 8);
  out.insert(out.end(), data.begin(), data.end());
  CloseChunk(out, start, type);
}

inline uint8_t Paeth(int left, int up, int upLeft) {
  const int pa = std::abs(up - upLeft), pb = std::abs(left - upLeft), pc = std::abs(left + up - 2 * upLeft);
  const int upOrCorner = pb <= pc ? up : upLeft;
  return uint8_t(pa <= pb && pa <= pc ? left : upOrCorner);
}

void ToRgb(const Pixel24* pixels, size_t width, uint8_t* rgb) {
  for (size_t x = 0; x < width; ++x) {
    rgb[3 * x] = pixels[x].r;
    rgb[3 * x + 1] = pixels[x].g;
    rgb[3 * x + 2] = pixels[x].b;
  }
}

// One band's rows filtered and deflated in an IDAT chunk of their own, and
// the Adler-32 of the filtered bytes.
struct Band {
  std::vector<uint8_t> chunk;
  uint32_t adler = 1;
  uint64_t filteredBytes = 0;
};

void EncodeBand(const Bitmap24& image, int64_t firstRow, int64_t endRow, Band& band) {
  const size_t width = size_t(image.width), rowBytes = width * 3;
  std::vector<uint8_t> previous(rowBytes, 0), current(rowBytes);
  if (firstRow > 0) ToRgb(&image.pixels[size_t(firstRow - 1) * width], width, previous.data());
  std::vector<uint8_t> filtered(size_t(endRow - firstRow) * (rowBytes + 1));
  uint8_t* out = filtered.data();
  for (int64_t y = firstRow; y < endRow; ++y) {
    ToRgb(&image.pixels[size_t(y) * width], width, current.data());
    out[0] = uint8_t(FilterPngRow(current.data(), previous.data(), rowBytes, out + 1));
    out += rowBytes + 1;
    previous.swap(current);
  }
  band.chunk.resize(8);
  DeflatePiece(filtered.data(), filtered.size(), band.chunk);
  CloseChunk(band.chunk, 0, "IDAT");
  // The deflater's room for the worst case, twice the band, would otherwise stay held by every band.
  band.chunk.shrink_to_fit();
  band.adler = Adler32(filtered.data(), filtered.size());
  band.filteredBytes = filtered.size();
}

}  // namespace

int FilterPngRow(const uint8_t* row, const uint8_t* previous, size_t rowBytes, uint8_t* out) {
  // The filter is chosen on a sample of the row (every seventh byte, so every
  // channel in turn): the choice only steers the compression, and the whole
  // row would cost more than the deflating that follows.
  uint32_t cost[5] = {0};
  auto magnitude = [](uint8_t v) { return uint32_t(v < 128 ? v : 256 - v); };
  for (size_t i = 3; i < rowBytes; i += 7) {
    const int left = row[i - 3], up = previous[i], upLeft = previous[i - 3];
    cost[0] += magnitude(row[i]);
    cost[1] += magnitude(uint8_t(row[i] - left));
    cost[2] += magnitude(uint8_t(row[i] - up));
    cost[3] += magnitude(uint8_t(row[i] - ((left + up) >> 1)));
    cost[4] += magnitude(uint8_t(row[i] - Paeth(left, up, upLeft)));
  }
  const int best = int(std::min_element(cost, cost + 5) - cost);
  // The first pixel has no left neighbour: left and upper left count as 0.
  const size_t first = std::min<size_t>(3, rowBytes);
  for (size_t i = 0; i < first; ++i) {
    const int up = previous[i];
    const int predicted = best == 2 || best == 4 ? up : best == 3 ? up >> 1 : 0;
    out[i] = uint8_t(row[i] - predicted);
  }
  switch (best) {
    case 0: std::memcpy(out + first, row + first, rowBytes - first); break;
    case 1:
      for (size_t i = first; i < rowBytes; ++i) out[i] = uint8_t(row[i] - row[i - 3]);
      break;
    case 2:
      for (size_t i = first; i < rowBytes; ++i) out[i] = uint8_t(row[i] - previous[i]);
      break;
    case 3:
      for (size_t i = first; i < rowBytes; ++i) out[i] = uint8_t(row[i] - ((row[i - 3] + previous[i]) >> 1));
      break;
    default:
      for (size_t i = first; i < rowBytes; ++i) out[i] = uint8_t(row[i] - Paeth(row[i - 3], previous[i], previous[i - 3]));
      break;
  }
  return best;
}

std::vector<uint8_t> EncodePng(const Bitmap24& image) {
  const size_t rowBytes = size_t(image.width) * 3 + 1;
  const int64_t rowsPerBand = int64_t(std::max<size_t>(1, kBandBytes / rowBytes));
  const int64_t bandCount = (image.height + rowsPerBand - 1) / rowsPerBand;
  std::vector<Band> bands(static_cast<size_t>(bandCount));
  SplitOverThreads(bandCount, 1, 2, [&](int64_t begin, int64_t end) {
    for (int64_t b = begin; b < end; ++b)
      EncodeBand(image, b * rowsPerBand, std::min<int64_t>(image.height, (b + 1) * rowsPerBand), bands[size_t(b)]);
  });

  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBigEndian(header, uint32_t(image.width));
  PutBigEndian(header, uint32_t(image.height));
  const uint8_t depthAndKind[5] = {8, 2, 0, 0, 0};  // 8 bits, RGB, deflate, adaptive filters, not interlaced
  header.insert(header.end(), depthAndKind, depthAndKind + 5);
  PutChunk(file, "IHDR", header);
  // The zlib stream's header, its pieces and its end in IDAT chunks of their own.
  PutChunk(file, "IDAT", {0x78, 0x01});  // deflate, 32 KB window, no dictionary
  size_t total = file.size() + 64;
  for (const Band& band : bands) total += band.chunk.size();
  file.reserve(total);
  uint32_t adler = 1;
  for (Band& band : bands) {
    file.insert(file.end(), band.chunk.begin(), band.chunk.end());
    adler = Adler32Combine(adler, band.adler, band.filteredBytes);
    std::vector<uint8_t>().swap(band.chunk);
  }
  std::vector<uint8_t> end;
  EndDeflateStream(end);
  PutBigEndian(end, adler);
  PutChunk(file, "IDAT", end);
  PutChunk(file, "IEND", {});
  return file;
}

}  // namespace molvane::host
