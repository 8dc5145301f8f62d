// Reading the major and minor version numbers back from a module's version resource.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace molvane {

struct FileVersionNumbers {
  int32_t major;
  int32_t minor;
};

// Drops every zero byte of the resource (its strings are UTF-16, so ASCII keys
// and values become plain text), finds the first "FileVersion", takes the 7
// characters right behind it and reads the 1st as the major and the 3rd as the
// minor number: "4.0.0.0" gives 4 and 0. Only single digits are reported. No
// key, fewer than 7 characters behind it, or a non-digit in either place
// gives 0 and 0.
FileVersionNumbers ParseFileVersion(const std::vector<uint8_t>& resource);

// The version numbers of the module holding this code (Molvane.dll in the
// plug-in); 0 and 0 when its file or resource cannot be read.
FileVersionNumbers ReadOwnFileVersion(Platform& platform);

}  // namespace molvane
