// The "FileVersion" walk over version resources laid out as the resource compiler lays them out.
#include "boundary/version_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"

namespace molvane {
namespace {

using Bytes = std::vector<uint8_t>;

void PutWord(Bytes& out, uint32_t value) {
  out.push_back(uint8_t(value));
  out.push_back(uint8_t(value >> 8));
}

void PutDword(Bytes& out, uint32_t value) {
  PutWord(out, value & 0xFFFF);
  PutWord(out, value >> 16);
}

void PadTo4(Bytes& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

Bytes Utf16z(const std::string& ascii) {
  Bytes out;
  for (char c : ascii) PutWord(out, uint8_t(c));
  PutWord(out, 0);
  return out;
}

// One version-resource node: wLength, wValueLength, wType, the key, padding,
// the value, padding, then the children, each starting on 32 bits.
Bytes Node(const std::string& key, const Bytes& value, uint16_t valueLength, uint16_t type,
           const std::vector<Bytes>& children = {}) {
  Bytes out(6, 0);
  const Bytes name = Utf16z(key);
  out.insert(out.end(), name.begin(), name.end());
  PadTo4(out);
  out.insert(out.end(), value.begin(), value.end());
  for (const Bytes& child : children) {
    PadTo4(out);
    out.insert(out.end(), child.begin(), child.end());
  }
  out[0] = uint8_t(out.size());
  out[1] = uint8_t(out.size() >> 8);
  out[2] = uint8_t(valueLength);
  out[3] = uint8_t(valueLength >> 8);
  out[4] = uint8_t(type);
  out[5] = uint8_t(type >> 8);
  return out;
}

Bytes Text(const std::string& key, const std::string& value) {
  const Bytes text = Utf16z(value);
  return Node(key, text, uint16_t(text.size() / 2), 1);
}

Bytes FixedFileInfo(uint32_t major, uint32_t minor) {
  Bytes out;
  PutDword(out, 0xFEEF04BD);             // signature
  PutDword(out, 0x00010000);             // structure version
  PutDword(out, major << 16 | minor);    // file version MS
  PutDword(out, 0);                      // file version LS
  PutDword(out, major << 16 | minor);    // product version MS
  PutDword(out, 0);                      // product version LS
  PutDword(out, 0x3F);                   // flags mask
  PutDword(out, 0);                      // flags
  PutDword(out, 0x00040004);             // VOS_NT_WINDOWS32
  PutDword(out, 2);                      // VFT_DLL
  PutDword(out, 0);                      // subtype
  PutDword(out, 0);                      // date MS
  PutDword(out, 0);                      // date LS
  return out;
}

// The library's resource as its .rc file describes it, with `fileVersion` as
// the "FileVersion" string and, if given, an English table ahead of the French one.
Bytes VersionResource(const std::string& fileVersion, const std::string& englishFileVersion = "") {
  std::vector<Bytes> tables;
  if (!englishFileVersion.empty()) {
    tables.push_back(Node("040904E4", {}, 0, 1,
                          {Text("FileDescription", "Miscellaneous image processing plug-in"),
                           Text("FileVersion", englishFileVersion)}));
  }
  tables.push_back(Node("040C04E4", {}, 0, 1,
                        {Text("CompanyName", "Pelmorande"),
                         Text("FileDescription", "Plug-in de traitements divers d'images"),
                         Text("FileVersion", fileVersion),
                         Text("InternalName", "Molvane"),
                         Text("OriginalFilename", "Molvane.dll"),
                         Text("ProductName", "Molvane"),
                         Text("ProductVersion", "4.0.0.0")}));
  Bytes translation;
  PutWord(translation, 0x040C);
  PutWord(translation, 0x04E4);
  const Bytes fixed = FixedFileInfo(4, 0);
  return Node("VS_VERSION_INFO", fixed, uint16_t(fixed.size()), 0,
              {Node("StringFileInfo", {}, 0, 1, tables),
               Node("VarFileInfo", {}, 0, 1, {Node("Translation", translation, 4, 0)})});
}

// The resource cut right after `keep` characters of the FileVersion value.
Bytes CutInsideFileVersion(const Bytes& resource, size_t keep) {
  const Bytes key = Utf16z("FileVersion");
  auto at = std::search(resource.begin(), resource.end(), key.begin(), key.end() - 2);
  size_t end = size_t(at - resource.begin()) + key.size();
  while (end % 4 != 0) ++end;  // padding behind the key
  return Bytes(resource.begin(), resource.begin() + std::ptrdiff_t(end + 2 * keep));
}

TEST(ParseFileVersion, ReadsMajorAndMinorOfTheLibraryResource) {
  const FileVersionNumbers version = ParseFileVersion(VersionResource("4.0.0.0"));
  EXPECT_EQ(version.major, 4);
  EXPECT_EQ(version.minor, 0);

  const FileVersionNumbers other = ParseFileVersion(VersionResource("7.3.1.2"));
  EXPECT_EQ(other.major, 7);
  EXPECT_EQ(other.minor, 3);
}

TEST(ParseFileVersion, TakesTheFirstFileVersion) {
  const FileVersionNumbers version = ParseFileVersion(VersionResource("4.0.0.0", "3.2.0.0"));
  EXPECT_EQ(version.major, 3);
  EXPECT_EQ(version.minor, 2);
}

TEST(ParseFileVersion, NeedsAllSevenCharactersBehindTheKey) {
  const Bytes resource = VersionResource("4.1.0.0");
  const FileVersionNumbers whole = ParseFileVersion(CutInsideFileVersion(resource, 7));
  EXPECT_EQ(whole.major, 4);
  EXPECT_EQ(whole.minor, 1);

  const FileVersionNumbers cut = ParseFileVersion(CutInsideFileVersion(resource, 6));
  EXPECT_EQ(cut.major, 0);
  EXPECT_EQ(cut.minor, 0);
  const FileVersionNumbers bare = ParseFileVersion(CutInsideFileVersion(resource, 0));
  EXPECT_EQ(bare.major, 0);
  EXPECT_EQ(bare.minor, 0);
}

TEST(ParseFileVersion, NoKeyOrNoDigitsGivesZeros) {
  for (const Bytes& resource :
       {Bytes(), Bytes(64, 0), VersionResource("v4.0.0.0"), VersionResource("4.x.0.0"),
        Node("VS_VERSION_INFO", FixedFileInfo(4, 0), 52, 0)}) {
    const FileVersionNumbers version = ParseFileVersion(resource);
    EXPECT_EQ(version.major, 0);
    EXPECT_EQ(version.minor, 0);
  }
}

TEST(ReadOwnFileVersion, ReadsTheResourceOfTheModuleFile) {
  FakePlatform platform;
  platform.SetModuleFileName("C:\\Programmes\\Hote\\Molvane.dll");
  platform.SetFileVersionInfo("C:\\Programmes\\Hote\\Molvane.dll", VersionResource("4.0.0.0"));
  platform.SetFileVersionInfo("C:\\Programmes\\Hote\\Autre.dll", VersionResource("6.5.0.0"));
  const FileVersionNumbers version = ReadOwnFileVersion(platform);
  EXPECT_EQ(version.major, 4);
  EXPECT_EQ(version.minor, 0);

  platform.SetModuleFileName("C:\\Programmes\\Hote\\Sans.dll");  // no resource
  EXPECT_EQ(ReadOwnFileVersion(platform).major, 0);
  platform.SetModuleFileName("");
  EXPECT_EQ(ReadOwnFileVersion(platform).major, 0);
}

}  // namespace
}  // namespace molvane
