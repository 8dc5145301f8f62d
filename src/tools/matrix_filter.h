// TMatrixFilter: one convolution filter, the same 240 bytes in memory and in a ".flt" file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace molvane {

// Byte layout, little-endian, fixed because users exchange the files:
//     0  1   Name length, 0..16
//     1  16  Name characters (Windows-1252); bytes past the length mean nothing
//    17  3   padding
//    20  4   Size: 3, 5 or 7
//    24  4   Offset, added to each quotient
//    28  4   padding
//    32  10  Divisor, an 80-bit x87 extended real
//    42  2   padding
//    44  196 Coeff: 7 x 7 signed 32-bit integers, row r, column c at 44 + 4 (7r + c)
// Only the centred Size x Size block filters. A loaded record is not
// validated: every field may hold anything.
struct TMatrixFilter {
  uint8_t NameLength;
  char NameChars[16];
  uint8_t Padding1[3];
  int32_t Size;
  int32_t Offset;
  uint8_t Padding2[4];
  uint8_t DivisorBytes[10];
  uint8_t Padding3[2];
  int32_t Coeff[7][7];

  long double Divisor() const {
    long double d = 0;
    std::memcpy(&d, DivisorBytes, sizeof DivisorBytes);
    return d;
  }
  void SetDivisor(long double d) { std::memcpy(DivisorBytes, &d, sizeof DivisorBytes); }
  // The name, its length byte above 16 cut to 16.
  std::string Name() const { return std::string(NameChars, NameLength > 16 ? 16 : NameLength); }
  // The first 16 characters of `name`; bytes past it are zeroed.
  void SetName(const std::string& name);
};

static_assert(sizeof(TMatrixFilter) == 240, "a filter record is 240 bytes");
static_assert(offsetof(TMatrixFilter, Size) == 20, "Size at 20");
static_assert(offsetof(TMatrixFilter, Offset) == 24, "Offset at 24");
static_assert(offsetof(TMatrixFilter, DivisorBytes) == 32, "Divisor at 32");
static_assert(offsetof(TMatrixFilter, Coeff) == 44, "Coeff at 44");

// The seven filters a user finds in the list: "Lissage", "Accentuation",
// "Passe-haut", "Contour", "Sobel", "Gauss", "Utilisateur".
constexpr int kBuiltInFilterCount = 7;
TMatrixFilter BuiltInFilter(int index);

}  // namespace molvane
