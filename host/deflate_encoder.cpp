// Deflate pieces: greedy hash matches, one dynamic Huffman block each, a byte-aligned end.
#include "host/deflate_encoder.h"

#include <algorithm>
#include <cstring>

namespace molvane::host {
namespace {

constexpr int kLiteralCodes = 286;  // 0..255 bytes, 256 end of block, 257..285 lengths
constexpr int kDistanceCodes = 30;
constexpr int kLengthCodes = 19;
constexpr int kEndOfBlock = 256;
constexpr int kMinMatch = 4;
constexpr int kMaxMatch = 258;
constexpr uint32_t kWindow = 32768;
constexpr int kHashBits = 15;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which the code lengths' own code lengths are sent.
constexpr uint8_t kLengthOrder[kLengthCodes] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Length (3..258) and distance (1..32768) to their code index, built once.
struct CodeTables {
  uint8_t lengthCode[kMaxMatch + 1];
  uint8_t distanceCode[512];  // distance - 1 below 256, then (distance - 1) >> 7 from 256 on
  CodeTables() {
    for (int code = 0; code < 29; ++code)
      for (int length = kLengthBase[code]; length < kLengthBase[code] + (1 << kLengthExtra[code]) && length <= kMaxMatch;
           ++length)
        lengthCode[length] = uint8_t(code);
    lengthCode[kMaxMatch] = 28;
    for (int code = 0; code < kDistanceCodes; ++code)
      for (uint32_t d = kDistanceBase[code] - 1u; d < kDistanceBase[code] - 1u + (1u << kDistanceExtra[code]); ++d)
        distanceCode[d < 256 ? d : 256 + (d >> 7)] = uint8_t(code);
  }
  int DistanceCode(uint32_t distanceMinusOne) const {
    return distanceCode[distanceMinusOne < 256 ? distanceMinusOne : 256 + (distanceMinusOne >> 7)];
  }
};
const CodeTables& Tables() {
  static const CodeTables tables;
  return tables;
}

// Bits in the order deflate sends them: the first bit is a byte's lowest.
// The caller gives room enough for everything written (Room()).
class BitWriter {
 public:
  explicit BitWriter(uint8_t* out) : start_(out), out_(out) {}
  // At most 16 bits at a time (32 on a byte boundary).
  void Put(uint32_t bits, int count) {
    buffer_ |= uint64_t(bits) << filled_;
    filled_ += count;
    if (filled_ >= 32) {
      out_[0] = uint8_t(buffer_);
      out_[1] = uint8_t(buffer_ >> 8);
      out_[2] = uint8_t(buffer_ >> 16);
      out_[3] = uint8_t(buffer_ >> 24);
      out_ += 4;
      buffer_ >>= 32;
      filled_ -= 32;
    }
  }
  void AlignToByte() {
    filled_ = (filled_ + 7) & ~7;
    for (; filled_ > 0; filled_ -= 8, buffer_ >>= 8) *out_++ = uint8_t(buffer_);
  }
  size_t Written() const { return size_t(out_ - start_); }
  // A piece's most bytes: 15 bits a literal byte at worst (a match of 4 bytes
  // or more takes 48 bits at most), its codes' description and the closing block.
  static size_t Room(size_t size) { return size * 2 + 1024; }

