// The filter record's bytes and ".flt" files as other users' programs write them.
#include "tools/filter_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <vector>

namespace molvane {
namespace {

std::vector<uint8_t> BytesOf(const TMatrixFilter& f) {
  const auto* p = reinterpret_cast<const uint8_t*>(&f);
  return std::vector<uint8_t>(p, p + sizeof f);
}

int32_t Int32At(const std::vector<uint8_t>& b, size_t at) {
  return int32_t(uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
                 uint32_t(b[at + 3]) << 24);
}

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "molvane_" + name;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              std::streamsize(bytes.size()));
}

TEST(FilterRecord, GaussHasItsBytesWhereOtherProgramsReadThem) {
  const std::vector<uint8_t> b = BytesOf(BuiltInFilter(5));
  EXPECT_EQ(b[0], 5);
  EXPECT_EQ(std::string(b.begin() + 1, b.begin() + 6), "Gauss");
  for (size_t i = 6; i < 20; ++i) EXPECT_EQ(b[i], 0) << "unused name bytes and padding are zero";
  EXPECT_EQ(Int32At(b, 20), 7);
  EXPECT_EQ(Int32At(b, 24), 127);
  // 6676 = 0x1A14 as an x87 extended: significand 0xD0A0000000000000, exponent 16383 + 12.
  const uint8_t divisor[10] = {0, 0, 0, 0, 0, 0, 0xA0, 0xD0, 0x0B, 0x40};
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(b[32 + i], divisor[i]) << "divisor byte " << i;
  EXPECT_EQ(Int32At(b, 44), -123);             // row 0, column 0
  EXPECT_EQ(Int32At(b, 44 + 4 * (7 * 1 + 3)), -604);  // row 1, column 3
  EXPECT_EQ(Int32At(b, 236), 123);             // row 6, column 6
}

TEST(FilterRecord, BuiltInsHaveTheirCentredBlocks) {
  const TMatrixFilter sobel = BuiltInFilter(4);
  EXPECT_EQ(sobel.Name(), "Sobel");
  EXPECT_EQ(sobel.Coeff[2][3], -2);
  EXPECT_EQ(sobel.Coeff[4][2], 1);
  EXPECT_EQ(sobel.Coeff[1][1], 0);
  const TMatrixFilter user = BuiltInFilter(6);
  EXPECT_EQ(user.Name(), "Utilisateur");
  EXPECT_EQ(user.Divisor(), 1.0L);
  EXPECT_EQ(user.Coeff[3][3], 1);
}

TEST(FilterRecord, NamesAreCutToSixteenCharacters) {
  TMatrixFilter f = BuiltInFilter(0);
  f.SetName("un nom bien trop long pour la liste");
  EXPECT_EQ(f.NameLength, 16);
  EXPECT_EQ(f.Name(), "un nom bien trop");
  f.NameLength = 200;  // as a foreign file may hold
  EXPECT_EQ(f.Name().size(), 16u);
}

TEST(FilterFile, SavesExactlyTheRecordAndLoadsItBack) {
  TMatrixFilter f = BuiltInFilter(3);
  f.SetDivisor(1.2L);
  const std::string path = TempPath("roundtrip.flt");
  SaveFilterFile(path, f);
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, BytesOf(f));
  TMatrixFilter back = LoadFilterFile(path);
  EXPECT_EQ(BytesOf(back), BytesOf(f));
  EXPECT_EQ(back.Divisor(), 1.2L);
  std::remove(path.c_str());
}

TEST(FilterFile, ALongerFileLoadsFromItsFirstRecord) {
  std::vector<uint8_t> bytes = BytesOf(BuiltInFilter(1));
  bytes.resize(300, 0x77);
  const std::string path = TempPath("long.flt");
  WriteBytes(path, bytes);
  EXPECT_EQ(BytesOf(LoadFilterFile(path)), BytesOf(BuiltInFilter(1)));
  std::remove(path.c_str());
}

// Each failure with the message the user reads; any other failure shows
// the system's own error number.
TEST(FilterFile, FailuresSayWhatHappened) {
  std::vector<uint8_t> bytes = BytesOf(BuiltInFilter(1));
  bytes.resize(239);
  const std::string shortFile = TempPath("short.flt");
  WriteBytes(shortFile, bytes);
  const std::string longName = TempPath(std::string(300, 'n') + ".flt");
  const struct {
    const char* what;
    std::function<void()> action;
    std::string message;
  } cases[] = {
      {"a file of 239 bytes", [&] { LoadFilterFile(shortFile); }, "Lecture au-del\xE0 de la fin de fichier"},
      {"no such file", [&] { LoadFilterFile(TempPath("missing.flt")); }, "Fichier introuvable"},
      {"no such folder", [&] { SaveFilterFile(TempPath("no/such/folder.flt"), BuiltInFilter(0)); },
       "Fichier introuvable"},
      {"a folder saved over", [&] { SaveFilterFile(::testing::TempDir(), BuiltInFilter(0)); },
       "Acc\xE8s au fichier refus\xE9"},
      {"a full disk", [&] { SaveFilterFile("/dev/full", BuiltInFilter(0)); }, "Disque plein"},
      {"a name too long", [&] { LoadFilterFile(longName); }, "Erreur E/S " + std::to_string(ENAMETOOLONG)},
  };
  for (const auto& c : cases) {
    std::string message = "no error";
    try {
      c.action();
    } catch (const FileError& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message) << c.what;
  }
  std::remove(shortFile.c_str());
}

}  // namespace
}  // namespace molvane
