// The "FileVersion" walk over a version resource.
#include "boundary/version_info.h"

#include <string>

namespace molvane {

FileVersionNumbers ParseFileVersion(const std::vector<uint8_t>& resource) {
  static const std::string kKey = "FileVersion";
  constexpr size_t kValueLength = 7;

  std::string text;
  text.reserve(resource.size());
  for (uint8_t byte : resource) {
    if (byte != 0) text.push_back(char(byte));
  }

  const size_t key = text.find(kKey);
  if (key == std::string::npos) return {0, 0};
  const size_t value = key + kKey.size();
  if (text.size() - value < kValueLength) return {0, 0};

  const char major = text[value];
  const char minor = text[value + 2];
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (!isDigit(major) || !isDigit(minor)) return {0, 0};
  return {major - '0', minor - '0'};
}

FileVersionNumbers ReadOwnFileVersion(Platform& platform) {
  const std::string fileName = platform.ModuleFileName();
  if (fileName.empty()) return {0, 0};
  return ParseFileVersion(platform.FileVersionInfo(fileName));
}

}  // namespace molvane