 private:
  uint8_t* start_;
  uint8_t* out_;
  uint64_t buffer_ = 0;
  int filled_ = 0;
};

// Huffman code lengths of at most `limit` bits for the symbols of nonzero
// frequency; while the optimal code is too deep, the frequencies are halved
// (none below 1) and the code built again. Two symbols at least get a code,
// so that every decoder sees a complete code.
void BuildLengths(const uint32_t* frequencies, int count, int limit, uint8_t* lengths) {
  std::vector<uint32_t> weight(frequencies, frequencies + count);
  int used = 0;
  for (int s = 0; s < count; ++s) used += weight[s] != 0;
  for (int s = 0; used < 2 && s < count; ++s)
    if (weight[s] == 0) weight[s] = 1, ++used;
  std::vector<int> order;
  std::vector<uint64_t> nodeWeight;
  std::vector<int> parent;
  for (;;) {
    order.clear();
    for (int s = 0; s < count; ++s)
      if (weight[s]) order.push_back(s);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return weight[a] < weight[b]; });
    // Two queues: the sorted leaves, then the internal nodes in the order made (their weights never decrease).
    const int leaves = int(order.size());
    nodeWeight.assign(size_t(2 * leaves - 1), 0);
    parent.assign(size_t(2 * leaves - 1), -1);
    for (int i = 0; i < leaves; ++i) nodeWeight[size_t(i)] = weight[size_t(order[size_t(i)])];
    int nextLeaf = 0, nextInner = leaves, made = leaves;
    auto takeLightest = [&]() {
      if (nextLeaf < leaves && (nextInner >= made || nodeWeight[size_t(nextLeaf)] <= nodeWeight[size_t(nextInner)]))
        return nextLeaf++;
      return nextInner++;
    };
    while (made < 2 * leaves - 1) {
      const int a = takeLightest(), b = takeLightest();
      nodeWeight[size_t(made)] = nodeWeight[size_t(a)] + nodeWeight[size_t(b)];
      parent[size_t(a)] = parent[size_t(b)] = made;
      ++made;
    }
    // Depths from the root down: a node's parent always comes after it.
    std::vector<int> depth(size_t(2 * leaves - 1), 0);
    int deepest = 0;
    for (int n = 2 * leaves - 3; n >= 0; --n) {
      depth[size_t(n)] = depth[size_t(parent[size_t(n)])] + 1;
      if (n < leaves) deepest = std::max(deepest, depth[size_t(n)]);
    }
    if (deepest <= limit) {
      std::fill(lengths, lengths + count, 0);
      for (int i = 0; i < leaves; ++i) lengths[order[size_t(i)]] = uint8_t(depth[size_t(i)]);
      return;
    }
    for (uint32_t& w : weight)
      if (w) w = std::max<uint32_t>(1, w >> 1);
  }
}

// Canonical codes (RFC 1951 3.2.2), bit-reversed for the writer.
void BuildCodes(const uint8_t* lengths, int count, uint16_t* codes) {
  int perLength[16] = {0};
  for (int s = 0; s < count; ++s) ++perLength[lengths[s]];
  perLength[0] = 0;
  int next[16] = {0};
  for (int bits = 1, code = 0; bits < 16; ++bits) {
    code = (code + perLength[bits - 1]) << 1;
    next[bits] = code;
  }
  for (int s = 0; s < count; ++s) {
    const int length = lengths[s];
    if (!length) continue;
    uint32_t code = uint32_t(next[length]++), reversed = 0;
    for (int b = 0; b < length; ++b) reversed |= ((code >> b) & 1u) << (length - 1 - b);
    codes[s] = uint16_t(reversed);
  }
}

// A match is 0x80000000 | length << 16 | (distance - 1); a literal its byte.
constexpr uint32_t kMatchFlag = 0x80000000u;

