// A JPEG's Exif orientation, every read bounded by the bytes there are.
#include "host/exif_orientation.h"

#include <cstring>

namespace molvane::host {
namespace {

constexpr uint16_t kOrientationTag = 274;
constexpr uint16_t kShortType = 3;
constexpr size_t kEntryBytes = 12;

uint16_t BigEndian16(const uint8_t* at) { return uint16_t(at[0] << 8 | at[1]); }

}  // namespace

Turn TiffOrientationTurn(const uint8_t* data, size_t size) {
  if (size < 8) return Turn::kNone;
  const bool big = data[0] == 'M' && data[1] == 'M';
  if (!big && !(data[0] == 'I' && data[1] == 'I')) return Turn::kNone;
  auto u16 = [&](size_t at) { return big ? BigEndian16(data + at) : uint16_t(data[at] | data[at + 1] << 8); };
  auto u32 = [&](size_t at) { return big ? uint32_t(u16(at)) << 16 | u16(at + 2) : uint32_t(u16(at + 2)) << 16 | u16(at); };
  if (u16(2) != 42) return Turn::kNone;
  const uint32_t directory = u32(4);
  if (directory < 8 || directory > size - 2) return Turn::kNone;
  const size_t entries = u16(directory);
  for (size_t i = 0; i < entries; ++i) {
    const size_t entry = directory + 2 + i * kEntryBytes;
    if (entry + kEntryBytes > size) break;
    if (u16(entry) != kOrientationTag) continue;
    if (u16(entry + 2) != kShortType || u32(entry + 4) != 1) return Turn::kNone;
    return TurnOfTag(u16(entry + 8));
  }
  return Turn::kNone;
}

Turn JpegExifTurn(const uint8_t* data, size_t size) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return Turn::kNone;
  size_t at = 2;
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return Turn::kNone;
    const uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // a fill byte before the marker
      ++at;
      continue;
    }
    // Markers without a length: the start of a file, restarts, and the reserved 0x01.
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    // The scan or the end: an Exif block comes before either.
    if (marker == 0xDA || marker == 0xD9) return Turn::kNone;
    const size_t length = BigEndian16(data + at + 2);
    if (length < 2 || length > size - at - 2) return Turn::kNone;
    const uint8_t* body = data + at + 4;
    const size_t bodySize = length - 2;
    static const char kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (marker == 0xE1 && bodySize >= sizeof kExif && std::memcmp(body, kExif, sizeof kExif) == 0)
      return TiffOrientationTurn(body + sizeof kExif, bodySize - sizeof kExif);
    at += 2 + length;
  }
  return Turn::kNone;
}

}  // namespace molvane::host
