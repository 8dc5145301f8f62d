// The filter record and the built-in filters.
#include "tools/matrix_filter.h"

namespace molvane {

void TMatrixFilter::SetName(const std::string& name) {
  std::memset(NameChars, 0, sizeof NameChars);
  NameLength = uint8_t(name.size() < 16 ? name.size() : 16);
  std::memcpy(NameChars, name.data(), NameLength);
}

namespace {

struct BuiltIn {
  const char* name;
  int32_t size;
  int32_t divisor;
  int32_t offset;
  int32_t centre[3][3];  // the centred block of the 3 x 3 filters
};

constexpr BuiltIn kSmall[] = {
    {"Lissage", 3, 9, 0, {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}},
    {"Accentuation", 3, 8, 0, {{-1, -1, -1}, {-1, 16, -1}, {-1, -1, -1}}},
    {"Passe-haut", 3, 9, 127, {{-1, -1, -1}, {-1, 8, -1}, {-1, -1, -1}}},
    {"Contour", 3, 1, 255, {{-1, -1, -1}, {-1, 8, -1}, {-1, -1, -1}}},
    {"Sobel", 3, 1, 127, {{-1, -2, -1}, {0, 0, 0}, {1, 2, 1}}},
};

// The divisor is 6676, not the 6678 the positive weights add up to.
constexpr int32_t kGauss[7][7] = {
    {-123, -251, -385, -444, -385, -251, -123},
    {-167, -341, -524, -604, -524, -341, -167},
    {-128, -262, -402, -464, -402, -262, -128},
    {0, 0, 0, 0, 0, 0, 0},
    {128, 262, 402, 464, 402, 262, 128},
    {167, 341, 524, 604, 524, 341, 167},
    {123, 251, 385, 444, 385, 251, 123},
};

}  // namespace

TMatrixFilter BuiltInFilter(int index) {
  TMatrixFilter f;
  std::memset(&f, 0, sizeof f);
  if (index >= 0 && index < 5) {
    const BuiltIn& b = kSmall[index];
    f.SetName(b.name);
    f.Size = b.size;
    f.SetDivisor(b.divisor);
    f.Offset = b.offset;
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) f.Coeff[2 + r][2 + c] = b.centre[r][c];
  } else if (index == 5) {
    f.SetName("Gauss");
    f.Size = 7;
    f.SetDivisor(6676);
    f.Offset = 127;
    std::memcpy(f.Coeff, kGauss, sizeof kGauss);
  } else {
    f.SetName("Utilisateur");
    f.Size = 3;
    f.SetDivisor(1);
    f.Coeff[3][3] = 1;
  }
  return f;
}

}  // namespace molvane
