// Deflate (RFC 1951) and zlib (RFC 1950) compression fast enough for 24-megapixel PNG files.
//
// Each call compresses one piece on its own: greedy matches of 4 to 258
// bytes found through a one-entry hash table, no match reaching outside the
// piece, one block with its own Huffman codes (limited to 15 bits), then an
// empty stored block that brings the stream to a byte boundary. Pieces so
// made, compressed on any threads, concatenate in their order into one
// stream; EndDeflateStream closes it. The output depends only on the pieces'
// bytes, never on the threads, and any inflater gives the bytes back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace molvane::host {

// Appends `size` bytes of `data` compressed as non-final blocks to `out`.
void DeflatePiece(const uint8_t* data, size_t size, std::vector<uint8_t>& out);
// Appends the empty final block that ends a stream of pieces.
void EndDeflateStream(std::vector<uint8_t>& out);

uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler = 1);
// The Adler-32 of A then B, from those of A and of B and the length of B.
uint32_t Adler32Combine(uint32_t first, uint32_t second, uint64_t secondSize);

// A whole zlib stream (header, one piece, end, Adler-32) of `data`.
std::vector<uint8_t> ZlibCompress(const uint8_t* data, size_t size);

}  // namespace molvane::host