void FindMatches(const uint8_t* data, size_t size, std::vector<uint32_t>& tokens) {
  tokens.clear();
  tokens.reserve(size);
  std::vector<int32_t> head(size_t(1) << kHashBits, -1);
  auto read32 = [data](size_t at) {
    uint32_t value;
    std::memcpy(&value, data + at, 4);
    return value;
  };
  auto hash = [](uint32_t value) { return (value * 2654435761u) >> (32 - kHashBits); };
  size_t at = 0;
  // After many misses in a row (noise) the search looks at fewer places:
  // the bytes between go out as literals.
  uint32_t misses = 0;
  while (at + kMinMatch <= size) {
    const uint32_t here = read32(at);
    int32_t& slot = head[hash(here)];
    const int32_t candidate = slot;
    slot = int32_t(at);
    if (candidate >= 0 && at - size_t(candidate) <= kWindow && read32(size_t(candidate)) == here) {
      const size_t most = std::min<size_t>(kMaxMatch, size - at);
      size_t length = kMinMatch;
      while (length < most && data[size_t(candidate) + length] == data[at + length]) ++length;
      tokens.push_back(kMatchFlag | uint32_t(length) << 16 | uint32_t(at - size_t(candidate) - 1));
      // Short matches leave their positions to later searches; long ones are runs, cheap to find again.
      const size_t end = at + length;
      if (length < 32)
        for (size_t p = at + 1; p + kMinMatch <= size && p < end; ++p) head[hash(read32(p))] = int32_t(p);
      at = end;
      misses = 0;
    } else {
      const size_t step = std::min<size_t>(1 + (misses++ >> 6), size - kMinMatch + 1 - at);
      for (size_t i = 0; i < step; ++i) tokens.push_back(data[at++]);
    }
  }
  while (at < size) tokens.push_back(data[at++]);
}

// The run-length coded code lengths of both codes (RFC 1951 3.2.7): symbol, then its extra value.
void RunLengths(const uint8_t* lengths, int count, std::vector<uint16_t>& symbols) {
  symbols.clear();
  for (int i = 0; i < count;) {
    const uint8_t value = lengths[i];
    int run = 1;
    while (i + run < count && lengths[i + run] == value) ++run;
    if (value == 0 && run >= 3) {
      const int taken = std::min(run, 138);
      if (taken >= 11) symbols.push_back(uint16_t(18 | (taken - 11) << 8));
      else symbols.push_back(uint16_t(17 | (taken - 3) << 8));
      i += taken;
    } else if (value != 0 && run >= 4) {
      symbols.push_back(value);
      const int taken = std::min(run - 1, 6);
      symbols.push_back(uint16_t(16 | (taken - 3) << 8));
      i += 1 + taken;
    } else {
      symbols.push_back(value);
      ++i;
    }
  }
}

void WriteBlock(const std::vector<uint32_t>& tokens, BitWriter& bits) {
  const CodeTables& tables = Tables();
  uint32_t literalCount[kLiteralCodes] = {0}, distanceCount[kDistanceCodes] = {0};
  for (const uint32_t token : tokens) {
    if (token & kMatchFlag) {
      ++literalCount[257 + tables.lengthCode[(token >> 16) & 0x1FF]];
      ++distanceCount[tables.DistanceCode(token & 0x7FFF)];
    } else {
      ++literalCount[token];
    }
  }
  literalCount[kEndOfBlock] = 1;
  uint8_t literalLengths[kLiteralCodes], distanceLengths[kDistanceCodes];
  BuildLengths(literalCount, kLiteralCodes, 15, literalLengths);
  BuildLengths(distanceCount, kDistanceCodes, 15, distanceLengths);
  int literals = kLiteralCodes, distances = kDistanceCodes;
  while (literals > 257 && literalLengths[literals - 1] == 0) --literals;
  while (distances > 1 && distanceLengths[distances - 1] == 0) --distances;
  uint8_t lengths[kLiteralCodes + kDistanceCodes];
  std::memcpy(lengths, literalLengths, size_t(literals));
  std::memcpy(lengths + literals, distanceLengths, size_t(distances));

  std::vector<uint16_t> runs;
  RunLengths(lengths, literals + distances, runs);
  uint32_t runCount[kLengthCodes] = {0};
  for (const uint16_t r : runs) ++runCount[r & 0x1F];
  uint8_t runLengths[kLengthCodes];
  uint16_t runCodes[kLengthCodes] = {0};
  BuildLengths(runCount, kLengthCodes, 7, runLengths);
  BuildCodes(runLengths, kLengthCodes, runCodes);
  int sent = kLengthCodes;
  while (sent > 4 && runLengths[kLengthOrder[sent - 1]] == 0) --sent;

  bits.Put(0, 1);  // not the last block
  bits.Put(2, 2);  // dynamic Huffman codes
  bits.Put(uint32_t(literals - 257), 5);
  bits.Put(uint32_t(distances - 1), 5);
  bits.Put(uint32_t(sent - 4), 4);
  for (int i = 0; i < sent; ++i) bits.Put(runLengths[kLengthOrder[i]], 3);
  static constexpr uint8_t kRunExtraBits[3] = {2, 3, 7};
  for (const uint16_t r : runs) {
    const int symbol = r & 0x1F;
    bits.Put(runCodes[symbol], runLengths[symbol]);
    if (symbol >= 16) bits.Put(uint32_t(r >> 8), kRunExtraBits[symbol - 16]);
  }

  uint16_t literalCodes[kLiteralCodes] = {0}, distanceCodes[kDistanceCodes] = {0};
  BuildCodes(literalLengths, kLiteralCodes, literalCodes);
  BuildCodes(distanceLengths, kDistanceCodes, distanceCodes);
  for (const uint32_t token : tokens) {
    if (!(token & kMatchFlag)) {
      bits.Put(literalCodes[token], literalLengths[token]);
      continue;
    }
    const uint32_t length = (token >> 16) & 0x1FF, distance = token & 0x7FFF;
    const int lengthCode = tables.lengthCode[length];
    bits.Put(literalCodes[257 + lengthCode], literalLengths[257 + lengthCode]);
    bits.Put(length - kLengthBase[lengthCode], kLengthExtra[lengthCode]);
    const int distanceCode = tables.DistanceCode(distance);
    bits.Put(distanceCodes[distanceCode], distanceLengths[distanceCode]);
    bits.Put(distance + 1 - kDistanceBase[distanceCode], kDistanceExtra[distanceCode]);
  }
  bits.Put(literalCodes[kEndOfBlock], literalLengths[kEndOfBlock]);
}

}  // namespace

