// Damaged image files made on purpose: a sound file of each kind the viewer reads, and numbered mutations of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace molvane::hosttest {

struct ImageSeed {
  std::string name;       // "png", "bmp8", ... : names the mutated files
  std::string extension;  // ".png"
  std::vector<uint8_t> bytes;
};

// A 24-bit BMP (the host's own decoder), an 8-bit palette BMP, a PNG, a JPEG
// and a TIFF (written by the system's codecs), and a GIF with a global
// palette and two data sub-blocks; all of one small picture.
std::vector<ImageSeed> ImageSeeds();

struct Mutation {
  std::vector<uint8_t> bytes;
  std::string what;  // the damage done, to name a failing case
};

// Mutation `number` of `seed`, the same on every run: the file cut short,
// bits flipped, bytes overwritten, a size, count, length or offset of its
// structure set to 0, 1, a power of two or all ones, a palette taken away,
// a run of bytes removed or repeated. PNG chunks then get their checksums
// made right half of the time, so the damage reaches past the codec's first
// check.
Mutation Mutate(const ImageSeed& seed, uint32_t number);

// The seed with every size field of its header (and the PNG header's
// checksum) made to announce `width` x `height`; its pixel data unchanged.
std::vector<uint8_t> Resized(const ImageSeed& seed, uint32_t width, uint32_t height);

}  // namespace molvane::hosttest