void DeflatePiece(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  const size_t start = out.size();
  out.resize(start + BitWriter::Room(size));
  BitWriter bits(out.data() + start);
  if (size > 0) {
    std::vector<uint32_t> tokens;
    FindMatches(data, size, tokens);
    WriteBlock(tokens, bits);
  }
  // An empty stored block: the next piece starts on a byte.
  bits.Put(0, 3);
  bits.AlignToByte();
  bits.Put(0xFFFF0000u, 32);  // its length 0, and the length's complement
  out.resize(start + bits.Written());
}

void EndDeflateStream(std::vector<uint8_t>& out) {
  // A last block of fixed codes holding only its end code.
  out.push_back(0x03);
  out.push_back(0x00);
}

constexpr uint32_t kAdlerBase = 65521;

uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler) {
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  while (size > 0) {
    // 5552 bytes at most before the sums could overflow 32 bits.
    const size_t block = std::min<size_t>(size, 5552);
    for (size_t i = 0; i < block; ++i) {
      a += data[i];
      b += a;
    }
    a %= kAdlerBase;
    b %= kAdlerBase;
    data += block;
    size -= block;
  }
  return b << 16 | a;
}

uint32_t Adler32Combine(uint32_t first, uint32_t second, uint64_t secondSize) {
  const uint64_t remainder = secondSize % kAdlerBase;
  const uint64_t a1 = first & 0xFFFF, b1 = first >> 16, a2 = second & 0xFFFF, b2 = second >> 16;
  const uint64_t a = (a1 + a2 + kAdlerBase - 1) % kAdlerBase;
  const uint64_t b = (b1 + b2 + remainder * a1 % kAdlerBase + kAdlerBase - remainder) % kAdlerBase;
  return uint32_t(b << 16 | a);
}

std::vector<uint8_t> ZlibCompress(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out = {0x78, 0x01};  // deflate, 32 KB window, no dictionary
  DeflatePiece(data, size, out);
  EndDeflateStream(out);
  const uint32_t adler = Adler32(data, size);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(adler >> shift));
  return out;
}

}  // namespace molvane::host
